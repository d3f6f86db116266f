#include "log_test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
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

namespace {

// Reads "  123" (spaces, then digits) up to `stop`; advances `pos` past it.
bool parse_id(const std::string& line, size_t& pos, char stop, uint32_t& out) {
  while (pos < line.size() && line[pos] == ' ') ++pos;
  size_t digits = pos;
  uint64_t value = 0;
  while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') value = value * 10 + (line[pos++] - '0');
  if (pos == digits || pos >= line.size() || line[pos] != stop || value > 0xFFFFFFFFULL) return false;
  out = static_cast<uint32_t>(value);
  ++pos;
  return true;
}

}  // namespace

bool parse_line(const std::string& line, ParsedLine& out) {
  // "[YYYY-MM-DD hh:mm:ss.mmm] [level  ] [category   ] [  pid:  tid] message"
  static const char kTimeForm[] = "dddd-dd-dd dd:dd:dd.ddd";
  if (line.size() < 56 || line[0] != '[') return false;
  for (size_t i = 0; i < 23; ++i) {
    char c = line[1 + i];
    if (kTimeForm[i] == 'd' ? (c < '0' || c > '9') : c != kTimeForm[i]) return false;
  }
  if (line.compare(24, 3, "] [") != 0 || line.compare(34, 3, "] [") != 0 || line.compare(48, 3, "] [") != 0)
    return false;
  auto trim = [](std::string s) { return s.substr(0, s.find_last_not_of(' ') + 1); };
  out.time = line.substr(1, 23);
  out.level = trim(line.substr(27, 7));
  out.category = trim(line.substr(37, 11));
  size_t pos = 51;
  if (!parse_id(line, pos, ':', out.process_id) || !parse_id(line, pos, ']', out.thread_id)) return false;
  if (pos >= line.size() || line[pos] != ' ') return false;
  out.message = line.substr(pos + 1);
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
