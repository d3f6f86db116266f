#include "sfxarc/entry_name_check.h"

#include <gtest/gtest.h>

namespace krv::sfxarc {
namespace {

struct NameCase {
  const wchar_t* name;
  bool safe;
  const char* what;
};

constexpr NameCase kNames[] = {
    {L"", true, "no name: nothing is written"},
    {L"vps_win32-215b.vpx", true, "plain name"},
    {L"defs\\krvdefs.ini", true, "below a subfolder"},
    {L"defs/krvdefs.ini", true, "below a subfolder, slash"},
    {L"a..b.vpx", true, "dots inside a component"},
    {L".hidden", true, "one leading dot"},
    {L".\\a.vpx", true, "the folder itself"},
    {L"...vpx", true, "dots and letters"},
    {L"..", false, "the parent"},
    {L"..\\a.vpx", false, "up first"},
    {L"defs\\..\\..\\a.vpx", false, "up later"},
    {L"defs/../a.vpx", false, "up with slashes"},
    {L"defs\\..", false, "up at the end"},
    {L"...\\a.vpx", false, "three dots, trimmed to two by Windows"},
    {L". .\\a.vpx", false, "dots and a blank"},
    {L".. \\a.vpx", false, "a trailing blank"},
    {L"\\Windows\\a.dll", false, "rooted"},
    {L"/etc/passwd", false, "absolute POSIX path"},
    {L"\\\\server\\share\\a.vpx", false, "UNC"},
    {L"\\\\?\\C:\\a.vpx", false, "extended-length prefix"},
    {L"\\\\.\\PhysicalDrive0", false, "device prefix"},
    {L"C:\\Windows\\a.dll", false, "drive and root"},
    {L"C:a.dll", false, "drive-relative"},
    {L"a.vpx:stream", false, "alternate data stream"},
    {L"CON:", false, "device with colon"},
};

TEST(EntryNameCheck, RefusesEveryNameThatCanLeaveTheFolder) {
  for (const NameCase& c : kNames) EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.what;
}

}  // namespace
}  // namespace krv::sfxarc
