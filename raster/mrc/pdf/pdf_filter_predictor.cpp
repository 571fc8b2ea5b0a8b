// The predictor stage over a Flate or LZW decoder: rows of the image are
// undone one at a time, the TIFF difference (Predictor 2) or the PNG filter
// named by each row's first byte (Predictor 10 to 15).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_filters.h"

namespace {

struct PredictorStage {
  PdfSource source;
  int32_t png;  // PNG filters by row, else the TIFF difference
  int32_t colors;
  int32_t bits;
  int32_t columns;
  int32_t row_bytes;
  int32_t pixel_bytes;  // left neighbour distance of the PNG filters
  int32_t ended;
  int32_t at;
  int32_t count;
  uint8_t* row;
  uint8_t* previous;
};

int32_t paeth(int32_t a, int32_t b, int32_t c) {
  int32_t q = a + b - c;
  int32_t pa = std::abs(q - a), pb = std::abs(q - b), pc = std::abs(q - c);
  if (pa <= pb && pa <= pc) return a;
  if (pc < pb) return c;
  return b;
}

void undo_png(PredictorStage* p, int32_t filter, int32_t n) {
  uint8_t* r = p->row;
  const uint8_t* up = p->previous;
  int32_t d = p->pixel_bytes;
  for (int32_t i = 0; i < n; ++i) {
    int32_t a = i >= d ? r[i - d] : 0;
    int32_t b = up[i];
    int32_t c = i >= d ? up[i - d] : 0;
    int32_t pred = 0;
    switch (filter) {
      case 1: pred = a; break;
      case 2: pred = b; break;
      case 3: pred = (a + b) / 2; break;
      case 4: pred = paeth(a, b, c); break;
      default: break;
    }
    r[i] = uint8_t(r[i] + pred);
  }
}

// Adds to each sample the one of the same colour to its left, modulo the
// sample range; samples below 8 bits are unpacked for it.
void undo_tiff(PredictorStage* p, int32_t n) {
  uint8_t* r = p->row;
  if (p->bits == 8) {
    for (int32_t i = p->colors; i < n; ++i) r[i] = uint8_t(r[i] + r[i - p->colors]);
    return;
  }
  int32_t bits = p->bits;
  uint32_t mask = (1u << bits) - 1;
  int64_t samples = int64_t(n) * 8 / bits;
  int64_t per_row = int64_t(p->columns) * p->colors;
  if (samples > per_row) samples = per_row;
  auto sample_at = [&](int64_t s) {
    int64_t bit = s * bits;
    return (uint32_t(r[bit / 8]) >> (8 - bits - bit % 8)) & mask;
  };
  for (int64_t s = p->colors; s < samples; ++s) {
    uint32_t v = (sample_at(s) + sample_at(s - p->colors)) & mask;
    int64_t bit = s * bits;
    int32_t shift = int32_t(8 - bits - bit % 8);
    r[bit / 8] = uint8_t((r[bit / 8] & ~(mask << shift)) | (v << shift));
  }
}

// Decodes the next row; false once the decoder beneath has ended.
bool next_row(PredictorStage* p) {
  if (p->ended) return false;
  PdfSource* below = p->source.below;
  uint8_t* t = p->previous;
  p->previous = p->row;
  p->row = t;
  int32_t filter = 0;
  if (p->png) {
    filter = below->get(below);
    if (filter < 0) {
      p->ended = 1;
      return false;
    }
    if (filter > 4) pdf_raise(PdfError::syntax);
  }
  int32_t n = 0;
  while (n < p->row_bytes) {
    int32_t got = below->read(below, p->row + n, p->row_bytes - n);
    if (got <= 0) break;
    n += got;
  }
  if (n < p->row_bytes) p->ended = 1;
  if (n == 0) return false;
  if (p->png) {
    undo_png(p, filter, n);
  } else {
    undo_tiff(p, n);
  }
  p->at = 0;
  p->count = n;
  return true;
}

int32_t predictor_get(PdfSource* self) {
  auto* p = reinterpret_cast<PredictorStage*>(self);
  if (p->at >= p->count && !next_row(p)) return -1;
  return p->row[p->at++];
}

int32_t predictor_read(PdfSource* self, uint8_t* buffer, int32_t n) {
  auto* p = reinterpret_cast<PredictorStage*>(self);
  int32_t done = 0;
  while (done < n) {
    if (p->at >= p->count && !next_row(p)) break;
    int32_t k = p->count - p->at < n - done ? p->count - p->at : n - done;
    std::memcpy(buffer + done, p->row + p->at, size_t(k));
    p->at += k;
    done += k;
  }
  return done;
}

// An integer parameter: its default when absent, 2 when not an integer.
int32_t parameter(const PdfList* parms, const char* key, int32_t fallback) {
  const PdfValue* v = pdf_dict_get(parms, key);
  if (!v) return fallback;
  if (v->kind != PdfKind::integer) pdf_raise(PdfError::type);
  return v->value.integer;
}

}  // namespace

void pdf_install_predictor(PdfStream* s, const PdfList* parms) {
  int32_t predictor = parameter(parms, "Predictor", 1);
  int32_t colors = parameter(parms, "Colors", 1);
  int32_t bits = parameter(parms, "BitsPerComponent", 8);
  int32_t columns = parameter(parms, "Columns", 1);
  bool known = predictor == 1 || predictor == 2 || (predictor >= 10 && predictor <= 15);
  bool depth = bits == 1 || bits == 2 || bits == 4 || bits == 8;
  if (!known || !depth || colors < 1 || colors > 32 || columns < 1) pdf_raise(PdfError::unsupported);
  int64_t row = (int64_t(bits) * columns * colors + 7) / 8;
  if (row > kPdfMaxPredictorRow) pdf_raise(PdfError::unsupported);
  if (predictor == 1) return;
  auto* p = static_cast<PredictorStage*>(pdf_alloc(sizeof(PredictorStage)));
  std::memset(p, 0, sizeof(PredictorStage));
  p->source = PdfSource{&predictor_get, &predictor_read, &pdf_source_close_plain, nullptr};
  p->png = predictor >= 10;
  p->colors = colors;
  p->bits = bits;
  p->columns = columns;
  p->row_bytes = int32_t(row);
  p->pixel_bytes = (colors * bits + 7) / 8;
  p->row = static_cast<uint8_t*>(pdf_alloc(size_t(row)));
  p->previous = static_cast<uint8_t*>(pdf_alloc(size_t(row)));
  std::memset(p->row, 0, size_t(row));
  std::memset(p->previous, 0, size_t(row));
  pdf_stream_push_stage(s, &p->source);
}
