#pragma once
// The text that describes an exception in a log record.

#include <exception>
#include <string>

namespace krv::log {

// "Exception: <message>" when the exception has a message of its own (for a
// krv::exceptions error or fatal its formatted message, for others what());
// then, for a krv::exceptions error or fatal with a code, "Code: 0x%08x (%d)"
// on a line of its own when text precedes it; then, for each nested
// exception, "\n" and its description. Never throws.
std::string describe_exception(const std::exception& exception) noexcept;

}  // namespace krv::log
