// Plane merging and selection by mask: interleaving, single planes, refusals
// with their codes, skip and reset, 1-bit and 8-bit masks with partial bytes,
// the where-texts of the selection family, coded masks and colormaps refused,
// memory failures, and equality with netpbm (rgb3toppm, pamstack) and
// Leptonica (pixCombineMasked).
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "line_source.h"
#include "pnm_files.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_merge_8bit_planes.h"
#include "raster/geometry/rst_select_plane_mask.h"

#ifdef PK_HAVE_LEPTONICA
#include <leptonica/allheaders.h>
#endif

namespace {

class Planes : public RstStatusTest {};

RstHeader gray(int32_t w, int32_t h) { return image_header(w, h, 8, 1, RstColorType::s_gray()); }

LineSource* plane(int32_t w, std::vector<Bytes> lines, RstColorType* type = RstColorType::s_gray()) {
  RstHeader h = image_header(w, int32_t(lines.size()), 8, 1, type);
  return new LineSource(h, std::move(lines));
}

void end_all(const std::vector<RstRead*>& nodes) {
  for (RstRead* n : nodes)
    if (n) n->end();
}

TEST_F(Planes, MergeInterleavesUnderTheGivenColourType) {
  Held<> node(RstMerge8bitPlanes::create({plane(3, {{1, 2, 3}, {4, 5, 6}}), plane(3, {{11, 12, 13}, {14, 15, 16}})},
                                         RstColorType::s_ycbcr()));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.samples_per_pixel, 2);
  EXPECT_EQ(h.color_type, RstColorType::s_ycbcr());
  EXPECT_EQ(h.width, 3);
  EXPECT_EQ(h.height, 2);
  EXPECT_EQ(node->line_size(), 6);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1, 11, 2, 12, 3, 13}, {4, 14, 5, 15, 6, 16}}));
  node->reset();
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(first_line(node.get()), (Bytes{4, 14, 5, 15, 6, 16}));

  // One plane is returned itself, with its own header.
  LineSource* one = plane(3, {{1, 2, 3}});
  EXPECT_EQ(RstMerge8bitPlanes::create({one}, RstColorType::s_rgb()), one);
  EXPECT_EQ(RstHeader(one).color_type, RstColorType::s_gray());
  one->end();

  // A short line of any plane ends the image.
  Held<> cut(RstMerge8bitPlanes::create(
      {plane(2, {{1, 2}, {3, 4}}), plane(2, {{5, 6}, {7}}), plane(2, {{8, 9}, {1, 1}})}, RstColorType::s_rgb()));
  EXPECT_EQ(pull(cut.get()), (std::vector<Bytes>{{1, 5, 8, 2, 6, 9}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Planes, MergeRefusals) {
  const char* where = "RstMerge8bitPlanes::create()";
  EXPECT_EQ(RstMerge8bitPlanes::create({}, RstColorType::s_rgb()), nullptr);
  LineSource *a = plane(2, {{1, 2}}), *b = plane(2, {{1, 2}});
  EXPECT_EQ(RstMerge8bitPlanes::create({a, b}, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, where}, {-2, where}}));
  RstHeader mapped = gray(2, 1);
  mapped.colormap.reset(new RstColormap(8, 3, 4));
  const struct {
    std::vector<RstHeader> headers;  // width 0: a null plane
    int32_t code;
  } cases[] = {
      {{RstHeader(), gray(2, 1)}, -1},
      {{gray(2, 1), RstHeader(), gray(2, 1)}, -1},
      {{gray(2, 1), gray(3, 1)}, -3},
      {{gray(2, 1), gray(2, 2)}, -3},
      {{gray(2, 1), image_header(2, 1, 16, 1, RstColorType::s_gray())}, -3},
      {{image_header(2, 1, 8, 3, RstColorType::s_rgb()), gray(2, 1)}, -3},
      {{gray(2, 1), mapped}, -3},
      {{gray(2, 1), image_header(2, 1, 8, 1, nullptr, RstDataForm::packbits)}, -3},
  };
  for (const auto& c : cases) {
    status.clear();
    std::vector<RstRead*> planes;
    for (const RstHeader& h : c.headers) planes.push_back(h.width ? new LineSource(h, {{1, 2}}) : nullptr);
    EXPECT_EQ(RstMerge8bitPlanes::create(planes, RstColorType::s_rgb()), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, where}}));
    end_all(planes);
  }
  a->end();
  b->end();
}

