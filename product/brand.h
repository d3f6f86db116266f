#pragma once
// Brand identification: the brands and products, the brand table's record of
// each brand, and the process's brand. The brand decides names, registry
// keys and folders of everything the stub reads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace krv::branding {

enum class Brand : uint32_t { Invalid = 0, Orvane = 1, Kestil = 2, Hollo = 3 };

// The product of an installation; None in a record made from the brand table
// alone. Value 1 is not used.
enum class Product : uint32_t {
  Antivirus = 0,
  Tarnline = 2,
  Velbrowser = 3,
  Sweepo = 4,
  Mendall = 5,
  None = 6,
  HolloProVpn = 7,
};

// The slots of the process-local storage that hold brand records.
enum class BrandingPlsName : uint32_t { pkgrun = 0, browserSweepo = 1, tarnline = 2, Velbrowser = 3, sweepo = 4 };

// A brand's record: the installation it was found in (when found) and the
// brand's names. Name fields point at constant text and are null for the
// Invalid brand (and the 16 further names for Hollo).
struct BrandInfo {
  Brand brand = Brand::Invalid;
  Product product = Product::None;
  // The installation's key below HKEY_LOCAL_MACHINE and its folders.
  std::optional<std::wstring> subkey;
  std::optional<std::wstring> program_folder;
  std::optional<std::wstring> data_folder;

  const wchar_t* object_prefix = nullptr;  // lower-case prefix of files and named objects
  const wchar_t* short_name = nullptr;     // lower-case short brand name
  const wchar_t* product_key_name = nullptr;
  const wchar_t* product_display_name = nullptr;
  const wchar_t* company_key_name = nullptr;
  const wchar_t* brand_name = nullptr;
  const wchar_t* company_name = nullptr;
  const wchar_t* antivirus_name_old = nullptr;
  const wchar_t* antivirus_name = nullptr;
  const wchar_t* service_image = nullptr;
  const wchar_t* firewall_name = nullptr;
  const wchar_t* firewall_service_name = nullptr;
  const wchar_t* firewall_image = nullptr;
  const wchar_t* firewall_service_description = nullptr;
  const wchar_t* console_short_id = nullptr;
  const wchar_t* console_name = nullptr;
  const wchar_t* console_display_name = nullptr;
  const wchar_t* console_image = nullptr;
  const wchar_t* console_av_service_name = nullptr;
  const wchar_t* console_av_service_display_name = nullptr;
  const wchar_t* console_av_service_description = nullptr;
  const wchar_t* console_av_service_image = nullptr;
  const wchar_t* ui_image = nullptr;
  uint32_t brand_flags = 0;  // 16 Orvane, 128 Kestil, 256 Hollo

  // The installation's members. Raise krv::exceptions::error "Registry
  // subkey member is empty.", "Program folder member is empty." or "Data
  // folder member is empty." when absent.
  const std::wstring& Subkey() const;
  const std::wstring& ProgramFolder() const;
  const std::wstring& DataFolder() const;
};

// The brand table's record for brand number `brand` (0 to 3), with product
// None and no installation. Raises krv::exceptions::fatal "Not even invalid
// brand. Wtf?" for any other number.
BrandInfo MakeBrandRecord(uint32_t brand);

// The storage key of a slot, "krv::branding::pkgrun" for slot 0. Raises
// krv::exceptions::error "Could not translate BrandingPlsName enum into
// string: %d" for a value outside the enumeration.
std::string PlsSlotKey(BrandingPlsName slot);

// The eleven installations detection tries, in order: each the brand
// table's record with its product and its key "SOFTWARE\<company>\<product>".
std::vector<BrandInfo> InstallationCandidates();

// A brand chosen by the start of an image file name.
struct BrandPrefix {
  const wchar_t* prefix;
  Brand brand;
};

// The prefix table of GetBrand's fallback: "krv" is Orvane, "kestil" Kestil.
const std::vector<BrandPrefix>& ImagePrefixTable();

// The brand of the first row whose prefix begins `image_name`, compared
// exactly (letter case counts); Invalid when no row matches.
Brand BrandFromImageName(const std::wstring& image_name, const std::vector<BrandPrefix>& table);

// Windows code below: the process-local storage, the registry and the
// process's images.

// The record of `slot`: the one stored, unless its brand is Invalid; else one
// detected from the registered installations that hold the process's image,
// then from this module's version resource, then from this module's path.
// A record detected from the process's image is stored in the slot. Raises
// krv::exceptions::error "Cannot retrieve BrandInfo data from registry for
// PLS key: %s" when nothing gives a brand.
BrandInfo GetBrandInfo(BrandingPlsName slot);

// Stores the brand table's record for `brand` (product None, no
// installation) in slot 0. Does not change what GetBrand has cached.
void SetBrand(Brand brand);

// The process's brand: the first answer, cached for the process; from
// GetBrandInfo of slot 0, else from the prefix of the process's image name
// (then stored in slot 0), this module's version resource or this module's
// image name. Raises krv::exceptions::error "Unable to recognize brand of the
// current process/module" when none gives one.
Brand GetBrand();

}  // namespace krv::branding
