// CreateTempWorkspace under Wine: the base folder chosen from TEMP, TMP and
// "C:\TEMP", the name, and the rule that only a folder this call created is
// handed out.
#include "handoff/temp_workspace.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <cwchar>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <vector>

#include "tests/handoff/recording_log.h"
#include "tests/handoff/scratch.h"

namespace krv::handoff {
namespace {

using testing::Exists;
using testing::RemoveTree;
using testing::ScopedEnvironment;
using testing::ScratchFolder;
using testing::WriteTextFile;

// The name the calling thread gets with `letter`.
std::wstring NameFor(wchar_t letter) {
  wchar_t name[32];
  std::swprintf(name, std::size(name), L"_ov_pkr.tm~%lc%05lu", static_cast<wint_t>(letter),
                static_cast<unsigned long>(GetCurrentThreadId() % 100000));
  return name;
}

bool IsEmptyFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  WIN32_FIND_DATAW data;
  const HANDLE first = FindFirstFileW((path + L"\\*").c_str(), &data);
  int entries = 0;
  if (first != INVALID_HANDLE_VALUE) {
    const std::unique_ptr<void, decltype(&FindClose)> find(first, &FindClose);
    do ++entries;
    while (FindNextFileW(find.get(), &data));
  }
  return entries == 2;  // "." and ".."
}

// A SID as text ("S-1-5-18"); empty when it cannot be converted.
std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  std::wstring result(text);
  LocalFree(text);
  return result;
}

// The user of this process's token, as text.
std::wstring ProcessUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::vector<unsigned char> buffer(256);
  DWORD size = 0;
  const bool read =
      GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size) != 0;
  CloseHandle(token);
  return read ? SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid) : std::wstring();
}

// One entry of a folder's access list.
struct AccessEntry {
  BYTE type;
  BYTE flags;
  ACCESS_MASK mask;
  std::wstring sid;
};

// The access list of `path` as the system reports it; `*is_protected` tells
// whether it is protected from inheritance. Nullopt when it cannot be read.
std::optional<std::vector<AccessEntry>> AccessListOf(const std::wstring& path, bool* is_protected) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &descriptor) != ERROR_SUCCESS)
    return std::nullopt;
  const std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!GetSecurityDescriptorControl(descriptor, &control, &revision) || dacl == nullptr) return std::nullopt;
  *is_protected = (control & SE_DACL_PROTECTED) != 0;
  std::vector<AccessEntry> entries;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return std::nullopt;
    const auto* header = static_cast<ACE_HEADER*>(ace);
    AccessEntry entry{header->AceType, header->AceFlags, 0, {}};
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      entry.mask = allowed->Mask;
      entry.sid = SidText(&allowed->SidStart);
    }
    entries.push_back(entry);
  }
  return entries;
}

class WorkspaceTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
  testing::RecordingLog log_;
  ScopedEnvironment temp_{L"TEMP", scratch_.path()};
  ScopedEnvironment tmp_{L"TMP", std::nullopt};
};

TEST_F(WorkspaceTest, FirstNameIsLetterAAndFiveDigitsOfTheThreadId) {
  const std::wstring workspace = CreateTempWorkspace();
  EXPECT_EQ(workspace, scratch_ / NameFor(L'a'));
  EXPECT_TRUE(IsEmptyFolder(workspace));
}