// Runs a netpbm tool over plane files and returns the bytes after its header.
Bytes netpbm_samples(const std::string& cmd, const std::string& out, const std::string& end_of_header) {
  if (std::system(cmd.c_str()) != 0) return {};
  std::ifstream f(out, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::remove(out.c_str());
  size_t at = all.find(end_of_header);
  if (at == std::string::npos) return {};
  return Bytes(all.begin() + long(at + end_of_header.size()), all.end());
}

TEST_F(Planes, MergeMatchesRgb3toppmAndPamstack) {
  for (int n : {3, 4}) {
    SCOPED_TRACE(n);
    std::vector<PnmImage> images;
    std::vector<RstRead*> planes;
    std::string cmd = n == 3 ? "rgb3toppm" : "pamstack";
    for (int k = 0; k < n; ++k) images.push_back(random_pnm(57, 31, 1, uint32_t(10 * n + k)));
    for (int k = 0; k < n; ++k) {
      std::string path = temp_path("merge_plane" + std::to_string(k) + ".pgm");
      ASSERT_TRUE(write_pnm(path, images[size_t(k)]));
      cmd += " " + path;
      planes.push_back(pnm_source(images[size_t(k)]));
    }
    std::string out = temp_path("merge_out.pnm");
    cmd += " > " + out + " 2>/dev/null";
    // rgb3toppm writes "P6\n57 31\n255\n"; pamstack a PAM header ending in ENDHDR.
    Bytes theirs = netpbm_samples(cmd, out, n == 3 ? "\n255\n" : "ENDHDR\n");
    for (int k = 0; k < n; ++k) std::remove(temp_path("merge_plane" + std::to_string(k) + ".pgm").c_str());
    Held<> node(RstMerge8bitPlanes::create(planes, n == 3 ? RstColorType::s_rgb() : RstColorType::s_cmyk()));
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(theirs.size(), size_t(57 * 31 * n));
    EXPECT_TRUE(pull_all(node.get()) == theirs);
  }
}

// --- selection ---

std::vector<RstRead*> select_inputs(const RstHeader& mask, std::vector<Bytes> mask_lines, const RstHeader& base,
                                    std::vector<Bytes> base_lines, const RstHeader& plane_h,
                                    std::vector<Bytes> plane_lines) {
  return {new LineSource(mask, std::move(mask_lines)), new LineSource(base, std::move(base_lines)),
          new LineSource(plane_h, std::move(plane_lines))};
}

TEST_F(Planes, SelectionTakesThePlaneWhereTheMaskIsSet) {
  // 8-bit mask: any value but 0 selects, 1 as fully as 255.
  {
    Held<> node(RstSelectPlaneMask::create(
        select_inputs(gray(4, 1), {{0, 1, 255, 0}}, gray(4, 1), {{1, 2, 3, 4}}, gray(4, 1), {{11, 12, 13, 14}})));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1, 12, 13, 4}}));
  }
  // 1-bit mask, width 10: the second byte 0x40 takes pixel 9, not 8.
  {
    Bytes base(10), plane_line(10);
    for (int i = 0; i < 10; ++i) base[size_t(i)] = uint8_t(i), plane_line[size_t(i)] = uint8_t(100 + i);
    Held<> node(
        RstSelectPlaneMask::create(select_inputs(image_header(10, 1, 1, 1, RstColorType::s_gray()), {{0x00, 0x40}},
                                                 gray(10, 1), {base}, gray(10, 1), {plane_line})));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(first_line(node.get()), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 109}));
  }
  // 0x80 over 3-byte pixels: the first pixel, all three bytes; 0xFF: all eight.
  {
    RstHeader rgb = image_header(16, 1, 8, 3, RstColorType::s_rgb());
    Bytes base(48, 1), plane_line(48, 2), expected(48, 1);
    std::fill(expected.begin(), expected.begin() + 3, 2);
    std::fill(expected.begin() + 24, expected.end(), 2);
    Held<> node(RstSelectPlaneMask::create(select_inputs(image_header(16, 1, 1, 1, RstColorType::s_gray()),
                                                         {{0x80, 0xFF}}, rgb, {base}, rgb, {plane_line})));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(first_line(node.get()), expected);
  }
  // A short mask line ends the output.
  {
    RstHeader mask = image_header(9, 3, 1, 1, RstColorType::s_gray());
    Held<> node(RstSelectPlaneMask::create(select_inputs(mask, {{0xFF, 0x80}, {0xFF}, {0, 0}}, gray(9, 3),
                                                         std::vector<Bytes>(3, Bytes(9, 1)), gray(9, 3),
                                                         std::vector<Bytes>(3, Bytes(9, 2)))));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{Bytes(9, 2)});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Planes, SelectionSkipAndResetReachEveryInput) {
  std::vector<RstRead*> in = select_inputs(gray(2, 3), {{0, 1}, {1, 0}, {1, 1}}, gray(2, 3), {{1, 2}, {3, 4}, {5, 6}},
                                           gray(2, 3), {{7, 8}, {9, 10}, {11, 12}});
  Held<> node(RstSelectPlaneMask::create(in));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::s_gray());
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(2), 2);
  for (RstRead* i : in) EXPECT_EQ(static_cast<LineSource*>(i)->last_skip, 2);
  EXPECT_EQ(first_line(node.get()), (Bytes{11, 12}));
  node->reset();
  for (RstRead* i : in) EXPECT_EQ(static_cast<LineSource*>(i)->resets, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1, 8}, {9, 4}, {11, 12}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Planes, SelectionColourTypesAreComparedOnlyByTheFront) {
  RstHeader rgb = image_header(2, 1, 8, 3, RstColorType::s_rgb());
  RstHeader ycc = image_header(2, 1, 8, 3, RstColorType::s_ycbcr());
  auto inputs = [&] { return select_inputs(gray(2, 1), {{0, 1}}, rgb, {Bytes(6, 1)}, ycc, {Bytes(6, 2)}); };
  std::vector<RstRead*> in = inputs();
  EXPECT_EQ(RstSelectPlaneMask::create(in), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstSelectPlaneMask::create()"}}));
  end_all(in);
  Held<> node(RstSelectPlaneMask8::create(inputs()));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(first_line(node.get()), (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST_F(Planes, SelectionFamilyReportsWithItsWhereTexts) {
  using Create = RstRead* (*)(const std::vector<RstRead*>&);
  const struct {
    Create create;
    const char* missing;
    const char* where;
    int32_t mask_bits, samples;  // a pair the create accepts
  } family[] = {
      {&RstSelectPlaneMask::create, "RstSelectPlaneMask()", "RstSelectPlaneMask::create()", 1, 1},
      {&RstSelectPlaneMask1::create, "RstSelectPlaneMask1()", "RstSelectPlaneMask1::create()", 1, 3},
      {&RstSelectPlaneMask8::create, "RstSelectPlaneMask8()", "RstSelectPlaneMask8::create()", 8, 4},
      {&RstSelectPlane8Mask1::create, "RstSelectPlane8Mask1::create()", "RstSelectPlane8Mask1::create()", 1, 1},
      {&RstSelectPlane24Mask1::create, "RstSelectPlane24Mask1::create()", "RstSelectPlane24Mask1::create()", 1, 3},
      {&RstSelectPlane32Mask1::create, "RstSelectPlane32Mask1::create()", "RstSelectPlane32Mask1::create()", 1, 4},
      {&RstSelectPlane8Mask8::create, "RstSelectPlane8Mask8::create()", "RstSelectPlane8Mask8::create()", 8, 1},
      {&RstSelectPlane24Mask8::create, "RstSelectPlane24Mask8::create()", "RstSelectPlane24Mask8::create()", 8, 3},
      {&RstSelectPlane32Mask8::create, "RstSelectPlane32Mask8::create()", "RstSelectPlane32Mask8::create()", 8, 4},
  };
  for (const auto& f : family) {
    SCOPED_TRACE(f.where);
    auto type = [](int32_t s) {
      return s == 1 ? RstColorType::s_gray() : s == 3 ? RstColorType::s_rgb() : RstColorType::s_cmyk();
    };
    RstHeader mask = image_header(8, 1, f.mask_bits, 1, RstColorType::s_gray());
    RstHeader base = image_header(8, 1, 8, f.samples, type(f.samples));
    RstHeader run_mask = image_header(8, 1, 1, 1, RstColorType::s_gray(), RstDataForm::rle);
    RstHeader mapped_mask = mask;
    mapped_mask.colormap.reset(new RstColormap(8, 3, 2));
    RstHeader palette_a = base, palette_b = base;
    palette_a.colormap.reset(new RstColormap(8, 3, 2));
    palette_b.colormap.reset(new RstColormap(8, 3, 2));
    palette_b.colormap->data()[0] = 9;
    RstHeader coded_plane = base;
    coded_plane.data_form = RstDataForm::jpeg;
    RstHeader other_size = base;
    other_size.height = 2;
    const struct {
      const char* name;
      RstHeader m, b, p;
      int32_t code;
    } cases[] = {
        {"run-line mask", run_mask, base, base, -3},
        {"mask with colormap", mapped_mask, base, base, -3},
        {"different colormaps", mask, palette_a, palette_b, -3},
        {"only the base has a colormap", mask, palette_a, base, -3},
        {"coded plane", mask, base, coded_plane, -3},
        {"plane of another height", mask, base, other_size, -3},
        {"16-bit base", mask, image_header(8, 1, 16, f.samples, type(f.samples)), base, -3},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      status.clear();
      std::vector<RstRead*> in{new LineSource(c.m, {}), new LineSource(c.b, {}), new LineSource(c.p, {})};
      EXPECT_EQ(f.create(in), nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, f.where}}));
      end_all(in);
    }
    // Missing inputs.
    status.clear();
    std::vector<RstRead*> two{new LineSource(mask, {}), new LineSource(base, {})};
    EXPECT_EQ(f.create(two), nullptr);
    std::vector<RstRead*> with_null{new LineSource(mask, {}), nullptr, new LineSource(base, {})};
    EXPECT_EQ(f.create(with_null), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>(2, RstReport{-2, f.missing})));
    end_all(two);
    end_all(with_null);
    // Equal colormaps (two objects of the same entries) pass, as a shared one does.
    status.clear();
    RstHeader palette_c = palette_a;
    palette_c.colormap.reset(new RstColormap(8, 3, 2));
    for (const RstHeader& p : {palette_a, palette_c}) {
      Held<> node(f.create({new LineSource(mask, {}), new LineSource(palette_a, {}), new LineSource(p, {})}));
      EXPECT_NE(node, nullptr);
    }
    EXPECT_TRUE(status.errors().empty());
  }
  // Depths and pixel sizes without a node.
  status.clear();
  const struct {
    Create create;
    int32_t mask_bits, samples;
    RstReport report;
  } unsupported[] = {
      {&RstSelectPlaneMask::create, 4, 1, {-50, "RstSelectPlaneMask::create()"}},
      {&RstSelectPlaneMask1::create, 1, 2, {-50, "RstSelectPlaneMask1::create()"}},
      {&RstSelectPlaneMask8::create, 8, 2, {-50, "RstSelectPlaneMask8::create()"}},
      {&RstSelectPlaneMask1::create, 8, 1, {-3, "RstSelectPlaneMask1::create()"}},
      {&RstSelectPlaneMask8::create, 1, 1, {-3, "RstSelectPlaneMask8::create()"}},
      {&RstSelectPlane24Mask8::create, 8, 4, {-3, "RstSelectPlane24Mask8::create()"}},
      {&RstSelectPlane8Mask1::create, 8, 1, {-3, "RstSelectPlane8Mask1::create()"}},
  };
  for (const auto& u : unsupported) {
    status.clear();
    RstHeader base = image_header(8, 1, 8, u.samples, nullptr);
    std::vector<RstRead*> in{new LineSource(image_header(8, 1, u.mask_bits, 1, RstColorType::s_gray()), {}),
                             new LineSource(base, {}), new LineSource(base, {})};
    EXPECT_EQ(u.create(in), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{u.report});
    end_all(in);
  }
}

