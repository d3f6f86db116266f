#include "sfxarc/signature/dsa_key_table.h"

#include "sfxarc/signature/dsa_key_table_data.h"

namespace krv::signature {

const DsaPublicKey& BuiltinDsaKey(int key_number) {
  if (key_number < 2 || key_number > kBuiltinDsaKeyCount) key_number = 1;
  return internal::kBuiltinDsaKeys[key_number - 1];
}

}  // namespace krv::signature
