#include "sfxarc/jobpool/jobpool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>

#include <fstream>
#endif

namespace krv {
namespace {

// A job that runs a function.
class FunctionJob final : public job {
 public:
  explicit FunctionJob(std::function<void()> body) : body_(std::move(body)) {}
  uint32_t Run() override {
    body_();
    return 0;
  }

 private:
  ~FunctionJob() override = default;
  std::function<void()> body_;
};

// Queues a job running `body`; the pool's reference is then the only one.
void AddJob(jobpool& pool, std::function<void()> body) {
  auto* created = new FunctionJob(std::move(body));
  EXPECT_TRUE(pool.add(created));
  created->release();
}

// A gate jobs wait at until the test opens it.
class Gate {
 public:
  void Open() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void Pass() {
    std::unique_lock<std::mutex> guard(lock_);
    opened_.wait(guard, [this] { return open_; });
  }

 private:
  std::mutex lock_;
  std::condition_variable opened_;
  bool open_ = false;
};

// Counts until a number is reached, and lets a test wait for it.
class Countdown {
 public:
  explicit Countdown(int count) : left_(count) {}
  void Arrive() {
    std::lock_guard<std::mutex> guard(lock_);
    if (--left_ == 0) reached_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> guard(lock_);
    reached_.wait(guard, [this] { return left_ <= 0; });
  }

 private:
  std::mutex lock_;
  std::condition_variable reached_;
  int left_;
};

// The threads that ran jobs, and how many jobs ran at most at once.
class RunRecord {
 public:
  void Enter() {
    std::lock_guard<std::mutex> guard(lock_);
    threads_.insert(std::this_thread::get_id());
    peak_ = std::max(peak_, ++running_);
  }
  void Leave() {
    std::lock_guard<std::mutex> guard(lock_);
    --running_;
  }
  size_t thread_count() {
    std::lock_guard<std::mutex> guard(lock_);
    return threads_.size();
  }
  int peak() {
    std::lock_guard<std::mutex> guard(lock_);
    return peak_;
  }

