#include "runtime/random_source.h"

#include <atomic>
#include <mutex>
#include <random>

namespace krv::os {
namespace {

std::mutex g_engine_lock;
std::mt19937_64 g_engine;

uint64_t default_source() {
  std::lock_guard<std::mutex> guard(g_engine_lock);
  return g_engine();
}

std::atomic<uint64_t (*)()> g_source{&default_source};

}  // namespace

uint64_t random64() noexcept { return g_source.load()(); }

void seed_random(uint64_t seed) noexcept {
  std::lock_guard<std::mutex> guard(g_engine_lock);
  g_engine.seed(seed);
}

scoped_random_source::scoped_random_source(uint64_t (*source)()) noexcept : previous_(g_source.exchange(source)) {}

scoped_random_source::~scoped_random_source() { g_source.store(previous_); }

}  // namespace krv::os
