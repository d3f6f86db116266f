#include "log/log_record.h"

namespace krv::log {

const char* level_name(int32_t level) {
  static const char* const kNames[] = {"debug", "info", "notice", "warning", "error", "fatal"};
  if (level < kDebug || level > kFatal) return "";
  return kNames[level];
}

}  // namespace krv::log
