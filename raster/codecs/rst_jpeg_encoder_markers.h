// The JPEG encoder's marker segments: the header from SOI to SOS with the
// stream positions of its tables and of the SOF height, the restart and end
// markers, and the later rewrite of the SOF height.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"

// The header kind a context writes: its own, or by colour code when unset
// (CIELab and L* G3FAX, YCbCr JFIF, anything else none).
int32_t rst_jpeg_effective_header_kind(int32_t kind, uint32_t format);

// SOI, APP by header kind, DQT, DHT, DRI, SOF0, SOS, big-endian, the
// stream's byte order restored afterwards. 1, or -11 on a failed write.
int32_t rst_jpeg_write_headers(JpegCodecContext* c);
// FF D0 + restart count mod 8, then the count goes up. 1 or -11.
int32_t rst_jpeg_write_rst(JpegCodecContext* c);
// FF D9. 1 or -11.
int32_t rst_jpeg_write_eoi(JpegCodecContext* c);
// Writes height as the SOF height and comes back. 1 or -11.
int32_t rst_jpeg_rewrite_sof_height(JpegCodecContext* c, int32_t height);