// Creates over fresh inputs with the n-th allocation failing, until the
// create no longer reaches it; each failure reports -1 first at one of the
// where-texts and leaves every input readable by the caller.
void check_failures(const std::function<std::vector<RstRead*>()>& inputs,
                    const std::function<RstRead*(const std::vector<RstRead*>&)>& make,
                    const std::vector<Bytes>& expected, const std::vector<std::string>& wheres) {
  for (int64_t n = 1; n < 64; ++n) {
    SCOPED_TRACE(n);
    RstStatusRecorder status;
    std::vector<RstRead*> in = inputs();
    RstAllocFault::fail_nth(n);
    RstRead* node = make(in);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (node) {
      EXPECT_EQ(pull(node), expected);
      node->end();
      if (!reached) return;
      continue;
    }
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().front().code, -1);
    EXPECT_THAT(wheres, ::testing::Contains(status.errors().front().where));
    for (RstRead* i : in) {
      Bytes line(size_t(i->line_size()) + 8);
      EXPECT_GT(i->read(line.data()), 0);
    }
    end_all(in);
  }
  ADD_FAILURE() << "the create never stopped allocating";
}

TEST_F(Planes, MemoryFailures) {
  check_failures(
      [] {
        return std::vector<RstRead*>{plane(2, {{1, 2}}), plane(2, {{3, 4}}), plane(2, {{5, 6}})};
      },
      [](const std::vector<RstRead*>& in) { return RstMerge8bitPlanes::create(in, RstColorType::s_rgb()); },
      {{1, 3, 5, 2, 4, 6}}, {"RstMerge8bitPlanes::initiate()", "rst_create_end()", "RstCreateGuard::RstCreateGuard()"});
  check_failures(
      [] {
        return select_inputs(image_header(2, 1, 1, 1, RstColorType::s_gray()), {{0x40}}, gray(2, 1), {{1, 2}},
                             gray(2, 1), {{3, 4}});
      },
      [](const std::vector<RstRead*>& in) { return RstSelectPlaneMask::create(in); }, {{1, 4}},
      {"RstSelectPlaneMask::initiate()", "rst_create_end()", "RstCreateGuard::RstCreateGuard()"});
}

