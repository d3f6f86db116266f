#pragma once
// The runtime brand row: which of the product's two installations the
// running image belongs to, chosen once at the runtime start. It gives the
// product path table its registry key, short name and settings-file name,
// and the product's kernel objects their name prefix. Independent of the
// main flow's brand (product/brand.h).

#include <string>

namespace krv::os {

// The settings the runtime takes from the chosen row (or its defaults).
struct runtime_brand_settings {
  std::wstring registry_key;   // below HKEY_LOCAL_MACHINE
  std::wstring object_prefix;  // "krv" or "kestil"
  std::wstring short_name;     // "orvane" or "kestil"
  std::wstring settings_file;  // "orvane5.ini" or "settings.ini"
};

// The settings of row 0, the runtime's defaults.
runtime_brand_settings default_runtime_brand();

// Whether `folder` (a row's program folder) holds `path`: it is not empty,
// shorter than the path, equals the path's start ignoring case, and the path
// has a backslash at the folder's last position or right after it.
bool folder_holds_image(const std::wstring& folder, const std::wstring& path);

// The row chosen by an image's file name: 1 for a name beginning with
// "kestil", 0 for "orvane", "krv" or the older "mlr" (ignoring case); -1
// otherwise.
int row_by_image_name(const std::wstring& file_name);

// The settings of row `row` (0 or 1); the defaults for any other value.
runtime_brand_settings runtime_brand_of_row(int row);

// Chooses the row (Windows code): by the registered program folder of each
// row (KEY_READ, default view) holding the process's image (long form), then
// this module's image; then by the file name of the process's image, then of
// this module's. The choice is kept for the process once one is made; no
// choice is tried again on the next call. Returns the chosen row's settings,
// or the defaults.
runtime_brand_settings choose_runtime_brand();

// The name of one of the product's kernel objects under `object_prefix`: a
// name beginning with "krv" (ignoring case) has those letters replaced by the
// prefix; any other name gets the prefix in front, unless the prefix is
// "krv". A leading "\\.\" or "\\?\" stays in front. The result is cut to
// `buffer_chars` - 1 characters, and is empty when that leaves no more than
// the four characters of such a leading part.
std::wstring object_name(const std::wstring& name, const std::wstring& object_prefix, size_t buffer_chars);

}  // namespace krv::os
