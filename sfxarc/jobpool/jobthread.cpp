#include "sfxarc/jobpool/jobthread.h"

#include "sfxarc/jobpool/job.h"
#include "sfxarc/jobpool/jobpool.h"

namespace krv {

jobthread::jobthread(jobpool& pool, const std::string& pool_name)
    : threading::thread(pool_name + ">krv::jobthread"), pool_(pool) {}

void jobthread::run() {
  // Each job's reference is dropped as soon as it has run, also when Run
  // throws.
  while (ref_ptr<job> next = pool_.next_job(*this)) next->Run();
}

}  // namespace krv
