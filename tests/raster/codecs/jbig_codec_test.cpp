// The JBIG encoder and decoder over memory: round trips over widths, heights,
// stripe heights, options and plane orders; the emitted bytes; the marker
// segments and the failures of the decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "jbig_support.h"
#include "raster/codecs/rst_jbig_decoder.h"
#include "raster/codecs/rst_jbig_encoder.h"

namespace {

constexpr size_t kBih = 20;

JbigImage blank(uint32_t xd, uint32_t yd) { return JbigImage{xd, yd, {JbigBytes(size_t(yd) * ((xd + 7) / 8))}}; }

TEST(JbigEncoder, OnePixelImage) {
  for (uint8_t pixel : {0x00, 0x80}) {
    JbigImage image{1, 1, {JbigBytes{pixel}}};
    JbigBytes out = jbig_encode(image, {});
    ASSERT_GE(out.size(), kBih + 2);
    EXPECT_EQ(out[out.size() - 2], 0xFF);
    EXPECT_EQ(out[out.size() - 1], 0x02);
    EXPECT_EQ(jbig_decode(out).image.planes, image.planes);
  }
}

TEST(JbigEncoder, TypicalPredictionCodesBlankLinesAlmostFree) {
  JbigImage image = blank(1728, 300);
  size_t with = jbig_encode(image, {128, kJbigTpbon}).size();
  size_t without = jbig_encode(image, {128, 0}).size();
  EXPECT_LE(with, kBih + 3 * 6);  // a few bytes per stripe
  EXPECT_GT(without, with);
}

// 0xFF is always stuffed; stripes end with 0xFF 0x02 and never with 0x00.
TEST(JbigEncoder, StuffingAndStripeEnds) {
  for (uint32_t seed = 0; seed < 20; ++seed) {
    JbigImage image = jbig_random_image(70, 300, 1, seed);
    JbigBytes out = jbig_encode(image, {128, seed & 1 ? kJbigTpbon : 0u});
    int stripes = 0;
    for (size_t i = kBih; i + 1 < out.size(); ++i) {
      if (out[i] != 0xFF) continue;
      ASSERT_TRUE(out[i + 1] == 0x00 || out[i + 1] == 0x02) << i;
      if (out[i + 1] == 0x02) {
        ++stripes;
        EXPECT_NE(out[i - 1], 0x00);
      }
      ++i;
    }
    EXPECT_EQ(stripes, 3);  // 128, 128 and 44 lines
  }
}

TEST(JbigEncoder, LinesAfterTheLastAndFinishWithLinesMissing) {
  auto ctx = jbig_new_context();
  JbigSink sink;
  rst_jbig_enc_init(ctx.get(), 0, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_set_size(ctx.get(), 8, 2);
  rst_jbig_enc_set_output(ctx.get(), JbigSink::put, &sink);
  rst_jbig_enc_write_header(ctx.get());
  rst_jbig_enc_start(ctx.get());
  uint8_t line = 0x5A;
  EXPECT_EQ(rst_jbig_enc_line(ctx.get(), &line), 0);
  EXPECT_EQ(rst_jbig_enc_line(ctx.get(), &line), 0);
  size_t size = sink.bytes.size();
  EXPECT_EQ(rst_jbig_enc_line(ctx.get(), &line), 0);
  EXPECT_EQ(sink.bytes.size(), size);
  EXPECT_EQ(rst_jbig_enc_finish(ctx.get()), 0);

  auto open = jbig_new_context();
  rst_jbig_enc_init(open.get(), 0, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_set_size(open.get(), 8, 2);
  rst_jbig_enc_start(open.get());
  rst_jbig_enc_line(open.get(), &line);
  EXPECT_EQ(rst_jbig_enc_finish(open.get()), kJbigBadState);
}

TEST(JbigDecoder, RoundTrips) {
  std::mt19937 rng(5);
  const uint32_t widths[] = {1, 2, 7, 8, 9, 15, 16, 17, 31, 33, 63, 70, 1728, 4999, 20000};
  const uint32_t options[] = {0, kJbigTpbon, kJbigLrltwo, kJbigTpbon | kJbigLrltwo};
  int n = 0;
  for (uint32_t xd : widths) {
    uint32_t yd = xd > 2000 ? 1 + rng() % 40 : 1 + rng() % 260;
    for (uint32_t l0 : {1u, 3u, 128u, yd}) {
      uint32_t opt = options[n++ % 4];
      JbigImage image = jbig_random_image(xd, yd, 1, static_cast<uint32_t>(n));
      JbigDecoded d = jbig_decode(jbig_encode(image, {l0, opt, 0, 0}));
      ASSERT_EQ(d.error, 0) << xd << " " << yd << " " << l0;
      EXPECT_TRUE(d.image.planes == image.planes) << xd << " " << yd << " " << l0 << " " << opt;
    }
  }
  for (uint32_t planes : {1u, 3u, 8u, 24u})
    for (uint32_t order : {0u, 1u}) {
      JbigImage image = jbig_random_image(37, 21, planes, planes + order);
      JbigDecoded d = jbig_decode(jbig_encode(image, {8, options[planes % 4], order, 3}), 3);
      ASSERT_EQ(d.error, 0) << planes << " " << order;
      EXPECT_TRUE(d.image.planes == image.planes) << planes << " " << order;
    }
}

JbigBytes marker(uint8_t code, uint32_t value) {
  return {0xFF, code, uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

// The encoded image with bytes put in after its n-th SDNORM.
JbigBytes insert_after_stripe(JbigBytes data, int n, const JbigBytes& bytes) {
  for (size_t i = kBih; i + 1 < data.size(); ++i) {
    if (data[i] == 0xFF && data[i + 1] == 0x02 && n-- == 0) {
      data.insert(data.begin() + static_cast<long>(i + 2), bytes.begin(), bytes.end());
      break;
    }
    if (data[i] == 0xFF) ++i;
  }
  return data;
}

TEST(JbigDecoder, NewlenCommentAbort) {
  JbigImage image = jbig_random_image(50, 30, 1, 3);
  JbigBytes base = jbig_encode(image, {10, kJbigTpbon, 0, 0});
  JbigBytes vlength = base;
  vlength[19] |= kJbigVlength;
  JbigDecoded shorter = jbig_decode(insert_after_stripe(vlength, 0, marker(0x05, 20)));
  EXPECT_EQ(shorter.error, 0);
  EXPECT_EQ(shorter.image.yd, 20u);
  EXPECT_EQ(shorter.lines, 20u);
  EXPECT_TRUE(std::equal(shorter.image.planes[0].begin(), shorter.image.planes[0].end(), image.planes[0].begin()));
  EXPECT_EQ(jbig_decode(insert_after_stripe(base, 0, marker(0x05, 15))).error, kJbigBadNewlen);
  EXPECT_EQ(jbig_decode(insert_after_stripe(vlength, 0, marker(0x05, 0))).error, kJbigBadNewlen);
  EXPECT_EQ(jbig_decode(insert_after_stripe(vlength, 0, marker(0x05, 31))).error, kJbigBadNewlen);

  JbigDecoded comment = jbig_decode(insert_after_stripe(base, 1, marker(0x07, 0)));
  EXPECT_EQ(comment.error, 0);
  EXPECT_TRUE(comment.image.planes == image.planes);
  EXPECT_EQ(jbig_decode(insert_after_stripe(base, 0, {0xFF, 0x04})).error, kJbigAborted);
  JbigBytes mid = base;
  mid.insert(mid.begin() + kBih + 1, {0xFF, 0x04});
  EXPECT_EQ(jbig_decode(mid).error, kJbigAborted);
}

TEST(JbigDecoder, HugeCommentOnShortInputStopsAtOnce) {
  JbigBytes data = jbig_encode(blank(8, 4), {1, 0, 0, 0});
  data = insert_after_stripe(data, 0, marker(0x07, 4000000000u));
  data.resize(40);
  auto ctx = jbig_new_context();
  JbigSource source{data.data(), data.size()};
  rst_jbig_dec_init(ctx.get(), 0, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_dec_set_input(ctx.get(), JbigSource::get, &source);
  rst_jbig_dec_read_header(ctx.get());
  rst_jbig_dec_start(ctx.get());
  uint8_t line;
  int32_t rc = 0;
  for (int y = 0; y < 4 && !rc; ++y) rc = rst_jbig_dec_line(ctx.get(), &line);
  EXPECT_EQ(rc, kJbigIoFailed);
  EXPECT_LT(source.calls, 100u);
}

TEST(JbigDecoder, SdrstRestartsTheNextStripe) {
  JbigImage image = jbig_random_image(40, 20, 1, 9);
  // Stripe 1 coded on its own as the first stripe of an image.
  JbigImage second{40, 10, {JbigBytes(image.line(0, 10), image.line(0, 20))}};
  JbigBytes first = jbig_encode(image, {10, 0, 0, 0});
  JbigBytes alone = jbig_encode(second, {10, 0, 0, 0});
  size_t end = kBih;
  while (!(first[end] == 0xFF && first[end + 1] == 0x02)) end += first[end] == 0xFF ? 2 : 1;
  JbigBytes data(first.begin(), first.begin() + static_cast<long>(end));
  data.push_back(0xFF);
  data.push_back(0x03);
  data.insert(data.end(), alone.begin() + kBih, alone.end());
  data[11] = 20;
  JbigDecoded d = jbig_decode(data);
  ASSERT_EQ(d.error, 0);
  EXPECT_TRUE(d.image.planes == image.planes);
}

TEST(JbigDecoder, AtmoveSwitchesTheTemplateClass) {
  for (uint32_t options : {uint32_t{kJbigLrltwo}, 0u}) {
    JbigBytes data = jbig_encode(blank(64, 20), {10, options, 0, 0});
    data[16] = 40;  // MX
    JbigBytes move = marker(0x06, 5);
    move.push_back(30);
    move.push_back(0);
    data = insert_after_stripe(data, 0, move);
    auto ctx = jbig_new_context();
    JbigSource source{data.data(), data.size()};
    rst_jbig_dec_init(ctx.get(), 0, 1, 4, sizeof(JbigCodecContext));
    rst_jbig_dec_set_input(ctx.get(), JbigSource::get, &source);
    rst_jbig_dec_read_header(ctx.get());
    rst_jbig_dec_start(ctx.get());
    uint8_t line[8];
    for (uint32_t y = 0; y < 20; ++y) {
      ASSERT_EQ(rst_jbig_dec_line(ctx.get(), line), 0);
      uint8_t expected = y >= 15 ? 2 : 0;
      EXPECT_EQ(ctx->template_class, options ? expected : expected + 3) << y;
    }
  }
}

TEST(JbigDecoder, FailuresOfTheInput) {
  JbigImage image = jbig_random_image(100, 20, 1, 4);
  JbigBytes data = jbig_encode(image, {20, 0, 0, 0});
  JbigBytes dry(data.begin(), data.begin() + static_cast<long>(data.size() / 2));
  JbigDecoded d = jbig_decode(dry);
  EXPECT_EQ(d.error, kJbigIoFailed);
  EXPECT_LT(d.lines, 20u);
  JbigBytes no_marker = data;
  no_marker.resize(no_marker.size() - 2);
  no_marker.insert(no_marker.end(), 16, 0x11);
  EXPECT_EQ(jbig_decode(no_marker).error, kJbigNoMarker);
  // Stripe data ending early: the rest decodes from zero bits and the
  // segments after it are still read.
  JbigBytes early = jbig_encode(image, {10, 0, 0, 0});
  early[19] |= kJbigVlength;
  size_t end = kBih;
  while (!(early[end] == 0xFF && early[end + 1] == 0x02)) end += early[end] == 0xFF ? 2 : 1;
  early.erase(early.begin() + static_cast<long>(kBih + 3), early.begin() + static_cast<long>(end));
  JbigDecoded cut = jbig_decode(insert_after_stripe(early, 0, marker(0x05, 20)));
  EXPECT_EQ(cut.error, 0);
  EXPECT_EQ(cut.lines, 20u);
}

}  // namespace
