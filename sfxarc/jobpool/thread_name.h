#pragma once
// Telling a debugger the name of a thread.

#include <string>

namespace krv::threading {

// Announces `name` as the calling thread's name. Windows: when a debugger is
// attached (by the query below), raises the debugger's thread-naming
// exception 0x406D1388 carrying the name, the thread's id and flags 0, and
// continues past it when the debugger leaves it unhandled; without a
// debugger nothing is raised. POSIX: when the query says yes (it does by
// default, as Linux debuggers read names from the system without a
// handshake), sets the system's thread name, cut to its 15-byte limit.
void announce_thread_name(const std::string& name);

// Whether a debugger is attached: IsDebuggerPresent on Windows, always true
// on POSIX.
using debugger_query = bool (*)();

// Seam for tests: replaces the debugger query for the guard's lifetime and
// restores the one before it on destruction.
class scoped_debugger_query {
 public:
  explicit scoped_debugger_query(debugger_query query);
  ~scoped_debugger_query();
  scoped_debugger_query(const scoped_debugger_query&) = delete;
  scoped_debugger_query& operator=(const scoped_debugger_query&) = delete;

 private:
  debugger_query previous_;
};

namespace impl {

// The platform's side of announce_thread_name: the system's own query and
// the announcement itself (thread_name_win32.cpp, thread_name_posix.cpp).
bool system_debugger_attached();
void tell_debugger_thread_name(const std::string& name);

}  // namespace impl
}  // namespace krv::threading
