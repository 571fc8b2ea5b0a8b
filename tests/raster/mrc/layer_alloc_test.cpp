// The layer generators, makers and splits with every allocation of their
// creates failing in turn: each failure is reported, the inputs go back to
// the caller whole, and every node or layer that is made reads right.
#include <gmock/gmock.h>

#include "layer_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_generate_back_from_mask.h"
#include "raster/mrc/rst_generate_fore_from_mask.h"
#include "raster/mrc/rst_make_layers.h"
#include "raster/mrc/rst_make_mrc_layers.h"

namespace {

using namespace layer_test;

class LayerAlloc : public RstStatusTest {};

const std::vector<std::string> kWheres = {
    "RstFilter::RstFilter()",
    "RstRingBuffer::RstRingBuffer()",
    "RstRingBufferConstantFill::RstRingBufferConstantFill()",
    "rst_create_end()",
    "RstMoveMid::initiate()",
    "RstExpandMask::initiate()",
    "RstConvertBits24To8::initiate()",
};

TEST_F(LayerAlloc, MaskNodesFailCleanly) {
  const Img mask = random_mask(13, 9, 0.4, 3);
  Img page = random_page(13, 9, 4);
  struct Case {
    const char* what;
    std::function<RstRead*()> source;
    std::function<RstRead*(RstRead*)> make;
    Img want;
  } cases[] = {
      {"shrink", [&] { return mask8_source(mask); }, RstShrinkMask::create, shrink_ref(mask)},
      {"middles", [&] { return mask8_source(mask); }, RstMoveMid::create, move_mid_ref(mask)},
      {"expansion", [&] { return mask8_source(mask); }, RstExpandMask::create, expand_ref(mask)},
      {"dark neutral", [&] { return lab_source(page); },
       [](RstRead* s) { return RstConvertBits24To8::create(s, 200, 60, 0, 255); }, Img()},
  };
  // The dark-neutral selection by its rule.
  Img& dark = cases[3].want;
  dark = Img(13, 9, 1);
  for (int32_t i = 0; i < 13 * 9; ++i) {
    const int32_t l = page.px[size_t(i) * 3], a = page.px[size_t(i) * 3 + 1] - 128, b = page.px[size_t(i) * 3 + 2] - 96;
    dark.px[size_t(i)] = l < 200 && a * a + b * b < 3600 ? 255 : 0;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    check_allocation_failures(c.source, c.make, rows_of(c.want), kWheres);
  }
}

// Runs make with the n-th allocation failing for n = 1, 2, ... until make no
// longer reaches it. A failure must be reported and leave every input whole
// to the caller; a result must equal the one made without failures.
template <class Result>
void sweep(const std::function<std::vector<RstRead*>()>& inputs,
           const std::function<Result(const std::vector<RstRead*>&)>& make, const std::function<bool(Result&)>& made,
           const std::function<void(Result&)>& check) {
  for (int64_t n = 1; n < 5000; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    RstStatusRecorder status;
    std::vector<RstRead*> in = inputs();
    std::vector<std::vector<Bytes>> whole;
    RstAllocFault::fail_nth(n);
    Result r = make(in);
    const bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (!made(r)) {
      EXPECT_TRUE(reached);
      ASSERT_FALSE(status.errors().empty());
      for (RstRead* i : in) {
        if (!i) continue;
        i->reset();
        EXPECT_FALSE(pull(i).empty());
        i->end();
      }
      continue;
    }
    check(r);
    if (!reached) return;
  }
  ADD_FAILURE() << "the create never stopped allocating";
}

TEST_F(LayerAlloc, MakersFailCleanly) {
  const Img page = random_page(21, 19, 8), mask = random_mask(21, 19, 0.2, 9);
  const Img thin = shrink_ref(mask), middle = move_mid_ref(mask);
  const uint8_t white[3] = {255, 128, 96};
  struct Case {
    const char* what;
    int32_t back_mode;  // -1: the foreground
    Img want;
  } cases[] = {
      {"foreground", -1, fore_ref(page, thin, middle, 16, 16, white)},
      {"pixel background", 0, back_ref(page, expand_ref(mask), mask)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sweep<RstRead*>(
        [&] {
          return std::vector<RstRead*>{lab_source(page), mask1_source(mask)};
        },
        [&](const std::vector<RstRead*>& in) {
          return c.back_mode < 0 ? RstMakeFore::create(in[0], in[1], 4)
                                 : RstMakeBack::create(in[0], in[1], c.back_mode);
        },
        [](RstRead*& node) { return node != nullptr; },
        [&](RstRead*& node) {
          Held<> held(node);
          EXPECT_EQ(pull_img(node, 21, 3), c.want);
        });
  }
  // The block background over the dilated mask: compared with its own
  // result made without failures.
  Held<> clean(RstMakeBack::create(lab_source(page), mask1_source(mask), 1));
  ASSERT_TRUE(clean);
  const Img block = pull_img(clean.get(), 21, 3);
  sweep<RstRead*>(
      [&] {
        return std::vector<RstRead*>{lab_source(page), mask1_source(mask)};
      },
      [](const std::vector<RstRead*>& in) { return RstMakeBack::create(in[0], in[1], 1); },
      [](RstRead*& node) { return node != nullptr; },
      [&](RstRead*& node) {
        Held<> held(node);
        EXPECT_EQ(pull_img(node, 21, 3), block);
      });
}

TEST_F(LayerAlloc, SplitsFailCleanly) {
  // Dark strokes on a light page, so that every split has a mask to work on.
  Img page(24, 18, 3);
  for (int32_t y = 0; y < 18; ++y)
    for (int32_t x = 0; x < 24; ++x) {
      const bool ink = (x % 7 < 2 && y > 2) || y == 9;
      page.at(x, y, 0) = ink ? 20 : 235;
      page.at(x, y, 1) = 128;
      page.at(x, y, 2) = ink ? 96 : 104;
    }
  using Layers = std::vector<RstRead*>;
  const std::function<Layers(RstRead*)> splits[] = {
      [](RstRead* s) { return RstMakeMRC3Layers::create_white_bg(s, 8); },
      [](RstRead* s) { return RstMakeMRC2LayersFore::create(s); },
      [](RstRead* s) { return RstMakeMRC2LayersBack::create(s); },
  };
  for (size_t k = 0; k < std::size(splits); ++k) {
    SCOPED_TRACE(::testing::Message() << "split " << k);
    Layers clean = splits[k](lab_source(page));
    ASSERT_FALSE(clean.empty());
    std::vector<std::vector<Bytes>> want;
    for (RstRead* l : clean) want.push_back(pull(l));
    for (RstRead* l : clean) l->end();
    sweep<Layers>([&] { return Layers{lab_source(page)}; }, [&](const Layers& in) { return splits[k](in[0]); },
                  [](Layers& l) { return !l.empty(); },
                  [&](Layers& layers) {
                    ASSERT_EQ(layers.size(), want.size());
                    for (size_t i = 0; i < layers.size(); ++i) EXPECT_EQ(pull(layers[i]), want[i]) << "layer " << i;
                    for (RstRead* l : layers) l->end();
                  });
  }
}

}  // namespace
