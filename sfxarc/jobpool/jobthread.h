#pragma once
// A worker thread of the job pool.

#include <string>

#include "sfxarc/jobpool/refobj.h"
#include "sfxarc/jobpool/thread.h"

namespace krv {

class jobpool;

// Runs its pool's queued jobs one after another, first in first out, and
// ends as soon as it finds the queue empty (or the pool closing). Named
// after its pool: the pool's name followed by ">krv::jobthread". The pool's
// worker set and its list of retired workers each hold a reference; the pool
// must outlive the thread's body.
class jobthread final : public refobj, public threading::thread {
 public:
  // `pool_name` is the pool's name in 8 bits.
  jobthread(jobpool& pool, const std::string& pool_name);

 private:
  ~jobthread() override = default;
  void run() override;

  jobpool& pool_;
};

}  // namespace krv
