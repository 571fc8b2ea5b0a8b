// PdfStream: the byte source everything the reader reads comes through. A
// window over the file, one byte of push-back, and for stream data a chain
// of decoding stages whose last one is the top source.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_file_window.h"
#include "raster/mrc/pdf/pdf_source.h"

struct PdfStream {
  PdfFileWindow* window;
  int32_t has_pushed;
  int32_t pushed;
  PdfSource* top;
};

// A stream over [start, start + length) of the file, or [start, file size)
// when length is -1, positioned at start. Raises 3 for a negative start or
// a length below -1.
PdfStream* pdf_stream_new(int64_t start, int64_t length);
// The pushed-back byte if there is one, else the top source's next byte; -1
// at the end.
int32_t pdf_stream_get(PdfStream* s);
// Up to n bytes, pushed-back byte first; the count delivered.
int32_t pdf_stream_read(PdfStream* s, uint8_t* buffer, int32_t n);
// Pushes one byte back; a second give-back replaces the first.
void pdf_stream_give_back(PdfStream* s, int32_t byte);
// Clears the push-back and returns the byte before the window's position.
int32_t pdf_stream_get_back(PdfStream* s);
void pdf_stream_seek(PdfStream* s, int64_t offset, int32_t origin);
int64_t pdf_stream_tell(const PdfStream* s);
// Closes the whole chain of stages.
void pdf_stream_close(PdfStream* s);
// Puts a stage on top: the stage's `below` becomes the old top.
void pdf_stream_push_stage(PdfStream* s, PdfSource* stage);
