#include "raster/codecs/rst_jbig_context.h"

#include <cstring>

namespace {

uint8_t* line_buffer(JbigCodecContext* ctx, int index) { return ctx->lines + index * kJbigLineStride + kJbigLineLead; }

int32_t set_field(JbigCodecContext* ctx, auto apply) {
  if (ctx->error) return ctx->error;
  if (!rst_jbig_state_allows(ctx, 0xC001)) return ctx->error;
  apply();
  return ctx->error;
}

bool lines_left(const JbigCodecContext* ctx) { return ctx->line < ctx->yd && ctx->plane < ctx->p; }

}  // namespace

bool rst_jbig_state_allows(JbigCodecContext* ctx, uint32_t mask) {
  if ((ctx->state & ~mask) == 0 && ctx->state != 0) return true;
  rst_jbig_set_error(ctx, kJbigBadState);
  return false;
}

int32_t rst_jbig_set_size(JbigCodecContext* ctx, uint32_t width, uint32_t height) {
  return set_field(ctx, [&] {
    ctx->xd = width;
    ctx->yd = height;
  });
}

int32_t rst_jbig_set_l0(JbigCodecContext* ctx, uint32_t l0) {
  return set_field(ctx, [&] { ctx->l0 = l0; });
}

int32_t rst_jbig_set_planes(JbigCodecContext* ctx, uint32_t planes) {
  // Wider counts than a byte stay refused by the header check.
  return set_field(ctx, [&] { ctx->p = planes > 0xFF ? 0xFF : static_cast<uint8_t>(planes); });
}

int32_t rst_jbig_set_mx(JbigCodecContext* ctx, uint32_t mx) {
  return set_field(ctx, [&] { ctx->mx = mx > 0xFF ? 0xFF : static_cast<uint8_t>(mx); });
}

int32_t rst_jbig_set_order(JbigCodecContext* ctx, uint32_t order) {
  return set_field(ctx, [&] { ctx->order = static_cast<uint8_t>(order); });
}

int32_t rst_jbig_set_options(JbigCodecContext* ctx, uint32_t options) {
  return set_field(ctx, [&] { ctx->options = static_cast<uint8_t>(options); });
}

int32_t rst_jbig_set_error(JbigCodecContext* ctx, int32_t code) {
  if (!ctx->error) ctx->error = code;
  return ctx->error;
}

int32_t rst_jbig_error(const JbigCodecContext* ctx) { return ctx->error; }
uint32_t rst_jbig_width(const JbigCodecContext* ctx) { return ctx->error ? 0 : ctx->xd; }
uint32_t rst_jbig_height(const JbigCodecContext* ctx) { return ctx->error ? 0 : ctx->yd; }
uint32_t rst_jbig_l0(const JbigCodecContext* ctx) { return ctx->error ? 0 : ctx->l0; }
uint32_t rst_jbig_planes(const JbigCodecContext* ctx) { return ctx->error ? 0 : ctx->p; }
uint32_t rst_jbig_order(const JbigCodecContext* ctx) { return ctx->error ? 0 : ctx->order; }
uint32_t rst_jbig_plane(const JbigCodecContext* ctx) { return ctx->error ? 0 : ctx->plane; }

uint32_t rst_jbig_line(const JbigCodecContext* ctx) {
  if (ctx->error) return 0;
  return lines_left(ctx) ? ctx->line : ctx->yd;
}

uint32_t rst_jbig_stripe_line(const JbigCodecContext* ctx) {
  if (ctx->error) return 0;
  return ctx->line < ctx->yd && ctx->l0 ? ctx->line % ctx->l0 : ctx->l0;
}

void rst_jbig_reset_defaults(JbigCodecContext* ctx, int32_t mode) {
  ctx->mode = mode;
  ctx->template_class = 0;
  ctx->cursor_line = nullptr;
  ctx->cursor_ref1 = ctx->cursor_ref2 = nullptr;
  ctx->window_line = ctx->window_ref1 = ctx->window_ref2 = 0;
  ctx->atmove_count = 0;
  std::memset(ctx->atmove_line, 0, sizeof ctx->atmove_line);
  std::memset(ctx->atmove_tx, 0, sizeof ctx->atmove_tx);
  std::memset(ctx->atmove_ty, 0, sizeof ctx->atmove_ty);
  ctx->dl = ctx->d = 0;
  ctx->p = 1;
  ctx->xd = ctx->yd = 1;
  ctx->l0 = 128;
  ctx->mx = ctx->my = 0;
  ctx->order = mode == 3 ? 2 : 0;
  ctx->options = 0;
  std::memset(ctx->lines, 0, sizeof ctx->lines);
  ctx->current_line = line_buffer(ctx, 0);
  ctx->ref_line1 = ctx->ref_line2 = nullptr;
  ctx->plane = ctx->stripe = ctx->line = 0;
  for (int i = 0; i < kJbigPlaneRecords; ++i) {
    JbigPlaneRecord& pr = ctx->planes[i];
    std::memset(&pr, 0, sizeof pr);
    pr.reset = 1;
    pr.lntp = 0x80;
    pr.ref1 = line_buffer(ctx, 1 + 2 * i);
    pr.ref2 = line_buffer(ctx, 2 + 2 * i);
  }
  ctx->pushback_count = 0;
}

