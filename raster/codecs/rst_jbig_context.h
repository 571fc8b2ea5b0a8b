// The JBIG codec record (ITU-T T.82, one resolution layer, up to 35
// bit-planes) and the routines its encoder and decoder share: the image
// header, the byte input and output with push-back, the bookkeeping of planes,
// stripes and lines, and the queue of adaptive-template moves. All state lives
// in the record; the caller allocates it zero-filled and runs an init.
#pragma once

#include <cstdint>

struct JbigCodecContext;

// Encoder output: called once for every byte.
using JbigByteOut = void (*)(JbigCodecContext* ctx, uint8_t byte, void* user);
// Decoder input: returns the next byte; a failing source sets error 4 through
// rst_jbig_set_error and returns 0.
using JbigByteIn = uint8_t (*)(JbigCodecContext* ctx, void* user);

inline constexpr int kJbigPlaneRecords = 36;
inline constexpr int kJbigLineBuffers = 73;
inline constexpr int kJbigLineLead = 20;  // zero bytes in front of every line
inline constexpr int kJbigLineBytes = 4096;
inline constexpr int kJbigLineStride = kJbigLineLead + kJbigLineBytes;
inline constexpr int kJbigMoveQueue = 64;

// Options bits acted on.
inline constexpr uint8_t kJbigLrltwo = 0x40;
inline constexpr uint8_t kJbigVlength = 0x20;
inline constexpr uint8_t kJbigTpbon = 0x08;
// Order bit acted on.
inline constexpr uint8_t kJbigSmid = 0x01;

// Error codes.
enum JbigError : int32_t {
  kJbigBadInit = 1,
  kJbigBadState = 3,
  kJbigIoFailed = 4,
  kJbigAborted = 5,
  kJbigNoMarker = 7,
  kJbigMovesFull = 8,
  kJbigBadNewlen = 9,
  kJbigBadDl = 10,
  kJbigBadD = 11,
  kJbigBadP = 12,
  kJbigBadXd = 13,
  kJbigBadYd = 14,
  kJbigBadL0 = 15,
  kJbigBadMx = 16,
  kJbigBadMy = 17,
  kJbigBadTx = 18,
  kJbigBadTy = 19,
};

// State words: 0x8000 encoder, 0x4000 decoder, low bits the phase.
inline constexpr uint32_t kJbigEncoder = 0x8000;
inline constexpr uint32_t kJbigDecoder = 0x4000;
inline constexpr uint32_t kJbigInitialised = 0x01;
inline constexpr uint32_t kJbigHeaderDone = 0x02;
inline constexpr uint32_t kJbigStripeNormal = 0x04;
inline constexpr uint32_t kJbigStripeReset = 0x08;
inline constexpr uint32_t kJbigInStripe = 0x10;
inline constexpr uint32_t kJbigFinished = 0x20;

struct JbigPlaneRecord {
  uint8_t reset;  // the next stripe starts from cleared lines and states
  uint8_t lntp;   // bit 7: the previous line was not typical
  uint8_t moves_count;
  uint8_t tx;
  uint8_t ty;
  uint32_t moves_line[kJbigMoveQueue];
  uint8_t moves_tx[kJbigMoveQueue];
  uint8_t moves_ty[kJbigMoveQueue];
  uint8_t* ref1;  // line y-1
  uint8_t* ref2;  // line y-2
  uint32_t a;
  uint32_t c;
  int32_t ct;
  uint32_t zero_run;     // encoder: 0x00 bytes held back
  uint32_t sc;           // encoder: stacked 0xFF bytes
  uint32_t buffer;       // encoder: byte waiting for a carry; 0x100 none
  uint8_t states[1024];  // bit 7 the more probable symbol, bits 0-6 the index
};

