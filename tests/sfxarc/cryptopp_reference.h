#pragma once
// Crypto++ as the reference our verify-only big numbers and DSA check are
// compared with, by the unit tests and the fuzz target (plain code: no test
// framework, so that both can link it).

#include <cryptopp/integer.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sfxarc/signature/big_unsigned.h"
#include "sfxarc/signature/dsa_verify.h"

namespace krv::signature::testing {

// Big-endian bytes without leading zeros (none for zero). Comparing these
// shows both numbers when they differ (the mingw build of Crypto++ has no
// stream output).
std::vector<uint8_t> BigEndianBytes(const BigUnsigned& x);
std::vector<uint8_t> BigEndianBytes(const CryptoPP::Integer& x);

// The unsigned number of big-endian bytes data[0, size).
CryptoPP::Integer IntegerFromBytes(const uint8_t* data, size_t size);

// DsaVerifyWithKey's check done with Crypto++ (Integer, InverseMod,
// a_times_b_mod_c, MontgomeryRepresentation::CascadeExponentiate), with the
// same refusals: lengths, r and s out of range, p even or below 3, s without
// an inverse modulo q, p or q above 4096 bits.
bool CryptoppDsaVerify(const DsaPublicKey& key, const uint8_t* digest, size_t dlen, const uint8_t* sig,
                       size_t slen);

}  // namespace krv::signature::testing
