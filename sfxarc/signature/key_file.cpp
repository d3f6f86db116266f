#include "sfxarc/signature/key_file.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "sfxarc/signature/hex.h"
#include "sfxarc/signature/host_path.h"

namespace krv::signature {
namespace {

std::string Trim(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  const size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

// The member of key named by one letter, or null.
std::vector<uint8_t>* Field(DsaKey& key, char name) {
  switch (name) {
    case 'p': return &key.p;
    case 'q': return &key.q;
    case 'g': return &key.g;
    case 'y': return &key.y;
    case 'x': return &key.x;
  }
  return nullptr;
}

bool ParseKeyNumber(const std::string& text, int* number) {
  if (text.empty() || text.size() > 2) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *number = value;
  return value >= 1 && value <= 14;
}

KeyFileStatus CheckKey(const DsaKey& key, int number) {
  if (key.p.empty() || key.q.empty() || key.g.empty() || key.y.empty()) return KeyFileStatus::kMissingField;
  const size_t modulus = KeyModulusSize(number);
  const size_t subgroup = KeySubgroupSize(number);
  if (key.p.size() != modulus || key.g.size() != modulus || key.y.size() != modulus || key.q.size() != subgroup ||
      (key.has_private() && key.x.size() != subgroup)) {
    return KeyFileStatus::kWrongSize;
  }
  return KeyFileStatus::kOk;
}

KeyFileStatus ParseInto(const std::string& text, DsaKeySet* out, int* line_out) {
  std::istringstream lines(text);
  std::string raw;
  int line = 0;
  int current = 0;
  bool seen[15] = {};
  while (std::getline(lines, raw)) {
    ++line;
    *line_out = line;
    const std::string s = Trim(raw);
    if (s.empty() || s[0] == '#') continue;
    if (s.compare(0, 4, "key ") == 0) {
      int number = 0;
      if (!ParseKeyNumber(Trim(s.substr(4)), &number) || seen[number]) return KeyFileStatus::kBadKeyNumber;
      seen[number] = true;
      current = number;
      continue;
    }
    const size_t eq = s.find('=');
    if (eq == std::string::npos) return KeyFileStatus::kBadLine;
    const std::string name = Trim(s.substr(0, eq));
    const std::string value = Trim(s.substr(eq + 1));
    if (name.size() != 1 || !Field(out->keys[0], name[0])) return KeyFileStatus::kBadLine;
    if (current == 0) return KeyFileStatus::kFieldOutsideKey;
    std::vector<uint8_t>* field = Field(out->keys[current - 1], name[0]);
    if (!field->empty()) return KeyFileStatus::kDuplicateField;
    if (value.empty() || value.size() % 2 != 0) return KeyFileStatus::kBadHex;
    field->resize(value.size() / 2);
    if (!DecodeHex(value.data(), field->size(), field->data())) return KeyFileStatus::kBadHex;
  }
  *line_out = 0;
  for (int number = 1; number <= 14; ++number) {
    if (!seen[number]) continue;
    const KeyFileStatus status = CheckKey(out->keys[number - 1], number);
    if (status != KeyFileStatus::kOk) return status;
  }
  return KeyFileStatus::kOk;
}

}  // namespace

DsaPublicKey DsaKey::public_key() const {
  return DsaPublicKey{{p.data(), p.size()}, {q.data(), q.size()}, {g.data(), g.size()}, {y.data(), y.size()}};
}

const DsaKey* DsaKeySet::Find(int number) const {
  if (number < 1 || number > 14 || !keys[number - 1].present()) return nullptr;
  return &keys[number - 1];
}

const char* KeyFileStatusText(KeyFileStatus status) {
  switch (status) {
    case KeyFileStatus::kOk: return "no error";
    case KeyFileStatus::kCannotOpen: return "cannot open or read the key file";
    case KeyFileStatus::kCannotWrite: return "cannot write the key file";
    case KeyFileStatus::kBadLine: return "line is neither a comment, \"key N\" nor \"name = hex\" (names p, q, g, y, x)";
    case KeyFileStatus::kBadKeyNumber: return "key number outside 1 to 14 or given twice";
    case KeyFileStatus::kFieldOutsideKey: return "value before the first \"key N\" line";
    case KeyFileStatus::kDuplicateField: return "value given twice for one key";
    case KeyFileStatus::kBadHex: return "value is not an even number of hexadecimal digits";
    case KeyFileStatus::kMissingField: return "a key lacks one of p, q, g, y";
    case KeyFileStatus::kWrongSize: return "a value does not have the width of its key number";
  }
  return "unknown key file error";
}

size_t KeyModulusSize(int number) { return number <= 4 ? 128 : 256; }

size_t KeySubgroupSize(int number) { return number <= 4 ? 20 : 32; }

KeyFileStatus ParseKeyText(const std::string& text, DsaKeySet* out, int* line) {
  *out = DsaKeySet();
  int where = 0;
  const KeyFileStatus status = ParseInto(text, out, &where);
  if (status != KeyFileStatus::kOk) *out = DsaKeySet();
  if (line) *line = status == KeyFileStatus::kOk ? 0 : where;
  return status;
}

KeyFileStatus ReadKeyFile(const std::wstring& path, DsaKeySet* out, int* line) {
  *out = DsaKeySet();
  if (line) *line = 0;
  std::ifstream in(HostPath(path), std::ios::binary);
  if (!in) return KeyFileStatus::kCannotOpen;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return KeyFileStatus::kCannotOpen;
  return ParseKeyText(text, out, line);
}

std::string FormatKeyText(const DsaKeySet& set, bool include_private, const std::string& header) {
  std::string text;
  std::istringstream header_lines(header);
  std::string header_line;
  while (std::getline(header_lines, header_line)) text += "# " + header_line + "\n";
  for (int number = 1; number <= 14; ++number) {
    const DsaKey* key = set.Find(number);
    if (!key) continue;
    text += "\nkey " + std::to_string(number) + "\n";
    text += "p = " + EncodeHex(key->p.data(), key->p.size()) + "\n";
    text += "q = " + EncodeHex(key->q.data(), key->q.size()) + "\n";
    text += "g = " + EncodeHex(key->g.data(), key->g.size()) + "\n";
    text += "y = " + EncodeHex(key->y.data(), key->y.size()) + "\n";
    if (include_private && key->has_private()) text += "x = " + EncodeHex(key->x.data(), key->x.size()) + "\n";
  }
  return text;
}

KeyFileStatus WriteKeyFile(const std::wstring& path, const DsaKeySet& set, bool include_private,
                           const std::string& header) {
  std::ofstream out(HostPath(path), std::ios::binary | std::ios::trunc);
  if (!out) return KeyFileStatus::kCannotWrite;
  const std::string text = FormatKeyText(set, include_private, header);
  out.write(text.data(), std::streamsize(text.size()));
  out.close();
  return out ? KeyFileStatus::kOk : KeyFileStatus::kCannotWrite;
}

}  // namespace krv::signature
