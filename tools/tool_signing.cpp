#include "tools/tool_signing.h"

#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/pe_end.h"
#include "tools/commands.h"
#include "tools/tool_files.h"

namespace krv::tools {

using krv::signature::SignatureForm;

bool ParseForm(const std::string& text, std::initializer_list<int> allowed, SignatureForm* form) {
  uint32_t number = 0;
  if (!ParseU32(text, &number)) return false;
  for (int value : allowed) {
    if (static_cast<uint32_t>(value) == number) {
      *form = static_cast<SignatureForm>(value);
      return true;
    }
  }
  return false;
}

const char* FormName(SignatureForm form) {
  switch (form) {
    case SignatureForm::kTextV1:
      return "first-generation text";
    case SignatureForm::kRawV1:
      return "first-generation raw";
    case SignatureForm::kChecksum:
      return "text checksum";
    case SignatureForm::kTextV2:
      return "second-generation text";
    case SignatureForm::kRawV2:
      return "second-generation raw";
  }
  return "unknown form";
}

int LoadSigningKeys(const ToolArgs& args, const char* command, ToolIo& io, krv::signature::DsaKeySet* keys) {
  const bool development = !args.Has("key");
  const std::string path = development ? std::string(KRV_DEV_PRIVATE_KEYS) : args.Value("key");
  int line = 0;
  const krv::signature::KeyFileStatus status = krv::signature::ReadKeyFile(WidePath(path), keys, &line);
  if (status != krv::signature::KeyFileStatus::kOk) {
    std::string where = path;
    if (line > 0) where += ":" + std::to_string(line);
    return Failure(io, command, "key file " + where + ": " + krv::signature::KeyFileStatusText(status),
                   kExitBadInput);
  }
  if (development) {
    io.err << "sfxtool " << command << ": warning: signed with the development keys (" << path
           << "); the result is for tests only\n";
  }
  return kExitOk;
}

bool ParseAuthenticodeReserve(const ToolArgs& args, uint32_t* table_size, std::string* error) {
  *table_size = 0;
  if (!args.Has("authenticode-reserve")) return true;
  if (!ParseU32(args.Value("authenticode-reserve"), table_size) || *table_size == 0) {
    *error = "--authenticode-reserve must be a size in bytes from 1 to 4294967295";
    return false;
  }
  return true;
}

bool HasCertificateTable(const std::vector<uint8_t>& image) {
  krv::signature::MemoryByteSource source(image.data(), image.size());
  uint32_t offset = 0, size = 0;
  return krv::signature::CertificateTable(source, &offset, &size) && offset != 0;
}

}  // namespace krv::tools
