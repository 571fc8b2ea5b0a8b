// The reader's file, through C stdio.
#include "raster/mrc/pdf/pdf_file.h"

#include <cstdio>

#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_state.h"

int32_t pdf_file_open(const char* path) {
  PdfParserState& s = pdf_state();
  pdf_file_close();
  if (!path) return -1;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return -1;
  off_t size = -1;
  if (fseeko(f, 0, SEEK_END) == 0) size = ftello(f);
  if (size < 0 || fseeko(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return -1;
  }
  s.file = f;
  s.file_size = int64_t(size);
  return 0;
}

int64_t pdf_file_read(void* buffer, int64_t count) {
  PdfParserState& s = pdf_state();
  if (!s.file || count < 0) pdf_raise(PdfError::io);
  int64_t at = pdf_file_tell();
  int64_t left = at < s.file_size ? s.file_size - at : 0;
  if (count > left) count = left;
  if (count == 0) return 0;
  size_t got = std::fread(buffer, 1, size_t(count), s.file);
  if (std::ferror(s.file)) {
    std::clearerr(s.file);
    pdf_raise(PdfError::io);
  }
  return int64_t(got);
}

int32_t pdf_file_seek(int64_t offset, int32_t origin) {
  PdfParserState& s = pdf_state();
  if (!s.file) pdf_raise(PdfError::io);
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
  if (whence < 0 || fseeko(s.file, off_t(offset), whence) != 0) pdf_raise(PdfError::io);
  return 0;
}

int64_t pdf_file_tell() {
  PdfParserState& s = pdf_state();
  if (!s.file) pdf_raise(PdfError::io);
  off_t at = ftello(s.file);
  if (at < 0) pdf_raise(PdfError::io);
  return int64_t(at);
}

int64_t pdf_file_size() { return pdf_state().file ? pdf_state().file_size : 0; }

void pdf_file_close() {
  PdfParserState& s = pdf_state();
  if (s.file) std::fclose(s.file);
  s.file = nullptr;
  s.file_size = 0;
}
