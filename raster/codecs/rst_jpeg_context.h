// The JPEG codec context: one plain record per decoding, the Huffman table
// records the decoder uses, and the routines shared by the core's parts
// (context allocation, Huffman code building, quantisation table growth and
// preparation, the sampling-pattern tests).
#pragma once

#include <cstdint>

class BrenvoldStream;

// Per lookahead index: the code length (0: longer than the lookahead width,
// decoded bit by bit) and the symbol.
struct JpegHuffmanLookahead {
  int32_t bits = 0;
  uint8_t* length = nullptr;  // 2^bits entries
  uint8_t* symbol = nullptr;
};

struct JpegHuffmanCode {
  uint8_t length;
  uint16_t code;
};

// One Huffman table as the decoder uses it (T.81 F.2.2.3).
struct JpegHuffmanInfo {
  JpegHuffmanCode* codes = nullptr;  // indexed by symbol value, slot_count entries
  uint8_t* bits = nullptr;           // 16 counts
  uint8_t* huffval = nullptr;        // as many symbols as the counts add up to
  int32_t valptr[16] = {};
  int32_t mincode[16] = {};
  int32_t maxcode[16] = {};  // -1 for a length without codes
  int32_t slot_count = 0;    // 16 DC, 256 AC; 0 while the slot is undefined
  JpegHuffmanLookahead* lookahead = nullptr;
};

// The thumbnail a JFIF or JFXX segment describes.
struct JpegThumbnailInfo {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t format = 0;
  uint32_t component_order = 0;
  int32_t palette = 0;
  int32_t palette_position = 0;
  int32_t data_position = 0;
};

// One component's samples of one MCU row.
struct JpegPlane {
  int32_t width = 0;   // samples per row in use
  int32_t rows = 0;    // rows in use
  int32_t stride = 0;  // bytes per row
  uint8_t* start = nullptr;
  uint8_t* row = nullptr;  // the next row to hand out
};

struct JpegCodecContext;
struct JpegComponent;

using JpegIdct = void (*)(const int32_t* block, const int32_t* multipliers, const int32_t* range, uint8_t* out,
                          int32_t stride);
using JpegResampler = void (*)(const JpegPlane& source, JpegPlane& target, int32_t horizontal, int32_t vertical,
                               int32_t width, int32_t rows);
using JpegBlockDecoder = int32_t (*)(JpegCodecContext* c, int32_t* block, int32_t component);

struct JpegComponent {
  int32_t id = 0;
  int32_t h = 1;  // blocks per MCU across
  int32_t v = 1;  // blocks per MCU down
  int32_t tq = 0;
  int32_t td = 0;
  int32_t ta = 0;
  int32_t in_scan = 0;
  int32_t dc_pred = 0;
  JpegIdct idct = nullptr;
  int32_t out_scale = 1;  // 1, 2, 4 or 8: the inverse DCT's reduction
  JpegResampler resampler = nullptr;
  int32_t resample_h = 1;  // factors of the resampler
  int32_t resample_v = 1;
  int32_t blocks_across = 0;  // blocks of the whole image (progressive store)
  int32_t blocks_down = 0;
  int32_t* store = nullptr;  // progressive coefficients, 64 per block
};

struct JpegCodecContext {
  // Image as delivered (reduced when decoding at a scale).
  int32_t width = 0;
  int32_t height = 0;
  int32_t frame_width = 0;
  int32_t frame_height = 0;
  int32_t bytes_per_pixel = 0;
  int32_t components = 0;
  uint32_t format = 0;  // (bits << 16) | colour code
  uint32_t component_order = 0;
  int32_t x_resolution = 0;
  int32_t y_resolution = 0;
  uint8_t divisors[6] = {1, 1, 1, 1, 1, 1};  // horizontal 0..2, vertical 0..2
  uint8_t scale_divisors[6] = {1, 1, 1, 1, 1, 1};
  JpegComponent comp[4];
  int32_t hmax = 1;
  int32_t vmax = 1;

  // MCU geometry.
  int32_t blocks_per_mcu = 0;
  int32_t mcus_per_row = 0;
  int32_t mcu_rows = 0;
  int32_t mcu_row = 0;  // the next MCU row to produce
  int32_t mcu_counter = 0;
  int32_t lines_left = 0;  // lines of the current MCU row still to hand out
  int32_t lines_per_mcu_row = 0;
  int32_t first_line = 0;
  int32_t last_line = 0;

  // Quantisation: 65 ints per table, the last one 1 once the table is defined.
  int32_t (*qtables)[65] = nullptr;
  int32_t qtable_count = 0;
  bool qtables_borrowed = false;
  // Decoder multipliers per table: the plain values (reduced transforms) and
  // the values scaled for the full-size AAN transform (10 fractional bits).
  int32_t (*multipliers)[64] = nullptr;
  int32_t (*fast_multipliers)[64] = nullptr;

  // Huffman tables.
  JpegHuffmanInfo* dc_tables = nullptr;
  int32_t dc_count = 0;
  JpegHuffmanInfo* ac_tables = nullptr;
  int32_t ac_count = 0;
  bool huffman_borrowed = false;
  bool tables_changed = true;
  int32_t lookahead_bits = 8;

