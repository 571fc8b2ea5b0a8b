// MD5 message digest (RFC 1321), fed in pieces or in one call. The printer id
// is the digest of the time and the printer name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_types.h"

struct Md5Context {
  uint32_t state[4];
  uint64_t length;  // bytes fed so far
  uint8_t buffer[64];
};

PKAPI void Md5Init(Md5Context* context);
PKAPI void Md5Update(Md5Context* context, const void* data, size_t size);
// Writes the 16-byte digest; the context must be initialised again before reuse.
PKAPI void Md5Final(Md5Context* context, uint8_t digest[16]);
PKAPI void Md5Digest(const void* data, size_t size, uint8_t digest[16]);
