#pragma once
// The registry of loaded modules and of the callbacks to run when modules are
// destroyed.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "runtime/module.h"

namespace krv::mi {

// Identifies one destruction callback; 0 is never handed out.
using destruction_cookie = uint64_t;

// The callable of a destruction callback: receives the two values given with it.
using destruction_callback = std::function<void(uint32_t, uint32_t)>;

// The operations of the module registry, in slot order.
class IModuleLifetime : public IExportable {
 public:
  // Slot 1: keeps `callback` with its two values; returns its cookie.
  virtual destruction_cookie add_destruction_callback(destruction_callback callback,
                                                      uint32_t first, uint32_t second) = 0;
  // Slot 2: runs the callback of `cookie` and forgets it. Raises
  // krv::exceptions::error "Callback not found" for an unknown cookie (one
  // already run included), and whatever the callback raises.
  virtual void run_destruction_callback(destruction_cookie cookie) = 0;
  // Slot 3: registers `module`. Raises krv::exceptions::fatal "Module is
  // being registered for the second time" when it already is.
  virtual void register_module(const IModule* module) = 0;
  // Slot 4: whether `module` is registered.
  virtual bool is_module_registered(const IModule* module) const = 0;
  // Slot 5: forgets `module`; returns false when it was not registered.
  virtual bool unregister_module(const IModule* module) = 0;
  // Slot 6: the release step: runs every destruction callback still kept
  // (newest first; a raising callback does not stop the others) and forgets
  // every module. Called by the destructor.
  virtual void release() noexcept = 0;
};

// The destruction callbacks of the registry.
class ModuleDestructions {
 public:
  destruction_cookie add(destruction_callback callback, uint32_t first, uint32_t second);
  // Runs and forgets the callback; raises "Callback not found" as slot 2.
  void run(destruction_cookie cookie);
  // Runs and forgets every callback, newest first, swallowing what they raise.
  void run_all() noexcept;

 private:
  struct entry {
    destruction_callback callback;
    uint32_t first;
    uint32_t second;
  };
  std::mutex lock_;
  destruction_cookie last_cookie_ = 0;
  std::map<destruction_cookie, entry> entries_;
};

class ModuleLifetime : public Exportable<IModuleLifetime> {
 public:
  ModuleLifetime() = default;
  ~ModuleLifetime() override;

  destruction_cookie add_destruction_callback(destruction_callback callback, uint32_t first,
                                              uint32_t second) override;
  void run_destruction_callback(destruction_cookie cookie) override;
  void register_module(const IModule* module) override;
  bool is_module_registered(const IModule* module) const override;
  bool unregister_module(const IModule* module) override;
  void release() noexcept override;

 private:
  mutable std::mutex lock_;
  std::set<const IModule*> modules_;
  ModuleDestructions destructions_;
};

// The process-wide registry, kept alive by a lifetime object of priority
// krv::lifetime::priority::module_registry.
class ModuleLifetimeLib final : public ModuleLifetime {};

// The process-wide registry, created on first use. Raises
// krv::lifetime::object_already_destroyed after its exit action ran (and
// object_creation_error when it could not be created).
std::shared_ptr<IModuleLifetime> module_lifetime();

}  // namespace krv::mi