int32_t rst_jbig_check_header(JbigCodecContext* ctx) {
  int32_t code = 0;
  if (ctx->dl != 0) code = kJbigBadDl;
  else if (ctx->d != 0) code = kJbigBadD;
  else if (ctx->mode == 3 ? (ctx->p < 1 || ctx->p > 35) : ctx->p != 1) code = kJbigBadP;
  else if (ctx->xd == 0 || ctx->xd > 8 * kJbigLineBytes) code = kJbigBadXd;
  else if (ctx->yd == 0) code = kJbigBadYd;
  else if (ctx->l0 == 0) code = kJbigBadL0;
  else if (ctx->mx > 127) code = kJbigBadMx;
  else if (ctx->my != 0) code = kJbigBadMy;
  if (code) rst_jbig_set_error(ctx, code);
  return ctx->error;
}

void rst_jbig_write_bih(JbigCodecContext* ctx) {
  rst_jbig_put_byte(ctx, ctx->dl);
  rst_jbig_put_byte(ctx, ctx->d);
  rst_jbig_put_byte(ctx, ctx->p);
  rst_jbig_put_byte(ctx, 0);
  rst_jbig_put32(ctx, ctx->xd);
  rst_jbig_put32(ctx, ctx->yd);
  rst_jbig_put32(ctx, ctx->l0);
  rst_jbig_put_byte(ctx, ctx->mx);
  rst_jbig_put_byte(ctx, ctx->my);
  rst_jbig_put_byte(ctx, ctx->order);
  rst_jbig_put_byte(ctx, ctx->options);
}

void rst_jbig_read_bih(JbigCodecContext* ctx) {
  ctx->dl = rst_jbig_get_byte(ctx);
  ctx->d = rst_jbig_get_byte(ctx);
  ctx->p = rst_jbig_get_byte(ctx);
  rst_jbig_get_byte(ctx);
  ctx->xd = rst_jbig_get32(ctx);
  ctx->yd = rst_jbig_get32(ctx);
  ctx->l0 = rst_jbig_get32(ctx);
  ctx->mx = rst_jbig_get_byte(ctx);
  ctx->my = rst_jbig_get_byte(ctx);
  ctx->order = rst_jbig_get_byte(ctx);
  ctx->options = rst_jbig_get_byte(ctx);
}

uint8_t rst_jbig_get_byte(JbigCodecContext* ctx) {
  if (ctx->pushback_count) return ctx->pushback[--ctx->pushback_count];
  return ctx->io.in(ctx, ctx->io_user);
}

void rst_jbig_unget_byte(JbigCodecContext* ctx, uint8_t byte) {
  if (ctx->pushback_count < sizeof ctx->pushback) ctx->pushback[ctx->pushback_count++] = byte;
}

uint32_t rst_jbig_get32(JbigCodecContext* ctx) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | rst_jbig_get_byte(ctx);
  return v;
}

void rst_jbig_put_byte(JbigCodecContext* ctx, uint8_t byte) { ctx->io.out(ctx, byte, ctx->io_user); }

void rst_jbig_put32(JbigCodecContext* ctx, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) rst_jbig_put_byte(ctx, static_cast<uint8_t>(value >> shift));
}

void rst_jbig_begin_line(JbigCodecContext* ctx) {
  JbigPlaneRecord& pr = ctx->planes[ctx->plane];
  ctx->ref_line1 = pr.ref1;
  ctx->ref_line2 = pr.ref2;
  bool stripe_start = ctx->line % ctx->l0 == 0;
  if (pr.reset && stripe_start) {
    std::memset(ctx->ref_line1, 0, rst_jbig_line_bytes(ctx));
    std::memset(ctx->ref_line2, 0, rst_jbig_line_bytes(ctx));
  }
  if (stripe_start || ctx->line >= ctx->yd) {
    pr.moves_count = ctx->atmove_count;
    std::memcpy(pr.moves_line, ctx->atmove_line, sizeof pr.moves_line);
    std::memcpy(pr.moves_tx, ctx->atmove_tx, sizeof pr.moves_tx);
    std::memcpy(pr.moves_ty, ctx->atmove_ty, sizeof pr.moves_ty);
    ctx->atmove_count = 0;
  }
  uint32_t in_stripe = ctx->line % ctx->l0;
  while (pr.moves_count && pr.moves_line[pr.moves_count - 1] == in_stripe) {
    --pr.moves_count;
    pr.tx = pr.moves_tx[pr.moves_count];
    pr.ty = pr.moves_ty[pr.moves_count];
  }
  uint8_t cls = pr.tx == 0 ? 0 : pr.tx <= 24 ? 1 : 2;
  ctx->template_class = static_cast<uint8_t>(ctx->options & kJbigLrltwo ? cls : cls + 3);
}

