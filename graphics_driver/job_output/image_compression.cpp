// The choice of a page image's coder, the line-coder path and the outside
// library path (see image_compression.h; the JPEG path is in
// jpeg_compression.cpp).
#include "graphics_driver/job_output/image_compression.h"

#include <cstring>

#include "graphics_driver/job_output/line_coder.h"
#include "platform/win/win_memory.h"

namespace {

enum class Coder { None, Line, Jpeg, Library7, Library6 };

constexpr uint32_t kSmallestCompressed = 1024;
constexpr BYTE kRopTwoOperand = 2;
constexpr uint32_t kRopSourceCopy = 204;

bool LineCoderTakes(BYTE kind, BYTE bits) {
  return (kind == kImageRgb && bits == 24) ||
         (bits == 8 && (kind == kImageGrey || kind == kImagePaletteB || kind == kImagePaletteA));
}

bool JpegTakes(BYTE kind, BYTE bits) {
  return (kind == kImageRgb && bits == 24) || (bits == 8 && (kind == kImageGrey || kind == kImagePaletteA));
}

bool Bilevel(BYTE kind, BYTE bits) { return bits == 1 && (kind == kImagePaletteB || kind == kImagePaletteA); }

Coder ChooseCoder(const CompressionRequest& r) {
  const BYTE kind = *r.colourKind;
  const BYTE bits = r.bitsPerPixel;
  BYTE method = r.method;
  if (method == 8) {
    if (LineCoderTakes(kind, bits)) return Coder::Line;
    method = 7;
  } else if (method == 4) {
    if (JpegTakes(kind, bits) && r.ropKind == kRopTwoOperand && r.ropCode == kRopSourceCopy) return Coder::Jpeg;
    if (LineCoderTakes(kind, bits)) return Coder::Line;
    method = 7;
  }
  if (method == 7 && Bilevel(kind, bits)) return Coder::Library7;
  if (method == 6 && Bilevel(kind, bits)) return Coder::Library6;
  return Coder::None;
}

int Answer(int result) {
  if (result & kCompressStopFlush) return kCompressStopFlush;
  return result == kCompressDone ? kCompressDone : kCompressKept;
}

void Invert(BYTE* image, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) image[i] = BYTE(255 - image[i]);
}

int CompressJpegImage(CompressionRequest* r, BYTE* image) {
  const uint32_t length = *r->length;
  if (r->bitsPerPixel == 8) {
    if (*r->colourKind == kImagePaletteA) {
      // The palette values become grey levels; this is not undone.
      if (!r->paletteMap) return kCompressKept;
      for (uint32_t i = 0; i < length; ++i) image[i] = r->paletteMap[image[i]];
      *r->colourKind = kImageGrey;
    }
    if (*r->colourKind == kImageGrey) Invert(image, length);
  }
  const int result = CompressWithJpeg(r->tempFile, r->colourKind, r->bitsPerPixel, r->width, r->height, r->coderUsed,
                                      r->length, image);
  if (result & kCompressStopFlush) return kCompressStopFlush;
  if (result == kCompressDone) return kCompressDone;
  if (r->bitsPerPixel == 8 && *r->colourKind == kImageGrey) Invert(image, length);
  return kCompressKept;
}

// The line coder into a block of the image's size: the coded size, or -1
// when the coded image would not be smaller (the coder ended either way).
int64_t CodeIntoScratch(LineCoder* coder, const BYTE* image, uint32_t rowSize, uint16_t height, BYTE* scratch,
                        uint32_t length) {
  uint32_t total = 0;
  for (uint32_t y = 0; y < height; ++y) {
    const int n = CodeLineCoderRow(coder, image + size_t(y) * rowSize, scratch + total, length - total);
    if (n < 0) {
      FinishLineCoder(coder, nullptr, 0);
      return -1;
    }
    total += uint32_t(n);
  }
  const int end = FinishLineCoder(coder, scratch + total, length - total);
  if (end < 0 || total + uint32_t(end) >= length) return -1;
  return total + uint32_t(end);
}

// The line coder through the temp file when no block of the image's size can
// be had: each row is coded into a row buffer and appended to the file; only
// when the whole image came out smaller are the coded rows read back over
// the image and the end bytes put after them.
int CodeThroughTempFile(LineCoder* coder, TempFile* temp, uint32_t rowSize, uint16_t width, uint16_t height,
                        uint32_t length, BYTE* image, uint32_t* codedLength) {
  // Twice the row holds the codes of a row of literals; a run pending from
  // earlier rows may add one code of at most four bytes per maximal run.
  const uint64_t pixels = uint64_t(width) * height;
  const uint64_t bufferBytes = uint64_t(rowSize) * 2 + (pixels / kLineCoderMaxRun + 2) * 4 + 16;
  auto* row = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, SIZE_T(bufferBytes)));
  auto abandon = [&](int result) {
    FinishLineCoder(coder, nullptr, 0);
    GlobalFree(row);
    return result;
  };
  if (!row) return abandon(kCompressNotSmaller);
  if (HasTempFileData(temp) != 1 && CreateTempFile(temp) != 0) return abandon(kCompressTempFile);
  if (SeekTempFile(temp, 0) != 0) return abandon(kCompressTempFile);
  uint64_t total = 0;
  for (uint32_t y = 0; y < height; ++y) {
    const int n = CodeLineCoderRow(coder, image + size_t(y) * rowSize, row, uint32_t(bufferBytes));
    if (n < 0) return abandon(kCompressNotSmaller);
    if (n > 0 && WriteTempFile(temp, row, uint32_t(n)) != n) return abandon(kCompressTempFile);
    total += uint32_t(n);
    if (total >= length) return abandon(kCompressNotSmaller);
  }
  const uint32_t rows = uint32_t(total);
  const int end = FinishLineCoder(coder, row, uint32_t(bufferBytes));
  if (end < 0 || total + uint32_t(end) >= length) {
    GlobalFree(row);
    return kCompressNotSmaller;
  }
  int result = kCompressDone;
  if (SeekTempFile(temp, 0) != 0) {
    result = kCompressTempFile;
  } else if (rows && ReadTempFile(temp, image, rows) != int(rows)) {
    result = kCompressReadBack;
  } else {
    std::memcpy(image + rows, row, size_t(end));
    *codedLength = rows + uint32_t(end);
  }
  GlobalFree(row);
  return result;
}

}  // namespace

