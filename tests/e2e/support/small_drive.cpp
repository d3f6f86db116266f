#include "tests/e2e/support/small_drive.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>

namespace krv::e2e {

SmallDrive::SmallDrive(const WineBed& bed, char letter, size_t kib)
    : host_path_("/tmp/krv-drive-" + std::to_string(::getpid()) + "-" + std::string(1, letter)),
      link_(bed.prefix() + "/dosdevices/" + std::string(1, letter) + ":"),
      letter_(letter) {
  std::error_code ignored;
  std::filesystem::create_directories(host_path_, ignored);
  const std::string options = "size=" + std::to_string(kib) + "k,mode=0777";
  if (::mount("tmpfs", host_path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) return;
  std::filesystem::remove(link_, ignored);
  std::filesystem::create_directory_symlink(host_path_, link_, ignored);
  mounted_ = !ignored;
}

SmallDrive::~SmallDrive() {
  std::error_code ignored;
  std::filesystem::remove(link_, ignored);
  ::umount2(host_path_.c_str(), MNT_DETACH);
  std::filesystem::remove(host_path_, ignored);
}

std::string SmallDrive::root() const {
  return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter_)))) + ":\\";
}

}  // namespace krv::e2e
