#include "runtime/module_lifetime.h"

#include <utility>

#include "runtime/exceptions.h"
#include "runtime/lifetime_object.h"

namespace krv::mi {

destruction_cookie ModuleDestructions::add(destruction_callback callback, uint32_t first,
                                           uint32_t second) {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.emplace(++last_cookie_, entry{std::move(callback), first, second});
  return last_cookie_;
}

void ModuleDestructions::run(destruction_cookie cookie) {
  entry taken;
  {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = entries_.find(cookie);
    if (found == entries_.end()) {
      throw exceptions::error("Callback not found");
    }
    taken = std::move(found->second);
    entries_.erase(found);
  }
  // Run without the lock: a callback may add or run callbacks itself.
  taken.callback(taken.first, taken.second);
}

void ModuleDestructions::run_all() noexcept {
  for (;;) {
    destruction_cookie newest = 0;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (entries_.empty()) {
        return;
      }
      newest = entries_.rbegin()->first;
    }
    try {
      run(newest);
    } catch (...) {
      // One failed callback must not keep the others from running.
    }
  }
}

ModuleLifetime::~ModuleLifetime() { release(); }

destruction_cookie ModuleLifetime::add_destruction_callback(destruction_callback callback,
                                                            uint32_t first, uint32_t second) {
  return destructions_.add(std::move(callback), first, second);
}

void ModuleLifetime::run_destruction_callback(destruction_cookie cookie) {
  destructions_.run(cookie);
}

void ModuleLifetime::register_module(const IModule* module) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!modules_.insert(module).second) {
    throw exceptions::fatal("Module is being registered for the second time");
  }
}

bool ModuleLifetime::is_module_registered(const IModule* module) const {
  std::lock_guard<std::mutex> guard(lock_);
  return modules_.count(module) != 0;
}

bool ModuleLifetime::unregister_module(const IModule* module) {
  std::lock_guard<std::mutex> guard(lock_);
  return modules_.erase(module) != 0;
}

void ModuleLifetime::release() noexcept {
  destructions_.run_all();
  std::lock_guard<std::mutex> guard(lock_);
  modules_.clear();
}

namespace {
lifetime::lifetime_object<ModuleLifetimeLib> g_module_lifetime{lifetime::priority::module_registry};
}  // namespace

std::shared_ptr<IModuleLifetime> module_lifetime() { return g_module_lifetime.get(); }

}  // namespace krv::mi
