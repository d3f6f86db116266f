#include "runtime/runtime_brand_row.h"

#include "runtime/nocase.h"

namespace krv::os {
namespace {

struct Row {
  const wchar_t* registry_key;
  const wchar_t* object_prefix;
  const wchar_t* short_name;
  const wchar_t* settings_file;
};

constexpr Row kRows[] = {
    {L"Software\\ORVANE Software\\Orvane", L"krv", L"orvane", L"orvane5.ini"},
    {L"Software\\KESTIL\\Antivirus", L"kestil", L"kestil", L"settings.ini"},
};

bool starts_with_ignoring_case(const std::wstring& text, const wchar_t* start) {
  const std::wstring s(start);
  return text.size() >= s.size() &&
         nocase::compare(text.c_str(), s.size(), s.c_str(), s.size(), nocase::kWhole) == 0;
}

}  // namespace

runtime_brand_settings runtime_brand_of_row(int row) {
  const Row& r = row == 1 ? kRows[1] : kRows[0];
  return {r.registry_key, r.object_prefix, r.short_name, r.settings_file};
}

runtime_brand_settings default_runtime_brand() { return runtime_brand_of_row(0); }

bool folder_holds_image(const std::wstring& folder, const std::wstring& path) {
  if (folder.empty() || folder.size() >= path.size()) return false;
  if (!starts_with_ignoring_case(path, folder.c_str())) return false;
  return path[folder.size() - 1] == L'\\' || path[folder.size()] == L'\\';
}

int row_by_image_name(const std::wstring& file_name) {
  if (starts_with_ignoring_case(file_name, L"kestil")) return 1;
  // "mlr" begins the file names of the previous maker's executables.
  for (const wchar_t* prefix : {L"orvane", L"krv", L"mlr"})
    if (starts_with_ignoring_case(file_name, prefix)) return 0;
  return -1;
}

std::wstring object_name(const std::wstring& name, const std::wstring& object_prefix, size_t buffer_chars) {
  std::wstring lead;
  std::wstring rest = name;
  if (name.compare(0, 4, L"\\\\.\\") == 0 || name.compare(0, 4, L"\\\\?\\") == 0) {
    lead = name.substr(0, 4);
    rest = name.substr(4);
  }
  if (starts_with_ignoring_case(rest, L"krv")) {
    rest = object_prefix + rest.substr(3);
  } else if (object_prefix != L"krv") {
    rest = object_prefix + rest;
  }
  if (buffer_chars == 0 || buffer_chars - 1 <= lead.size()) return std::wstring();
  std::wstring result = lead + rest;
  if (result.size() > buffer_chars - 1) result.resize(buffer_chars - 1);
  return result;
}

}  // namespace krv::os
