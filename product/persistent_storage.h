#pragma once
// The name of the product's persistent storage key, below HKEY_CLASSES_ROOT.

#include <string>

namespace krv::product {

// "KestilPersistentStorage" under the Kestil brand, else "OrvanePersistentStorage".
std::wstring GetPersistentStorageName();

}  // namespace krv::product
