#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>
#include <typeinfo>

#include "product/process_local_storage.h"
#include "runtime/exceptions.h"

namespace krv::branding {
namespace {

// The window class whose window-procedure field holds the storage's address.
// No window of the class is ever created.
constexpr wchar_t kPublishingClass[] = L"{9C7565A2-47C2-4869-B388-8C7F9AD8E577}";

constexpr size_t kNameChars = 64;

// The storage's layout is plain C and its memory comes from the process
// heap, so modules built apart from each other (each with its own C++
// runtime) share it safely.
struct Entry {
  Entry* next;
  char name[kNameChars];
  char type[kNameChars];
  uint64_t value;
};

struct SharedStorage {
  CRITICAL_SECTION lock;
  Entry* head;  // ordered by name
};

// This module's copy of the storage's address.
std::atomic<SharedStorage*> g_storage{nullptr};

class Locked {
 public:
  explicit Locked(SharedStorage* s) : s_(s) { EnterCriticalSection(&s_->lock); }
  ~Locked() { LeaveCriticalSection(&s_->lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SharedStorage* s_;
};

SharedStorage* Remember(SharedStorage* found) {
  SharedStorage* expected = nullptr;
  // An address remembered earlier is kept.
  return g_storage.compare_exchange_strong(expected, found) ? found : expected;
}

SharedStorage* Published(HINSTANCE main_module) {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  if (!GetClassInfoExW(main_module, kPublishingClass, &info)) return nullptr;
  return Remember(reinterpret_cast<SharedStorage*>(info.lpfnWndProc));
}

SharedStorage* Storage() {
  if (SharedStorage* known = g_storage.load()) return known;
  HINSTANCE main_module = GetModuleHandleW(nullptr);
  for (;;) {
    if (SharedStorage* found = Published(main_module)) return found;
    if (GetLastError() != ERROR_CLASS_DOES_NOT_EXIST)
      throw exceptions::error(static_cast<int32_t>(GetLastError()), "Cannot find the process-local storage");
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(SharedStorage));
    if (memory == nullptr) throw std::bad_alloc();
    auto* fresh = static_cast<SharedStorage*>(memory);
    InitializeCriticalSection(&fresh->lock);
    WNDCLASSEXW publishing = {};
    publishing.cbSize = sizeof(publishing);
    publishing.lpfnWndProc = reinterpret_cast<WNDPROC>(fresh);
    publishing.hInstance = main_module;
    publishing.lpszClassName = kPublishingClass;
    if (RegisterClassExW(&publishing) != 0) continue;
    const DWORD error = GetLastError();
    DeleteCriticalSection(&fresh->lock);
    HeapFree(GetProcessHeap(), 0, fresh);
    // Another module registered first: take its storage.
    if (error != ERROR_CLASS_ALREADY_EXISTS)
      throw exceptions::error(static_cast<int32_t>(error), "Cannot publish the process-local storage");
  }
}

void CheckLength(const char* text) {
  if (std::strlen(text) >= kNameChars) throw exceptions::error(ERROR_INVALID_PARAMETER);
}

}  // namespace

namespace pls_detail {

bool Get(const std::string& name, const char* type, uint64_t* value) {
  CheckLength(name.c_str());
  SharedStorage* s = Storage();
  Locked guard(s);
  for (Entry* e = s->head; e != nullptr; e = e->next) {
    if (std::strcmp(e->name, name.c_str()) != 0) continue;
    if (std::strcmp(e->type, type) != 0) throw std::bad_cast();
    *value = e->value;
    return true;
  }
  return false;
}

void Set(const std::string& name, const char* type, uint64_t value) {
  CheckLength(name.c_str());
  CheckLength(type);
  SharedStorage* s = Storage();
  Locked guard(s);
  Entry** link = &s->head;
  while (*link != nullptr && std::strcmp((*link)->name, name.c_str()) < 0) link = &(*link)->next;
  Entry* e = *link;
  if (e == nullptr || std::strcmp(e->name, name.c_str()) != 0) {
    e = static_cast<Entry*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Entry)));
    if (e == nullptr) throw std::bad_alloc();
    std::strcpy(e->name, name.c_str());
    e->next = *link;
    *link = e;
  }
  std::strcpy(e->type, type);
  e->value = value;
}

}  // namespace pls_detail

const wchar_t* PlsStringCopy(const std::optional<std::wstring>& text) {
  if (!text) return nullptr;
  const size_t bytes = (text->size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, bytes));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, text->c_str(), bytes);
  return copy;
}

}  // namespace krv::branding
