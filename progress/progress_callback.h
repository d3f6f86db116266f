#pragma once
// The progress chain that extraction reports to: counts in, percentages out
// to every listener.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "progress/progress_counter.h"
#include "progress/progress_interface.h"

namespace krv::progress {

// Maps a text id to a text for ReportTextId and ReportSubtextId.
class TextProvider {
 public:
  // True, with `*text` set, when the provider has a text for `id`.
  virtual bool GetText(uint32_t id, std::wstring* text) = 0;

 protected:
  ~TextProvider() = default;
};

// Keeps two counters, the overall one and the step one, and tells each
// listener every new percentage once (plus once after every change of a
// total). Listeners are called in the order they were added, one at a time,
// on whichever thread reports, with the callback's lock held; they may call
// back into the callback (the lock is recursive).
//
// Every reporting operation returns the cancel flag: true once a listener
// has called RequestCancel, and for ever after.
//
// The callback owns neither its listeners nor its text provider; both must
// outlive it (or be removed first).
class ProgressCallback {
 public:
  // Both counters fresh, no listeners, no text provider, not cancelled.
  ProgressCallback() = default;
  ProgressCallback(const ProgressCallback&) = delete;
  ProgressCallback& operator=(const ProgressCallback&) = delete;

  // Appends the listener unless it is null or already present. True when
  // added.
  bool AddListener(ProgressInterface* listener);

  // Removes the listener. True when it was present.
  bool RemoveListener(ProgressInterface* listener);

  // The provider's text for `id`, reported as ReportText / ReportSubtext;
  // nothing happens without a provider or when it has no text for the id.
  bool ReportTextId(uint32_t id);
  bool ReportText(const std::wstring& text);
  bool ReportSubtextId(uint32_t id);
  bool ReportSubtext(const std::wstring& text);

  // Done of the overall counter (0) and of the step counter (1).
  uint64_t GetOverallDone() const;
  uint64_t GetStepDone() const;

  // Set done to `value`, or add `value` to it, then report: when the
  // percentage changed (or the counter is dirty after a new total), every
  // listener gets OnProgress(this, step percent, overall percent). A move of
  // the overall percentage resets the step counter to total 100, done 0.
  bool SetOverallDone(uint64_t value);
  bool SetStepDone(uint64_t value);
  bool AddOverallDone(uint64_t value);
  bool AddStepDone(uint64_t value);

  // OnSignal on every listener.
  bool ReportSignal(uint32_t value);

  // A new total (0 is ignored): done and percent go back to 0 and the next
  // report notifies even at 0 percent. No listener is told now.
  bool SetOverallTotal(uint64_t total);
  bool SetStepTotal(uint64_t total);

  // OnValue, OnValuePair, OnSecondValue on every listener.
  bool ReportValue(uint32_t value);
  bool ReportValuePair(uint32_t first, uint32_t second);
  bool ReportSecondValue(uint32_t value);

  // Installs the text provider (null removes it).
  void SetTextProvider(TextProvider* provider);

  // Sets the cancel flag for good. Lock-free: callable from a listener and
  // from any other thread.
  void RequestCancel();

 private:
  enum class Counter { kOverall, kStep };
  enum class Change { kSet, kAdd };

  // Calls `notify` on every listener under the lock; returns the cancel flag.
  template <typename Notify>
  bool NotifyAll(Notify notify);
  // The four done operations.
  bool ReportDone(Counter which, Change change, uint64_t value);
  bool Cancelled() const;

  mutable std::recursive_mutex lock_;
  std::vector<ProgressInterface*> listeners_;
  TextProvider* text_provider_ = nullptr;
  ProgressCounter overall_;
  ProgressCounter step_;
  std::atomic<uint32_t> cancel_{0};
};

}  // namespace krv::progress
