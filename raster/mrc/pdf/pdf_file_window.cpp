// The file window: every byte a stream reads from the file passes here.
#include "raster/mrc/pdf/pdf_file_window.h"

#include <new>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_file.h"

namespace {

// Fills the buffer from the file at offset.
void fill_at(PdfFileWindow* w, int64_t offset) {
  pdf_file_seek(offset, 0);
  w->last_fill = pdf_file_read(w->buffer, kPdfWindowBytes);
  w->window_start = offset;
  w->window_end = offset + w->last_fill;
}

int32_t get_op(PdfSource* s) { return pdf_window_get(reinterpret_cast<PdfFileWindow*>(s)); }

int32_t read_op(PdfSource* s, uint8_t* buffer, int32_t n) {
  return pdf_window_read(reinterpret_cast<PdfFileWindow*>(s), buffer, n);
}

void close_op(PdfSource*, int32_t) {}

// Makes the byte at the position available; false at the window's end. A
// file that now ends before the range measured at open raises 11 rather than
// leaving the old buffer to be read again.
bool ensure(PdfFileWindow* w) {
  if (w->position >= w->end) return false;
  if (w->position >= w->window_start && w->position < w->window_end) return true;
  fill_at(w, w->position);
  if (w->window_end <= w->position) pdf_raise(PdfError::io);
  return true;
}

}  // namespace

PdfFileWindow* pdf_window_new(int64_t start, int64_t end) {
  if (start < 0 || end < start) pdf_raise(PdfError::range);
  int64_t size = pdf_file_size();
  if (end > size) end = size;
  if (start > end) start = end;
  auto* w = static_cast<PdfFileWindow*>(pdf_alloc(sizeof(PdfFileWindow)));
  w->source = PdfSource{&get_op, &read_op, &close_op, nullptr};
  w->end = end;
  w->position = start;
  fill_at(w, start);
  return w;
}

int32_t pdf_window_get(PdfFileWindow* w) {
  if (!ensure(w)) return -1;
  return w->buffer[w->position++ - w->window_start];
}

int32_t pdf_window_read(PdfFileWindow* w, uint8_t* buffer, int32_t n) {
  int32_t done = 0;
  while (done < n && ensure(w)) {
    int64_t avail = (w->window_end < w->end ? w->window_end : w->end) - w->position;
    int32_t k = int32_t(avail < n - done ? avail : n - done);
    const uint8_t* from = w->buffer + (w->position - w->window_start);
    for (int32_t i = 0; i < k; ++i) buffer[done + i] = from[i];
    done += k;
    w->position += k;
  }
  return done;
}

int32_t pdf_window_get_back(PdfFileWindow* w) {
  if (w->position <= 0) return -1;
  if (w->position <= w->window_start || w->position > w->window_end) {
    int64_t old = w->position;
    int64_t k = old < kPdfWindowBackStep ? old : kPdfWindowBackStep;
    fill_at(w, old - k);
    if (w->window_end < old) pdf_raise(PdfError::io);
    w->window_end = old;
  }
  --w->position;
  return w->buffer[w->position - w->window_start];
}

void pdf_window_seek(PdfFileWindow* w, int64_t offset, int32_t origin) {
  int64_t base = origin == 0 ? 0 : origin == 1 ? w->position : w->end;
  int64_t to = base + offset;
  if (origin < 0 || origin > 2 || to < 0) pdf_raise(PdfError::io);
  w->position = to;
  fill_at(w, to);
}

int64_t pdf_window_tell(const PdfFileWindow* w) { return w->position; }
