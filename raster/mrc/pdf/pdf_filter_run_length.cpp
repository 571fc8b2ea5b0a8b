// The run-length stage: a length byte below 128 is followed by that many
// plus one literal bytes, 129 to 255 repeat the next byte 257 - L times, 128
// ends the data.
#include <cstdint>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_filters.h"

namespace {

struct RunLengthStage {
  PdfSource source;
  int32_t ended;
  int32_t count;  // bytes of run still to deliver
  int32_t at;
  uint8_t run[128];
};

bool next_run(RunLengthStage* r) {
  if (r->ended) return false;
  PdfSource* below = r->source.below;
  int32_t length = below->get(below);
  if (length < 0 || length == 128) {
    r->ended = 1;
    return false;
  }
  r->at = 0;
  if (length < 128) {
    // A run cut short by the end of the source delivers only what was read.
    int32_t got = below->read(below, r->run, length + 1);
    r->count = got > 0 ? got : 0;
    if (r->count < length + 1) r->ended = 1;
    return true;
  }
  int32_t byte = below->get(below);
  if (byte < 0) {
    r->ended = 1;
    return false;
  }
  r->count = 257 - length;
  for (int32_t i = 0; i < r->count; ++i) r->run[i] = uint8_t(byte);
  return true;
}

int32_t run_length_get(PdfSource* self) {
  auto* r = reinterpret_cast<RunLengthStage*>(self);
  while (r->at >= r->count) {
    if (!next_run(r)) return -1;
  }
  return r->run[r->at++];
}

}  // namespace

void pdf_install_run_length(PdfStream* s) {
  auto* r = static_cast<RunLengthStage*>(pdf_alloc(sizeof(RunLengthStage)));
  r->source = PdfSource{&run_length_get, &pdf_source_read_bytes, &pdf_source_close_plain, nullptr};
  r->ended = r->count = r->at = 0;
  pdf_stream_push_stage(s, &r->source);
}
