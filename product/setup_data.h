#pragma once
// SetupData: the installed product's setup state as its installer/updater
// keeps it in "setup.ini" in the setup folder. This program only reads it.
// The values' rules are platform-neutral; reading the file and the persisted
// GUID is Windows code.

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "product/settings_file.h"
#include "runtime/nocase.h"

namespace krv::product {

// One part of the product: "<text>,<version>,<time>".
struct PartInfo {
  std::wstring text;
  uint32_t version = 0;
  int64_t time = 0;
};

// The version and time of one state of a product's part.
struct PartVersion {
  int32_t version = 0;
  int64_t time = 0;
};

// A product's part in its three states, from "products.<P>.<Q>.current",
// ".latest" and ".groups".
struct ProductPart {
  PartVersion current, latest, groups;
};

using PartMap = std::map<std::wstring, PartInfo, nocase::less>;
using NameSet = std::set<std::wstring, nocase::less>;

class SetupData {
 public:
  // A reset state (see Reset) with no folder.
  SetupData();

  // Remembers `setup_folder` and its "setup.ini", and clears the
  // alternative-loader flag.
  void SetUp(const std::wstring& setup_folder);

  // Clears every value (not the folder); Edition and NewEdition become -1,
  // NewDirectoryName "New"; GUID is a fresh random version-4 GUID (runtime/random_source.h)
  // made at `now` (seconds since 1970), which is also GuidCreated. The
  // persisted GUID and its time become the fresh ones (the Windows load
  // reads the stored ones, see ResetSetupData).
  void Reset(int64_t now);

  // Takes the values of a read setup file: [Common] (a missing key keeps the
  // default; Edition defaults to 1), [DelayedInstallation] when present, the
  // current and latest parts, the groups and the per-product sections.
  void Apply(SettingsFile& file);

  // Reads the setup file and applies it. False, with no value changed and
  // the system's error as last error, when it cannot be read. Windows code.
  bool Load();

  // The current part `name`; false when there is none.
  bool FindCurrentPart(const std::wstring& name, PartInfo* out) const;

  std::wstring folder;
  std::wstring file_path;
  // Selects the product's other loader (its component list); never set here.
  bool alternative_loader = false;

  std::wstring GUID;
  int64_t GuidCreated = 0;
  std::wstring persisted_guid;
  int64_t persisted_guid_time = 0;
  int32_t Edition = -1;
  int32_t NewEdition = -1;
  std::wstring SubEdition, NewSubEdition, ProductId, BuildId, Cookie;
  bool Debug = false;
  std::wstring NewDirectoryName;
  std::wstring Psh, Gclid, GaCid;
  bool delayed_installation_needed = false;
  NameSet delayed_components;
  PartMap current_parts;
  PartMap latest_parts;
  // [product.groups]: group name to its text.
  std::map<std::wstring, std::wstring, nocase::less> product_groups;
  // Product name to its parts, from [products] and "products.<P>".
  std::map<std::wstring, std::map<std::wstring, ProductPart, nocase::less>, nocase::less> products;
};

// A fresh random GUID from two values of the runtime's random source, laid
// out as RFC 4122 version 4 and written in lower-case hexadecimal,
// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::wstring MakeRandomGuid();

// ResetSetupData: Reset(now), then the persisted GUID from the value "GUID"
// (with "GuidCreated", decimal, 0 when missing) of the key
// GetPersistentStorageName below HKEY_CLASSES_ROOT in the 32-bit view, when
// it exists and is not empty. Windows code.
void ResetSetupData(SetupData* data);

}  // namespace krv::product