 private:
  std::mutex lock_;
  std::set<std::thread::id> threads_;
  int running_ = 0;
  int peak_ = 0;
};

TEST(JobPool, WithoutJobsWaitReturnsAtOnceAndNoThreadExists) {
  jobpool pool;
  EXPECT_EQ(pool.wait(), jobpool::kNoWorkers);
  EXPECT_EQ(pool.worker_count(), 0u);
  EXPECT_EQ(pool.shutdown(), 0u);
}

TEST(JobPool, IsNamedStubPool) { EXPECT_EQ(jobpool().name(), L"stub_pool"); }

TEST(JobPool, EveryJobRunsExactlyOnceBeforeWaitReturns) {
  for (int jobs : {1, 12, 60, 200}) {
    SCOPED_TRACE(jobs);
    std::vector<std::atomic<int>> runs(jobs);
    RunRecord record;
    jobpool pool;
    for (int i = 0; i < jobs; ++i) {
      AddJob(pool, [&runs, &record, i] {
        record.Enter();
        runs[i].fetch_add(1);
        record.Leave();
      });
      EXPECT_LE(pool.worker_count(), jobpool::kMaximumWorkers);
    }
    const uint32_t waited = pool.wait();
    // Workers that all retired before the call leave nothing to wait for.
    EXPECT_TRUE(waited == threading::kWaitAllEnded || waited == jobpool::kNoWorkers) << waited;
    for (int i = 0; i < jobs; ++i) EXPECT_EQ(runs[i].load(), 1) << "job " << i;
    // Workers that found the queue empty while jobs were still being added
    // retired, and later jobs started new ones: over the run more than the
    // maximum may have existed, never more than the maximum at once.
    EXPECT_LE(record.thread_count(), static_cast<size_t>(jobs));
    EXPECT_LE(record.peak(), std::min<int>(jobs, jobpool::kMaximumWorkers));
    EXPECT_EQ(pool.worker_count(), 0u);
    EXPECT_EQ(pool.shutdown(), 0u);
  }
}

TEST(JobPool, TwelveBlockedJobsGetTwelveWorkers) {
  Gate gate;
  Countdown all_busy(12);
  RunRecord record;
  jobpool pool;
  for (int i = 0; i < 12; ++i) {
    AddJob(pool, [&] {
      record.Enter();
      all_busy.Arrive();
      gate.Pass();
      record.Leave();
    });
  }
  EXPECT_EQ(pool.worker_count(), 12u);
  all_busy.Wait();
  gate.Open();
  pool.wait();
  EXPECT_EQ(record.thread_count(), 12u);
  EXPECT_EQ(record.peak(), 12);
}

TEST(JobPool, SixtyJobsStartFiftyWorkersWhichTakeTheRest) {
  Gate gate;
  Countdown all_busy(jobpool::kMaximumWorkers);
  RunRecord record;
  std::atomic<int> done{0};
  jobpool pool;
  for (int i = 0; i < 60; ++i) {
    AddJob(pool, [&] {
      record.Enter();
      all_busy.Arrive();
      gate.Pass();
      done.fetch_add(1);
      record.Leave();
    });
  }
  // Every worker blocks in its first job, so none retires while jobs are
  // added: exactly the maximum exists and the last ten jobs wait queued.
  EXPECT_EQ(pool.worker_count(), jobpool::kMaximumWorkers);
  all_busy.Wait();
  EXPECT_EQ(record.peak(), static_cast<int>(jobpool::kMaximumWorkers));
  gate.Open();
  pool.wait();
  EXPECT_EQ(done.load(), 60);
  EXPECT_EQ(record.thread_count(), jobpool::kMaximumWorkers);
  EXPECT_EQ(record.peak(), static_cast<int>(jobpool::kMaximumWorkers));
}

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Caps the process's address space a little above what it uses now, so that
// no thread stack (8 MiB) can be mapped while small allocations still work.
class NoRoomForThreads {
 public:
  NoRoomForThreads() {
    getrlimit(RLIMIT_AS, &saved_);
    size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit capped{pages * 4096 + (2u << 20), saved_.rlim_max};
    active_ = setrlimit(RLIMIT_AS, &capped) == 0;
  }
  ~NoRoomForThreads() { setrlimit(RLIMIT_AS, &saved_); }
  bool active() const { return active_; }