// TEMP may be a folder others can write to (a shared one, for a scheduled run
// as SYSTEM): the workspace itself admits only the current user and SYSTEM,
// and what is made inside inherits that.
TEST_F(WorkspaceTest, OnlyTheUserAndSystemHaveAccess) {
  const std::wstring user = ProcessUserSid();
  ASSERT_FALSE(user.empty());
  const std::wstring workspace = CreateTempWorkspace();
  ASSERT_FALSE(workspace.empty());
  bool is_protected = false;
  const std::optional<std::vector<AccessEntry>> entries = AccessListOf(workspace, &is_protected);
  ASSERT_TRUE(entries.has_value());
  // Wine 8 keeps no SE_DACL_PROTECTED flag on files (it reports the
  // control 0x8004 for any descriptor); there the entries below show it.
  if (!testing::RunsUnderWine()) {
    EXPECT_TRUE(is_protected) << "entries of the shared base folder would flow in";
  }
  std::set<std::wstring> sids;
  for (const AccessEntry& entry : *entries) {
    SCOPED_TRACE(std::string(entry.sid.begin(), entry.sid.end()));
    EXPECT_EQ(entry.type, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(entry.flags & INHERITED_ACE, 0);
    EXPECT_EQ(entry.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE), OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(entry.mask & FILE_ALL_ACCESS, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
    sids.insert(entry.sid);
  }
  EXPECT_EQ(sids, (std::set<std::wstring>{user, L"S-1-5-18"}));
}

TEST_F(WorkspaceTest, EachCallMakesAFolderOfItsOwn) {
  EXPECT_EQ(CreateTempWorkspace(), scratch_ / NameFor(L'a'));
  EXPECT_EQ(CreateTempWorkspace(), scratch_ / NameFor(L'b'));
}

TEST_F(WorkspaceTest, TempEndingWithBackslashGetsNoSecondOne) {
  ScopedEnvironment temp(L"TEMP", scratch_.path() + L"\\");
  EXPECT_EQ(CreateTempWorkspace(), scratch_ / NameFor(L'a'));
}

// Someone else's folder (maybe with files planted in it) or file of the
// chosen name is passed over, and left as it was.
TEST_F(WorkspaceTest, NameTakenByAnotherFolderOrFileGoesToTheNextLetter) {
  ASSERT_TRUE(CreateDirectoryW((scratch_ / NameFor(L'a')).c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(scratch_ / (NameFor(L'a') + L"\\planted.exe"), "x"));
  ASSERT_TRUE(WriteTextFile(scratch_ / NameFor(L'b'), "a file"));

  const std::wstring workspace = CreateTempWorkspace();
  EXPECT_EQ(workspace, scratch_ / NameFor(L'c'));
  EXPECT_TRUE(IsEmptyFolder(workspace));
  EXPECT_TRUE(Exists(scratch_ / (NameFor(L'a') + L"\\planted.exe")));
}

TEST_F(WorkspaceTest, AllTwentySixNamesTakenGivesAnEmptyPath) {
  for (wchar_t letter = L'a'; letter <= L'z'; ++letter)
    ASSERT_TRUE(CreateDirectoryW((scratch_ / NameFor(letter)).c_str(), nullptr));
  EXPECT_EQ(CreateTempWorkspace(), L"");
}

// The folder cannot be made for another reason than its name being taken:
// here TEMP names a file, so the path below it does not exist.
TEST_F(WorkspaceTest, FolderThatCannotBeCreatedGivesAnEmptyPath) {
  ASSERT_TRUE(WriteTextFile(scratch_ / L"not-a-folder", "x"));
  ScopedEnvironment temp(L"TEMP", scratch_ / L"not-a-folder");
  EXPECT_EQ(CreateTempWorkspace(), L"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(WorkspaceTest, TmpIsUsedOnlyWhenTempIsAbsent) {
  ScratchFolder tmp_folder;
  ScopedEnvironment temp(L"TEMP", std::nullopt);
  ScopedEnvironment tmp(L"TMP", tmp_folder.path());
  EXPECT_EQ(CreateTempWorkspace(), tmp_folder / NameFor(L'a'));
}

// Every case that ends in "C:\TEMP", with TMP valid each time: it is not a
// fallback for a TEMP that is present but unusable.
TEST_F(WorkspaceTest, UnusableOrAbsentBaseFallsBackToCTemp) {
  ScratchFolder tmp_folder;
  ScopedEnvironment tmp(L"TMP", tmp_folder.path());
  const std::wstring too_long = L"C:\\" + std::wstring(600, L'x');
  struct Case {
    const char* what;
    std::optional<std::wstring> temp;
    std::optional<std::wstring> tmp;
  } cases[] = {
      {"TEMP and TMP absent", std::nullopt, std::nullopt},
      {"TEMP names a missing folder", scratch_ / L"missing", tmp_folder.path()},
      {"TEMP longer than 520 characters", too_long, tmp_folder.path()},
  };
  const std::wregex in_c_temp(LR"(C:\\TEMP\\_ov_pkr\.tm~[a-z][0-9]{5})");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedEnvironment temp(L"TEMP", c.temp);
    ScopedEnvironment tmp_case(L"TMP", c.tmp);
    const std::wstring workspace = CreateTempWorkspace();
    EXPECT_TRUE(std::regex_match(workspace, in_c_temp)) << std::string(workspace.begin(), workspace.end());
    EXPECT_TRUE(IsEmptyFolder(workspace));
    RemoveDirectoryW(workspace.c_str());
  }
}

// A base folder that exists but whose path leaves fewer than 18 characters
// for the workspace's name.
TEST_F(WorkspaceTest, ExistingBaseTooLongForTheNameFallsBackToCTemp) {
  std::wstring base = scratch_.path();
  while (base.size() < 510) {
    base += L"\\" + std::wstring(50, L'd');
    if (!CreateDirectoryW((L"\\\\?\\" + base).c_str(), nullptr)) GTEST_SKIP() << "no long paths here";
  }
  ScopedEnvironment temp(L"TEMP", base);
  const std::wstring workspace = CreateTempWorkspace();
  EXPECT_EQ(workspace.rfind(L"C:\\TEMP\\_ov_pkr.tm~", 0), 0u);
  EXPECT_LE(workspace.size(), 520u);
  RemoveDirectoryW(workspace.c_str());
}

}  // namespace
}  // namespace krv::handoff