  int32_t restart_interval = 0;
  int32_t restart_count = 0;
  int32_t header_kind = 0;
  int32_t accepted_kinds = 0xFFFF;
  int32_t frame_type = 0;  // 0xC0 or 0xC2
  bool frame_read = false;
  int32_t scans = 0;  // scan headers read
  int32_t ss = 0, se = 63, ah = 0, al = 0;
  int32_t scan_components = 0;
  int32_t scan_index[4] = {};  // frame component of each scan component
  int32_t pending_marker = 0;
  int32_t last_marker = 0;
  bool table_check = false;
  bool nested = false;  // a thumbnail's own header: no further thumbnail parse

  // Planes of one MCU row, and the block buffer.
  JpegPlane planes[4];
  uint8_t* plane_memory = nullptr;
  int32_t* blocks = nullptr;

  // Bit input.
  uint64_t bit_buffer = 0;
  int32_t bit_count = 0;
  int32_t zero_bits = 0;  // bits consumed beyond the data in this interval
  int32_t data_left = 1;  // 1, or -9999 once a marker has been met
  int32_t decode_status = 1;
  uint8_t* input = nullptr;
  int32_t input_fill = 0;
  int32_t input_pos = 0;
  int64_t coded_left = 0;
  int32_t eob_run = 0;
  JpegBlockDecoder block_decoder = nullptr;

  void (*line_out)(JpegCodecContext* c, uint8_t* line) = nullptr;
  int32_t (*mcu_row_producer)(JpegCodecContext* c) = nullptr;
  bool all_scans_decoded = false;

  JpegThumbnailInfo thumbnail;
  char* comment = nullptr;

  int32_t scale = 1;
  int32_t luminance_only = 0;
  const uint8_t* zigzag = nullptr;
  const int32_t* range = nullptr;
  BrenvoldStream* stream = nullptr;

  // Encoder: where the table data and the SOF height went, the quantisation
  // reciprocals (64 x 512 per table: entry k of coefficient i is k / q
  // rounded), the line input, block extraction and restart routines, and
  // the bit output (bytes gather in out before they go to the stream).
  int32_t* table_positions[9] = {};
  int32_t sof_height_position = 0;
  int16_t (*reciprocals)[512] = nullptr;
  int32_t down_sampling_mode = 1;
  int32_t lines_buffered = 0;
  void (*line_in)(JpegCodecContext* c, const uint8_t* line) = nullptr;
  void (*extract)(JpegCodecContext* c, int32_t mcu, int32_t* blocks) = nullptr;
  int32_t (*restart)(JpegCodecContext* c) = nullptr;
  bool restart_pending = false;  // an interval ended: its RSTn goes before the next MCU
  uint64_t put_buffer = 0;
  int32_t put_count = 0;
  int32_t put_status = 1;
  int32_t out_fill = 0;
  uint8_t out[4096];
};

// The largest coefficient store a progressive frame may allocate.
inline constexpr int64_t kJpegMaxCoefficientBytes = int64_t{1} << 30;
// More scans than this in one frame are taken for corrupt data.
inline constexpr int32_t kJpegMaxScans = 1000;

// A zero-filled context; null when memory runs out.
JpegCodecContext* rst_jpeg_context_new();
// Frees the context and everything it owns (not borrowed tables).
void rst_jpeg_context_free(JpegCodecContext* c);

// H1: per symbol the canonical (length, code); -2 when the counts announce
// more symbols than slots, a code outgrows its length or a symbol lies beyond
// the slots; -1 without memory.
int32_t rst_jpeg_huffman_codes(JpegHuffmanInfo* info, const uint8_t* bits, const uint8_t* huffval, int32_t slots);
// H2: the whole record; 1, or the code of H1, or -1.
int32_t rst_jpeg_build_huffman_info(JpegHuffmanInfo* info, const uint8_t* bits, const uint8_t* huffval, int32_t slots);
// Frees what the record owns and clears it.
void rst_jpeg_free_huffman_info(JpegHuffmanInfo* info);
// A deep copy into a cleared record; -1 without memory.
int32_t rst_jpeg_copy_huffman_info(JpegHuffmanInfo* to, const JpegHuffmanInfo& from);
// Frees a table holder made for preloading: its quantisation array, its
// Huffman arrays and the holder.
void rst_jpeg_free_preloaded_huffman(JpegCodecContext* holder);

// Enlarge the arrays by n cleared records (copying borrowed arrays first, so
// a holder's arrays are never changed); -1 without memory.
int32_t rst_jpeg_grow_qtables(JpegCodecContext* c, int32_t n);
int32_t rst_jpeg_grow_huffman_tables(JpegCodecContext* c, int32_t n, int32_t ac);
// Makes the quantisation and Huffman arrays the context's own before it
// changes them; -1 without memory.
int32_t rst_jpeg_own_qtables(JpegCodecContext* c);
int32_t rst_jpeg_own_huffman_tables(JpegCodecContext* c);

// Decoder multipliers (mode other than 1): the plain table values for the
// reduced inverse DCTs, and the values times the AAN scale factors
// ((q x factor + 8) / 16, factors at 14 fractional bits) for the full-size
// one. -1 without memory.
int32_t rst_jpeg_prepare_qtables(JpegCodecContext* c, int32_t mode, int32_t quality);
void rst_jpeg_free_qtables(JpegCodecContext* c);

int32_t rst_jpeg_is_444(const JpegCodecContext* c);
int32_t rst_jpeg_is_422(const JpegCodecContext* c);
int32_t rst_jpeg_is_420(const JpegCodecContext* c);
int32_t rst_jpeg_is_411(const JpegCodecContext* c);
