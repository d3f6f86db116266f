#include "sfxarc/errno_code.h"

#include <cerrno>

namespace krv::sfxarc {

namespace {

struct ErrnoCode {
  int errno_value;
  uint32_t code;
};

constexpr ErrnoCode kErrnoCodes[] = {
    {ENOENT, 2},      // ERROR_FILE_NOT_FOUND
    {E2BIG, 10},      // ERROR_BAD_ENVIRONMENT
    {ENOEXEC, 11},    // ERROR_BAD_FORMAT
    {EBADF, 6},       // ERROR_INVALID_HANDLE
    {ECHILD, 128},    // ERROR_WAIT_NO_CHILDREN
    {EAGAIN, 89},     // ERROR_NO_PROC_SLOTS
    {ENOMEM, 8},      // ERROR_NOT_ENOUGH_MEMORY
    {EACCES, 5},      // ERROR_ACCESS_DENIED
    {EEXIST, 183},    // ERROR_ALREADY_EXISTS
    {EXDEV, 17},      // ERROR_NOT_SAME_DEVICE
    {ENODEV, 15},     // ERROR_INVALID_DRIVE
    {ENOTDIR, 3},     // ERROR_PATH_NOT_FOUND
    {EINVAL, 87},     // ERROR_INVALID_PARAMETER
    {EMFILE, 4},      // ERROR_TOO_MANY_OPEN_FILES
    {ENOSPC, 112},    // ERROR_DISK_FULL
    {EPIPE, 109},     // ERROR_BROKEN_PIPE
    {ENOTEMPTY, 145}, // ERROR_DIR_NOT_EMPTY
};

constexpr uint32_t kCallNotImplemented = 120;

}  // namespace

uint32_t Win32CodeFromErrno(int errno_value) {
  for (const ErrnoCode& entry : kErrnoCodes) {
    if (entry.errno_value == errno_value) return entry.code;
  }
  return kCallNotImplemented;
}

}  // namespace krv::sfxarc
