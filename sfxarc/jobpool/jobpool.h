#pragma once
// The pool of worker threads that runs the extraction's jobs.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sfxarc/jobpool/job.h"
#include "sfxarc/jobpool/jobthread.h"
#include "sfxarc/jobpool/refobj.h"

namespace krv {

// Runs queued jobs first in first out on up to kMaximumWorkers threads. A
// job added while no worker is free starts a new worker, up to the maximum;
// a worker ends as soon as it finds the queue empty, so a pool with nothing
// to do has no threads. Use: add every job, wait, destroy.
//
// Threads: add and wait may be called from any thread; jobs run on the
// workers. One lock guards the queue and the worker lists; no lock is held
// while a job runs.
class jobpool {
 public:
  // The most workers that run at once.
  static constexpr uint32_t kMaximumWorkers = 50;
  // How long shut-down waits for each worker still running.
  static constexpr uint32_t kShutdownJoinMs = 60000;
  // wait's result when there was no worker to wait for.
  static constexpr uint32_t kNoWorkers = 0xFFFFFFFF;

  // The pool "stub_pool", without workers, running at most
  // `maximum_workers` at once (taken into 1..kMaximumWorkers).
  explicit jobpool(uint32_t maximum_workers = kMaximumWorkers);

  // shutdown().
  ~jobpool();
  jobpool(const jobpool&) = delete;
  jobpool& operator=(const jobpool&) = delete;

  // Queues `job` (the pool takes its own reference) and makes sure a worker
  // will take it: starts a worker when there are fewer than the pool's
  // maximum.
  // When no worker can be started, the job stays queued for a worker that
  // finishes its own. False, with nothing queued, when no worker exists and
  // none can be started (the caller then runs the job itself), when memory
  // runs out, when `job` is null or after shutdown().
  bool add(job* job);

  // Blocks until every worker that exists at the moment of the call has
  // ended. Workers that already ended took no further job, so after all jobs
  // were added wait() returns once every job has run (or been given up by a
  // worker whose job threw). Returns the system's wait result (0 once all
  // ended), or kNoWorkers at once when there were none.
  uint32_t wait();

  // Stops the pool: workers take no further job, queued jobs are released
  // unrun, each worker still existing is waited for up to kShutdownJoinMs.
  // Returns the last non-zero exit code among those workers (574 for one
  // whose job threw; kThreadStillActive for one still running after the
  // time limit), else 0. A worker still running then is left behind and must
  // not outlive the pool: call wait() first. Later calls return 0.
  uint32_t shutdown();

  // The number of workers that exist now.
  size_t worker_count() const;

  const std::wstring& name() const { return name_; }

 private:
  friend class jobthread;

  // For the workers: the next queued job, or null when the pool is closing
  // or the queue is empty; in that case the worker has been moved from the
  // worker set to the retired list and must end.
  ref_ptr<job> next_job(jobthread& worker);

  // Under the lock: starts one more worker and puts it into the set; false
  // when the worker cannot be made or its thread cannot start.
  bool start_worker();

  const std::wstring name_;
  const std::string thread_name_;
  const uint32_t maximum_workers_;
  std::atomic<bool> closing_{false};
  mutable std::mutex lock_;
  std::vector<ref_ptr<jobthread>> workers_;
  // Workers that took themselves out of the set; their threads touch
  // neither them nor the pool again. Released at the next add or shut-down.
  std::vector<ref_ptr<jobthread>> retired_;
  std::deque<ref_ptr<job>> queue_;
};

}  // namespace krv