#ifdef PK_HAVE_LEPTONICA
PIX* gray_pix(const PnmImage& img) {
  PIX* pix = pixCreate(img.width, img.height, 8);
  l_uint32* data = pixGetData(pix);
  int32_t wpl = pixGetWpl(pix);
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x)
      SET_DATA_BYTE(data + size_t(y) * wpl, x, img.pixels[size_t(y) * img.width + size_t(x)]);
  return pix;
}

TEST_F(Planes, SelectionMatchesLeptonicaCombineMasked) {
  const int32_t w = 301, h = 47;
  PnmImage base = random_pnm(w, h, 1, 1), top = random_pnm(w, h, 1, 2);
  // A mask with runs of 0x00 and 0xFF bytes as well as mixed ones.
  std::mt19937 rng(3);
  const int32_t stride = (w + 7) / 8;
  Bytes mask(size_t(stride) * h);
  for (uint8_t& b : mask) {
    uint32_t r = rng() % 4;
    b = r == 0 ? 0x00 : r == 1 ? 0xFF : uint8_t(rng());
  }
  PIX* pm = pixCreate(w, h, 1);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < stride; ++i)
      SET_DATA_BYTE(pixGetData(pm) + size_t(y) * pixGetWpl(pm), i, mask[size_t(y) * stride + size_t(i)]);
  PIX* pb = gray_pix(base);
  PIX* pt = gray_pix(top);
  ASSERT_EQ(pixCombineMasked(pb, pt, pm), 0);
  RstHeader mh = image_header(w, h, 1, 1, RstColorType::s_gray());
  RstRead* mask_node = RstReadRawFromByteArray::create(mask.data(), mh, stride, false, false);
  Held<> node(RstSelectPlaneMask::create({mask_node, pnm_source(base), pnm_source(top)}));
  ASSERT_NE(node, nullptr);
  std::vector<Bytes> ours = pull(node.get());
  ASSERT_EQ(ours.size(), size_t(h));
  size_t differing = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      differing += ours[size_t(y)][size_t(x)] != GET_DATA_BYTE(pixGetData(pb) + size_t(y) * pixGetWpl(pb), x);
  EXPECT_EQ(differing, 0u);
  pixDestroy(&pm);
  pixDestroy(&pb);
  pixDestroy(&pt);
}
#endif

}  // namespace
