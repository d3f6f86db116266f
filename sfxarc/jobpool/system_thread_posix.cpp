#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "sfxarc/jobpool/system_thread.h"

namespace krv::threading {
namespace {

// What the thread leaves for its owner. Shared, so that a thread let go of
// while running still has it to write into.
struct completion {
  std::mutex lock;
  std::condition_variable ended_signal;
  bool ended = false;
  uint32_t code = 0;
};

std::atomic<uint32_t> g_next_id{1};

}  // namespace

struct system_thread::impl {
  std::thread thread;
  std::shared_ptr<completion> done;
  uint32_t id = 0;
};

std::unique_ptr<system_thread> system_thread::start(body entry, void* context) {
  try {
    // Everything that can fail is allocated before the thread exists, so a
    // started thread always has its owner.
    auto state = std::make_unique<impl>();
    state->done = std::make_shared<completion>();
    state->id = g_next_id.fetch_add(1);
    std::unique_ptr<system_thread> thread(new system_thread(std::move(state)));
    thread->impl_->thread = std::thread([done = thread->impl_->done, entry, context] {
      const uint32_t code = entry(context);
      {
        std::lock_guard<std::mutex> guard(done->lock);
        done->code = code;
        done->ended = true;
      }
      done->ended_signal.notify_all();
    });
    return thread;
  } catch (const std::system_error&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

system_thread::system_thread(std::unique_ptr<impl> state) : impl_(std::move(state)) {}

system_thread::~system_thread() {
  if (!impl_->thread.joinable()) return;
  bool ended;
  {
    std::lock_guard<std::mutex> guard(impl_->done->lock);
    ended = impl_->done->ended;
  }
  // An ended body leaves only the thread's own exit to wait for.
  if (ended)
    impl_->thread.join();
  else
    impl_->thread.detach();
}

uint32_t system_thread::id() const { return impl_->id; }

bool system_thread::wait_for(uint32_t timeout_ms) {
  std::unique_lock<std::mutex> guard(impl_->done->lock);
  return impl_->done->ended_signal.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                                            [this] { return impl_->done->ended; });
}

uint32_t system_thread::exit_code() const {
  std::lock_guard<std::mutex> guard(impl_->done->lock);
  return impl_->done->ended ? impl_->done->code : kThreadStillActive;
}

uint32_t system_thread::wait_all(system_thread* const* threads, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    system_thread* thread = threads[i];
    std::unique_lock<std::mutex> guard(thread->impl_->done->lock);
    thread->impl_->done->ended_signal.wait(guard, [thread] { return thread->impl_->done->ended; });
  }
  return kWaitAllEnded;
}

}  // namespace krv::threading
