#include "log_test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "log/log_scrambler.h"

namespace krv::log::test {

ScratchFolder::ScratchFolder() {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("krv_log_test_" + std::to_string(stamp) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchFolder::file(const std::string& name) const { return (path_ / name).wstring(); }

std::string read_file(const std::wstring& path) {
#ifdef _WIN32
  // The logger holds its file with DELETE access, so a reader must share
  // deletion, which the C runtime's streams do not.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
#else
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
#endif
}

void write_file(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool file_exists(const std::wstring& path) { return std::filesystem::exists(std::filesystem::path(path)); }

std::vector<std::string> log_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    // A continuation line starts with 64 spaces and belongs to the line before.
    while (end != std::string::npos && text.compare(end + 2, 64, std::string(64, ' ')) == 0)
      end = text.find("\r\n", end + 2);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    for (size_t cr; (cr = line.find("\r\n")) != std::string::npos;) line.erase(cr, 1);
    lines.push_back(line);
    if (end == std::string::npos) break;
    pos = end + 2;
  }
  return lines;
}

bool parse_line(const std::string& line, ParsedLine& out) {
  static const std::regex kHeader(
      R"(\[(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})\] \[(.{7})\] \[(.{11})\] \[( *\d+): *(\d+)\] )");
  std::smatch match;
  if (!std::regex_search(line, match, kHeader) || match.position(0) != 0) return false;
  auto trim = [](std::string s) { return s.substr(0, s.find_last_not_of(' ') + 1); };
  out.time = match[1];
  out.level = trim(match[2]);
  out.category = trim(match[3]);
  out.process_id = static_cast<uint32_t>(std::stoul(match[4]));
  out.thread_id = static_cast<uint32_t>(std::stoul(match[5]));
  out.message = line.substr(match.length(0));
  return true;
}

std::string unscramble(const std::string& scrambled) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string kNotScrambled = "<not scrambled>";
  if (scrambled.empty() || scrambled[0] != '~' || (scrambled.size() - 1) % 4 != 0) return kNotScrambled;
  std::string bytes;
  uint32_t bits = 0;
  int count = 0;
  for (char c : scrambled.substr(1)) {
    if (c == '=') break;
    size_t value = kAlphabet.find(c);
    if (value == std::string::npos) return kNotScrambled;
    bits = bits << 6 | static_cast<uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>(bits >> count));
    }
  }
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(bytes[i] ^ kScrambleKey[i % 16]);
  return bytes;
}

}  // namespace krv::log::test
