#include "runtime/last_error.h"

namespace krv::os {
namespace {
thread_local uint32_t t_last_error = 0;
}  // namespace

uint32_t last_error() noexcept { return t_last_error; }

void set_last_error(uint32_t code) noexcept { t_last_error = code; }

}  // namespace krv::os