struct JbigCodecContext {
  int32_t error;
  int32_t mode;
  uint8_t template_class;
  // Line cursors of the running line: its pixel bytes and those of the
  // reference lines, and the bit windows the template loops slide along.
  uint8_t* cursor_line;
  const uint8_t* cursor_ref1;
  const uint8_t* cursor_ref2;
  uint32_t window_line;
  uint32_t window_ref1;
  uint32_t window_ref2;
  uint8_t atmove_count;
  uint32_t atmove_line[kJbigMoveQueue];
  uint8_t atmove_tx[kJbigMoveQueue];
  uint8_t atmove_ty[kJbigMoveQueue];
  uint8_t dl;
  uint8_t d;
  uint8_t p;
  uint32_t xd;
  uint32_t yd;
  uint32_t l0;
  uint8_t mx;
  uint8_t my;
  uint8_t order;
  uint8_t options;
  // 73 lines of 20 zero bytes and 4096 pixel bytes; the tail keeps reads
  // one word past the last line inside the record.
  uint8_t lines[kJbigLineBuffers * kJbigLineStride + 8];
  uint8_t* current_line;
  uint8_t* ref_line1;
  uint8_t* ref_line2;
  uint32_t plane;
  uint32_t stripe;
  uint32_t line;
  JbigPlaneRecord planes[kJbigPlaneRecords];
  uint32_t state;
  uint8_t pushback[8];
  uint32_t pushback_count;
  union {
    JbigByteOut out;
    JbigByteIn in;
  } io;
  void* io_user;
};

// Setters: only before the header is written or read (else error 3).
int32_t rst_jbig_set_size(JbigCodecContext* ctx, uint32_t width, uint32_t height);
int32_t rst_jbig_set_l0(JbigCodecContext* ctx, uint32_t l0);
int32_t rst_jbig_set_planes(JbigCodecContext* ctx, uint32_t planes);
int32_t rst_jbig_set_mx(JbigCodecContext* ctx, uint32_t mx);
int32_t rst_jbig_set_order(JbigCodecContext* ctx, uint32_t order);
int32_t rst_jbig_set_options(JbigCodecContext* ctx, uint32_t options);
// Records code unless an error is already set; returns the error.
int32_t rst_jbig_set_error(JbigCodecContext* ctx, int32_t code);

// Getters: 0 once an error is set.
int32_t rst_jbig_error(const JbigCodecContext* ctx);
uint32_t rst_jbig_width(const JbigCodecContext* ctx);
uint32_t rst_jbig_height(const JbigCodecContext* ctx);
uint32_t rst_jbig_l0(const JbigCodecContext* ctx);
uint32_t rst_jbig_planes(const JbigCodecContext* ctx);
uint32_t rst_jbig_order(const JbigCodecContext* ctx);
uint32_t rst_jbig_plane(const JbigCodecContext* ctx);
uint32_t rst_jbig_line(const JbigCodecContext* ctx);
uint32_t rst_jbig_stripe_line(const JbigCodecContext* ctx);

// Routines of the encoder and the decoder.
void rst_jbig_reset_defaults(JbigCodecContext* ctx, int32_t mode);
bool rst_jbig_state_allows(JbigCodecContext* ctx, uint32_t mask);  // else error 3
int32_t rst_jbig_check_header(JbigCodecContext* ctx);
void rst_jbig_write_bih(JbigCodecContext* ctx);
void rst_jbig_read_bih(JbigCodecContext* ctx);
uint8_t rst_jbig_get_byte(JbigCodecContext* ctx);
void rst_jbig_unget_byte(JbigCodecContext* ctx, uint8_t byte);
uint32_t rst_jbig_get32(JbigCodecContext* ctx);
void rst_jbig_put_byte(JbigCodecContext* ctx, uint8_t byte);
void rst_jbig_put32(JbigCodecContext* ctx, uint32_t value);
void rst_jbig_begin_line(JbigCodecContext* ctx);
void rst_jbig_end_line(JbigCodecContext* ctx);
void rst_jbig_copy_line_in(JbigCodecContext* ctx, const uint8_t* pixels);
void rst_jbig_copy_line_out(JbigCodecContext* ctx, uint8_t* pixels);
uint8_t rst_jbig_line_differs(const JbigCodecContext* ctx);
void rst_jbig_repeat_line(JbigCodecContext* ctx);
void rst_jbig_queue_atmove(JbigCodecContext* ctx, uint32_t yat, uint8_t tx, uint8_t ty);
void rst_jbig_apply_newlen(JbigCodecContext* ctx, uint32_t yd);

// Bytes of one line, (xd + 7) / 8.
inline uint32_t rst_jbig_line_bytes(const JbigCodecContext* ctx) { return (ctx->xd + 7) / 8; }
