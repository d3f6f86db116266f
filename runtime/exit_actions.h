#pragma once
// Exit actions: callables run in order of priority, highest first, when the
// process ends or when the executable is asked to release its runtime
// singletons (on_orvane_dll_unload). Lifetime objects destroy themselves
// through them.

#include <atomic>
#include <cstdint>
#include <functional>

#include "runtime/exceptions.h"

namespace krv::lifetime {

// Exit priorities of the program's objects.
namespace priority {
// The object keeping the module lifetime registry alive.
constexpr uint32_t module_registry = 201008;
// The log module and the other runtime singletons.
constexpr uint32_t runtime_singletons = 100001;
// The branding data held per process.
constexpr uint32_t branding = 10;
// The creation events of lifetime objects.
constexpr uint32_t creation_events = 0;
// The lowest priority that on_orvane_dll_unload runs.
constexpr uint32_t dll_unload_minimum = 100000;
}  // namespace priority

namespace impl {
class manual_event;

// One registered exit action.
class at_exit_action_node {
 public:
  // Raised (and caught at once) when an action raises; the action's own
  // exception is its nested exception. Raising it lets a debugger stop on a
  // first-chance exception of this type.
  class action_failed_exception : public exceptions::fatal, public std::nested_exception {
   public:
    // Captures the exception being handled as the nested one.
    action_failed_exception();
  };

  at_exit_action_node(uint32_t priority, std::function<void()> action)
      : priority_(priority), action_(std::move(action)) {}

  uint32_t priority() const noexcept { return priority_; }

  // Runs the action. Returns false when it raised; the exception is swallowed.
  bool run() noexcept;

  at_exit_action_node* next = nullptr;

 private:
  uint32_t priority_;
  std::function<void()> action_;
};

// A list of exit actions, safe for any number of threads: adding pushes with
// compare-and-swap; running detaches nodes so that each action runs once.
class exit_action_list {
 public:
  constexpr exit_action_list() noexcept = default;
  // Frees the nodes still held without running them.
  ~exit_action_list();
  exit_action_list(const exit_action_list&) = delete;
  exit_action_list& operator=(const exit_action_list&) = delete;

  // Adds an action. Raises std::bad_alloc when no node can be allocated.
  void add(uint32_t priority, std::function<void()> action);

  // Repeatedly takes the node with the highest priority that is at least
  // `minimum_priority` (among equal priorities the one added last), runs it
  // and frees it, until none is left; actions added meanwhile take part.
  // Nodes below the minimum stay in the list. Returns the number of actions
  // that raised; their exceptions are swallowed and the others still run.
  size_t run(uint32_t minimum_priority) noexcept;

 private:
  std::atomic<at_exit_action_node*> head_{nullptr};
};

}  // namespace impl

// Registers an action in the process-wide list. The first registration also
// registers the C runtime exit handlers that run every action (priority 0 and
// up) and, after them, close the exit-started event. Raises std::bad_alloc.
void register_exit_action(uint32_t priority, std::function<void()> action);

// Begins the exit sequence (signalling the exit-started event, created here
// if needed) and runs the process-wide actions of `minimum_priority` and
// above. Returns the number of actions that raised.
size_t run_exit_actions(uint32_t minimum_priority) noexcept;

// Whether the exit sequence has begun.
bool exit_sequence_started() noexcept;

// The process-wide exit-started event, created on first request (already set
// when the exit sequence has begun). Valid until the last C runtime exit
// handler closes it. Raises krv::exceptions::error "Cannot create event".
impl::manual_event& exit_started_event();

}  // namespace krv::lifetime
