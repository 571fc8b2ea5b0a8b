#include "raster/codecs/rst_jbig_decoder.h"

#include <cstring>

#include "raster/codecs/rst_jbig_probability.h"

namespace {

constexpr uint32_t kStripeNormal = kJbigDecoder | kJbigStripeNormal;
constexpr uint32_t kStripeReset = kJbigDecoder | kJbigStripeReset;
constexpr uint32_t kInStripe = kJbigDecoder | kJbigInStripe;

uint8_t no_input(JbigCodecContext* ctx, void*) {
  rst_jbig_set_error(ctx, kJbigIoFailed);
  return 0;
}

bool stripe_closed(const JbigCodecContext* ctx) { return ctx->state == kStripeNormal || ctx->state == kStripeReset; }

// Takes the next byte of stripe data into bits 8-15 of c. Once the stripe's
// data has ended (or an error stopped the input) the rest decodes from zero
// bits, and nothing more is read.
[[gnu::noinline]] void byte_in(JbigCodecContext* ctx, JbigPlaneRecord& pr) {
  pr.ct = 8;
  if (ctx->state != kInStripe || ctx->error) return;
  uint8_t b = rst_jbig_get_byte(ctx);
  if (b != 0xFF) {
    pr.c |= static_cast<uint32_t>(b) << 8;
    return;
  }
  uint8_t m = rst_jbig_get_byte(ctx);
  switch (m) {
    case 0x00: pr.c |= 0xFF00; break;
    case 0x02: ctx->state = kStripeNormal; break;
    case 0x03: ctx->state = kStripeReset; break;
    case 0x04: rst_jbig_set_error(ctx, kJbigAborted); break;
    default:
      pr.c |= 0xFF00;
      rst_jbig_unget_byte(ctx, m);
      break;
  }
}

struct Coder {
  JbigCodecContext* ctx;
  JbigPlaneRecord& pr;
  uint8_t* states;
  uint32_t a;
  uint32_t c;
  int32_t ct;

  Coder(JbigCodecContext* context, JbigPlaneRecord& plane)
      : ctx(context), pr(plane), states(plane.states), a(plane.a), c(plane.c), ct(plane.ct) {}
  ~Coder() {
    pr.a = a;
    pr.c = c;
    pr.ct = ct;
  }

  void fill() {
    pr.c = c;
    byte_in(ctx, pr);
    c = pr.c;
    ct = pr.ct;
  }

  inline uint32_t decode(uint32_t cx) {
    uint8_t s = states[cx];
    const JbigProbabilityState& e = kJbigProbability[s & 0x7F];
    uint32_t lsz = e.lsz;
    uint32_t mps = s >> 7;
    uint32_t pix;
    a -= lsz;
    if ((c >> 16) < a) {
      if (a >= 0x8000) return mps;
      if (a < lsz) {
        pix = mps ^ 1;
        states[cx] = static_cast<uint8_t>(((s & 0x80) ^ (e.swtch << 7)) | e.nlps);
      } else {
        pix = mps;
        states[cx] = static_cast<uint8_t>((s & 0x80) | e.nmps);
      }
    } else {
      c -= a << 16;
      if (a < lsz) {
        pix = mps;
        states[cx] = static_cast<uint8_t>((s & 0x80) | e.nmps);
      } else {
        pix = mps ^ 1;
        states[cx] = static_cast<uint8_t>(((s & 0x80) ^ (e.swtch << 7)) | e.nlps);
      }
      a = lsz;
    }
    do {
      if (ct == 0) fill();
      a <<= 1;
      c <<= 1;
      --ct;
    } while (a < 0x8000);
    if (ct == 0) fill();
    return pix;
  }
};

// Context of pixel k of the byte whose reference bytes the windows up1 and up2
// have just taken in; cur holds the decoded pixels, the last one in bit 0.
// Classes 0-2 use the two-line template, 3-5 the three-line one; 1, 2, 4 and
// 5 take the adaptive pixel at x - tx of the running line.
template <int kClass>
inline uint32_t context_at(const uint8_t* line, uint32_t cur, uint32_t up1, uint32_t up2, int x, int k, int tx) {
  uint32_t at = 0;
  if (kClass == 1 || kClass == 4) {
    at = (cur >> (tx - 1)) & 1;
  } else if (kClass == 2 || kClass == 5) {
    int pos = x - tx;  // at most 127 pixels left of the line, inside its zero lead
    at = (line[pos >> 3] >> (7 - (pos & 7))) & 1;
  }
  switch (kClass) {
    case 0: return ((up1 >> (13 - k)) & 0x3F) << 4 | (cur & 0xF);
    case 1:
    case 2: return ((up1 >> (14 - k)) & 0x1F) << 5 | at << 4 | (cur & 0xF);
    case 3: return ((up2 >> (14 - k)) & 0x7) << 7 | ((up1 >> (13 - k)) & 0x1F) << 2 | (cur & 0x3);
    default: return ((up2 >> (14 - k)) & 0x7) << 7 | ((up1 >> (14 - k)) & 0xF) << 3 | at << 2 | (cur & 0x3);
  }
}

template <int kClass>
void decode_pixels(JbigCodecContext* ctx, Coder& coder, int tx) {
  constexpr bool kThreeLine = kClass >= 3;
  uint8_t* line = ctx->current_line;
  const uint8_t* ref1 = ctx->ref_line1;
  const uint8_t* ref2 = ctx->ref_line2;
  uint32_t full = ctx->xd / 8;
  uint32_t rest = ctx->xd & 7;
  uint32_t cur = 0;
  uint32_t up1 = ref1[0];
  uint32_t up2 = kThreeLine ? ref2[0] : 0;
  for (uint32_t i = 0; i < full; ++i) {
    up1 = up1 << 8 | ref1[i + 1];
    if (kThreeLine) up2 = up2 << 8 | ref2[i + 1];
    int x = static_cast<int>(8 * i);
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) cur = cur << 1 | coder.decode(context_at<kClass>(line, cur, up1, up2, x + k, k, tx));
    line[i] = static_cast<uint8_t>(cur);
  }
  if (rest) {
    up1 = up1 << 8 | ref1[full + 1];
    if (kThreeLine) up2 = up2 << 8 | ref2[full + 1];
    int x = static_cast<int>(8 * full);
    for (int k = 0; k < static_cast<int>(rest); ++k)
      cur = cur << 1 | coder.decode(context_at<kClass>(line, cur, up1, up2, x + k, k, tx));
    line[full] = static_cast<uint8_t>(cur << (8 - rest));
  }
  ctx->window_line = cur;
  ctx->window_ref1 = up1;
  ctx->window_ref2 = up2;
}

