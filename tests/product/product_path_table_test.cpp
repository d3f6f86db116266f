// The product path table's fill under Wine: registry values with their
// checks, the defaults below the data folder and beside the executable.
#include "runtime/product_path_table.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/registry_helpers.h"
#include "tests/product/registry_fixture.h"
#include "tests/product/temp_tree.h"

namespace krv::os {
namespace {

using krv::testing::ScratchKey;
using krv::testing::TempTree;

class PathTable : public ::testing::Test {
 protected:
  void SetUp() override {
    product_paths::shut_down();
    ASSERT_EQ(product_paths::start_up(key_path_), 0u);
  }
  void TearDown() override { product_paths::shut_down(); }

  const std::wstring key_path_ = L"SOFTWARE\\krv-tests\\paths-" + std::to_wstring(GetCurrentProcessId());
  // The default view of the shipped 32-bit process.
  ScratchKey key_{HKEY_LOCAL_MACHINE, key_path_, KEY_WOW64_32KEY};
  TempTree tree_;
};

TEST_F(PathTable, RegistryValuesWithTheirChecks) {
  const std::wstring data = tree_.Folder(L"Data");
  tree_.File(L"Data\\orvane5.ini", "");
  tree_.Folder(L"Journal");
  tree_.Folder(L"Data\\report");
  key_.SetString(L"TempFolder", L"T:\\does not exist\\");
  key_.SetString(L"ProgramFolder", L"P:\\taken unchecked");
  key_.SetString(L"DataFolder", data + L"\\ \t\r\n");
  key_.SetString(L"JournalFolder", tree_.root() + L"\\Journal/");
  key_.SetString(L"LogFolder", L"L:\\missing");
  key_.SetString(L"CertificateFile", L"C:\\certs\\none.pem");
  product_paths::fill({L"orvane", L"orvane5.ini", tree_.root() + L"\\exe"});

  EXPECT_EQ(product_paths::get(path_slot::registry_key), key_path_);
  EXPECT_EQ(product_paths::get(path_slot::temp_folder), L"T:\\does not exist") << "no check, separators trimmed";
  EXPECT_EQ(product_paths::get(path_slot::temp_folder_copy), L"T:\\does not exist");
  EXPECT_EQ(product_paths::program_folder(), L"P:\\taken unchecked");
  EXPECT_EQ(product_paths::get(path_slot::data_folder), data) << "it holds the settings file";
  EXPECT_EQ(product_paths::get(path_slot::settings_file), data + L"\\orvane5.ini");
  EXPECT_EQ(product_paths::get(path_slot::journal_folder), tree_.root() + L"\\Journal");
  EXPECT_EQ(product_paths::get(path_slot::report_folder), data + L"\\report");
  EXPECT_EQ(product_paths::get(path_slot::certificate_file), L"C:\\certs\\none.pem");
  // A missing folder fails its check; the data folder itself exists.
  EXPECT_EQ(product_paths::get(path_slot::log_folder), data);
}

TEST_F(PathTable, DefaultsBesideTheExecutable) {
  const std::wstring exe = tree_.Folder(L"exe");
  SetEnvironmentVariableW(L"TEMP", L"X:\\temp");
  product_paths::fill({L"averyveryverylongname", L"orvane5.ini", exe});
  EXPECT_EQ(product_paths::get(path_slot::temp_folder), L"X:\\temp\\_averyveryveryl") << "cut to 15 characters";
  EXPECT_EQ(product_paths::program_folder(), exe);
  EXPECT_EQ(product_paths::get(path_slot::data_folder), exe + L"\\DATA");
  EXPECT_EQ(product_paths::get(path_slot::settings_file), exe + L"\\DATA\\orvane5.ini");
  EXPECT_EQ(product_paths::get(path_slot::journal_folder), exe + L"\\DATA\\journal");
  EXPECT_EQ(product_paths::get(path_slot::fw_data_folder), exe + L"\\DATA\\fw");
  EXPECT_EQ(product_paths::get(path_slot::certificate_file), L"");
}

TEST_F(PathTable, ProgramFolderRegisteredButNoDataFolderFound) {
  const std::wstring exe = tree_.Folder(L"exe");
  tree_.File(L"exe\\data\\orvane5.ini", "");
  key_.SetString(L"ProgramFolder", L"P:\\Orvane");
  product_paths::fill({L"orvane", L"orvane5.ini", exe});
  EXPECT_EQ(product_paths::program_folder(), L"P:\\Orvane");
  EXPECT_EQ(product_paths::get(path_slot::data_folder), exe + L"\\data") << "the default name beside the executable";
}

TEST_F(PathTable, ClearKeepsTheSlotsAndShutDownFreesThem) {
  product_paths::set(path_slot::program_folder, L"P:\\x");
  product_paths::clear();
  EXPECT_TRUE(product_paths::exists());
  EXPECT_EQ(product_paths::program_folder(), L"");
  product_paths::set(path_slot::program_folder, L"P:\\x");
  product_paths::shut_down();
  EXPECT_FALSE(product_paths::exists());
  EXPECT_EQ(product_paths::program_folder(), L"");
  product_paths::set(path_slot::program_folder, L"P:\\y");
  EXPECT_EQ(product_paths::program_folder(), L"") << "no slot to set";
}

}  // namespace
}  // namespace krv::os
