#pragma once
// Reader of the product's setting files ("setup.ini", "Stats.ini",
// "defs\krvdefs.ini"): sections of key=value lines in UTF-8, UTF-16
// little-endian or UTF-16 big-endian, read whole into nested sections whose
// names and keys compare without regard to case. Read only: nothing here
// writes a file.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "runtime/nocase.h"

namespace krv::product {

// One section: keys and nested sections. A dotted path a.b.c names section c
// inside b inside a; empty parts name sections with an empty name.
class SettingsSection {
 public:
  // The deepest nesting a path makes, counted from the section it is given
  // to. The product's own paths have at most four levels; the parts of a
  // longer path past this depth stay in the deepest section's name (dots
  // included). So a header of many dots, written by anyone who can write
  // the product's files, costs one map level per part only up to here: the
  // nested maps are torn down recursively, one stack frame per level.
  static constexpr size_t kMaxDepth = 32;

  using SectionMap = std::map<std::wstring, SettingsSection, nocase::less>;
  using KeyMap = std::map<std::wstring, std::wstring, nocase::less>;

  // The value of `key`, with the last error set to 0; `default_value`, with
  // the last error set to 3 (ERROR_PATH_NOT_FOUND), when the key is missing.
  std::wstring GetString(const std::wstring& key, const std::wstring& default_value) const;

  // The value of `key` as a base-10 signed 32-bit integer: leading white
  // space skipped, an optional sign, then digits up to the first other
  // character. Last error 0 and the number; else `default_value` with last
  // error 3 (missing key) or 1804 (ERROR_INVALID_DATATYPE: no digit, or out
  // of range).
  int32_t GetInt(const std::wstring& key, int32_t default_value) const;

  // The same on the signed 64-bit range, with 0 in place of the default.
  int64_t GetInt64(const std::wstring& key) const;

  // The keys and the nested sections, in key order.
  const KeyMap& Keys() const { return keys_; }
  const SectionMap& Sections() const { return sections_; }

  // The nested section at `path`, every missing level created empty (in
  // memory only); at most kMaxDepth levels below this one. Raises
  // std::bad_alloc when memory runs out.
  SettingsSection& Section(const std::wstring& path);

  // Sets `key` to `value`; a key equal under nocase::compare keeps the
  // letter case it was first written with.
  void SetValue(const std::wstring& key, const std::wstring& value);

 private:
  SectionMap sections_;
  KeyMap keys_;
};

// A whole settings file.
class SettingsFile {
 public:
  enum Encoding : int { kUtf8 = 1, kUtf16BigEndian = 2, kUtf16LittleEndian = 3 };

  // The largest file Load reads. The product's files are a few KiB; parsing
  // costs up to about 50 bytes of map nodes per byte of a hostile file, so
  // 1 MiB keeps a read well inside the 32-bit stub's address space.
  static constexpr uint32_t kMaxFileSize = 1u << 20;

  // Clears the sections and reads the file at `path` (opened for reading
  // with all sharing, under a shared lock on its first 4 GiB). Returns true
  // with the last error 0; false, with no sections, and the last error the
  // system's error, 223 (ERROR_FILE_TOO_LARGE) for a file larger than
  // kMaxFileSize, or 8 (ERROR_NOT_ENOUGH_MEMORY) when memory runs out while
  // reading or parsing. Never raises. Windows code.
  bool Load(const std::wstring& path);

  // Clears the sections and fills them from the bytes of a file: UTF-16
  // little-endian after FF FE, big-endian after FE FF, else UTF-8 (an EF BB
  // BF mark dropped, a malformed byte read as U+FFFD). Lines end at LF (one
  // CR before it is dropped); empty lines and lines starting with ';' or '#'
  // are skipped; "[path]" opens a section; "key=value" lines (kept exactly
  // as written, blanks included) fill the current section and are ignored
  // before the first header; the last line of a key wins. Raises
  // std::bad_alloc when memory runs out (the sections are then incomplete).
  void Parse(const uint8_t* data, size_t size);

  // The encoding the last Parse found; kUtf16LittleEndian before any.
  Encoding encoding() const { return encoding_; }

  // The section at `path`, created as SettingsSection::Section does.
  SettingsSection& Section(const std::wstring& path) { return root_.Section(path); }

  // The top-level sections, in name order.
  const SettingsSection::SectionMap& Sections() const { return root_.Sections(); }

 private:
  Encoding encoding_ = kUtf16LittleEndian;
  // Holds the top-level sections; it has no keys of its own.
  SettingsSection root_;
};

// One value of a file: loads `file` afresh and returns GetString of the
// section `section_path` and `key` (last error as GetString leaves it), or
// `default_value` with the load's error as the last error when the file
// cannot be read. Windows code.
std::wstring ReadString(const std::wstring& file, const std::wstring& section_path, const std::wstring& key,
                        const std::wstring& default_value);

}  // namespace krv::product