void rst_jbig_end_line(JbigCodecContext* ctx) {
  JbigPlaneRecord& pr = ctx->planes[ctx->plane];
  uint8_t* done = ctx->current_line;
  ctx->current_line = pr.ref2;
  pr.ref2 = pr.ref1;
  pr.ref1 = done;
  ++ctx->line;
  if (ctx->line % ctx->l0 != 0 && ctx->line < ctx->yd) return;
  pr.reset = (ctx->state & 0xFF) == kJbigStripeReset;
  if (ctx->order & kJbigSmid) {
    if (++ctx->plane >= ctx->p) {
      ctx->plane = 0;
      ++ctx->stripe;
    }
  } else {
    ++ctx->stripe;
    if (ctx->line >= ctx->yd) {
      ctx->stripe = 0;
      ++ctx->plane;
    }
  }
  uint64_t next = static_cast<uint64_t>(ctx->l0) * ctx->stripe;
  ctx->line = static_cast<uint32_t>(next);
  if (next >= ctx->yd || ctx->plane >= ctx->p) {
    ctx->line = ctx->yd;
    ctx->stripe = (ctx->yd - 1) / ctx->l0 + 1;
    ctx->plane = ctx->p;
  }
}

void rst_jbig_copy_line_in(JbigCodecContext* ctx, const uint8_t* pixels) {
  uint32_t n = rst_jbig_line_bytes(ctx);
  std::memcpy(ctx->current_line, pixels, n);
  if (ctx->xd & 7) ctx->current_line[n - 1] &= static_cast<uint8_t>(0xFF00 >> (ctx->xd & 7));
}

void rst_jbig_copy_line_out(JbigCodecContext* ctx, uint8_t* pixels) {
  std::memcpy(pixels, ctx->current_line, rst_jbig_line_bytes(ctx));
}

uint8_t rst_jbig_line_differs(const JbigCodecContext* ctx) {
  return std::memcmp(ctx->current_line, ctx->ref_line1, rst_jbig_line_bytes(ctx)) ? 0x80 : 0;
}

void rst_jbig_repeat_line(JbigCodecContext* ctx) {
  std::memcpy(ctx->current_line, ctx->ref_line1, rst_jbig_line_bytes(ctx));
}

void rst_jbig_queue_atmove(JbigCodecContext* ctx, uint32_t yat, uint8_t tx, uint8_t ty) {
  if (ctx->atmove_count >= kJbigMoveQueue) {
    rst_jbig_set_error(ctx, kJbigMovesFull);
    return;
  }
  int stx = static_cast<int8_t>(tx);
  bool tx_ok = ty != 0 ? stx >= -ctx->mx && stx <= ctx->mx : stx >= 0 && stx <= ctx->mx;
  if (!tx_ok) {
    rst_jbig_set_error(ctx, kJbigBadTx);
    tx = 0;
  }
  if (ty > ctx->my) {
    rst_jbig_set_error(ctx, kJbigBadTy);
    ty = 0;
  }
  int at = ctx->atmove_count++;
  while (at > 0 && yat >= ctx->atmove_line[at - 1]) {
    ctx->atmove_line[at] = ctx->atmove_line[at - 1];
    ctx->atmove_tx[at] = ctx->atmove_tx[at - 1];
    ctx->atmove_ty[at] = ctx->atmove_ty[at - 1];
    --at;
  }
  ctx->atmove_line[at] = yat;
  ctx->atmove_tx[at] = tx;
  ctx->atmove_ty[at] = ty;
}

void rst_jbig_apply_newlen(JbigCodecContext* ctx, uint32_t yd) {
  // A new height may only shorten the image: 0 would leave no stripe and a
  // larger one would run past the height announced in the header.
  if (!(ctx->options & kJbigVlength) || yd == 0 || yd > ctx->yd) {
    rst_jbig_set_error(ctx, kJbigBadNewlen);
    return;
  }
  ctx->yd = yd;
}
