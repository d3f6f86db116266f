#include "log/describe_exception.h"

#include <cstdio>

#include "runtime/exceptions.h"

namespace krv::log {

namespace {

void describe_into(std::string& out, const std::exception& exception) {
  const auto* base = dynamic_cast<const exceptions::detail::base*>(&exception);
  std::string text = base != nullptr ? base->message() : std::string(exception.what());
  size_t start = out.size();
  if (!text.empty()) out += "Exception: " + text;
  if (base != nullptr && base->code() != exceptions::kNoCode) {
    char code[40];
    std::snprintf(code, sizeof code, "0x%08x (%d)", static_cast<unsigned>(base->code()), base->code());
    out += out.size() > start ? "\nCode: " : "Code: ";
    out += code;
  }
  const auto* nested = dynamic_cast<const std::nested_exception*>(&exception);
  if (nested == nullptr || nested->nested_ptr() == nullptr) return;
  out += "\n";
  try {
    nested->rethrow_nested();
  } catch (const std::exception& inner) {
    describe_into(out, inner);
  } catch (...) {
    out += "Exception: Unknown exception";
  }
}

}  // namespace

std::string describe_exception(const std::exception& exception) noexcept {
  std::string out;
  try {
    describe_into(out, exception);
  } catch (...) {
    // Out of memory: what was built so far stands.
  }
  return out;
}

}  // namespace krv::log
