#include "progress/progress_callback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace krv::progress {
namespace {

// Records every call it gets, as text, and optionally asks for cancellation
// from within OnProgress.
class RecordingListener final : public ProgressInterface {
 public:
  void OnText(ProgressCallback*, const wchar_t* text) override { calls.push_back(L"text " + std::wstring(text)); }
  void OnSubtext(ProgressCallback*, const wchar_t* text) override {
    calls.push_back(L"subtext " + std::wstring(text));
  }
  void OnProgress(ProgressCallback* callback, uint32_t step, uint32_t overall) override {
    overall_percents.push_back(overall);
    step_percents.push_back(step);
    calls.push_back(L"progress " + std::to_wstring(step) + L" " + std::to_wstring(overall));
    if (cancel_at_progress && callback) callback->RequestCancel();
  }
  void OnValue(ProgressCallback*, uint32_t value) override { calls.push_back(L"value " + std::to_wstring(value)); }
  void OnValuePair(ProgressCallback*, uint32_t first, uint32_t second) override {
    calls.push_back(L"pair " + std::to_wstring(first) + L" " + std::to_wstring(second));
  }
  void OnSecondValue(ProgressCallback*, uint32_t value) override {
    calls.push_back(L"second " + std::to_wstring(value));
  }
  void OnSignal(uint32_t value) override { calls.push_back(L"signal " + std::to_wstring(value)); }

