#pragma once
// A Wine drive of a chosen size: a tmpfs mounted for the test and mapped to a
// drive letter of the prefix, so that a program under Wine meets a real full
// disk there.

#include <cstddef>
#include <string>

#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {

class SmallDrive {
 public:
  // Mounts a tmpfs of `kib` KiB and maps `letter` (a to y, lower case) of
  // the bed's prefix to it. Needs root; mounted() says whether it worked.
  SmallDrive(const WineBed& bed, char letter, size_t kib);
  // Removes the mapping, unmounts and removes the mount point.
  ~SmallDrive();
  SmallDrive(const SmallDrive&) = delete;
  SmallDrive& operator=(const SmallDrive&) = delete;

  bool mounted() const { return mounted_; }
  // The drive's root: "K:\".
  std::string root() const;
  // The mount point on this host.
  const std::string& host_path() const { return host_path_; }

 private:
  std::string host_path_;
  std::string link_;
  char letter_;
  bool mounted_ = false;
};

}  // namespace krv::e2e
