// The compression library the device model names: it codes a bilevel image
// (1 = black, rows of (width + 7) / 8 bytes) as MMR (T.6, kind 1) or as MH
// (T.4 one-dimensional with end-of-line codes, kind 2) through the raster
// library's CCITT encoders, and keeps the code in the handle until it is
// fetched. All state lives in the handle; every entry point catches every
// exception and answers nonzero on failure.
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status.h"

#define ORVCOMP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kOk = 0;
constexpr int kBadHandle = 1;
constexpr int kOutOfOrder = 2;
constexpr int kBadArgument = 3;
constexpr int kFailed = 4;

constexpr int kKindMmr = 1;
constexpr int kKindMh = 2;

// A handle is the address of this record; the tag tells a live one.
constexpr uint32_t kTag = 0x504d434bu;

struct Compressor {
  uint32_t tag = kTag;
  int kind = 0;  // 0: no image begun
  int width = 0;
  int height = 0;
  int rowBytes = 0;
  bool coded = false;
  std::vector<uint8_t> code;
};

Compressor* Find(void* handle) {
  auto* c = static_cast<Compressor*>(handle);
  return c && c->tag == kTag ? c : nullptr;
}

// Codes `height` rows of the image into c->code.
void Encode(Compressor* c, const uint8_t* image, int height) {
  RstHeader h;
  h.width = c->width;
  h.height = height;
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::s_gray_reverse();
  RstRead* raw = RstReadRawFromByteArray::create(image, h, c->rowBytes, false, false);
  if (!raw) throw RstStatus(-1);
  RstRead* node = nullptr;
  try {
    node = c->kind == kKindMmr ? static_cast<RstRead*>(RstEncodeMMR::create(raw, nullptr))
                               : static_cast<RstRead*>(RstEncodeMH::create(raw, nullptr));
  } catch (...) {
    raw->end();
    throw;
  }
  if (!node) {
    raw->end();
    throw RstStatus(-1);
  }
  try {
    std::vector<uint8_t> line(size_t(node->line_size()));
    c->code.clear();
    for (int n; (n = node->read(line.data())) > 0;) c->code.insert(c->code.end(), line.begin(), line.begin() + n);
  } catch (...) {
    node->end();
    throw;
  }
  node->end();
}

}  // namespace

ORVCOMP_EXPORT void* kzcmp_LoadCompress() {
  try {
    return new Compressor;
  } catch (...) {
    return nullptr;
  }
}

ORVCOMP_EXPORT int kzcmp_InitBitmap(void* handle, int kind, int width, int height, int rowBytes) {
  try {
    Compressor* c = Find(handle);
    if (!c) return kBadHandle;
    if ((kind != kKindMmr && kind != kKindMh) || width <= 0 || height <= 0 || rowBytes != (width + 7) / 8)
      return kBadArgument;
    c->kind = kind;
    c->width = width;
    c->height = height;
    c->rowBytes = rowBytes;
    c->coded = false;
    c->code.clear();
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOMP_EXPORT int kzcmp_CompressBitmap(void* handle, const unsigned char* image, int height, unsigned* sizeOut) {
  try {
    Compressor* c = Find(handle);
    if (!c) return kBadHandle;
    if (!c->kind) return kOutOfOrder;
    if (!image || !sizeOut || height <= 0 || height > c->height) return kBadArgument;
    Encode(c, image, height);
    c->coded = true;
    *sizeOut = unsigned(c->code.size());
    return kOk;
  } catch (...) {
    if (Compressor* c = Find(handle)) {
      c->coded = false;
      c->code.clear();
    }
    return kFailed;
  }
}

ORVCOMP_EXPORT int kzcmp_GetBitmap(void* handle, unsigned char* destination) {
  try {
    Compressor* c = Find(handle);
    if (!c) return kBadHandle;
    if (!c->coded) return kOutOfOrder;
    if (!destination) return kBadArgument;
    if (!c->code.empty()) std::memcpy(destination, c->code.data(), c->code.size());
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOMP_EXPORT int kzcmp_FinishBitmap(void* handle) {
  try {
    Compressor* c = Find(handle);
    if (!c) return kBadHandle;
    if (!c->kind) return kOutOfOrder;
    c->kind = 0;
    c->coded = false;
    std::vector<uint8_t>().swap(c->code);
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOMP_EXPORT int kzcmp_FreeCompress(void* handle) {
  try {
    Compressor* c = Find(handle);
    if (!c) return kBadHandle;
    c->tag = 0;
    delete c;
    return kOk;
  } catch (...) {
    return kFailed;
  }
}
