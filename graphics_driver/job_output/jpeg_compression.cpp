// The JPEG path of the image compression (see image_compression.h): the
// system's IJG library codes the image into the temp file through a
// destination of 4,096-byte writes; when the result is smaller it is read
// back over the image. A library error (a failed temp-file write among them)
// returns here instead of ending the process.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "graphics_driver/job_output/image_compression.h"

namespace {

constexpr uint32_t kDestinationBytes = 4096;
constexpr int kJpegQuality = 83;

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf exit;
};

// Every library error ends the coding: back to CompressWithJpeg.
[[noreturn]] void ReturnOnError(j_common_ptr cinfo) { longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->exit, 1); }

// Warnings and traces are not shown anywhere.
void IgnoreMessage(j_common_ptr, int) {}

struct TempFileDestination {
  jpeg_destination_mgr base;
  TempFile* file;
  JOCTET* buffer;
  uint32_t offset;  // where the next block goes in the file
  uint32_t total;   // bytes written so far
};

TempFileDestination* DestinationOf(j_compress_ptr cinfo) { return reinterpret_cast<TempFileDestination*>(cinfo->dest); }

bool WriteBlock(TempFileDestination* d, uint32_t count) {
  return SeekTempFile(d->file, int32_t(d->offset)) == int32_t(d->offset) &&
         WriteTempFile(d->file, d->buffer, count) == int(count);
}

void InitDestination(j_compress_ptr cinfo) {
  TempFileDestination* d = DestinationOf(cinfo);
  d->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kDestinationBytes));
  d->base.next_output_byte = d->buffer;
  d->base.free_in_buffer = kDestinationBytes;
  d->total = 0;
  d->offset = 0;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  TempFileDestination* d = DestinationOf(cinfo);
  if (!WriteBlock(d, kDestinationBytes)) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->offset += kDestinationBytes;
  d->total += kDestinationBytes;
  d->base.next_output_byte = d->buffer;
  d->base.free_in_buffer = kDestinationBytes;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  TempFileDestination* d = DestinationOf(cinfo);
  const uint32_t count = kDestinationBytes - uint32_t(d->base.free_in_buffer);
  if (count == 0) return;
  if (!WriteBlock(d, count)) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->offset += count;
  d->total += count;
}

// Codes the image into the temp file: false when the library stopped with
// an error. Kept apart from its caller so that nothing the jump skips lives
// in registers across setjmp.
bool CodeJpeg(jpeg_compress_struct* cinfo, ErrorManager* error, TempFileDestination* destination, bool rgb,
              uint16_t width, uint16_t height, BYTE* image) {
  if (setjmp(error->exit)) return false;
  jpeg_create_compress(cinfo);
  cinfo->dest = &destination->base;
  cinfo->image_width = width;
  cinfo->image_height = height;
  cinfo->input_components = rgb ? 3 : 1;
  cinfo->in_color_space = rgb ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(cinfo);
  cinfo->optimize_coding = TRUE;
  jpeg_set_quality(cinfo, kJpegQuality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  const size_t stride = rgb ? size_t(width) * 3 : width;
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = image + size_t(cinfo->next_scanline) * stride;
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

int CompressWithJpeg(TempFile* tempFile, BYTE* colourKind, BYTE bitsPerPixel, uint16_t width, uint16_t height,
                     BYTE* coderOut, uint32_t* length, BYTE* image) {
  if (!tempFile || !colourKind || !coderOut || !length || !image || width == 0 || height == 0)
    return kCompressBadArguments;
  const bool rgb = *colourKind == kImageRgb;
  if (bitsPerPixel != (rgb ? 24 : 8) || uint64_t(width) * (rgb ? 3 : 1) * height > *length)
    return kCompressBadArguments;
  if (HasTempFileData(tempFile) != 1 && CreateTempFile(tempFile) != 0) return kCompressTempFile;

  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.base);
  error.base.error_exit = ReturnOnError;
  error.base.emit_message = IgnoreMessage;
  TempFileDestination destination{};
  destination.base.init_destination = InitDestination;
  destination.base.empty_output_buffer = EmptyOutputBuffer;
  destination.base.term_destination = TermDestination;
  destination.file = tempFile;

  if (!CodeJpeg(&cinfo, &error, &destination, rgb, width, height, image)) {
    jpeg_destroy_compress(&cinfo);
    return kCompressTempFile;
  }
  int result = kCompressNotSmaller;
  const uint32_t coded = destination.total;
  if (coded < *length) {
    if (SeekTempFile(tempFile, 0) != 0) {
      result = kCompressTempFile;
    } else if (ReadTempFile(tempFile, image, coded) == int(coded)) {
      *length = coded;
      *colourKind = kImageJpeg;
      *coderOut = kCoderJpeg;
      result = kCompressDone;
    } else {
      result = kCompressReadBack;
    }
  }
  jpeg_destroy_compress(&cinfo);
  return result;
}