void read_markers(JbigCodecContext* ctx) {
  while (!ctx->error) {
    uint8_t b = rst_jbig_get_byte(ctx);
    if (b != 0xFF) {
      rst_jbig_unget_byte(ctx, b);
      return;
    }
    uint8_t m = rst_jbig_get_byte(ctx);
    switch (m) {
      case 0x04: rst_jbig_set_error(ctx, kJbigAborted); return;
      case 0x05: {
        uint32_t yd = rst_jbig_get32(ctx);
        if (!ctx->error) rst_jbig_apply_newlen(ctx, yd);
        // A NEWLEN that ends the image is the last segment of the data:
        // nothing may be read past it.
        if (!ctx->error && ctx->line + 1 >= ctx->yd && ctx->plane + 1 >= ctx->p) return;
        break;
      }
      case 0x06: {
        uint32_t yat = rst_jbig_get32(ctx);
        uint8_t tx = rst_jbig_get_byte(ctx);
        uint8_t ty = rst_jbig_get_byte(ctx);
        if (!ctx->error) rst_jbig_queue_atmove(ctx, yat, tx, ty);
        break;
      }
      case 0x07: {
        // Stops as soon as the input fails: a comment may announce 4 GB.
        uint32_t length = rst_jbig_get32(ctx);
        for (uint32_t i = 0; i < length && !ctx->error; ++i) rst_jbig_get_byte(ctx);
        break;
      }
      default:
        rst_jbig_unget_byte(ctx, m);
        rst_jbig_unget_byte(ctx, 0xFF);
        return;
    }
  }
}

void stripe_end_check(JbigCodecContext* ctx) {
  if (ctx->state == kInStripe) {
    uint8_t b = rst_jbig_get_byte(ctx);
    if (b != 0xFF) {
      rst_jbig_set_error(ctx, kJbigNoMarker);
    } else {
      uint8_t m = rst_jbig_get_byte(ctx);
      if (m == 0x02) {
        ctx->state = kStripeNormal;
      } else if (m == 0x03) {
        ctx->state = kStripeReset;
      } else if (m == 0x04) {
        rst_jbig_set_error(ctx, kJbigAborted);
      } else {
        rst_jbig_unget_byte(ctx, m);
        rst_jbig_unget_byte(ctx, 0xFF);
      }
    }
  }
  if (!stripe_closed(ctx)) rst_jbig_set_error(ctx, kJbigBadState);
}

}  // namespace

int32_t rst_jbig_dec_init(JbigCodecContext* ctx, int32_t mode, int32_t major, int32_t minor, uint32_t size) {
  if (major != 1 || minor != 4 || size != sizeof(JbigCodecContext)) return rst_jbig_set_error(ctx, kJbigBadInit);
  ctx->error = 0;
  ctx->state = kJbigDecoder | kJbigInitialised;
  rst_jbig_reset_defaults(ctx, mode);
  ctx->io.in = no_input;
  ctx->io_user = nullptr;
  return 0;
}

int32_t rst_jbig_dec_set_input(JbigCodecContext* ctx, JbigByteIn in, void* user) {
  if (ctx->error) return ctx->error;
  if (ctx->state != (kJbigDecoder | kJbigInitialised)) return rst_jbig_set_error(ctx, kJbigBadState);
  ctx->io.in = in ? in : no_input;
  ctx->io_user = user;
  return 0;
}