int CompressOutputImage(CompressionRequest* request, BYTE* image) {
  if (!request || !image || !request->colourKind || !request->length) return kCompressKept;
  CompressionRequest& r = *request;
  const bool methodKnown = r.method == 4 || r.method == 6 || r.method == 7 || r.method == 8;
  if (r.candidate != 1 || !methodKnown || *r.length < kSmallestCompressed) return kCompressKept;
  switch (ChooseCoder(r)) {
    case Coder::Line:
      return Answer(CompressWithLineCoder(r.tempFile, *r.colourKind, r.bitsPerPixel, r.width, r.height, r.coderUsed,
                                          r.length, image));
    case Coder::Jpeg: return CompressJpegImage(&r, image);
    case Coder::Library7:
      return Answer(CompressWithDll(kCoderLibraryMmr, r.binding, *r.colourKind, r.bitsPerPixel, r.width, r.height,
                                    r.coderUsed, r.length, image));
    case Coder::Library6:
      return Answer(CompressWithDll(kCoderLibraryMh, r.binding, *r.colourKind, r.bitsPerPixel, r.width, r.height,
                                    r.coderUsed, r.length, image));
    case Coder::None: break;
  }
  return kCompressKept;
}

int CompressWithLineCoder(TempFile* tempFile, BYTE colourKind, BYTE bitsPerPixel, uint16_t width, uint16_t height,
                          BYTE* coderOut, uint32_t* length, BYTE* image) {
  if (!coderOut || !length || !image || width == 0 || height == 0) return kCompressBadArguments;
  const bool rgb = colourKind == kImageRgb;
  if (bitsPerPixel != (rgb ? 24 : 8)) return kCompressBadArguments;
  const uint32_t rowSize = rgb ? uint32_t(width) * 3 : width;
  // The image buffer must hold every row the coder reads.
  if (uint64_t(rowSize) * height > *length) return kCompressBadArguments;
  LineCoder* coder = CreateLineCoder(width, height, rgb ? 24 : 8);
  if (!coder) return kCompressLibraryFailed;
  const uint32_t uncompressed = *length;
  auto* scratch = static_cast<BYTE*>(GlobalAlloc(GPTR, uncompressed));
  if (scratch) {
    const int64_t coded = CodeIntoScratch(coder, image, rowSize, height, scratch, uncompressed);
    if (coded >= 0) {
      std::memcpy(image, scratch, size_t(coded));
      *length = uint32_t(coded);
      *coderOut = kCoderLine;
    }
    GlobalFree(scratch);
    return coded >= 0 ? kCompressDone : kCompressNotSmaller;
  }
  if (!tempFile) {
    FinishLineCoder(coder, nullptr, 0);
    return kCompressBadArguments;
  }
  uint32_t coded = 0;
  const int result = CodeThroughTempFile(coder, tempFile, rowSize, width, height, uncompressed, image, &coded);
  if (result == kCompressDone) {
    *length = coded;
    *coderOut = kCoderLine;
  }
  return result;
}

int CompressWithDll(BYTE coder, CompressionDllBinding* binding, BYTE colourKind, BYTE bitsPerPixel, uint16_t width,
                    uint16_t height, BYTE* coderOut, uint32_t* length, BYTE* image) {
  if (!binding || !coderOut || !length || !image) return kCompressBadArguments;
  if (coder != kCoderLibraryMmr && coder != kCoderLibraryMh) return kCompressBadArguments;
  // The library reads a bilevel image of whole rows from the buffer.
  if (bitsPerPixel != 1 || !Bilevel(colourKind, bitsPerPixel) || width == 0 || height == 0 ||
      uint64_t((width + 7) / 8) * height > *length)
    return kCompressBadArguments;
  const int kind = coder == kCoderLibraryMmr ? 1 : 2;
  if (CallInitBitmap(binding, kind, width, height, (width + 7) / 8) != 0) return kCompressLibraryFailed;
  DWORD size = 0;
  if (CallCompressBitmap(binding, image, height, &size) != 0) return kCompressLibraryFailed;
  if (size <= *length) {
    if (CallGetBitmap(binding, image) != 0 || CallFinishBitmap(binding) != 0) return kCompressLibraryFailed;
    *length = size;
    *coderOut = coder;
    return kCompressDone;
  }
  // Larger: the image goes out as it is.
  return CallFinishBitmap(binding) == 0 ? kCompressDone : kCompressLibraryFailed;
}

int CallInitBitmap(const CompressionDllBinding* binding, int kind, int width, int height, int rowBytes) {
  return binding ? binding->initBitmap(binding->handle, kind, width, height, rowBytes) : 1;
}

int CallCompressBitmap(const CompressionDllBinding* binding, const BYTE* image, int height, DWORD* sizeOut) {
  return binding ? binding->compressBitmap(binding->handle, image, height, sizeOut) : 1;
}

int CallGetBitmap(const CompressionDllBinding* binding, BYTE* destination) {
  return binding ? binding->getBitmap(binding->handle, destination) : 1;
}

int CallFinishBitmap(const CompressionDllBinding* binding) {
  return binding ? binding->finishBitmap(binding->handle) : 1;
}
