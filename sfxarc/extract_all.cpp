// SfxArc::ExtractAllFiles: every entry, one job each, on the job pool.

#include <atomic>
#include <mutex>
#include <new>

#include "log/write_log.h"
#include "progress/progress_callback.h"
#include "sfxarc/jobpool/job.h"
#include "sfxarc/jobpool/jobpool.h"
#include "sfxarc/keep_packed.h"
#include "sfxarc/memory_budget.h"
#include "sfxarc/sfx_arc.h"
#include "sfxarc/sfxarc_log.h"
#include "sfxarc/unpack_block.h"

namespace krv::sfxarc {
namespace {

// What the jobs of one ExtractAllFiles call share.
struct ExtractionState {
  SfxArc& archive;
  const std::wstring& folder;
  progress::ProgressCallback* progress;  // may be null
  // Bounds what the running jobs hold in memory.
  MemoryBudget budget;
  // Held while a finished entry is counted and reported.
  std::mutex report_lock;
  std::atomic<int32_t> finished{0};
  // Any failed entry's code; a later failure overwrites an earlier one.
  std::atomic<uint32_t> result{0};
};

void RecordEntryResult(ExtractionState& state, const SfxEntry& entry, uint32_t code) {
  if (code != 0) {
    state.result.store(code);
    krv::log::write_log(krv::log::kError, ArchiveLogCategory(), L"Error extracting file '%ls' (code 0x%x)",
                        entry.name.c_str(), code);
  }
}

// Counts one more finished entry; returns the callback's cancel flag.
bool ReportFinished(ExtractionState& state) {
  if (!state.progress) return false;
  // Counting and reporting together keeps the reports in the order of the
  // counts. Otherwise a worker could report its count after another worker
  // reported a later one, and the last value published, the one a reader of
  // the percentage keeps, would stay below 100.
  std::lock_guard<std::mutex> guard(state.report_lock);
  const int32_t finished = state.finished.fetch_add(1) + 1;
  return state.progress->SetOverallDone(static_cast<uint64_t>(finished));
}

// The job of one entry. The state and the entry outlive it: ExtractAllFiles
// waits for every worker and destroys the pool before it returns.
class VpxJob final : public krv::job {
 public:
  VpxJob(ExtractionState& state, const SfxEntry& entry) : state_(state), entry_(entry) {}

  // Returns the cancel flag of its progress report, which the pool drops:
  // extraction does not stop for a cancellation.
  uint32_t Run() override {
    ran_ = true;
    uint32_t code;
    try {
      code = state_.archive.ExtractEntry(state_.folder, entry_, !IsKeptPacked(entry_.name), &state_.budget);
    } catch (const std::bad_alloc&) {
      code = kNotEnoughMemory;
    }
    RecordEntryResult(state_, entry_, code);
    // A listener that throws must not end the worker and strand the
    // entries still queued.
    try {
      return ReportFinished(state_) ? 1 : 0;
    } catch (...) {
      return 0;
    }
  }

 private:
  // A job the pool releases unrun at shut-down (its workers ended without
  // taking it) is a failed entry, not a silent success.
  ~VpxJob() override {
    if (!ran_) RecordEntryResult(state_, entry_, kNotEnoughMemory);
  }

  ExtractionState& state_;
  const SfxEntry& entry_;
  bool ran_ = false;
};

}  // namespace

static_assert(kMaxExtractionWorkers == jobpool::kMaximumWorkers, "one limit for both");

uint32_t SfxArc::ExtractAllFiles(const std::wstring& folder, progress::ProgressCallback* progress,
                                 uint32_t max_workers, uint64_t memory_budget) {
  ExtractionState state{*this, folder, progress, MemoryBudget(memory_budget)};
  if (progress) {
    progress->SetOverallTotal(Entries().size());
    progress->SetOverallDone(0);
  }
  // The pool's own allocations (its name, its queue) may fail; its jobs
  // catch theirs. Jobs already added are run or released by the pool's
  // shut-down before the state goes.
  try {
    jobpool pool(max_workers);
    for (const SfxEntry& entry : Entries()) {
      VpxJob* job = new (std::nothrow) VpxJob(state, entry);
      if (!job) {
        RecordEntryResult(state, entry, kNotEnoughMemory);
        ReportFinished(state);
        continue;
      }
      // When the pool cannot take the job (no memory for the queue, no worker
      // thread at all) the entry is extracted here and now.
      if (!pool.add(job)) job->Run();
      job->release();
    }
    pool.wait();
  } catch (const std::bad_alloc&) {
    state.result.store(kNotEnoughMemory);
  }
  return state.result.load();
}

}  // namespace krv::sfxarc