 private:
  rlimit saved_{};
  bool active_ = false;
};

TEST(JobPool, AJobNoWorkerCanTakeIsHandedBackUnqueued) {
  std::atomic<int> runs{0};
  auto* job = new FunctionJob([&runs] { runs.fetch_add(1); });
  {
    jobpool pool;
    {
      NoRoomForThreads limit;
      ASSERT_TRUE(limit.active());
      // Nothing would ever take it: the caller gets it back to run itself.
      EXPECT_FALSE(pool.add(job));
      EXPECT_EQ(pool.worker_count(), 0u);
    }
    EXPECT_EQ(pool.wait(), jobpool::kNoWorkers);
    // Once threads can start again the pool works as before.
    EXPECT_TRUE(pool.add(job));
    pool.wait();
  }
  EXPECT_EQ(runs.load(), 1) << "run once, by the worker of the second add";
  job->release();
}
#endif

TEST(JobPool, ASmallerMaximumIsKept) {
  for (uint32_t maximum : {0u, 1u, 3u, 80u}) {
    SCOPED_TRACE(maximum);
    const uint32_t expected = std::clamp<uint32_t>(maximum, 1, jobpool::kMaximumWorkers);
    Gate gate;
    Countdown all_busy(static_cast<int>(expected));
    RunRecord record;
    std::atomic<int> done{0};
    jobpool pool(maximum);
    for (int i = 0; i < 60; ++i) {
      AddJob(pool, [&] {
        record.Enter();
        all_busy.Arrive();
        gate.Pass();
        done.fetch_add(1);
        record.Leave();
      });
    }
    EXPECT_EQ(pool.worker_count(), expected);
    all_busy.Wait();
    gate.Open();
    pool.wait();
    EXPECT_EQ(done.load(), 60);
    EXPECT_EQ(record.peak(), static_cast<int>(expected));
  }
}

TEST(JobPool, QueuedJobsRunFirstInFirstOut) {
  // Fifty blockers hold every worker; the ten queued jobs then all go to the
  // one worker that is let go.
  std::vector<Gate> gates(jobpool::kMaximumWorkers);
  Countdown all_busy(jobpool::kMaximumWorkers);
  std::mutex order_lock;
  std::vector<int> order;
  jobpool pool;
  for (Gate& gate : gates) {
    AddJob(pool, [&all_busy, &gate] {
      all_busy.Arrive();
      gate.Pass();
    });
  }
  all_busy.Wait();
  for (int i = 0; i < 10; ++i) {
    AddJob(pool, [&order_lock, &order, i] {
      std::lock_guard<std::mutex> guard(order_lock);
      order.push_back(i);
    });
  }
  EXPECT_EQ(pool.worker_count(), jobpool::kMaximumWorkers);
  gates[17].Open();
  Countdown queued_done(1);
  AddJob(pool, [&queued_done] { queued_done.Arrive(); });
  queued_done.Wait();
  {
    std::lock_guard<std::mutex> guard(order_lock);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  }
  for (Gate& gate : gates) gate.Open();
  pool.wait();
}

TEST(JobPool, ThrowingJobEndsItsWorkerWith574AndTheOthersStillRun) {
  Gate gate;
  std::atomic<int> done{0};
  jobpool pool;
  AddJob(pool, [&gate] {
    gate.Pass();
    throw std::runtime_error("job failed");
  });
  for (int i = 0; i < 11; ++i) {
    AddJob(pool, [&gate, &done] {
      gate.Pass();
      done.fetch_add(1);
    });
  }
  gate.Open();
  EXPECT_EQ(pool.wait(), threading::kWaitAllEnded);
  EXPECT_EQ(done.load(), 11);
  // The failed worker never left the set; shut-down reads its exit code.
  EXPECT_EQ(pool.worker_count(), 1u);
  EXPECT_EQ(pool.shutdown(), threading::kUnhandledExceptionExitCode);
  EXPECT_EQ(pool.shutdown(), 0u);
}

TEST(JobPool, AWorkerThatThrewDoesNotStopLaterJobs) {
  // The failed worker stays in the set; the next add must still start a
  // worker for its job.
  Gate gate;
  std::atomic<int> done{0};
  jobpool pool;
  AddJob(pool, [&gate] {
    gate.Pass();
    throw std::runtime_error("job failed");
  });
  gate.Open();
  pool.wait();
  AddJob(pool, [&done] { done.fetch_add(1); });
  pool.wait();
  EXPECT_EQ(done.load(), 1);
  EXPECT_EQ(pool.shutdown(), threading::kUnhandledExceptionExitCode);
}

TEST(JobPool, DestroyedPoolReleasesEveryJob) {
  std::atomic<int> destroyed{0};
  class CountedJob final : public job {
   public:
    explicit CountedJob(std::atomic<int>& destroyed) : destroyed_(destroyed) {}
    uint32_t Run() override { return 0; }

   private:
    ~CountedJob() override { destroyed_.fetch_add(1); }
    std::atomic<int>& destroyed_;
  };
  {
    jobpool pool;
    for (int i = 0; i < 30; ++i) {
      auto* created = new CountedJob(destroyed);
      pool.add(created);
      created->release();
    }
  }
  EXPECT_EQ(destroyed.load(), 30);
}

TEST(JobPool, RefusesNullJobsAndJobsAfterShutdown) {
  jobpool pool;
  EXPECT_FALSE(pool.add(nullptr));
  pool.shutdown();
  std::atomic<int> runs{0};
  auto* created = new FunctionJob([&runs] { runs.fetch_add(1); });
  EXPECT_FALSE(pool.add(created));
  created->release();
  EXPECT_EQ(pool.worker_count(), 0u);
  EXPECT_EQ(runs.load(), 0);
}

}  // namespace
}  // namespace krv
