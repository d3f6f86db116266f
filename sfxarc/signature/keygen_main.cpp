// krv_keygen DIR [NAME]: writes a fresh fourteen-key DSA set as
// DIR/NAME-public.keys and DIR/NAME-private.keys (NAME defaults to "dev").
// Made the development set under keys/.

#include <cstdio>
#include <filesystem>
#include <string>

#include "sfxarc/signature/key_file.h"
#include "sfxarc/signature/key_generation.h"

namespace {

constexpr char kHeader[] =
    "KRV DSA key set: fourteen keys (1-4: 1024/160 bits, 5-14: 2048/256 bits;\n"
    "5, 11, 12, 13 and 14 share one p, q, g). Format: see sfxarc/signature/key_file.h.";

constexpr char kDevWarning[] =
    "\nDEVELOPMENT KEYS: they sign test and demo packages only. The private half is\n"
    "published in the repository; never sign a release with these keys.";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr, "usage: krv_keygen DIR [NAME]\n");
    return argc == 2 ? 0 : 2;
  }
  const std::filesystem::path dir(argv[1]);
  const std::string name = argc == 3 ? argv[2] : "dev";
  krv::signature::DsaKeySet keys;
  if (!krv::signature::GenerateKeySet(&keys)) {
    std::fprintf(stderr, "krv_keygen: key generation failed\n");
    return 1;
  }
  const std::string header = std::string(kHeader) + (name == "dev" ? kDevWarning : "");
  const struct {
    const char* suffix;
    bool include_private;
  } outputs[] = {{"-public.keys", false}, {"-private.keys", true}};
  for (const auto& output : outputs) {
    const std::filesystem::path path = dir / (name + output.suffix);
    const krv::signature::KeyFileStatus status =
        krv::signature::WriteKeyFile(path.wstring(), keys, output.include_private,
                                     header + (output.include_private ? "\nPrivate half: holds x." : "\nPublic half."));
    if (status != krv::signature::KeyFileStatus::kOk) {
      std::fprintf(stderr, "krv_keygen: %s: %s\n", path.string().c_str(),
                   krv::signature::KeyFileStatusText(status));
      return 1;
    }
    std::printf("wrote %s\n", path.string().c_str());
  }
  return 0;
}
