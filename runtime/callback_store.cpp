#include "runtime/callback_store.h"

#include <new>
#include <vector>

#include "runtime/lifetime_object.h"
#include "runtime/module_image.h"

namespace krv::storage {

callback_store::~callback_store() { run_all(); }

callback_cookie_wrapper callback_store::add(const callback_data& callback) {
  std::lock_guard<std::mutex> guard(lock_);
  callbacks_.emplace(++last_cookie_, callback);
  return callback_cookie_wrapper(last_cookie_);
}

bool callback_store::remove(callback_cookie_wrapper cookie) noexcept {
  std::lock_guard<std::mutex> guard(lock_);
  return callbacks_.erase(cookie.value()) != 0;
}

size_t callback_store::run_all() noexcept {
  std::vector<callback_data> taken;
  {
    std::lock_guard<std::mutex> guard(lock_);
    try {
      taken.reserve(callbacks_.size());
    } catch (const std::bad_alloc&) {
      callbacks_.clear();
      return 0;
    }
    for (auto it = callbacks_.rbegin(); it != callbacks_.rend(); ++it) {
      taken.push_back(it->second);
    }
    callbacks_.clear();
  }
  size_t failed = 0;
  for (const callback_data& callback : taken) {
    try {
      // Keeps the callback's module loaded for the call; raises when the
      // module was unloaded before the store ran.
      mi::module_reference module(reinterpret_cast<const void*>(callback.function));
      callback.function(callback.user_data, callback.first, callback.second);
    } catch (...) {
      ++failed;
    }
  }
  return failed;
}

callback_cookie_holder::~callback_cookie_holder() {
  if (auto store = store_.lock()) {
    store->remove(cookie_);
  }
}

void callback_cookie_holder::release() noexcept { delete this; }

namespace detail {
namespace {
lifetime::lifetime_object<callback_store> g_on_exit_callback_store{
    lifetime::priority::runtime_singletons};
}  // namespace

std::shared_ptr<callback_store> on_exit_callback_store() noexcept {
  try {
    return g_on_exit_callback_store.get();
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace detail

callback_cookie_holder* register_exit_callback(exit_callback function, void* user_data,
                                               uint32_t first, uint32_t second) noexcept {
  std::shared_ptr<callback_store> store;
  callback_cookie_wrapper cookie;
  try {
    if (function != nullptr && (store = detail::on_exit_callback_store())) {
      cookie = store->add(callback_data{function, user_data, first, second});
    }
    return new callback_cookie_holder(store, cookie);
  } catch (const std::bad_alloc&) {
    if (store) {
      store->remove(cookie);
    }
    return nullptr;
  }
}

}  // namespace krv::storage
