#include "product/setup_data.h"

#include <cwchar>
#include <vector>

#include "runtime/last_error.h"
#include "runtime/random_source.h"

namespace krv::product {
namespace {

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    fields.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) return fields;
    start = end + 1;
  }
}

// Decimal text as the product writes it; 0 when it is not a number.
uint64_t Decimal(const std::wstring& text) {
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + static_cast<uint64_t>(c - L'0');
  }
  return value;
}

// Every key of `section` whose value has exactly three fields.
PartMap ReadParts(const SettingsSection& section) {
  PartMap parts;
  for (const auto& [name, value] : section.Keys()) {
    const std::vector<std::wstring> fields = Split(value, L',');
    if (fields.size() != 3) continue;
    PartInfo part;
    part.text = fields[0];
    part.version = static_cast<uint32_t>(Decimal(fields[1]));
    part.time = static_cast<int64_t>(Decimal(fields[2]));
    parts[name] = part;
  }
  return parts;
}

PartVersion ReadPartVersion(SettingsSection& section) {
  return {section.GetInt(L"version", 0), section.GetInt64(L"time")};
}

}  // namespace

SetupData::SetupData() { Reset(0); }

void SetupData::SetUp(const std::wstring& setup_folder) {
  folder = setup_folder;
  file_path = setup_folder.empty() || setup_folder.back() == L'\\' ? setup_folder + L"setup.ini"
                                                                   : setup_folder + L"\\setup.ini";
  alternative_loader = false;
}

void SetupData::Reset(int64_t now) {
  Edition = -1;
  NewEdition = -1;
  SubEdition.clear();
  NewSubEdition.clear();
  ProductId.clear();
  BuildId.clear();
  Cookie.clear();
  Debug = false;
  NewDirectoryName = L"New";
  Psh.clear();
  Gclid.clear();
  GaCid.clear();
  delayed_installation_needed = false;
  delayed_components.clear();
  current_parts.clear();
  latest_parts.clear();
  product_groups.clear();
  products.clear();
  GUID = MakeRandomGuid();
  GuidCreated = now;
  persisted_guid = GUID;
  persisted_guid_time = now;
}

void SetupData::Apply(SettingsFile& file) {
  SettingsSection& common = file.Section(L"Common");
  GUID = common.GetString(L"GUID", GUID);
  if (common.Keys().count(L"GuidCreated")) GuidCreated = common.GetInt64(L"GuidCreated");
  Edition = common.GetInt(L"Edition", 1);
  NewEdition = common.GetInt(L"NewEdition", NewEdition);
  SubEdition = common.GetString(L"SubEdition", SubEdition);
  NewSubEdition = common.GetString(L"NewSubEdition", NewSubEdition);
  ProductId = common.GetString(L"ProductId", ProductId);
  BuildId = common.GetString(L"BuildId", BuildId);
  Cookie = common.GetString(L"Cookie", Cookie);
  Debug = common.GetInt(L"Debug", Debug ? 1 : 0) != 0;
  NewDirectoryName = common.GetString(L"NewDirectoryName", NewDirectoryName);
  Psh = common.GetString(L"Psh", Psh);
  Gclid = common.GetString(L"Gclid", Gclid);
  GaCid = common.GetString(L"GaCid", GaCid);

  if (file.Sections().count(L"DelayedInstallation")) {
    SettingsSection& delayed = file.Section(L"DelayedInstallation");
    delayed_installation_needed = delayed.GetInt(L"IsNeeded", 0) != 0;
    const std::wstring components = delayed.GetString(L"DelayedComponents", L"");
    if (!components.empty())
      for (const std::wstring& name : Split(components, L',')) delayed_components.insert(name);
  }

  current_parts = ReadParts(file.Section(L"product.parts.current"));
  latest_parts = ReadParts(file.Section(L"product.parts.latest"));
  for (const auto& [name, value] : file.Section(L"product.groups").Keys()) product_groups[name] = value;
  for (const auto& [product, unused] : file.Section(L"products").Keys()) {
    auto& parts = products[product];
    for (const auto& [part, also_unused] : file.Section(L"products." + product).Keys()) {
      const std::wstring base = L"products." + product + L"." + part;
      ProductPart& p = parts[part];
      p.current = ReadPartVersion(file.Section(base + L".current"));
      p.latest = ReadPartVersion(file.Section(base + L".latest"));
      p.groups = ReadPartVersion(file.Section(base + L".groups"));
    }
  }
  os::set_last_error(0);
}

bool SetupData::FindCurrentPart(const std::wstring& name, PartInfo* out) const {
  const auto it = current_parts.find(name);
  if (it == current_parts.end()) return false;
  *out = it->second;
  return true;
}

std::wstring MakeRandomGuid() {
  uint8_t b[16];
  for (int half = 0; half < 2; ++half) {
    const uint64_t r = os::random64();
    for (int i = 0; i < 8; ++i) b[half * 8 + i] = static_cast<uint8_t>(r >> (8 * i));
  }
  const uint32_t data1 = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
  const uint16_t data2 = static_cast<uint16_t>(b[4] | b[5] << 8);
  const uint16_t data3 = static_cast<uint16_t>(((b[6] | b[7] << 8) & 0x0FFF) | 0x4000);
  b[8] = static_cast<uint8_t>((b[8] & 0x3F) | 0x80);
  wchar_t text[40];
  std::swprintf(text, 40, L"%08lx-%04hx-%04hx-%02hhx%02hhx-%02hhx%02hhx%02hhx%02hhx%02hhx%02hhx",
                static_cast<unsigned long>(data1), data2, data3, b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

}  // namespace krv::product
