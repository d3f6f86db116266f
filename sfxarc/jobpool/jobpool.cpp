#include "sfxarc/jobpool/jobpool.h"

#include <algorithm>
#include <array>
#include <new>

#include "log/utf8_text.h"
#include "sfxarc/jobpool/system_thread.h"

namespace krv {

// The pool's name is ASCII, so its UTF-8 form is also its form in the ANSI
// code page, which thread names use.
jobpool::jobpool(uint32_t maximum_workers)
    : name_(L"stub_pool"),
      thread_name_(log::utf8_from_wide(name_.c_str())),
      maximum_workers_(std::clamp<uint32_t>(maximum_workers, 1, kMaximumWorkers)) {
  // Neither list ever holds more than the maximum (the retired list is
  // emptied by every add), so the workers never allocate when they retire.
  workers_.reserve(maximum_workers_);
  retired_.reserve(maximum_workers_);
}

jobpool::~jobpool() { shutdown(); }

bool jobpool::add(job* job) {
  if (!job) return false;
  std::lock_guard<std::mutex> guard(lock_);
  if (closing_.load()) return false;
  try {
    queue_.push_back(ref_ptr<krv::job>::share(job));
  } catch (const std::bad_alloc&) {
    return false;
  }
  retired_.clear();
  // A worker never waits for work (it retires instead), so every worker that
  // exists is busy: the job needs a new one unless the maximum runs already.
  if (workers_.size() >= maximum_workers_ || start_worker()) return true;
  // A worker that exists takes the job before it can retire. With none,
  // nobody ever would: the job is handed back to the caller, unqueued.
  if (!workers_.empty()) return true;
  queue_.pop_back();
  return false;
}

bool jobpool::start_worker() {
  jobthread* created = new (std::nothrow) jobthread(*this, thread_name_);
  if (!created) return false;
  ref_ptr<jobthread> worker = ref_ptr<jobthread>::adopt(created);
  // The new thread blocks on the lock until it is in the set.
  if (!worker->start()) return false;
  workers_.push_back(std::move(worker));
  return true;
}

ref_ptr<job> jobpool::next_job(jobthread& worker) {
  if (closing_.load()) return {};
  std::lock_guard<std::mutex> guard(lock_);
  if (!queue_.empty()) {
    ref_ptr<job> next = std::move(queue_.front());
    queue_.pop_front();
    return next;
  }
  auto self = std::find_if(workers_.begin(), workers_.end(),
                           [&worker](const ref_ptr<jobthread>& w) { return w.get() == &worker; });
  // Absent only when shut-down has taken the set already.
  if (self != workers_.end()) {
    retired_.push_back(std::move(*self));
    workers_.erase(self);
  }
  return {};
}

uint32_t jobpool::wait() {
  // References keep the workers alive while we wait, even if they retire and
  // a concurrent add releases them.
  std::array<ref_ptr<jobthread>, kMaximumWorkers> running;
  std::array<threading::system_thread*, kMaximumWorkers> threads{};
  size_t count = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (const ref_ptr<jobthread>& worker : workers_) {
      threads[count] = worker->handle();
      running[count++] = ref_ptr<jobthread>::share(worker.get());
    }
  }
  if (count == 0) return kNoWorkers;
  return threading::system_thread::wait_all(threads.data(), count);
}

uint32_t jobpool::shutdown() {
  closing_.store(true);
  std::deque<ref_ptr<job>> queued;
  std::vector<ref_ptr<jobthread>> retired;
  std::vector<ref_ptr<jobthread>> workers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    queued.swap(queue_);
    retired.swap(retired_);
    workers.swap(workers_);
  }
  // Jobs and workers are released, and workers joined, without the lock: a
  // worker that is about to ask for its next job must get the lock to learn
  // that there is none.
  queued.clear();
  retired.clear();
  uint32_t result = 0;
  for (const ref_ptr<jobthread>& worker : workers) {
    threading::system_thread* thread = worker->handle();
    thread->wait_for(kShutdownJoinMs);
    const uint32_t code = thread->exit_code();
    if (code != 0) result = code;
    worker->close_handle();
  }
  return result;
}

size_t jobpool::worker_count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return workers_.size();
}

}  // namespace krv
