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
      return "the PE file already carries an Authenticode signature: our signature must come first and the "
             "Authenticode signature last";
    case SignStatus::kNotPe: return "the file is not a PE file";
    case SignStatus::kReservedWordsInUse:
      return "the DOS header's reserved words (offset 40, 20 bytes), where the Authenticode reservation is "
             "recorded, hold other data";
  }
  return "unknown signing error";
}

int DefaultSigningKey(SignatureForm form) {
  size_t count = 0;
  const int* keys = KeyOrder(form, &count);
  return count == 0 ? 0 : keys[0];
}

SignStatus MakeSignatureBlock(SignatureForm form, const uint8_t* content, size_t n, const DsaKeySet& keys,
                              int key_number, std::vector<uint8_t>* block) {
  block->clear();
  if (n == 0) return SignStatus::kEmptyContent;
  if (uint64_t(n) >= kMaxContent) return SignStatus::kContentTooLarge;
  if (key_number == 0) key_number = DefaultSigningKey(form);
  uint8_t digest[32];
  const size_t digest_size = ContentDigest(form, content, n, digest);

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

SignStatus ReserveForAuthenticode(SignatureForm form, std::vector<uint8_t>* image, const DsaKeySet& keys,
                                  int key_number, uint32_t table_size, std::vector<uint8_t>* block) {
  block->clear();
  MemoryByteSource source(image->data(), image->size());
  uint64_t entry = 0;
  const uint64_t size = image->size();
  if (!SecurityEntryOffset(source, &entry) || entry + 8 > size) return SignStatus::kNotPe;
  if (size >= kMaxContent) return SignStatus::kContentTooLarge;
  std::vector<uint8_t> after = *image;
  for (size_t i = 0; i < 8; ++i) {
    if (after[size_t(entry) + i] != 0) return SignStatus::kCertificateTable;
  }
  uint8_t* words = &after[kReservationRecordAt];
  if (std::memcmp(words, kReservationTag, kTagSize) != 0) {
    for (size_t i = 0; i < kReservedWordsSize; ++i) {
      if (words[i] != 0) return SignStatus::kReservedWordsInUse;
    }
  }
  std::memcpy(words, kReservationTag, kTagSize);
  for (int i = 0; i < 4; ++i) words[kTagSize + i] = uint8_t(table_size >> (8 * i));
  std::vector<uint8_t> record(words, words + kReservationRecordSize);

  const uint64_t table = (size + BlockSize(form) + 7) & ~uint64_t(7);
  if (table >= kMaxContent) return SignStatus::kContentTooLarge;
  for (int i = 0; i < 4; ++i) {
    after[size_t(entry) + i] = uint8_t(table >> (8 * i));
    after[size_t(entry) + 4 + i] = uint8_t(table_size >> (8 * i));
  }
  const SignStatus status = MakeSignatureBlock(form, after.data(), after.size(), keys, key_number, block);
  if (status != SignStatus::kOk) return status;
  std::memcpy(&(*image)[kReservationRecordAt], record.data(), record.size());
  return SignStatus::kOk;
}

namespace {

// Writes `bytes` at `offset` of the file; false when that fails.
bool WriteAt(const std::filesystem::path& host, uint64_t offset, const std::vector<uint8_t>& bytes) {
  std::fstream file(host, std::ios::binary | std::ios::in | std::ios::out);
  if (!file) return false;
  file.seekp(std::streamoff(offset));
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  file.close();
  return bool(file);
}

// Signs the whole file and appends the block. With table_size not 0 the
// file is prepared for an Authenticode signature (ReserveForAuthenticode).
SignStatus SignAndAppend(const std::wstring& path, SignatureForm form, const DsaKeySet& keys, int key_number,
                         uint32_t table_size) {
  std::vector<uint8_t> block;
  std::vector<uint8_t> old_words, new_words;
  uint64_t size = 0;
  {
    FileByteSource source(path);
    if (!source.Open()) return SignStatus::kCannotRead;
    size = source.Size();
    if (size == 0) return SignStatus::kEmptyContent;
    if (size >= kMaxContent) return SignStatus::kContentTooLarge;
    if (PeEnd(source) != size) return SignStatus::kCertificateTable;
    const uint8_t* content = source.Content(size);
    if (!content) return SignStatus::kCannotRead;
    SignStatus status;
    if (table_size == 0) {
      status = MakeSignatureBlock(form, content, size_t(size), keys, key_number, &block);
    } else {
      std::vector<uint8_t> image(content, content + size);
      status = ReserveForAuthenticode(form, &image, keys, key_number, table_size, &block);
      if (status == SignStatus::kOk) {
        old_words.assign(content + kReservationRecordAt, content + kReservationRecordAt + kReservationRecordSize);
        new_words.assign(&image[kReservationRecordAt], &image[kReservationRecordAt] + kReservationRecordSize);
      }
    }
    if (status != SignStatus::kOk) return status;
  }  // the view and the handle are released before the file changes

  const std::filesystem::path host = HostPath(path);
  bool written = new_words.empty() || WriteAt(host, kReservationRecordAt, new_words);
  if (written) {
    std::ofstream out(host, std::ios::binary | std::ios::app);
    if (out) {
      out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size()));
      out.close();
    }
    written = bool(out);
  }
  if (!written) {
    // A block cut short would leave a file that no longer verifies as it was:
    // take the file back to its old length and header.
    std::error_code ignored;
    std::filesystem::resize_file(host, size, ignored);
    if (!old_words.empty()) WriteAt(host, kReservationRecordAt, old_words);
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
