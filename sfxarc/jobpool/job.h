#pragma once
// A unit of work for the job pool.

#include <cstdint>

#include "sfxarc/jobpool/refobj.h"

namespace krv {

// A job runs once on one of the pool's worker threads; the pool holds a
// reference from `add` until the job has run (or until the pool shuts down
// without running it). An exception that escapes Run ends its worker thread
// with exit code 574; the pool goes on with its other workers.
class job : public refobj {
 public:
  // The job's work. The result is the job's own; the pool discards it.
  virtual uint32_t Run() = 0;

 protected:
  ~job() override = default;
};

}  // namespace krv
