// The compression of a page image before it goes out: the driver's line
// coder for 8- and 24-bit images, JPEG (the system's IJG library) for
// source-copy photos, or the outside compression library for bilevel
// images. The image is compressed in place and the result kept only when it
// is smaller.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/compression_binding.h"
#include "graphics_driver/job_output/temp_file.h"
#include "platform/win/win_types.h"

// Coders a compressed image names.
constexpr BYTE kCoderJpeg = 4;
constexpr BYTE kCoderLibraryMh = 6;
constexpr BYTE kCoderLibraryMmr = 7;
constexpr BYTE kCoderLine = 8;

// Colour kinds of an image.
constexpr BYTE kImageGrey = 3;
constexpr BYTE kImageRgb = 4;
constexpr BYTE kImageJpeg = 5;
constexpr BYTE kImagePaletteA = 10;
constexpr BYTE kImagePaletteB = 11;

// Answers of the coder paths.
constexpr int kCompressDone = 0;
constexpr int kCompressLibraryFailed = 2;
constexpr int kCompressNotSmaller = 3;
constexpr int kCompressTempWrite = 4;
constexpr int kCompressTempFile = 5;
constexpr int kCompressBadArguments = 16;
constexpr int kCompressReadBack = 0x1005;
// Answers of CompressOutputImage besides the two above.
constexpr int kCompressKept = 1;
constexpr int kCompressStopFlush = 0x1000;

struct CompressionRequest {
  uint32_t candidate;  // 1: the image may be compressed
  BYTE bitsPerPixel;   // 1, 8 or 24
  uint16_t width;
  uint16_t height;
  BYTE* coderUsed;  // receives the coder when compressed
  BYTE method;      // 4, 6, 7 or 8; anything else: none
  BYTE* colourKind;
  uint32_t* length;  // the image's bytes; the coded bytes on success
  TempFile* tempFile;
  BYTE ropKind;
  uint32_t ropCode;
  const BYTE* paletteMap;  // 256 grey values for kind 10 at 8 bits
  uint32_t reserved[3];    // kept by the image store, not read here
  CompressionDllBinding* binding;
};

// 0 compressed (or, by the outside library, left as it was), 1 left
// uncompressed, 0x1000 when the image flush must stop.
int CompressOutputImage(CompressionRequest* request, BYTE* image);

int CompressWithLineCoder(TempFile* tempFile, BYTE colourKind, BYTE bitsPerPixel, uint16_t width, uint16_t height,
                          BYTE* coderOut, uint32_t* length, BYTE* image);
int CompressWithJpeg(TempFile* tempFile, BYTE* colourKind, BYTE bitsPerPixel, uint16_t width, uint16_t height,
                     BYTE* coderOut, uint32_t* length, BYTE* image);
int CompressWithDll(BYTE coder, CompressionDllBinding* binding, BYTE colourKind, BYTE bitsPerPixel, uint16_t width,
                    uint16_t height, BYTE* coderOut, uint32_t* length, BYTE* image);

// The library's entry points with the binding's handle first; 1 without a
// binding.
int CallInitBitmap(const CompressionDllBinding* binding, int kind, int width, int height, int rowBytes);
int CallCompressBitmap(const CompressionDllBinding* binding, const BYTE* image, int height, DWORD* sizeOut);
int CallGetBitmap(const CompressionDllBinding* binding, BYTE* destination);
int CallFinishBitmap(const CompressionDllBinding* binding);
