#pragma once
// Detection of a brand from the process's and modules' images (Windows
// only): by the registered installation that holds an image, by a module's
// version resource and by an image's file name.

#include <string>
#include <vector>

#include "product/brand.h"

namespace krv::branding {

// The candidate (from InstallationCandidates) whose registered installation
// holds the image at `image_path`: its "ProgramFolder" (read in the 32-bit
// registry view below its subkey) begins the long form of the path,
// ignoring case, up to a backslash (so "C:\Orv" does not hold
// "C:\Orvane\x.exe"), and it has a "DataFolder". The record carries both folders.
// Several matches: the Antivirus ones are kept when the products differ;
// then the version resource of the module loaded from the path decides the
// brand, and the first remaining match of it is returned. Several matches of
// different products, none Antivirus, or no decision: a record of brand
// Invalid, as when nothing matches.
BrandInfo MatchBrandByImagePath(const std::wstring& image_path, const std::vector<BrandInfo>& candidates);

// The brand named by the version resource of the loaded module `module`
// (an HMODULE), read from its image in memory; Invalid when none names one.
// Raises krv::exceptions::error "hModule is invalid" for a null module,
// "There is no resource section in module" when the image lists no resource
// directory, "Resource section is empty" when that directory is empty.
Brand GetBrandFromModuleResource(const void* module);

// The brand of the file name of `image_path` by `table`; logs the path and
// the name. Raises krv::exceptions::error "Could not extract image name from
// image path" when the path has no separator before the name.
Brand GetBrandFromImagePrefix(const std::wstring& image_path, const std::vector<BrandPrefix>& table);

// The full path of the process's executable and of the module holding this
// code; empty when unknown.
std::wstring ProcessImagePath();
std::wstring ThisModuleImagePath();

}  // namespace krv::branding
