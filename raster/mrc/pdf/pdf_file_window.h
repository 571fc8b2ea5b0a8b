// A 4096-byte window over a range of the open file. Reading forward refills
// it 4096 bytes at a time; reading backwards steps back up to 1024 bytes.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_source.h"

inline constexpr int32_t kPdfWindowBytes = 4096;
inline constexpr int32_t kPdfWindowBackStep = 1024;

struct PdfFileWindow {
  PdfSource source;  // first, so that the window is a source
  int64_t end;       // one past the last byte the window may deliver
  int64_t window_start;
  int64_t window_end;
  int64_t position;
  int64_t last_fill;  // bytes the last refill obtained
  uint8_t buffer[kPdfWindowBytes];
};

// A window over [start, end) of the file, end clamped to the file's size,
// filled at start. Raises 3 for a negative start or an end before it.
PdfFileWindow* pdf_window_new(int64_t start, int64_t end);
int32_t pdf_window_get(PdfFileWindow* w);
int32_t pdf_window_read(PdfFileWindow* w, uint8_t* buffer, int32_t n);
// The byte before the position, moving back; -1 at offset 0.
int32_t pdf_window_get_back(PdfFileWindow* w);
// Origin 0 absolute, 1 from the position, 2 from the window's end; refills.
void pdf_window_seek(PdfFileWindow* w, int64_t offset, int32_t origin);
int64_t pdf_window_tell(const PdfFileWindow* w);
