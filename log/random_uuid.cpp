#include "log/random_uuid.h"

#include <cstdint>
#include <cstdio>

#include "runtime/random_source.h"

namespace krv::log {

std::string random_uuid() {
  uint8_t bytes[16];
  for (int i = 0; i < 16; i += 8) {
    uint64_t value = os::random64();
    for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<uint8_t>(value >> (8 * k));
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  char text[40];
  std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
  return text;
}

}  // namespace krv::log
