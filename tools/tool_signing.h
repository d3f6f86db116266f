#pragma once
// What the signing commands share: form numbers on the command line, form
// names in the output, and the key set to sign with.

#include <initializer_list>
#include <string>

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

}  // namespace krv::tools
