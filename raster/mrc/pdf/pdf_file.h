// File access of the PDF reader core: C stdio on a narrow path, the size
// measured once at open. Only the byte sources read through it.
#pragma once

#include <cstdint>

// Opens the file as untranslated bytes and measures its size; 0, or -1 when
// it cannot be opened or measured. A file open already is closed first.
int32_t pdf_file_open(const char* path);
// Reads at most count bytes, never past the size measured at open; returns
// the bytes really read (fewer when the file has shrunk), raises 11 when the
// read fails.
int64_t pdf_file_read(void* buffer, int64_t count);
// Origin 0 from the start, 1 from the current position, 2 from the end;
// returns 0, raises 11 when the seek fails or would go before the start.
int32_t pdf_file_seek(int64_t offset, int32_t origin);
// The current offset; raises 11 when it cannot be had.
int64_t pdf_file_tell();
// The size measured at open (0 without a file).
int64_t pdf_file_size();
void pdf_file_close();
