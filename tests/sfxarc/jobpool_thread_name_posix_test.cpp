#include <pthread.h>

#include <gtest/gtest.h>

#include <string>

#include "sfxarc/jobpool/job.h"
#include "sfxarc/jobpool/jobpool.h"
#include "sfxarc/jobpool/thread_name.h"

namespace krv {
namespace {

class NameJob final : public job {
 public:
  explicit NameJob(std::string* name) : name_(name) {}
  uint32_t Run() override {
    char buffer[64] = {};
    pthread_getname_np(pthread_self(), buffer, sizeof buffer);
    *name_ = buffer;
    return 0;
  }

 private:
  ~NameJob() override = default;
  std::string* name_;
};

std::string NameSeenByJob() {
  std::string name;
  jobpool pool;
  auto* created = new NameJob(&name);
  pool.add(created);
  created->release();
  pool.wait();
  return name;
}

TEST(JobThreadName, IsThePoolNameAndJobthreadCutToTheSystemLimit) {
  EXPECT_EQ(NameSeenByJob(), std::string("stub_pool>krv::jobthread").substr(0, 15));
}

TEST(JobThreadName, IsNotSetWhenTheQuerySaysNo) {
  const threading::scoped_debugger_query no_debugger([] { return false; });
  EXPECT_EQ(NameSeenByJob().rfind("stub_pool", 0), std::string::npos);
}

}  // namespace
}  // namespace krv
