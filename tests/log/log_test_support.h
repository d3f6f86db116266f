#pragma once
// Helpers of the logger tests: a scratch folder and reading log files back.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace krv::log::test {

// A new empty folder below the system's temporary folder, removed with its
// contents when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The wide path of `name` in the folder.
  std::wstring file(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// The whole file, "" when it is missing.
std::string read_file(const std::wstring& path);
void write_file(const std::wstring& path, const std::string& bytes);
bool file_exists(const std::wstring& path);

// The lines of log file text after its byte order mark, split at "\r\n"
// (the line ends removed). Continuation lines stay part of their line,
// joined by "\n".
std::vector<std::string> log_lines(const std::string& text);

// A line's fields, parsed from the header format.
struct ParsedLine {
  std::string time;
  std::string level;
  std::string category;
  uint32_t process_id = 0;
  uint32_t thread_id = 0;
  std::string message;
};

// Parses one line (without its line end). Returns false when it does not
// have the header format.
bool parse_line(const std::string& line, ParsedLine& out);

// Reads a private logger's message back (Base64, then the XOR key). Returns
// "<not scrambled>" when the text is not in that form.
std::string unscramble(const std::string& scrambled);

}  // namespace krv::log::test
