// The marker structure of a JPEG stream as the decoder reads it: the header
// from SOI to the first SOS, the segments between progressive scans, the
// markers at the ends of restart intervals and the DNL segment of a frame
// without height. Before the entropy decoder's input buffer exists every
// byte comes from the stream directly; afterwards through that buffer,
// never past the coded bytes left.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"

// A byte, -1 when none came (through the input buffer when it exists).
int32_t rst_jpeg_buffered_byte(JpegCodecContext* c);
// A big-endian 16-bit value, -1 when it could not be read.
int32_t rst_jpeg_read_u16(JpegCodecContext* c);
// Passes over n bytes; -11 when the stream cannot.
int32_t rst_jpeg_skip_bytes(JpegCodecContext* c, int32_t n);

// From SOI through the first SOS: 1, 100 (no resolution) or a code.
int32_t rst_jpeg_read_header(JpegCodecContext* c);
// Between progressive scans: to the next SOS, reading DHT segments on the way.
int32_t rst_jpeg_next_scan(JpegCodecContext* c);
// After a restart interval: RSTn or EOI give 1, DNL is read, else -3.
int32_t rst_jpeg_read_scan_end(JpegCodecContext* c);
int32_t rst_jpeg_skip_restarts(JpegCodecContext* c, int32_t n);

int32_t rst_jpeg_read_sof(JpegCodecContext* c);
int32_t rst_jpeg_read_dht(JpegCodecContext* c);
int32_t rst_jpeg_read_dqt(JpegCodecContext* c);
int32_t rst_jpeg_read_dri(JpegCodecContext* c);
int32_t rst_jpeg_read_sos(JpegCodecContext* c);
int32_t rst_jpeg_read_dnl(JpegCodecContext* c);
int32_t rst_jpeg_read_com(JpegCodecContext* c);
int32_t rst_jpeg_read_app0(JpegCodecContext* c);
int32_t rst_jpeg_read_app1(JpegCodecContext* c);
int32_t rst_jpeg_skip_segment(JpegCodecContext* c);

// The marker that must follow at once, or the next one found by scanning;
// the code (0xC0..0xFE), or -3 / -11.
int32_t rst_jpeg_read_marker(JpegCodecContext* c);
int32_t rst_jpeg_find_marker(JpegCodecContext* c);
int32_t rst_jpeg_find_dnl(JpegCodecContext* c);
// Index of the frame component with this id, or -3.
int32_t rst_jpeg_component_index(const JpegCodecContext* c, int32_t id);

// One entry of an embedded stream's description (H3).
struct JpegStreamDescription {
  JpegStreamDescription* next = nullptr;
  int32_t status = 1;
  int32_t kind = 1;  // 1 image, 2 thumbnail
  int32_t width = 0;
  int32_t height = 0;
  uint32_t format = 0;
  int32_t x_resolution = 0;
  int32_t y_resolution = 0;
  int32_t coding = 32;
  int32_t image_kind = 6;
};

// Parses the headers at the stream's position with a fresh context (no table
// check) and puts the stream back; null without memory. A nested parse reads
// no further JPEG-coded thumbnails.
JpegStreamDescription* rst_jpeg_describe_stream(BrenvoldStream* stream, bool nested = false);
void rst_jpeg_free_description(JpegStreamDescription* list);
