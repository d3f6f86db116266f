#include "log/log_random.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>

namespace krv::log {

namespace {

uint32_t default_random() {
  static std::mutex lock;
  static std::mt19937_64 engine = [] {
    // The clock and an address join the device's value, so that two
    // processes started at the same moment differ even where the device is
    // weak.
    std::random_device device;
    uint64_t seed = (static_cast<uint64_t>(device()) << 32) ^ device();
    seed ^= static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    seed ^= reinterpret_cast<uintptr_t>(&lock);
    return std::mt19937_64(seed);
  }();
  std::lock_guard<std::mutex> guard(lock);
  return static_cast<uint32_t>(engine() >> 32);
}

std::atomic<uint32_t (*)()> g_source{&default_random};

}  // namespace

uint32_t log_random() { return g_source.load()(); }

ScopedLogRandom::ScopedLogRandom(uint32_t (*source)()) : previous_(g_source.exchange(source)) {}

ScopedLogRandom::~ScopedLogRandom() { g_source.store(previous_); }

std::string random_uuid() {
  uint8_t bytes[16];
  for (int i = 0; i < 16; i += 4) {
    uint32_t value = log_random();
    for (int k = 0; k < 4; ++k) bytes[i + k] = static_cast<uint8_t>(value >> (8 * k));
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
