#include "progress/progress_callback.h"

#include <algorithm>

namespace krv::progress {

bool ProgressCallback::AddListener(ProgressInterface* listener) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!listener || std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) return false;
  listeners_.push_back(listener);
  return true;
}

bool ProgressCallback::RemoveListener(ProgressInterface* listener) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto found = std::find(listeners_.begin(), listeners_.end(), listener);
  if (found == listeners_.end()) return false;
  listeners_.erase(found);
  return true;
}

bool ProgressCallback::Cancelled() const { return cancel_.load() != 0; }

void ProgressCallback::RequestCancel() { cancel_.exchange(1); }

template <typename Notify>
bool ProgressCallback::NotifyAll(Notify notify) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    // By index: a listener may add or remove listeners while it is called.
    for (size_t i = 0; i < listeners_.size(); ++i) notify(listeners_[i]);
  }
  return Cancelled();
}

bool ProgressCallback::ReportTextId(uint32_t id) {
  std::wstring text;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (text_provider_ && text_provider_->GetText(id, &text)) ReportText(text);
  }
  return Cancelled();
}

bool ProgressCallback::ReportText(const std::wstring& text) {
  return NotifyAll([this, &text](ProgressInterface* listener) { listener->OnText(this, text.c_str()); });
}

bool ProgressCallback::ReportSubtextId(uint32_t id) {
  std::wstring text;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (text_provider_ && text_provider_->GetText(id, &text)) ReportSubtext(text);
  }
  return Cancelled();
}

bool ProgressCallback::ReportSubtext(const std::wstring& text) {
  return NotifyAll([this, &text](ProgressInterface* listener) { listener->OnSubtext(this, text.c_str()); });
}

// The getters take the lock as well: a 64-bit count read without it could
// be torn on a 32-bit processor while a worker updates it.
uint64_t ProgressCallback::GetOverallDone() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return overall_.done();
}

uint64_t ProgressCallback::GetStepDone() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return step_.done();
}

bool ProgressCallback::ReportDone(Counter which, Change change, uint64_t value) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    ProgressCounter& counter = which == Counter::kOverall ? overall_ : step_;
    const bool moved = change == Change::kSet ? counter.SetDone(value) : counter.AddDone(value);
    if (moved) {
      // A new overall percentage starts a new step.
      if (which == Counter::kOverall) step_.Reset();
      const uint32_t step_percent = step_.percent();
      const uint32_t overall_percent = overall_.percent();
      NotifyAll([this, step_percent, overall_percent](ProgressInterface* listener) {
        listener->OnProgress(this, step_percent, overall_percent);
      });
    }
  }
  return Cancelled();
}

bool ProgressCallback::SetOverallDone(uint64_t value) { return ReportDone(Counter::kOverall, Change::kSet, value); }
bool ProgressCallback::SetStepDone(uint64_t value) { return ReportDone(Counter::kStep, Change::kSet, value); }
bool ProgressCallback::AddOverallDone(uint64_t value) { return ReportDone(Counter::kOverall, Change::kAdd, value); }
bool ProgressCallback::AddStepDone(uint64_t value) { return ReportDone(Counter::kStep, Change::kAdd, value); }

bool ProgressCallback::ReportSignal(uint32_t value) {
  return NotifyAll([value](ProgressInterface* listener) { listener->OnSignal(value); });
}

bool ProgressCallback::SetOverallTotal(uint64_t total) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    overall_.SetTotal(total);
  }
  return Cancelled();
}

bool ProgressCallback::SetStepTotal(uint64_t total) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    step_.SetTotal(total);
  }
  return Cancelled();
}

bool ProgressCallback::ReportValue(uint32_t value) {
  return NotifyAll([this, value](ProgressInterface* listener) { listener->OnValue(this, value); });
}

bool ProgressCallback::ReportValuePair(uint32_t first, uint32_t second) {
  return NotifyAll(
      [this, first, second](ProgressInterface* listener) { listener->OnValuePair(this, first, second); });
}

bool ProgressCallback::ReportSecondValue(uint32_t value) {
  return NotifyAll([this, value](ProgressInterface* listener) { listener->OnSecondValue(this, value); });
}

void ProgressCallback::SetTextProvider(TextProvider* provider) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  text_provider_ = provider;
}

}  // namespace krv::progress
