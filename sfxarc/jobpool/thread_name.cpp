#include "sfxarc/jobpool/thread_name.h"

#include <atomic>

namespace krv::threading {
namespace {

std::atomic<debugger_query> g_debugger_query{&impl::system_debugger_attached};

}  // namespace

void announce_thread_name(const std::string& name) {
  if (g_debugger_query.load()()) impl::tell_debugger_thread_name(name);
}

scoped_debugger_query::scoped_debugger_query(debugger_query query) : previous_(g_debugger_query.exchange(query)) {}

scoped_debugger_query::~scoped_debugger_query() { g_debugger_query.store(previous_); }

}  // namespace krv::threading
