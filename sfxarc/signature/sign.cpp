#include "sfxarc/signature/sign.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/content_digest.h"
#include "sfxarc/signature/dsa_sign.h"
#include "sfxarc/signature/dsa_verify.h"
#include "sfxarc/signature/hex.h"
#include "sfxarc/signature/host_path.h"
#include "sfxarc/signature/pe_end.h"

namespace krv::signature {
namespace {

constexpr uint64_t kMaxContent = uint64_t(1) << 32;

void AppendTag(std::vector<uint8_t>* block, const char* tag) { block->insert(block->end(), tag, tag + kTagSize); }

void AppendHex(std::vector<uint8_t>* block, const uint8_t* data, size_t n) {
  const std::string digits = EncodeHex(data, n);
  block->insert(block->end(), digits.begin(), digits.end());
}

bool KeyAllowed(SignatureForm form, int key_number) {
  size_t count = 0;
  const int* keys = KeyOrder(form, &count);
  for (size_t i = 0; i < count; ++i) {
    if (keys[i] == key_number) return true;
  }
  return false;
}

}  // namespace

const char* SignStatusText(SignStatus status) {
  switch (status) {
    case SignStatus::kOk: return "no error";
    case SignStatus::kKeyNotAllowed: return "the key number is not one this form is verified with";
    case SignStatus::kNoPrivateKey: return "the key file lacks the signing key or its private half";
    case SignStatus::kKeyMismatch: return "the private key does not match its public half";
    case SignStatus::kSigningFailed: return "the signing key is unusable";
    case SignStatus::kEmptyContent: return "there is nothing to sign";
    case SignStatus::kContentTooLarge: return "the content is 4 GiB or larger";
    case SignStatus::kCannotRead: return "cannot open or read the file";
    case SignStatus::kCannotWrite: return "cannot append the signature to the file";
    case SignStatus::kCertificateTable:
      return "the PE file already has a certificate table: sign it before the Authenticode signature";
    case SignStatus::kNotPe: return "the file is not a PE file";
  }
  return "unknown signing error";
}

int DefaultSigningKey(SignatureForm form) {
  size_t count = 0;
  const int* keys = KeyOrder(form, &count);
  return count == 0 ? 0 : keys[0];
}

namespace {

// The block of form over content whose digest is given.
SignStatus BlockForDigest(SignatureForm form, const uint8_t* digest, size_t digest_size, const DsaKeySet& keys,
                          int key_number, std::vector<uint8_t>* block) {
  block->clear();
  if (key_number == 0) key_number = DefaultSigningKey(form);
  if (form == SignatureForm::kChecksum) {
    if (key_number != 0) return SignStatus::kKeyNotAllowed;
    AppendTag(block, kTagChecksum);
    AppendHex(block, digest, digest_size);
    AppendTag(block, kTagChecksum);
    return SignStatus::kOk;
  }

  if (!KeyAllowed(form, key_number)) return SignStatus::kKeyNotAllowed;
  const DsaKey* key = keys.Find(key_number);
  if (!key || !key->has_private()) return SignStatus::kNoPrivateKey;
  const size_t sig_size = SignatureSize(form);
  if (key->q.size() * 2 != sig_size) return SignStatus::kSigningFailed;
  uint8_t sig[kMaxSignatureSize];
  if (!DsaSignDigest(*key, digest, digest_size, sig)) return SignStatus::kSigningFailed;
  if (!DsaVerifyWithKey(key->public_key(), digest, digest_size, sig, sig_size)) return SignStatus::kKeyMismatch;

  switch (form) {
    case SignatureForm::kRawV2:
    case SignatureForm::kRawV1:
      block->assign(sig, sig + sig_size);
      AppendTag(block, form == SignatureForm::kRawV2 ? kTagRawV2 : kTagRawV1);
      break;
    case SignatureForm::kTextV2:
    case SignatureForm::kTextV1: {
      const char* tag = form == SignatureForm::kTextV2 ? kTagTextV2 : kTagTextV1;
      AppendTag(block, tag);
      AppendHex(block, sig, sig_size);
      AppendTag(block, tag);
      break;
    }
    case SignatureForm::kChecksum:
      break;
  }
  return SignStatus::kOk;
}

}  // namespace

SignStatus MakeSignatureBlock(SignatureForm form, const uint8_t* content, size_t n, const DsaKeySet& keys,
                              int key_number, std::vector<uint8_t>* block) {
  block->clear();
  if (n == 0) return SignStatus::kEmptyContent;
  if (uint64_t(n) >= kMaxContent) return SignStatus::kContentTooLarge;
  uint8_t digest[32];
  const size_t digest_size = ContentDigest(form, content, n, digest);
  return BlockForDigest(form, digest, digest_size, keys, key_number, block);
}

namespace {

// Signs the whole file and appends the block. With table_size not 0 the
// content is signed with its security directory entry announcing a
// certificate table of that size behind the block.
SignStatus SignAndAppend(const std::wstring& path, SignatureForm form, const DsaKeySet& keys, int key_number,
                         uint32_t table_size) {
  std::vector<uint8_t> block;
  uint64_t size = 0;
  {
    FileByteSource source(path);
    if (!source.Open()) return SignStatus::kCannotRead;
    size = source.Size();
    if (size == 0) return SignStatus::kEmptyContent;
    if (size >= kMaxContent) return SignStatus::kContentTooLarge;
    if (PeEnd(source) != size) return SignStatus::kCertificateTable;
    // The content is read in windows, as the verifier reads it.
    uint8_t head[kContentHeadSize];
    const uint32_t head_size = size < sizeof head ? uint32_t(size) : uint32_t(sizeof head);
    if (!source.ReadAt(0, head, head_size)) return SignStatus::kCannotRead;
    ContentHasher hasher(form, size, head, head_size);
    if (table_size == 0) {
      if (!HashSourceRange(source, 0, size, &hasher)) return SignStatus::kCannotRead;
    } else {
      uint64_t entry = 0;
      if (!SecurityEntryOffset(source, &entry) || entry + 8 > size) return SignStatus::kNotPe;
      uint8_t announced[8];
      if (!source.ReadAt(entry, announced, 4)) return SignStatus::kCannotRead;
      if (announced[0] | announced[1] | announced[2] | announced[3]) return SignStatus::kCertificateTable;
      const uint64_t table = (size + BlockSize(form) + 7) & ~uint64_t(7);
      if (table >= kMaxContent) return SignStatus::kContentTooLarge;
      for (int i = 0; i < 4; ++i) {
        announced[i] = uint8_t(table >> (8 * i));
        announced[4 + i] = uint8_t(table_size >> (8 * i));
      }
      if (!HashSourceRange(source, 0, entry, &hasher)) return SignStatus::kCannotRead;
      hasher.Update(announced, sizeof announced);
      if (!HashSourceRange(source, entry + sizeof announced, size, &hasher)) return SignStatus::kCannotRead;
    }
    uint8_t digest[32];
    const size_t digest_size = hasher.Final(digest);
    const SignStatus status = BlockForDigest(form, digest, digest_size, keys, key_number, &block);
    if (status != SignStatus::kOk) return status;
  }  // the handle is closed before the file grows

  const std::filesystem::path host = HostPath(path);
  std::ofstream out(host, std::ios::binary | std::ios::app);
  if (out) {
    out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size()));
    out.close();
  }
  if (!out) {
    // A block cut short would leave a file that no longer verifies as it was:
    // take the file back to its old length.
    std::error_code ignored;
    std::filesystem::resize_file(host, size, ignored);
    return SignStatus::kCannotWrite;
  }
  return SignStatus::kOk;
}

}  // namespace

SignStatus SignFile(const std::wstring& path, SignatureForm form, const DsaKeySet& keys, int key_number) {
  return SignAndAppend(path, form, keys, key_number, 0);
}

SignStatus SignFileForAuthenticode(const std::wstring& path, SignatureForm form, const DsaKeySet& keys,
                                   int key_number, uint32_t table_size) {
  return SignAndAppend(path, form, keys, key_number, table_size);
}

}  // namespace krv::signature
