#include "sfxarc/keep_packed.h"

#include <gtest/gtest.h>

#include "log/utf8_text.h"

namespace krv::sfxarc {
namespace {

TEST(IsKeptPacked, NamesAnywhereAndInExactCase) {
  const struct {
    const wchar_t* name;
    bool kept;
  } rows[] = {
      {L"part-0001.vpx", true},       {L"vps\\part-2.vpx", true},   {L"Part-0001.vpx", false},
      {L"prod-pgm.vpx", true},        {L"prod-vps.vpx", true},      {L"x-uat.vpx", true},
      {L"servers.def", true},         {L"old-config.def", true},    {L"Config.def", false},
      {L"vps_win32-215b.vpx", false}, {L"config.de", false},        {L"", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(krv::log::utf8_from_wide(row.name));
    EXPECT_EQ(IsKeptPacked(row.name), row.kept);
  }
}

}  // namespace
}  // namespace krv::sfxarc
