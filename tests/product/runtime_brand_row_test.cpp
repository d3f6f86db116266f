// The rules of the runtime brand row and of the product's object names.
#include "runtime/runtime_brand_row.h"

#include <gtest/gtest.h>

namespace krv::os {
namespace {

TEST(RuntimeBrandRow, RowsAndDefaults) {
  const runtime_brand_settings orvane = runtime_brand_of_row(0);
  EXPECT_EQ(orvane.registry_key, L"Software\\ORVANE Software\\Orvane");
  EXPECT_EQ(orvane.object_prefix, L"krv");
  EXPECT_EQ(orvane.short_name, L"orvane");
  EXPECT_EQ(orvane.settings_file, L"orvane5.ini");
  const runtime_brand_settings kestil = runtime_brand_of_row(1);
  EXPECT_EQ(kestil.registry_key, L"Software\\KESTIL\\Antivirus");
  EXPECT_EQ(kestil.object_prefix, L"kestil");
  EXPECT_EQ(kestil.settings_file, L"settings.ini");
  EXPECT_EQ(default_runtime_brand().registry_key, orvane.registry_key);
}

TEST(RuntimeBrandRow, FolderHoldsImage) {
  struct Case {
    const wchar_t* folder;
    const wchar_t* path;
    bool holds;
  };
  const Case cases[] = {
      {L"C:\\Program Files\\Orvane", L"C:\\Program Files\\Orvane\\krvui.exe", true},
      {L"C:\\Program Files\\Orvane\\", L"C:\\Program Files\\Orvane\\krvui.exe", true},
      {L"c:\\program files\\ORVANE", L"C:\\Program Files\\Orvane\\setup\\pkgrun.exe", true},
      {L"C:\\Program Files\\Orv", L"C:\\Program Files\\Orvane\\krvui.exe", false},
      {L"C:\\Program Files\\Orvane", L"C:\\Program Files\\Orvane", false},
      {L"", L"C:\\x.exe", false},
      {L"D:\\Orvane", L"C:\\Orvane\\x.exe", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.folder << " | " << c.path);
    EXPECT_EQ(folder_holds_image(c.folder, c.path), c.holds);
  }
}

TEST(RuntimeBrandRow, RowByImageName) {
  EXPECT_EQ(row_by_image_name(L"KestilUI.exe"), 1);
  EXPECT_EQ(row_by_image_name(L"orvane_update.exe"), 0);
  EXPECT_EQ(row_by_image_name(L"KRVsfx.exe"), 0);
  EXPECT_EQ(row_by_image_name(L"MLRscan.exe"), 0);
  EXPECT_EQ(row_by_image_name(L"sfxstub.exe"), -1);
}

TEST(ObjectName, PrefixRules) {
  struct Case {
    const wchar_t* name;
    const wchar_t* prefix;
    size_t buffer;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"krvSP", L"krv", 64, L"krvSP"},
      {L"krvSP", L"kestil", 64, L"kestilSP"},
      {L"KRVSP", L"kestil", 64, L"kestilSP"},
      {L"Mutex", L"kestil", 64, L"kestilMutex"},
      {L"Mutex", L"krv", 64, L"Mutex"},
      {L"\\\\.\\krvSP", L"kestil", 64, L"\\\\.\\kestilSP"},
      {L"\\\\?\\Mutex", L"kestil", 64, L"\\\\?\\kestilMutex"},
      {L"krvSP", L"kestil", 5, L"kest"},
      {L"\\\\.\\krvSP", L"kestil", 5, L""},
      {L"\\\\.\\krvSP", L"kestil", 6, L"\\\\.\\k"},
      {L"krvSP", L"kestil", 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.name << " " << c.prefix << " " << c.buffer);
    EXPECT_EQ(object_name(c.name, c.prefix, c.buffer), c.expected);
  }
}

}  // namespace
}  // namespace krv::os
