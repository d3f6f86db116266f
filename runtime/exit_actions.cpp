#include "runtime/exit_actions.h"

#include <cstdlib>
#include <memory>
#include <utility>

#include "runtime/manual_event.h"

namespace krv::lifetime {
namespace impl {

at_exit_action_node::action_failed_exception::action_failed_exception()
    : fatal("krv::lifetime::impl::at_exit_action_node::action_failed_exception::"
            "action_failed_exception: atexit action throws exception!") {}

bool at_exit_action_node::run() noexcept {
  try {
    action_();
    return true;
  } catch (...) {
    try {
      throw action_failed_exception();
    } catch (const action_failed_exception&) {
    }
    return false;
  }
}

namespace {

// Puts `newer` (a chain whose every node was added after those of `older`)
// in front of `older`.
at_exit_action_node* prepend(at_exit_action_node* newer, at_exit_action_node* older) {
  if (newer == nullptr) {
    return older;
  }
  at_exit_action_node* last = newer;
  while (last->next != nullptr) {
    last = last->next;
  }
  last->next = older;
  return newer;
}

}  // namespace

exit_action_list::~exit_action_list() {
  at_exit_action_node* node = head_.exchange(nullptr);
  while (node != nullptr) {
    delete std::exchange(node, node->next);
  }
}

void exit_action_list::add(uint32_t priority, std::function<void()> action) {
  auto* node = new at_exit_action_node(priority, std::move(action));
  node->next = head_.load();
  while (!head_.compare_exchange_weak(node->next, node)) {
  }
}

size_t exit_action_list::run(uint32_t minimum_priority) noexcept {
  // The detached nodes, newest first like the list itself; nodes added while
  // actions run are newer than all of them and go in front.
  at_exit_action_node* held = nullptr;
  size_t failed = 0;
  for (;;) {
    held = prepend(head_.exchange(nullptr), held);
    at_exit_action_node** best = nullptr;
    for (at_exit_action_node** link = &held; *link != nullptr; link = &(*link)->next) {
      const uint32_t priority = (*link)->priority();
      if (priority >= minimum_priority && (best == nullptr || priority > (*best)->priority())) {
        best = link;
      }
    }
    if (best == nullptr) {
      break;
    }
    std::unique_ptr<at_exit_action_node> node(*best);
    *best = node->next;
    if (!node->run()) {
      ++failed;
    }
  }
  // Give the rest back, behind whatever was added since the last detach.
  at_exit_action_node* expected = nullptr;
  while (held != nullptr && !head_.compare_exchange_strong(expected, held)) {
    held = prepend(head_.exchange(nullptr), held);
    expected = nullptr;
  }
  return failed;
}

}  // namespace impl

namespace {

// Never freed: static destructors that run after the exit handlers may still
// register or run actions.
impl::exit_action_list& process_actions() {
  static impl::exit_action_list* const list = new impl::exit_action_list;
  return *list;
}

std::atomic<bool> g_handlers_registered{false};
std::atomic<bool> g_exit_started{false};
std::atomic<impl::manual_event*> g_exit_started_event{nullptr};

void close_exit_started_event() { delete g_exit_started_event.exchange(nullptr); }

void run_all_exit_actions() { run_exit_actions(priority::creation_events); }

}  // namespace

void register_exit_action(uint32_t priority, std::function<void()> action) {
  if (!g_handlers_registered.exchange(true)) {
    // The C runtime calls its handlers in reverse order of registration: the
    // actions run first and the event is closed last.
    std::atexit(close_exit_started_event);
    std::atexit(run_all_exit_actions);
  }
  process_actions().add(priority, std::move(action));
}

size_t run_exit_actions(uint32_t minimum_priority) noexcept {
  g_exit_started.store(true);
  try {
    exit_started_event().set();
  } catch (const std::exception&) {
    // Without an event nobody can wait for the exit sequence; the actions
    // still run.
  }
  return process_actions().run(minimum_priority);
}

bool exit_sequence_started() noexcept { return g_exit_started.load(); }

impl::manual_event& exit_started_event() {
  impl::manual_event* event = g_exit_started_event.load();
  if (event != nullptr) {
    return *event;
  }
  auto fresh = std::make_unique<impl::manual_event>(g_exit_started.load());
  if (g_exit_started_event.compare_exchange_strong(event, fresh.get())) {
    return *fresh.release();
  }
  return *event;
}

}  // namespace krv::lifetime
