#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "sfxarc/jobpool/job.h"
#include "sfxarc/jobpool/jobpool.h"
#include "sfxarc/jobpool/thread_name.h"

namespace krv {
namespace {

constexpr DWORD kSetThreadNameException = 0x406D1388;

// What a debugger would have been told, seen by a vectored handler that
// runs before the pool's own.
std::atomic<int> g_announcements{0};
std::string g_announced_name;
DWORD g_announced_thread = 0;
DWORD g_announced_flags = 1;

LONG CALLBACK RecordAnnouncement(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (record->ExceptionCode != kSetThreadNameException) return EXCEPTION_CONTINUE_SEARCH;
  const auto* info = reinterpret_cast<const ULONG_PTR*>(record->ExceptionInformation);
  // The record: type, name, thread id, flags, each in one argument slot on
  // x86-64 and packed into slots on x86.
  struct NameRecord {
    DWORD type;
    LPCSTR name;
    DWORD thread_id;
    DWORD flags;
  };
  const auto* name_record = reinterpret_cast<const NameRecord*>(info);
  if (name_record->type == 0x1000) {
    g_announced_name = name_record->name;
    g_announced_thread = name_record->thread_id;
    g_announced_flags = name_record->flags;
  }
  g_announcements.fetch_add(1);
  return EXCEPTION_CONTINUE_SEARCH;
}

class ThreadJob final : public job {
 public:
  explicit ThreadJob(DWORD* thread_id) : thread_id_(thread_id) {}
  uint32_t Run() override {
    *thread_id_ = GetCurrentThreadId();
    return 0;
  }

 private:
  ~ThreadJob() override = default;
  DWORD* thread_id_;
};

DWORD RunOneJob() {
  DWORD thread_id = 0;
  jobpool pool;
  auto* created = new ThreadJob(&thread_id);
  pool.add(created);
  created->release();
  pool.wait();
  return thread_id;
}

class JobThreadName : public ::testing::Test {
 protected:
  void SetUp() override {
    g_announcements = 0;
    g_announced_name.clear();
    handler_ = AddVectoredExceptionHandler(1, &RecordAnnouncement);
    ASSERT_NE(handler_, nullptr);
  }
  void TearDown() override { RemoveVectoredExceptionHandler(handler_); }

 private:
  void* handler_ = nullptr;
};

TEST_F(JobThreadName, IsAnnouncedToAnAttachedDebugger) {
  const threading::scoped_debugger_query attached([] { return true; });
  const DWORD worker = RunOneJob();
  EXPECT_EQ(g_announcements.load(), 1);
  EXPECT_EQ(g_announced_name, "stub_pool>krv::jobthread");
  EXPECT_EQ(g_announced_thread, worker);
  EXPECT_EQ(g_announced_flags, 0u);
}

TEST_F(JobThreadName, RaisesNothingWithoutADebugger) {
  // The test runs without a debugger, so the system's own query is used.
  ASSERT_FALSE(IsDebuggerPresent());
  RunOneJob();
  EXPECT_EQ(g_announcements.load(), 0);
}

}  // namespace
}  // namespace krv
