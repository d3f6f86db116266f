#pragma once
// The roots of the interfaces handed between modules, and the templates that
// implement them.

#include <cstdint>
#include <type_traits>

namespace krv::mi {

// The root of every interface handed between modules.
class InterfaceObjectReference {
 protected:
  InterfaceObjectReference() = default;
  ~InterfaceObjectReference() = default;
};

// An interface object that can be handed to another module.
class IExportable : public InterfaceObjectReference {
 public:
  IExportable() = default;
  IExportable(const IExportable&) = delete;
  IExportable& operator=(const IExportable&) = delete;

  // Slot 0.
  virtual ~IExportable() = default;

  // Slot 1: the query operation. Exportable and Module answer 1; an
  // implementation that supports no query may raise
  // krv::exceptions::error(120) instead.
  virtual int32_t query() = 0;
};

// A module: a process-wide object reached through a shared reference.
class IModule : public IExportable {};

// Implementation base of an exported interface I.
template <class I>
class Exportable : public I {
  static_assert(std::is_base_of_v<IExportable, I>, "I must be an exportable interface");

 public:
  int32_t query() override { return 1; }
};

// Implementation base of a module interface I.
template <class I>
class Module : public I {
  static_assert(std::is_base_of_v<IModule, I>, "I must be a module interface");

 public:
  int32_t query() override { return 1; }
};

}  // namespace krv::mi
