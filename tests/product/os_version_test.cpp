// Version classes and the service-pack flag for the systems the stub meets.
#include "runtime/os_version.h"

#include <gtest/gtest.h>

namespace krv::os {
namespace {

TEST(OsVersion, ClassAndServicePackFlagTable) {
  struct Case {
    const char* system;
    os_version_data version;
    uint32_t expected_class;
    bool expected_flag;
  };
  const Case cases[] = {
      {"NT 4.0 SP6", {true, 4, 0, 1381, 6}, 10, false},
      {"2000 SP4", {true, 5, 0, 2195, 4}, 11, false},
      {"XP SP1", {true, 5, 1, 2600, 1}, 12, false},
      {"XP SP2", {true, 5, 1, 2600, 2}, 12, true},
      {"Server 2003 RTM", {true, 5, 2, 3790, 0}, 12, false},
      {"Server 2003 SP1", {true, 5, 2, 3790, 1}, 12, true},
      {"NT 5.3 (hypothetical)", {true, 5, 3, 0, 0}, 12, true},
      {"Vista", {true, 6, 0, 6000, 0}, 13, true},
      {"7", {true, 6, 1, 7601, 1}, 14, true},
      {"8", {true, 6, 2, 9200, 0}, 15, true},
      {"8.1", {true, 6, 3, 9600, 0}, 16, true},
      {"10 technical preview (6.4)", {true, 6, 4, 9841, 0}, 17, true},
      {"10 as RtlGetVersion reports it", {true, 10, 0, 19045, 0}, 17, true},
      {"95", {false, 4, 0, 950, 0}, 1, false},
      {"95 last first-edition build", {false, 4, 0, 1110, 0}, 1, false},
      {"95 OSR2", {false, 4, 0, 1111, 0}, 2, false},
      {"95 OSR2, build with the version in the high word", {false, 4, 0, 0x04000457, 0}, 2, false},
      {"98", {false, 4, 10, 1998, 0}, 3, false},
      {"98 SE", {false, 4, 10, 2222, 0}, 4, false},
      {"4.89", {false, 4, 89, 3000, 0}, 4, false},
      {"ME", {false, 4, 90, 3000, 0}, 5, false},
      {"9x major 3", {false, 3, 95, 0, 0}, 0, false},
      {"9x major 5", {false, 5, 0, 0, 0}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    EXPECT_EQ(os_version_class(c.version), c.expected_class);
    EXPECT_EQ(service_pack_level_flag(c.version), c.expected_flag);
  }
}

}  // namespace
}  // namespace krv::os
