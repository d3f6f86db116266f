#pragma once
// A logger for the hand-off tests: write_log and make_category defined here
// take the place of the real logger's, so a test sees each line with its
// level and category exactly as the code under test logged it.

#include <cstdint>
#include <string>
#include <vector>

namespace krv::handoff::testing {

struct LoggedLine {
  int32_t level;
  std::string category;
  std::wstring text;
};

// Collects every line logged in this process while alive (one at a time).
class RecordingLog {
 public:
  RecordingLog();
  ~RecordingLog();
  RecordingLog(const RecordingLog&) = delete;
  RecordingLog& operator=(const RecordingLog&) = delete;

  std::vector<LoggedLine> Lines() const;
  // The texts logged under `category`, in order.
  std::vector<std::wstring> TextsIn(const std::string& category) const;
};

}  // namespace krv::handoff::testing
