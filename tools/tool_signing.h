#pragma once
// What the signing commands share: form numbers on the command line, form
// names in the output, and the key set to sign with.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "sfxarc/signature/forms.h"
#include "sfxarc/signature/key_file.h"
#include "tools/sfxtool.h"
#include "tools/tool_args.h"

namespace krv::tools {

// The form numbered `text`, when it is one of `allowed`.
bool ParseForm(const std::string& text, std::initializer_list<int> allowed, krv::signature::SignatureForm* form);

// "second-generation raw" and so on.
const char* FormName(krv::signature::SignatureForm form);

// Reads the private key set of --key, or, without --key, the development
// set (with a warning on io.err that the result is for tests only). Returns
// kExitOk, or kExitBadInput after reporting why the file is unusable.
int LoadSigningKeys(const ToolArgs& args, const char* command, ToolIo& io, krv::signature::DsaKeySet* keys);

// The order of signatures on a package, for messages that refuse another.
constexpr char kSigningOrder[] =
    "sign in this order: first 'sfxtool build' or 'sfxtool sign' with --authenticode-reserve SIZE (SIZE from "
    "'sfxtool authenticode-size'), then 'osslsigncode sign'";

// The value of --authenticode-reserve: 0 when the option is absent. False
// with `*error` for a value that is not a number from 1 to 2^32 - 1.
bool ParseAuthenticodeReserve(const ToolArgs& args, uint32_t* table_size, std::string* error);

// True when `image` is a PE file whose security directory entry names a
// certificate table (it carries an Authenticode signature).
bool HasCertificateTable(const std::vector<uint8_t>& image);

}  // namespace krv::tools