int32_t rst_jbig_dec_read_header(JbigCodecContext* ctx) {
  if (ctx->error) return ctx->error;
  if (ctx->state != (kJbigDecoder | kJbigInitialised)) return rst_jbig_set_error(ctx, kJbigBadState);
  rst_jbig_read_bih(ctx);
  if (!ctx->error) rst_jbig_check_header(ctx);
  ctx->state = kJbigDecoder | kJbigHeaderDone;
  return ctx->error;
}

int32_t rst_jbig_dec_start(JbigCodecContext* ctx) {
  if (ctx->error) return ctx->error;
  if (ctx->state == (kJbigDecoder | kJbigInitialised)) {
    rst_jbig_check_header(ctx);
    ctx->state = kJbigDecoder | kJbigHeaderDone;
    if (ctx->error) return ctx->error;
  }
  if (ctx->state != (kJbigDecoder | kJbigHeaderDone)) return rst_jbig_set_error(ctx, kJbigBadState);
  ctx->state = kStripeReset;
  read_markers(ctx);
  return ctx->error;
}

int32_t rst_jbig_dec_line(JbigCodecContext* ctx, uint8_t* pixels) {
  if (ctx->error) return ctx->error;
  if (ctx->state != kStripeNormal && ctx->state != kStripeReset && ctx->state != kInStripe)
    return rst_jbig_set_error(ctx, kJbigBadState);
  if (ctx->line >= ctx->yd || ctx->plane >= ctx->p) return 0;
  JbigPlaneRecord& pr = ctx->planes[ctx->plane];
  if (ctx->line == 0) ctx->state = kStripeReset;
  if (ctx->line % ctx->l0 == 0) {
    if (pr.reset) {
      pr.lntp = 0x80;
      pr.tx = pr.ty = 0;
      std::memset(pr.states, 0, sizeof pr.states);
    }
    ctx->state = kInStripe;
    pr.c = 0;
    byte_in(ctx, pr);
    pr.c <<= 8;
    byte_in(ctx, pr);
    pr.c <<= 8;
    byte_in(ctx, pr);
    pr.a = 0x10000;
  }
  rst_jbig_begin_line(ctx);
  bool two_line = ctx->options & kJbigLrltwo;
  {
    Coder coder(ctx, pr);
    bool typical = false;
    if (ctx->options & kJbigTpbon) {
      uint32_t slntp = coder.decode(two_line ? 0x195 : 0x0E5);
      pr.lntp = static_cast<uint8_t>(pr.lntp ^ ((slntp ^ 1) << 7));
      if (pr.lntp == 0) {
        rst_jbig_repeat_line(ctx);
        typical = true;
      }
    }
    ctx->cursor_line = ctx->current_line;
    ctx->cursor_ref1 = ctx->ref_line1;
    ctx->cursor_ref2 = ctx->ref_line2;
    if (!typical) {
      int tx = pr.tx;
      switch (ctx->template_class) {
        case 0: decode_pixels<0>(ctx, coder, tx); break;
        case 1: decode_pixels<1>(ctx, coder, tx); break;
        case 2: decode_pixels<2>(ctx, coder, tx); break;
        case 3: decode_pixels<3>(ctx, coder, tx); break;
        case 4: decode_pixels<4>(ctx, coder, tx); break;
        default: decode_pixels<5>(ctx, coder, tx); break;
      }
    }
  }
  rst_jbig_copy_line_out(ctx, pixels);
  // The stripe's data may end before its last line.
  if (ctx->state == kInStripe && !ctx->error) {
    uint8_t b = rst_jbig_get_byte(ctx);
    uint8_t m = 0;
    if (b == 0xFF && (m = rst_jbig_get_byte(ctx)) == 0x02) {
      ctx->state = kStripeNormal;
    } else if (b == 0xFF && m == 0x03) {
      ctx->state = kStripeReset;
    } else {
      if (b == 0xFF) rst_jbig_unget_byte(ctx, m);
      rst_jbig_unget_byte(ctx, b);
    }
  }
  // Is another stripe of this or a later plane still to come?
  uint64_t next_stripe = static_cast<uint64_t>(ctx->line) - ctx->line % ctx->l0 + ctx->l0;
  bool last_plane = ctx->plane + 1u >= ctx->p;
  bool more = next_stripe < ctx->yd || !last_plane || ctx->yd == 0xFFFFFFFFu;
  if (stripe_closed(ctx) && more) read_markers(ctx);
  bool image_last = ctx->line >= ctx->yd - 1;
  if (ctx->line % ctx->l0 == ctx->l0 - 1 || image_last) {
    stripe_end_check(ctx);
    if (!(image_last && last_plane)) read_markers(ctx);
  }
  rst_jbig_end_line(ctx);
  return ctx->error;
}

int32_t rst_jbig_dec_finish(JbigCodecContext* ctx) {
  if (ctx->error) return ctx->error;
  if (ctx->state != kStripeNormal && ctx->state != kStripeReset && ctx->state != kInStripe)
    return rst_jbig_set_error(ctx, kJbigBadState);
  stripe_end_check(ctx);
  ctx->state = kJbigDecoder | kJbigFinished;
  return ctx->error;
}
