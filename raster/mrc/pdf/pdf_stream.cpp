// The reader's byte stream over the file window and its stages.
#include "raster/mrc/pdf/pdf_stream.h"

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_state.h"

PdfStream* pdf_stream_new(int64_t start, int64_t length) {
  if (start < 0 || length < -1) pdf_raise(PdfError::range);
  int64_t size = pdf_file_size();
  int64_t end = length == -1 || length > size ? size : start + length;
  if (end < start) end = start;
  auto* s = static_cast<PdfStream*>(pdf_alloc(sizeof(PdfStream)));
  s->window = pdf_window_new(start, end);
  s->has_pushed = 0;
  s->pushed = 0;
  s->top = &s->window->source;
  return s;
}

int32_t pdf_stream_get(PdfStream* s) {
  if (s->has_pushed) {
    s->has_pushed = 0;
    return s->pushed;
  }
  int32_t c = s->top->get(s->top);
  PdfParserState& st = pdf_state();
  if (c >= 0 && st.counting) ++st.counted;
  return c;
}

int32_t pdf_stream_read(PdfStream* s, uint8_t* buffer, int32_t n) {
  int32_t done = 0;
  if (n <= 0) return 0;
  if (s->has_pushed) {
    s->has_pushed = 0;
    buffer[done++] = uint8_t(s->pushed);
  }
  int32_t got = s->top->read(s->top, buffer + done, n - done);
  if (got < 0) got = 0;
  PdfParserState& st = pdf_state();
  if (st.counting) st.counted += got;
  return done + got;
}

void pdf_stream_give_back(PdfStream* s, int32_t byte) {
  if (byte < 0) return;
  s->has_pushed = 1;
  s->pushed = byte & 0xFF;
}

int32_t pdf_stream_get_back(PdfStream* s) {
  s->has_pushed = 0;
  return pdf_window_get_back(s->window);
}

void pdf_stream_seek(PdfStream* s, int64_t offset, int32_t origin) {
  s->has_pushed = 0;
  pdf_window_seek(s->window, offset, origin);
}

int64_t pdf_stream_tell(const PdfStream* s) { return pdf_window_tell(s->window); }

void pdf_stream_close(PdfStream* s) { s->top->close(s->top, 1); }

void pdf_stream_push_stage(PdfStream* s, PdfSource* stage) {
  stage->below = s->top;
  s->top = stage;
}
