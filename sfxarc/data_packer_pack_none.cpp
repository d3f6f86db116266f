// The packers' Pack for a program that only unpacks (the stub). Linked as
// objects of the program itself, these definitions come before the archive
// that holds the real ones, so the linker never takes zlib's deflate or the
// LZMA encoder into such a program.
#include "sfxarc/data_packer_lzma.h"
#include "sfxarc/data_packer_zlib.h"

namespace krv::sfxarc {

int DataPackerZlib::Pack(const uint8_t*, uint32_t, uint8_t*, uint32_t* dst_len) {
  *dst_len = 0;
  return kPackingNotBuiltIn;
}

int DataPackerLzma::Pack(const uint8_t*, uint32_t, uint8_t*, uint32_t* dst_len) {
  *dst_len = 0;
  return kPackingNotBuiltIn;
}

}  // namespace krv::sfxarc
