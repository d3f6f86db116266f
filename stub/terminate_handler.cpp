// The handler std::terminate calls in the stub. The C++ library's default one
// writes the pending exception's demangled type name to stderr, which a GUI
// program has not got, and brings a demangler of some 46 KB into the file.
// Defined among the program's own objects, it keeps the library's one out of
// the link. The main flow catches every exception at its edge, so this runs
// only when one leaves a worker thread or a noexcept function.
#include <cxxabi.h>

#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
