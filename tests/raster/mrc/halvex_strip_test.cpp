// The Halvex stripe chain: the candidate mask dilated when there is no dark
// region, the size test of the dark regions, flat regions keeping their text
// and textured ones (pictures) cleared, regions whose inside is all detail,
// the texture test's thresholds, and the refusals.
#include <gtest/gtest.h>

#include <string>

#include "gray_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_halvex_strip.h"

namespace {

class HalvexStrip : public RstStatusTest {};

// One stripe: inverted lightness l, colour a and b, the tone image and the
// candidate mask.
struct Scene {
  int32_t w, h;
  std::vector<uint8_t> l, a, b, tone;
  Mask sivra;
  Scene(int32_t w, int32_t h)
      : w(w),
        h(h),
        l(size_t(w * h), 0),
        a(size_t(w * h), 128),
        b(size_t(w * h), 128),
        tone(size_t(w * h), 0),
        sivra{w, h, std::vector<uint8_t>(size_t(w * h), 0)} {}
  size_t at(int32_t x, int32_t y) const { return size_t(y) * size_t(w) + size_t(x); }

  // A dark region: tone 255 and lightness value(x, y) over the rectangle.
  template <class F>
  void region(int32_t x0, int32_t y0, int32_t rw, int32_t rh, F value) {
    for (int32_t y = y0; y < y0 + rh; ++y)
      for (int32_t x = x0; x < x0 + rw; ++x) {
        tone[at(x, y)] = 255;
        l[at(x, y)] = uint8_t(value(x - x0, y - y0));
      }
  }
  // Candidate pixels, dark in the lightness too.
  void ink(int32_t x0, int32_t y0, int32_t rw, int32_t rh) {
    for (int32_t y = y0; y < y0 + rh; ++y)
      for (int32_t x = x0; x < x0 + rw; ++x) {
        sivra.set[at(x, y)] = 1;
        l[at(x, y)] = 250;
      }
  }

