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
    // Windows opens a device, not a file, for these names in any folder, in
    // any case, with any extension and with trailing dots or blanks.
    {L"NUL", false, "the null device"},
    {L"nul", false, "device, lower case"},
    {L"Con", false, "console, mixed case"},
    {L"AUX", false, "auxiliary device"},
    {L"prn", false, "printer"},
    {L"COM1", false, "first serial port"},
    {L"com9.vpx", false, "last serial port, with an extension"},
    {L"COM0", false, "serial port 0"},
    {L"LPT1", false, "first parallel port"},
    {L"lpt9.def", false, "last parallel port, with an extension"},
    {L"COM\u00b9", false, "serial port, superscript one"},
    {L"LPT\u00b3.txt", false, "parallel port, superscript three"},
    {L"CONIN$", false, "console input"},
    {L"conout$.log", false, "console output"},
    {L"NUL.", false, "trailing dot"},
    {L"NUL. .", false, "trailing dots and blanks"},
    {L"CON ", false, "trailing blank"},
    {L"CON .txt", false, "blank before the extension"},
    {L"nul.tar.gz", false, "two extensions"},
    {L"defs\\NUL", false, "device in a subfolder"},
    {L"defs/com1.ini", false, "device in a subfolder, slash"},
    {L"aux\\a.vpx", false, "device as a folder"},
    {L"NULL", true, "longer than a device"},
    {L"CONFIG.def", true, "a device name as a prefix"},
    {L"COM10", true, "no serial port 10"},
    {L"LPT", true, "no digit"},
    {L"nul-1.vpx", true, "device name and more before the extension"},
    {L"a.nul", true, "device name as the extension"},
    {L"defs\\prn-list.ini", true, "device name as a prefix in a subfolder"},
};

TEST(EntryNameCheck, RefusesEveryNameThatCanLeaveTheFolder) {
  for (const NameCase& c : kNames) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsSafeEntryName(c.name), c.safe);
  }
}

}  // namespace
}  // namespace krv::sfxarc
