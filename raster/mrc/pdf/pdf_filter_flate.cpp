// The Flate stage: zlib's inflate over the source beneath, its output handed
// out 4096 bytes at a time. zlib's own memory comes from the arena the stage
// lives in, so an error return that drops the stage leaks nothing.
#include <zlib.h>

#include <cstdint>
#include <cstring>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_filters.h"
#include "raster/mrc/pdf/pdf_state.h"

namespace {

constexpr int32_t kFlateBytes = 4096;

struct FlateStage {
  PdfSource source;
  z_stream z;
  PdfArena* arena;
  int32_t open;        // inflate set up and not yet ended
  int32_t input_done;  // the source has ended
  int32_t complete;    // no more output after what is in the buffer
  int32_t at;
  int32_t count;
  uint8_t in[kFlateBytes];
  uint8_t out[kFlateBytes];
};

voidpf arena_alloc(voidpf opaque, uInt items, uInt size) {
  auto* arena = static_cast<PdfArena*>(opaque);
  return pdf_arena_alloc(arena, size_t(items) * size_t(size), false);
}

void arena_free(voidpf, voidpf) {}

// Refills the output buffer; false when nothing more comes.
bool refill(FlateStage* f) {
  if (f->complete) return false;
  f->z.next_out = f->out;
  f->z.avail_out = kFlateBytes;
  while (f->z.avail_out > 0 && !f->complete) {
    if (f->z.avail_in == 0 && !f->input_done) {
      PdfSource* below = f->source.below;
      int32_t got = below->read(below, f->in, kFlateBytes);
      if (got <= 0) {
        f->input_done = 1;
      } else {
        f->z.next_in = f->in;
        f->z.avail_in = uInt(got);
      }
    }
    if (!f->input_done || f->z.avail_in > 0) {
      int ret = inflate(&f->z, Z_NO_FLUSH);
      if (ret == Z_STREAM_END) f->complete = 1;
      // A preset dictionary is never supplied, so inflate could not go on.
      // zlib's memory comes from the pool: running out of it is a memory error.
      if (ret == Z_MEM_ERROR) pdf_raise(PdfError::memory);
      if (ret == Z_NEED_DICT || (ret < 0 && ret != Z_BUF_ERROR)) pdf_raise(PdfError::damaged);
      continue;
    }
    // The source has ended: whatever inflate can still produce is delivered,
    // then the data ends, also for a stream without its end marker.
    uInt before = f->z.avail_out;
    int ret = inflate(&f->z, Z_FINISH);
    if (ret == Z_MEM_ERROR) pdf_raise(PdfError::memory);
    if (ret == Z_STREAM_END || f->z.avail_out == before || (ret < 0 && ret != Z_BUF_ERROR)) f->complete = 1;
    if (f->z.avail_out > 0) f->complete = 1;
  }
  f->count = kFlateBytes - int32_t(f->z.avail_out);
  f->at = 0;
  return f->count > 0;
}

int32_t flate_get(PdfSource* self) {
  auto* f = reinterpret_cast<FlateStage*>(self);
  if (f->at >= f->count && !refill(f)) return -1;
  return f->out[f->at++];
}

int32_t flate_read(PdfSource* self, uint8_t* buffer, int32_t n) {
  auto* f = reinterpret_cast<FlateStage*>(self);
  int32_t done = 0;
  while (done < n) {
    if (f->at >= f->count && !refill(f)) break;
    int32_t k = f->count - f->at < n - done ? f->count - f->at : n - done;
    std::memcpy(buffer + done, f->out + f->at, size_t(k));
    f->at += k;
    done += k;
  }
  return done;
}

void flate_close(PdfSource* self, int32_t flag) {
  auto* f = reinterpret_cast<FlateStage*>(self);
  if (f->open) inflateEnd(&f->z);
  f->open = 0;
  f->complete = 1;
  f->count = f->at = 0;
  pdf_source_close_plain(self, flag);
}

}  // namespace

void pdf_install_flate(PdfStream* s) {
  PdfArena* arena = pdf_state().arena;
  auto* f = static_cast<FlateStage*>(pdf_alloc(sizeof(FlateStage)));
  std::memset(f, 0, sizeof(FlateStage));
  f->source = PdfSource{&flate_get, &flate_read, &flate_close, nullptr};
  f->arena = arena;
  f->z.zalloc = &arena_alloc;
  f->z.zfree = &arena_free;
  f->z.opaque = arena;
  if (inflateInit(&f->z) != Z_OK) pdf_raise(PdfError::memory);
  f->open = 1;
  pdf_stream_push_stage(s, &f->source);
}
