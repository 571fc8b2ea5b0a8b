// The JBIG coding context: setters and the state rule, header checks in
// order, sticky errors, push-back, stripe and plane sequence, move queue.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "jbig_support.h"
#include "raster/codecs/rst_jbig_decoder.h"
#include "raster/codecs/rst_jbig_encoder.h"

namespace {

std::unique_ptr<JbigCodecContext> new_encoder(int32_t mode = 0) {
  auto ctx = jbig_new_context();
  EXPECT_EQ(rst_jbig_enc_init(ctx.get(), mode, 1, 4, sizeof(JbigCodecContext)), 0);
  return ctx;
}

TEST(JbigContext, SettersOnlyBeforeTheHeader) {
  auto enc = new_encoder();
  EXPECT_EQ(rst_jbig_set_size(enc.get(), 100, 50), 0);
  EXPECT_EQ(rst_jbig_set_l0(enc.get(), 7), 0);
  EXPECT_EQ(rst_jbig_set_mx(enc.get(), 0), 0);
  EXPECT_EQ(rst_jbig_set_order(enc.get(), 0), 0);
  EXPECT_EQ(rst_jbig_set_options(enc.get(), 8), 0);
  EXPECT_EQ(rst_jbig_set_planes(enc.get(), 1), 0);
  EXPECT_EQ(rst_jbig_enc_write_header(enc.get()), 0);
  EXPECT_EQ(rst_jbig_set_l0(enc.get(), 9), kJbigBadState);
  EXPECT_EQ(enc->l0, 7u);

  JbigBytes bih = jbig_encode(jbig_random_image(100, 50, 1, 1), {7, 8, 0, 0});
  auto dec = jbig_new_context();
  JbigSource source{bih.data(), bih.size()};
  rst_jbig_dec_init(dec.get(), 0, 1, 4, sizeof(JbigCodecContext));
  EXPECT_EQ(rst_jbig_set_size(dec.get(), 5, 5), 0);
  rst_jbig_dec_set_input(dec.get(), JbigSource::get, &source);
  EXPECT_EQ(rst_jbig_dec_read_header(dec.get()), 0);
  EXPECT_EQ(rst_jbig_width(dec.get()), 100u);
  EXPECT_EQ(rst_jbig_set_size(dec.get(), 5, 5), kJbigBadState);
  EXPECT_EQ(dec->xd, 100u);
}

TEST(JbigContext, InitChecksVersionAndSize) {
  const struct {
    int32_t major, minor;
    uint32_t size;
  } cases[] = {{1, 3, sizeof(JbigCodecContext)}, {2, 4, sizeof(JbigCodecContext)}, {1, 4, 100}};
  for (const auto& c : cases) {
    auto ctx = jbig_new_context();
    EXPECT_EQ(rst_jbig_enc_init(ctx.get(), 0, c.major, c.minor, c.size), kJbigBadInit);
    auto dec = jbig_new_context();
    EXPECT_EQ(rst_jbig_dec_init(dec.get(), 0, c.major, c.minor, c.size), kJbigBadInit);
  }
}

// Each header field alone, then two faults where the earlier code wins.
TEST(JbigContext, HeaderChecksInOrder) {
  using Edit = void (*)(JbigCodecContext*);
  const std::vector<std::pair<Edit, int32_t>> cases = {
      {[](JbigCodecContext* c) { c->dl = 1; }, kJbigBadDl},
      {[](JbigCodecContext* c) { c->d = 3; }, kJbigBadD},
      {[](JbigCodecContext* c) { c->p = 2; }, kJbigBadP},
      {[](JbigCodecContext* c) { c->xd = 0; }, kJbigBadXd},
      {[](JbigCodecContext* c) { c->xd = 32769; }, kJbigBadXd},
      {[](JbigCodecContext* c) { c->yd = 0; }, kJbigBadYd},
      {[](JbigCodecContext* c) { c->l0 = 0; }, kJbigBadL0},
      {[](JbigCodecContext* c) { c->mx = 128; }, kJbigBadMx},
      {[](JbigCodecContext* c) { c->my = 1; }, kJbigBadMy},
      {[](JbigCodecContext* c) { c->xd = 32768; }, 0},
      {[](JbigCodecContext* c) { c->mx = 127; }, 0},
      {[](JbigCodecContext* c) { c->my = 2, c->l0 = 0; }, kJbigBadL0},
      {[](JbigCodecContext* c) { c->mx = 200, c->d = 1; }, kJbigBadD},
      {[](JbigCodecContext* c) { c->yd = 0, c->xd = 0; }, kJbigBadXd},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    auto ctx = new_encoder();
    cases[i].first(ctx.get());
    EXPECT_EQ(rst_jbig_enc_write_header(ctx.get()), cases[i].second) << i;
  }
  for (auto [planes, expected] : {std::pair{35u, 0}, {36u, kJbigBadP}, {0u, kJbigBadP}}) {
    auto ctx = new_encoder(3);
    rst_jbig_set_planes(ctx.get(), planes);
    EXPECT_EQ(rst_jbig_enc_start(ctx.get()), expected) << planes;
  }
}

TEST(JbigContext, ErrorsAreSticky) {
  auto ctx = new_encoder();
  rst_jbig_set_size(ctx.get(), 10, 10);
  EXPECT_EQ(rst_jbig_enc_finish(ctx.get()), kJbigBadState);  // before start
  EXPECT_EQ(rst_jbig_set_error(ctx.get(), 9), kJbigBadState);
  uint8_t line[2] = {};
  EXPECT_EQ(rst_jbig_set_l0(ctx.get(), 5), kJbigBadState);
  EXPECT_EQ(rst_jbig_enc_write_header(ctx.get()), kJbigBadState);
  EXPECT_EQ(rst_jbig_enc_start(ctx.get()), kJbigBadState);
  EXPECT_EQ(rst_jbig_enc_line(ctx.get(), line), kJbigBadState);
  for (uint32_t v : {rst_jbig_width(ctx.get()), rst_jbig_height(ctx.get()), rst_jbig_l0(ctx.get()),
                     rst_jbig_planes(ctx.get()), rst_jbig_order(ctx.get()), rst_jbig_plane(ctx.get()),
                     rst_jbig_line(ctx.get()), rst_jbig_stripe_line(ctx.get())})
    EXPECT_EQ(v, 0u);
}

TEST(JbigContext, PushBackHoldsEightLastFirst) {
  auto ctx = jbig_new_context();
  rst_jbig_dec_init(ctx.get(), 0, 1, 4, sizeof(JbigCodecContext));
  JbigBytes input = {0xAA};
  JbigSource source{input.data(), input.size()};
  rst_jbig_dec_set_input(ctx.get(), JbigSource::get, &source);
  for (uint8_t b = 1; b <= 9; ++b) rst_jbig_unget_byte(ctx.get(), b);
  for (uint8_t b = 8; b >= 1; --b) EXPECT_EQ(rst_jbig_get_byte(ctx.get()), b);
  EXPECT_EQ(rst_jbig_get_byte(ctx.get()), 0xAA);  // the ninth was lost
  EXPECT_EQ(rst_jbig_error(ctx.get()), 0);
}

// The (plane, line) sequence the getters announce while encoding.
std::vector<std::pair<uint32_t, uint32_t>> sequence(uint32_t planes, uint32_t yd, uint32_t l0, uint32_t order) {
  auto ctx = new_encoder(3);
  rst_jbig_set_size(ctx.get(), 9, yd);
  rst_jbig_set_planes(ctx.get(), planes);
  rst_jbig_set_l0(ctx.get(), l0);
  rst_jbig_set_order(ctx.get(), order);
  rst_jbig_enc_start(ctx.get());
  std::vector<std::pair<uint32_t, uint32_t>> seq;
  uint8_t line[2] = {0x55, 0x80};
  while (rst_jbig_line(ctx.get()) < yd) {
    seq.emplace_back(rst_jbig_plane(ctx.get()), rst_jbig_line(ctx.get()));
    EXPECT_EQ(rst_jbig_stripe_line(ctx.get()), seq.back().second % l0);
    EXPECT_EQ(rst_jbig_enc_line(ctx.get(), line), 0);
  }
  EXPECT_EQ(rst_jbig_enc_line(ctx.get(), line), 0);
  EXPECT_EQ(rst_jbig_enc_finish(ctx.get()), 0);
  return seq;
}

TEST(JbigContext, StripeAndPlaneOrder) {
  using Seq = std::vector<std::pair<uint32_t, uint32_t>>;
  // l0 not dividing yd: the last stripe is shorter.
  EXPECT_EQ(sequence(1, 5, 2, 0), (Seq{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}));
  EXPECT_EQ(sequence(3, 3, 2, 1), (Seq{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}));
  EXPECT_EQ(sequence(3, 3, 2, 0), (Seq{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}}));
}