  RstRead* ilab() const {
    std::vector<Bytes> lines;
    for (int32_t y = 0; y < h; ++y) {
      Bytes line;
      for (int32_t x = 0; x < w; ++x) line.insert(line.end(), {l[at(x, y)], a[at(x, y)], b[at(x, y)]});
      lines.push_back(line);
    }
    return new LineSource(image_header(w, h, 8, 3, RstColorType::itu_lab()), lines);
  }
  RstRead* run() const {
    return RstHalvexStrip::create(ilab(), gray_source(Gray{w, h, l}), gray_source(Gray{w, h, tone}), source1(sivra),
                                  400, 1);
  }
};

// A ramp across the region: variance far above 80, too gentle for edges.
int ramp(int32_t x, int32_t) { return 60 + x * 7 / 4; }
int flat(int32_t, int32_t) { return 128; }

// The mask grown by the final step: a pixel is set when it or its right,
// lower or lower-right neighbour is.
Mask grown(const Mask& m) {
  Mask out{m.width, m.height, std::vector<uint8_t>(m.set.size(), 0)};
  for (int32_t y = 0; y < m.height; ++y)
    for (int32_t x = 0; x < m.width; ++x) {
      bool any = false;
      for (int32_t dy = 0; dy < 2; ++dy)
        for (int32_t dx = 0; dx < 2; ++dx) any = any || (x + dx < m.width && y + dy < m.height && m.at(x + dx, y + dy));
      out.set[size_t(y) * size_t(m.width) + size_t(x)] = any;
    }
  return out;
}

Mask cleared(Mask m, int32_t x0, int32_t y0, int32_t rw, int32_t rh) {
  for (int32_t y = y0; y < y0 + rh; ++y)
    for (int32_t x = x0; x < x0 + rw; ++x) m.set[size_t(y) * size_t(m.width) + size_t(x)] = 0;
  return m;
}

// The output as a mask, checked to be a raw reversed-gray bilevel stripe.
Mask output(RstRead* node, int32_t w, int32_t h) {
  RstHeader hd(node);
  EXPECT_EQ(hd.bits_per_sample, 1);
  EXPECT_EQ(hd.samples_per_pixel, 1);
  EXPECT_EQ(hd.data_form, RstDataForm::raw);
  EXPECT_EQ(hd.color_type, RstColorType::default_gray_reverse());
  Mask out{w, h, std::vector<uint8_t>(size_t(w * h), 0)};
  std::vector<Bytes> lines = pull(node);
  EXPECT_EQ(lines.size(), size_t(h));
  for (int32_t y = 0; y < h && y < int32_t(lines.size()); ++y)
    for (int32_t x = 0; x < w; ++x)
      out.set[size_t(y) * size_t(w) + size_t(x)] = (lines[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1;
  return out;
}

std::string show(const Mask& m) {
  std::string s;
  for (int32_t y = 0; y < m.height; ++y) {
    for (int32_t x = 0; x < m.width; ++x) s += m.at(x, y) ? '#' : '.';
    s += '\n';
  }
  return s;
}

TEST_F(HalvexStrip, WithoutDarkRegionsTheCandidatesAreGrown) {
  Scene s(37, 23);
  s.sivra = random_mask(37, 23, 0.1, 7);
  Held<> node(s.run());
  ASSERT_TRUE(node);
  Mask got = output(node.get(), 37, 23);
  EXPECT_EQ(got.set, grown(s.sivra).set) << show(got);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(HalvexStrip, DarkRegionsArePicturesOnlyWhenLargeAndTextured) {
  struct Case {
    const char* what;
    int32_t rw, rh;
    int (*value)(int32_t, int32_t);
    bool all_ink;  // the whole region is candidate detail
    bool picture;  // the candidates inside are cleared
  };
  const Case cases[] = {
      {"79 lines high, textured", 200, 79, ramp, false, false},
      {"79 columns wide, textured", 79, 120, ramp, false, false},
      {"80 x 80, textured", 80, 80, ramp, false, true},
      {"120 x 100, textured", 120, 100, ramp, false, true},
      {"120 x 100, flat with text", 120, 100, flat, false, false},
      {"120 x 100, textured, all detail", 120, 100, ramp, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    const int32_t w = c.rw + 40, h = c.rh + 30, x0 = 20, y0 = 15;
    Scene s(w, h);
    s.region(x0, y0, c.rw, c.rh, c.value);
    if (c.all_ink) {
      s.ink(x0, y0, c.rw, c.rh);
    } else {
      // Two text-like strokes in one corner, and one outside the region.
      s.ink(x0 + 4, y0 + 4, 12, 2);
      s.ink(x0 + 4, y0 + 4, 2, 14);
    }
    s.ink(2, 2, 6, 2);
    Held<> node(s.run());
    ASSERT_TRUE(node);
    Mask want = grown(c.picture ? cleared(s.sivra, x0, y0, c.rw, c.rh) : s.sivra);
    Mask got = output(node.get(), w, h);
    EXPECT_EQ(got.set, want.set) << show(got);
    EXPECT_TRUE(status.errors().empty());
  }
}

TEST_F(HalvexStrip, ReadsTheSameLinesAfterAReset) {
  Scene s(120, 110);
  s.region(10, 10, 100, 90, ramp);
  s.ink(2, 2, 6, 2);
  s.ink(20, 20, 30, 3);
  Held<> node(s.run());
  ASSERT_TRUE(node);
  std::vector<Bytes> first = pull(node.get());
  node->reset();
  EXPECT_EQ(pull(node.get()), first);
}

// Histograms of one region with the given values in channel 0, 1 or 2; the
// other channels are constant.
RstLabelHistogramList regions(const std::vector<std::vector<std::vector<std::pair<int, int>>>>& spec) {
  RstLabelHistogramList list;
  list.emplace_back();  // the background
  for (const auto& region : spec) {
    auto r = std::make_unique<RstLabelChannelHistograms>();
    for (const auto& channel : region) {
      auto hd = std::make_unique<RstHistogramData>(8);
      for (auto [value, count] : channel) hd->add(uint32_t(value), uint32_t(count));
      r->channels.push_back(std::move(hd));
    }
    list.push_back(std::move(r));
  }
  return list;
}

TEST_F(HalvexStrip, TextureThresholdsPerChannel) {
  // Variances: v80 80 exactly, v79 79.95, v100 100 exactly, v81 81, low
  // about 18.2.
  const std::vector<std::pair<int, int>> v80 = {{90, 2}, {100, 1}, {110, 2}};
  const std::vector<std::pair<int, int>> low = {{90, 1}, {100, 9}, {110, 1}};
  const std::vector<std::pair<int, int>> v100 = {{90, 1}, {110, 1}};
  const std::vector<std::pair<int, int>> v81 = {{91, 1}, {109, 1}};
  const std::vector<std::pair<int, int>> v79 = {{91, 38}, {100, 1}, {109, 38}};
  const RstLabelHistogramList list =
      regions({{v80, low, low}, {v79, low, low}, {low, v100, low}, {low, v81, v81}, {low, low, v100}, {low, low, low}});
  const std::vector<uint8_t> want = {0, 1, 0, 1, 0, 1, 0};
  std::vector<uint8_t> flags;
  EXPECT_TRUE(RstHalvexStrip::judge_solid_clabel(list, flags, RstHalvexStrip::kTextureThresholds));
  EXPECT_EQ(flags, want);
  // The variances the table stands on.
  EXPECT_EQ(list[1]->channels[0]->variance(), 80.0);
  EXPECT_LT(list[2]->channels[0]->variance(), 80.0);
  EXPECT_GE(list[2]->channels[0]->variance(), 79.9);
  EXPECT_EQ(list[3]->channels[1]->variance(), 100.0);
  EXPECT_LT(list[4]->channels[1]->variance(), 100.0);
  // Without regions there is nothing to judge.
  RstLabelHistogramList none;
  none.emplace_back();
  flags.clear();
  EXPECT_TRUE(RstHalvexStrip::judge_solid_clabel(none, flags, RstHalvexStrip::kTextureThresholds));
  EXPECT_EQ(flags, std::vector<uint8_t>{0});
  EXPECT_TRUE(status.errors().empty());
}

// Every allocation failing in turn, over a stripe with a picture and a flat
// region and over one without dark regions: a stripe chain that cannot be
// made leaves all four stripes whole and the caller's; one that is made gives
// the mask of a clean run.
TEST_F(HalvexStrip, AllocationFailuresLeaveTheStripesToTheCaller) {
  Scene regions(200, 110);
  regions.region(5, 10, 90, 90, ramp);
  regions.region(105, 10, 90, 90, flat);
  regions.ink(110, 20, 20, 3);
  regions.ink(10, 20, 20, 3);
  Scene plain(60, 20);
  plain.ink(10, 5, 20, 3);
  for (const Scene* s : {&regions, &plain}) {
    SCOPED_TRACE(s == &plain ? "no dark region" : "picture and flat region");
    Mask want;
    {
      Held<> clean(s->run());
      ASSERT_TRUE(clean);
      want = output(clean.get(), s->w, s->h);
    }
    if (s == &regions) {
      ASSERT_TRUE(want.at(115, 21)) << "the flat region keeps its text";
      ASSERT_FALSE(want.at(15, 21)) << "the picture is cleared";
    }
    const std::vector<Bytes> tone_lines = pull(Held<>(gray_source(Gray{s->w, s->h, s->tone})).get());
    bool failed = false, finished = false;
    for (int64_t n = 1; n < 2000 && !finished; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
      status.clear();
      RstRead* ilab = s->ilab();
      RstRead* l = gray_source(Gray{s->w, s->h, s->l});
      RstRead* tone = gray_source(Gray{s->w, s->h, s->tone});
      RstRead* sivra = source1(s->sivra);
      RstAllocFault::fail_nth(n);
      RstRead* node = RstHalvexStrip::create(ilab, l, tone, sivra, 400, 1);
      const bool reached = RstAllocFault::calls() >= n;
      RstAllocFault::clear();
      if (node) {
        Held<> held(node);
        EXPECT_EQ(output(node, s->w, s->h).set, want.set);
        finished = !reached;
        continue;
      }
      failed = true;
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      for (RstRead* in : {ilab, l, tone, sivra}) in->reset();
      EXPECT_EQ(pull(tone), tone_lines);
      EXPECT_EQ(pull(sivra).size(), size_t(s->h));
      for (RstRead* in : {ilab, l, tone, sivra}) in->end();
    }
    EXPECT_TRUE(failed);
    EXPECT_TRUE(finished);
  }
}

TEST_F(HalvexStrip, Refusals) {
  Scene s(16, 8);
  struct Case {
    const char* what;
    RstRead* ilab;
    RstRead* l;
    RstRead* tone;
    RstRead* sivra;
    int32_t code;
  };
  const Gray g16{16, 8, std::vector<uint8_t>(128, 0)};
  const Gray g15{15, 8, std::vector<uint8_t>(120, 0)};
  const Case cases[] = {
      {"no iLab", nullptr, gray_source(g16), gray_source(g16), source1(s.sivra), -2},
      {"no candidates", s.ilab(), gray_source(g16), gray_source(g16), nullptr, -2},
      {"a gray iLab", gray_source(g16), gray_source(g16), gray_source(g16), source1(s.sivra), -3},
      {"an 8-bit candidate mask", s.ilab(), gray_source(g16), gray_source(g16), gray_source(g16), -3},
      {"a narrower tone stripe", s.ilab(), gray_source(g16), gray_source(g15), source1(s.sivra), -3},
      {"a lower L stripe", s.ilab(), gray_source(Gray{16, 7, std::vector<uint8_t>(112, 0)}), gray_source(g16),
       source1(s.sivra), -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    EXPECT_FALSE(RstHalvexStrip::create(c.ilab, c.l, c.tone, c.sivra, 400, 1));
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, "RstHalvexStrip::create()"}}));
    for (RstRead* n : {c.ilab, c.l, c.tone, c.sivra})
      if (n) n->end();
  }
}

}  // namespace