  std::vector<std::wstring> calls;
  std::vector<uint32_t> overall_percents;
  std::vector<uint32_t> step_percents;
  bool cancel_at_progress = false;
};

std::vector<uint32_t> Range(uint32_t first, uint32_t last) {
  std::vector<uint32_t> values;
  for (uint32_t v = first; v <= last; ++v) values.push_back(v);
  return values;
}

// The way extraction reports: a total, 0, then counts of finished entries.
struct OverallCase {
  const char* what;
  uint64_t total;
  std::vector<uint64_t> reports;
  std::vector<uint32_t> expected_percents;
};

std::vector<uint64_t> Counts(uint64_t first, uint64_t last) {
  std::vector<uint64_t> values;
  for (uint64_t v = first; v <= last; ++v) values.push_back(v);
  return values;
}

TEST(ProgressCallback, ReportsEachOverallPercentageOnce) {
  const std::vector<OverallCase> cases = {
      {"4 entries", 4, Counts(0, 4), {0, 25, 50, 75, 100}},
      {"300 entries: a repeated truncated percentage tells nobody", 300, Counts(0, 300), Range(0, 100)},
      {"out of order: a smaller count after a larger one steps back", 4, {0, 2, 1, 3, 4}, {0, 50, 25, 75, 100}},
      {"a repeated count tells nobody", 4, {0, 1, 1, 1, 2}, {0, 25, 50}},
      {"beyond the total: capped at 100", 4, {0, 9, 4}, {0, 100}},
      {"total 0 is ignored: the total stays 100", 0, {0, 50, 100}, {0, 50, 100}},
      {"no entries: the initial 0 only", 0, {0}, {0}},
  };
  for (const OverallCase& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingListener listener;
    ProgressCallback callback;
    ASSERT_TRUE(callback.AddListener(&listener));
    EXPECT_FALSE(callback.SetOverallTotal(c.total));
    for (uint64_t done : c.reports) EXPECT_FALSE(callback.SetOverallDone(done));
    EXPECT_EQ(listener.overall_percents, c.expected_percents);
  }
}

TEST(ProgressCallback, ANewTotalNotifiesAgainEvenAtTheSamePercentage) {
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.SetOverallTotal(4);
  callback.SetOverallDone(0);
  callback.SetOverallTotal(4);  // unchanged: stays clean
  callback.SetOverallDone(0);
  callback.SetOverallTotal(8);  // changed: dirty, done back to 0
  EXPECT_EQ(callback.GetOverallDone(), 0u);
  callback.SetOverallDone(0);
  EXPECT_EQ(listener.overall_percents, (std::vector<uint32_t>{0, 0}));
}

TEST(ProgressCallback, AddingBeyondTheTotalStopsAtTheTotal) {
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.SetOverallTotal(10);
  callback.AddOverallDone(4);
  callback.AddOverallDone(40);
  EXPECT_EQ(callback.GetOverallDone(), 10u);
  callback.AddOverallDone(std::numeric_limits<uint64_t>::max());  // no wrap to a small count
  EXPECT_EQ(callback.GetOverallDone(), 10u);
  EXPECT_EQ(listener.overall_percents, (std::vector<uint32_t>{40, 100}));
}

TEST(ProgressCallback, AMoveOfTheOverallPercentageResetsTheStep) {
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.SetStepTotal(2);
  callback.SetStepDone(1);   // step 50 of overall 0
  callback.AddOverallDone(10);  // overall moves: the step restarts at total 100
  EXPECT_EQ(callback.GetStepDone(), 0u);
  callback.AddStepDone(30);  // step 30 of 100
  callback.AddStepDone(0);   // same percentage: nobody told
  EXPECT_EQ(listener.calls,
            (std::vector<std::wstring>{L"progress 50 0", L"progress 0 10", L"progress 30 10"}));
}

TEST(ProgressCallback, PercentagesOfHugeTotalsDoNotOverflow) {
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  const uint64_t total = std::numeric_limits<uint64_t>::max();
  callback.SetOverallTotal(total);
  callback.SetOverallDone(total / 2);
  callback.SetOverallDone(total / 100 * 99);
  callback.SetOverallDone(total);
  EXPECT_EQ(listener.overall_percents, (std::vector<uint32_t>{49, 98, 100}));
}

TEST(ProgressCallback, ListenersAreCalledInOrderEachOnce) {
  RecordingListener first;
  RecordingListener second;
  ProgressCallback callback;
  EXPECT_FALSE(callback.AddListener(nullptr));
  EXPECT_TRUE(callback.AddListener(&first));
  EXPECT_TRUE(callback.AddListener(&second));
  EXPECT_FALSE(callback.AddListener(&first));
  std::vector<std::wstring> order;
  class OrderListener final : public ProgressInterface {
   public:
    OrderListener(std::vector<std::wstring>& order, const wchar_t* name) : order_(order), name_(name) {}
    void OnText(ProgressCallback*, const wchar_t*) override {}
    void OnSubtext(ProgressCallback*, const wchar_t*) override {}
    void OnProgress(ProgressCallback*, uint32_t, uint32_t) override { order_.push_back(name_); }
    void OnValue(ProgressCallback*, uint32_t) override {}
    void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
    void OnSecondValue(ProgressCallback*, uint32_t) override {}
    void OnSignal(uint32_t) override {}

   private:
    std::vector<std::wstring>& order_;
    const wchar_t* name_;
  };
  OrderListener a(order, L"a");
  OrderListener b(order, L"b");
  ProgressCallback ordered;
  ordered.AddListener(&b);
  ordered.AddListener(&a);
  ordered.SetOverallDone(1);
  EXPECT_EQ(order, (std::vector<std::wstring>{L"b", L"a"}));

  callback.SetOverallDone(5);
  EXPECT_TRUE(callback.RemoveListener(&first));
  EXPECT_FALSE(callback.RemoveListener(&first));
  callback.SetOverallDone(6);
  EXPECT_EQ(first.overall_percents, (std::vector<uint32_t>{5}));
  EXPECT_EQ(second.overall_percents, (std::vector<uint32_t>{5, 6}));
}

TEST(ProgressCallback, EachReportReachesItsOwnListenerOperation) {
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.ReportText(L"t");
  callback.ReportSubtext(L"s");
  callback.ReportValue(1);
  callback.ReportValuePair(2, 3);
  callback.ReportSecondValue(4);
  callback.ReportSignal(5);
  EXPECT_EQ(listener.calls, (std::vector<std::wstring>{L"text t", L"subtext s", L"value 1", L"pair 2 3",
                                                        L"second 4", L"signal 5"}));
}

TEST(ProgressCallback, TextIdsNeedAProviderThatKnowsThem) {
  class OneText final : public TextProvider {
   public:
    bool GetText(uint32_t id, std::wstring* text) override {
      if (id != 7) return false;
      *text = L"seven";
      return true;
    }
  };
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.ReportTextId(7);  // no provider yet
  OneText provider;
  callback.SetTextProvider(&provider);
  callback.ReportTextId(8);
  callback.ReportTextId(7);
  callback.ReportSubtextId(7);
  callback.ReportSubtextId(8);
  EXPECT_EQ(listener.calls, (std::vector<std::wstring>{L"text seven", L"subtext seven"}));
}

TEST(ProgressCallback, CancellationSetByAListenerIsReturnedFromThenOn) {
  RecordingListener listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.SetOverallTotal(4);
  EXPECT_FALSE(callback.SetOverallDone(0));
  // As the animator does after Esc: the flag is set inside OnProgress.
  listener.cancel_at_progress = true;
  EXPECT_TRUE(callback.SetOverallDone(1));
  listener.cancel_at_progress = false;
  EXPECT_TRUE(callback.SetOverallDone(1));  // nobody notified, still cancelled
  EXPECT_TRUE(callback.SetOverallTotal(8));
  EXPECT_TRUE(callback.ReportText(L"x"));
  EXPECT_TRUE(callback.ReportTextId(1));
  EXPECT_TRUE(callback.ReportSignal(0));
  EXPECT_TRUE(callback.AddStepDone(1));
}

TEST(ProgressCallback, ListenersMayChangeTheListWhileCalled) {
  ProgressCallback callback;
  RecordingListener late;
  class AddsAnother final : public ProgressInterface {
   public:
    explicit AddsAnother(ProgressInterface* other) : other_(other) {}
    void OnText(ProgressCallback*, const wchar_t*) override {}
    void OnSubtext(ProgressCallback*, const wchar_t*) override {}
    void OnProgress(ProgressCallback* callback, uint32_t, uint32_t) override {
      callback->RemoveListener(this);
      callback->AddListener(other_);
    }
    void OnValue(ProgressCallback*, uint32_t) override {}
    void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
    void OnSecondValue(ProgressCallback*, uint32_t) override {}
    void OnSignal(uint32_t) override {}

   private:
    ProgressInterface* other_;
  };
  AddsAnother adder(&late);
  callback.AddListener(&adder);
  callback.SetOverallDone(10);
  callback.SetOverallDone(20);
  EXPECT_EQ(late.overall_percents.back(), 20u);
}

TEST(ProgressCallback, ReportsFromManyThreadsAreSerialised) {
  // Each percentage is told once however the reports interleave, and the
  // listener is never entered twice at once.
  class Serial final : public ProgressInterface {
   public:
    void OnText(ProgressCallback*, const wchar_t*) override {}
    void OnSubtext(ProgressCallback*, const wchar_t*) override {}
    void OnProgress(ProgressCallback*, uint32_t, uint32_t overall) override {
      if (inside.exchange(true)) overlapped = true;
      seen.push_back(overall);
      inside = false;
    }
    void OnValue(ProgressCallback*, uint32_t) override {}
    void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
    void OnSecondValue(ProgressCallback*, uint32_t) override {}
    void OnSignal(uint32_t) override {}

    std::atomic<bool> inside{false};
    bool overlapped = false;
    std::vector<uint32_t> seen;
  };
  Serial listener;
  ProgressCallback callback;
  callback.AddListener(&listener);
  callback.SetOverallTotal(800);
  callback.SetOverallDone(0);
  std::atomic<uint64_t> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) callback.SetOverallDone(finished.fetch_add(1) + 1);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(listener.overlapped);
  EXPECT_EQ(callback.GetOverallDone(), 800u);
  EXPECT_EQ(listener.seen.back(), 100u);
  EXPECT_GE(listener.seen.size(), 101u);
}

}  // namespace
}  // namespace krv::progress
