#include "sfxarc/write_whole_file.h"

#include "sfxarc/output_file.h"
#include "sfxarc/u_file.h"

namespace krv::sfxarc {

uint32_t WriteWholeFile(const std::wstring& path, const uint8_t* bytes, uint32_t n) {
  CUFile file;
  if (!file.OpenWrite(path)) return kCannotWriteOutput;
  const bool written = n == 0 || file.Write(bytes, n, nullptr);
  file.Close();
  if (written) return 0;
  DeleteOutputFile(path);
  return kCannotWriteOutput;
}

}  // namespace krv::sfxarc