TEST(JbigContext, MoveQueue) {
  auto ctx = new_encoder();
  ctx->mx = 40;
  ctx->l0 = 10;
  ctx->yd = 20;
  // Two moves for line 3: both applied in arrival order, the second decides.
  rst_jbig_queue_atmove(ctx.get(), 5, 30, 0);
  rst_jbig_queue_atmove(ctx.get(), 3, 10, 0);
  rst_jbig_queue_atmove(ctx.get(), 3, 20, 0);
  EXPECT_EQ(ctx->atmove_count, 3);
  ctx->options = kJbigLrltwo;
  const uint8_t expected_tx[] = {0, 0, 0, 20, 20, 30, 30};
  const uint8_t expected_class[] = {0, 0, 0, 1, 1, 2, 2};
  for (uint32_t y = 0; y < 7; ++y) {
    ctx->line = y;
    rst_jbig_begin_line(ctx.get());
    EXPECT_EQ(ctx->planes[0].tx, expected_tx[y]) << y;
    EXPECT_EQ(ctx->template_class, expected_class[y]) << y;
  }
  EXPECT_EQ(rst_jbig_error(ctx.get()), 0);
  rst_jbig_queue_atmove(ctx.get(), 1, 41, 0);
  EXPECT_EQ(rst_jbig_error(ctx.get()), kJbigBadTx);
  auto ty = new_encoder();
  rst_jbig_queue_atmove(ty.get(), 1, 0, 1);
  EXPECT_EQ(rst_jbig_error(ty.get()), kJbigBadTy);
  auto full = new_encoder();
  for (int i = 0; i < 64; ++i) rst_jbig_queue_atmove(full.get(), 1, 0, 0);
  EXPECT_EQ(rst_jbig_error(full.get()), 0);
  rst_jbig_queue_atmove(full.get(), 1, 0, 0);
  EXPECT_EQ(rst_jbig_error(full.get()), kJbigMovesFull);
}

}  // namespace
