#pragma once
// Random UUIDs for the log file's temporary names.

#include <string>

namespace krv::log {

// A version-4 UUID (version nibble 4, variant bits 10) from the runtime's
// random source (krv::os::random64), in lower-case hexadecimal without
// braces: "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string random_uuid();

}  // namespace krv::log
