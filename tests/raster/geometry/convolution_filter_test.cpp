// Convolution filters: kernels (checks, copies, sharing, huge sizes), the
// outline-copy border, rounding and clamping with and without magnitude,
// skip and reset, refusals, kernels whose sums could leave 32 bits, memory
// failures, and byte equality with libvips' integer convolution.
#include "raster/geometry/rst_convolution_filter.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "line_source.h"
#include "pnm_files.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class Convolution : public RstStatusTest {};

RstKernel kernel(uint32_t w, uint32_t h, uint32_t ax, uint32_t ay, std::vector<int32_t> weights) {
  RstKernel k;
  k.set(w, h, ax, ay, weights.data());
  return k;
}

RstHeader gray(int32_t w, int32_t h) { return image_header(w, h, 8, 1, RstColorType::s_gray()); }

// The output of a kernel over the given lines.
std::vector<Bytes> convolve(const RstHeader& h, std::vector<Bytes> lines, const RstKernel& k, bool absolute) {
  Held<> node(RstConvolutionFilter::create(new LineSource(h, std::move(lines)), k, absolute));
  EXPECT_NE(node, nullptr);
  return node ? pull(node.get()) : std::vector<Bytes>{};
}

// Straightforward reference: clamped coordinates, one pixel at a time.
std::vector<Bytes> reference(const PnmImage& img, const RstKernel& k, bool absolute) {
  std::vector<Bytes> out;
  const int32_t n = img.samples;
  auto at = [&](int32_t x, int32_t y, int32_t c) {
    x = std::clamp(x, 0, img.width - 1);
    y = std::clamp(y, 0, img.height - 1);
    return int64_t(img.pixels[(size_t(y) * size_t(img.width) + size_t(x)) * size_t(n) + size_t(c)]);
  };
  for (int32_t y = 0; y < img.height; ++y) {
    Bytes line;
    for (int32_t x = 0; x < img.width; ++x)
      for (int32_t c = 0; c < n; ++c) {
        int64_t sum = 0;
        for (int32_t r = 0; r < k.height; ++r)
          for (int32_t j = 0; j < k.width; ++j)
            sum += at(x - k.anchor_x + j, y - k.anchor_y + r, c) * k.weights()[r * k.width + j];
        int64_t v = absolute ? ((sum < 0 ? -sum : sum) + 2048) >> 12 : (sum + 2048) >> 12;
        line.push_back(uint8_t(std::clamp<int64_t>(v, 0, 255)));
      }
    out.push_back(line);
  }
  return out;
}

// A windowed filter that hands out its whole window, row after row, so that
// the ring's border policy can be seen.
template <int N>
class WindowRows : public RstFilter<N> {
 public:
  WindowRows(RstRead* source, const RstWindow& window, const uint8_t* fill)
      : RstFilter<N>(source, window, fill), window_(window) {}
  int line_size() override { return int(row_bytes() * size_t(window_.height)); }
  int read(uint8_t* line) override {
    if (this->lines_produced_ >= uint32_t(this->height_) || !this->ring()->advance()) return 0;
    for (int32_t r = 0; r < window_.height; ++r)
      std::memcpy(line + r * row_bytes(), this->ring()->line(r), row_bytes());
    ++this->lines_produced_;
    return line_size();
  }

 private:
  size_t row_bytes() const { return size_t(this->width_ + window_.width - 1) * N; }
  RstWindow window_;
};

TEST_F(Convolution, FilterBaseBordersByFillPixelOrOutlineCopy) {
  RstWindow window{3, 2, 1, 1};
  std::vector<Bytes> lines{{1, 2}, {3, 4}};
  {
    const uint8_t fill = 9;
    auto* node = new WindowRows<1>(new LineSource(gray(2, 2), lines), window, &fill);
    Held<> held(node);
    ASSERT_TRUE(node->initiate_once());
    EXPECT_EQ(node->line_size(), 8);
    EXPECT_EQ(pull(node), (std::vector<Bytes>{{9, 9, 9, 9, 9, 1, 2, 9}, {9, 1, 2, 9, 9, 3, 4, 9}}));
    node->reset();
    EXPECT_EQ(node->skip(1), 1);
    EXPECT_EQ(first_line(node), (Bytes{9, 1, 2, 9, 9, 3, 4, 9}));
  }
  {
    auto* node = new WindowRows<1>(new LineSource(gray(2, 2), lines), window, nullptr);
    Held<> held(node);
    ASSERT_TRUE(node->initiate_once());
    EXPECT_EQ(pull(node), (std::vector<Bytes>{{1, 1, 2, 2, 1, 1, 2, 2}, {1, 1, 2, 2, 3, 3, 4, 4}}));
  }
  {
    const uint8_t fill[3] = {7, 8, 9};
    RstHeader rgb = image_header(1, 1, 8, 3, RstColorType::s_rgb());
    auto* node = new WindowRows<3>(new LineSource(rgb, {{1, 2, 3}}), RstWindow{2, 1, 0, 0}, fill);
    Held<> held(node);
    ASSERT_TRUE(node->initiate_once());
    EXPECT_EQ(pull(node), (std::vector<Bytes>{{1, 2, 3, 7, 8, 9}}));
  }
  // A ring that cannot take the source leaves a node that does not initiate.
  auto* node = new WindowRows<1>(new LineSource(image_header(2, 2, 16, 1, nullptr), {}), window, nullptr);
  Held<> held(node);
  EXPECT_FALSE(node->initiate_once());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstRingBuffer::RstRingBuffer()"}}));
}

TEST_F(Convolution, KernelSetRefusesAndKeepsItsWeights) {
  RstKernel k = kernel(3, 1, 1, 0, {1, 2, 3});
  const int32_t w[4] = {9, 9, 9, 9};
  const struct {
    uint32_t width, height, ax, ay;
    const int32_t* weights;
  } refused[] = {
      {3, 1, 3, 0, w},       {3, 1, 0, 1, w},           {0, 1, 0, 0, w},           {1, 0, 0, 0, w},
      {2, 2, 0, 0, nullptr}, {0x80000000u, 1, 0, 0, w}, {1, 0x80000000u, 0, 0, w},
  };
  for (const auto& c : refused) {
    k.set(c.width, c.height, c.ax, c.ay, c.weights);
    EXPECT_EQ(k.width, 3);
    EXPECT_EQ(k.height, 1);
    EXPECT_EQ(k.anchor_x, 1);
    EXPECT_EQ(k.anchor_y, 0);
    EXPECT_EQ(std::vector<int32_t>(k.weights(), k.weights() + 3), (std::vector<int32_t>{1, 2, 3}));
  }
  EXPECT_EQ(status.errors(), std::vector<RstReport>(std::size(refused), RstReport{-2, "RstKernel::set()"}));

  // Copies are deep; a copy of an empty kernel is empty and reports -2.
  status.clear();
  RstKernel copy(k);
  EXPECT_NE(copy.weights(), k.weights());
  EXPECT_EQ(std::vector<int32_t>(copy.weights(), copy.weights() + 3), (std::vector<int32_t>{1, 2, 3}));
  RstKernel empty;
  RstKernel copy_of_empty(empty);
  EXPECT_FALSE(copy_of_empty.has_weights());
  EXPECT_EQ(copy_of_empty.width, 0);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstKernel::set()"}}));

  // Shared kernels go with their last holder (ASan sees a leak or a double free).
  RstCountedPtr<RstKernel> a(new RstKernel(k)), b;
  b = a;
  EXPECT_EQ(a.use_count(), 2);
  a.reset();
  EXPECT_EQ(b->weights()[2], 3);
}

TEST_F(Convolution, HugeKernelIsCountedIn64Bits) {
  RstKernel k = kernel(2, 1, 0, 0, {4096, 0});
  int32_t one = 1;  // never read: the allocation is refused
  RstAllocFault::fail_nth(1);
  k.set(65536, 65537, 0, 0, &one);
  EXPECT_EQ(RstAllocFault::last_size(), size_t{4295032832} * sizeof(int32_t));
  RstAllocFault::clear();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstKernel::set()"}}));
  EXPECT_EQ(k.width, 65536);
  EXPECT_EQ(k.height, 65537);
  EXPECT_FALSE(k.has_weights());
}

TEST_F(Convolution, EdgeCasesOfTheBorderAndRounding) {
  struct Case {
    const char* name;
    RstHeader header;
    std::vector<Bytes> in;
    RstKernel k;
    bool absolute;
    std::vector<Bytes> out;
  };
  const std::vector<int32_t> box3x3(9, 455);  // 455 x 9 = 4095
  Case cases[] = {
      {"smoothing 3 x 1", gray(3, 1), {{0, 255, 0}}, kernel(3, 1, 1, 0, {1024, 2048, 1024}), false, {{64, 128, 64}}},
      {"difference", gray(3, 1), {{10, 20, 40}}, kernel(3, 1, 1, 0, {-4096, 0, 4096}), false, {{10, 30, 20}}},
      {"difference, magnitude", gray(3, 1), {{10, 20, 40}}, kernel(3, 1, 1, 0, {-4096, 0, 4096}), true, {{10, 30, 20}}},
      {"falling difference", gray(3, 1), {{40, 20, 10}}, kernel(3, 1, 1, 0, {-4096, 0, 4096}), false, {{0, 0, 0}}},
      {"falling difference, magnitude",
       gray(3, 1),
       {{40, 20, 10}},
       kernel(3, 1, 1, 0, {-4096, 0, 4096}),
       true,
       {{20, 30, 10}}},
      // One line serves all three window rows.
      {"one line under 3 x 3", gray(3, 1), {{0, 90, 180}}, kernel(3, 3, 1, 1, box3x3), false, {{30, 90, 150}}},
      // One pixel serves every window column.
      {"one pixel wide", gray(1, 3), {{10}, {40}, {100}}, kernel(3, 3, 1, 1, box3x3), false, {{20}, {50}, {80}}},
      // Anchor x = width - 1: the window reaches left only.
      {"anchor at the right", gray(4, 1), {{0, 40, 80, 120}}, kernel(3, 1, 2, 0, {4096, 0, 0}), false, {{0, 0, 0, 40}}},
      {"anchor at the left",
       gray(4, 1),
       {{0, 40, 80, 120}},
       kernel(3, 1, 0, 0, {0, 0, 4096}),
       false,
       {{80, 120, 120, 120}}},
      // Rounding: 2048 gives 1, -2048 gives 0, sums past 255 x 4096 clamp.
      {"rounding", gray(3, 1), {{1, 255, 2}}, kernel(1, 1, 0, 0, {2048}), false, {{1, 128, 1}}},
      {"negative rounding", gray(2, 1), {{1, 2}}, kernel(1, 1, 0, 0, {-2048}), false, {{0, 0}}},
      {"negative rounding, magnitude", gray(2, 1), {{1, 2}}, kernel(1, 1, 0, 0, {-2048}), true, {{1, 1}}},
      {"clamp", gray(2, 1), {{128, 200}}, kernel(1, 1, 0, 0, {8192}), false, {{255, 255}}},
      // Vertical: the rows above line 0 copy it, the rows below the last copy it.
      {"vertical difference",
       gray(1, 3),
       {{10}, {50}, {20}},
       kernel(1, 3, 0, 1, {-4096, 0, 4096}),
       true,
       {{40}, {10}, {30}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(convolve(c.header, c.in, c.k, c.absolute), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Convolution, RgbShiftMovesWholePixels) {
  RstHeader h = image_header(3, 1, 8, 3, RstColorType::s_rgb());
  // Each output pixel is its right-hand neighbour, all three channels.
  EXPECT_EQ(convolve(h, {{1, 2, 3, 4, 5, 6, 7, 8, 9}}, kernel(2, 1, 0, 0, {0, 4096}), false),
            (std::vector<Bytes>{{4, 5, 6, 7, 8, 9, 7, 8, 9}}));
  RstHeader cmyk = image_header(2, 1, 8, 4, RstColorType::s_cmyk());
  EXPECT_EQ(convolve(cmyk, {{1, 2, 3, 4, 5, 6, 7, 8}}, kernel(2, 1, 1, 0, {4096, 0}), false),
            (std::vector<Bytes>{{1, 2, 3, 4, 1, 2, 3, 4}}));
}

TEST_F(Convolution, IdentityKernelGivesTheSourceItself) {
  RstKernel one = kernel(1, 1, 0, 0, {4096});
  // The instance does not look at the header: 1-bit and coded sources too.
  for (const RstHeader& h : {gray(4, 2), image_header(9, 2, 1, 1, RstColorType::s_gray()),
                             image_header(9, 2, 1, 1, RstColorType::s_gray(), RstDataForm::mmr)}) {
    auto* src = new LineSource(h, {});
    EXPECT_EQ(RstConvolutionFilterN<1>::create(src, one, false), src);
    EXPECT_EQ(RstConvolutionFilterN<3>::create(src, one, true), src);
    src->end();
  }
  auto* src = new LineSource(gray(4, 2), {});
  EXPECT_EQ(RstConvolutionFilter::create(src, one, false), src);
  src->end();
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Convolution, LinesEndSkipAndResetKeepTheWindowInStep) {
  std::vector<Bytes> lines;
  for (uint8_t y = 0; y < 7; ++y) lines.push_back({uint8_t(10 * y), uint8_t(10 * y + 3), uint8_t(200 - y)});
  RstKernel k = kernel(3, 3, 1, 1, {1, 2, 3, 400, 500, 600, 700, 800, 900});
  auto* src = new LineSource(gray(3, 7), lines);
  Held<> node(RstConvolutionFilter::create(src, k, false));
  ASSERT_NE(node, nullptr);
  std::vector<Bytes> all = pull(node.get());
  ASSERT_EQ(all.size(), 7u);
  Bytes line(3);
  EXPECT_EQ(node->read(line.data()), 0);
  node->reset();
  EXPECT_EQ(first_line(node.get()), all[0]);
  for (int n : {1, 3, 6}) {
    node->reset();
    EXPECT_EQ(node->skip(n), n);
    EXPECT_EQ(first_line(node.get()), all[size_t(n)]) << n;
  }
  node->reset();
  EXPECT_EQ(node->skip(100), 7);
  EXPECT_EQ(node->read(line.data()), 0);
  // A short source line ends the output without a report.
  lines[4].pop_back();
  Held<> cut(RstConvolutionFilter::create(new LineSource(gray(3, 7), lines), k, false));
  EXPECT_EQ(pull(cut.get()).size(), 3u) << "the window needs line y + 1";
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Convolution, RefusedSourcesAndKernels) {
  RstKernel k = kernel(3, 1, 1, 0, {1024, 2048, 1024});
  RstKernel none;
  RstHeader mapped = gray(3, 1);
  mapped.colormap.reset(new RstColormap(8, 3, 4));
  const struct {
    RstHeader header;
    bool front;
    const RstKernel* k;
    RstReport report;
  } cases[] = {
      {image_header(3, 1, 8, 2, RstColorType::s_gray()), true, &k, {-50, "RstConvolutionFilter::create()"}},
      {mapped, true, &k, {-3, "RstConvolutionFilter::create()"}},
      {image_header(3, 1, 16, 1, RstColorType::s_gray()), true, &k, {-3, "RstConvolutionFilter::create()"}},
      {gray(3, 1), true, &none, {-2, "RstConvolutionFilter::create()"}},
      {gray(3, 1), false, &none, {-2, "RstConvolutionFilterN::create()"}},
      {image_header(3, 1, 8, 3, RstColorType::s_rgb()), false, &k, {-3, "RstConvolutionFilterN::create()"}},
      {image_header(3, 1, 8, 1, RstColorType::s_gray(), RstDataForm::packbits),
       false,
       &k,
       {-3, "RstConvolutionFilterN::create()"}},
      {mapped, false, &k, {-3, "RstConvolutionFilterN::create()"}},
  };
  for (const auto& c : cases) {
    status.clear();
    auto* src = new LineSource(c.header, {{1, 2, 3}});
    RstRead* made =
        c.front ? RstConvolutionFilter::create(src, *c.k, false) : RstConvolutionFilterN<1>::create(src, *c.k, false);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    // The source is still the caller's.
    EXPECT_EQ(src->read(std::vector<uint8_t>(16).data()), 3);
    src->end();
  }
  status.clear();
  EXPECT_EQ(RstConvolutionFilter::create(nullptr, k, false), nullptr);
  EXPECT_EQ(RstConvolutionFilterN<3>::create(nullptr, k, false), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-2, "RstConvolutionFilter::create()"}, {-2, "RstConvolutionFilterN::create()"}}));
}

TEST_F(Convolution, KernelsWhoseSumsCouldLeave32BitsAreRefused) {
  RstKernel big = kernel(3, 3, 1, 1, std::vector<int32_t>(9, 1000000));
  for (bool front : {true, false}) {
    auto* src = new LineSource(gray(3, 1), {{255, 255, 255}});
    EXPECT_EQ(front ? RstConvolutionFilter::create(src, big, false) : RstConvolutionFilterN<1>::create(src, big, false),
              nullptr);
    src->end();
  }
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-2, "RstConvolutionFilter::create()"}, {-2, "RstConvolutionFilterN::create()"}}));
  status.clear();
  // Sum of magnitudes 8,421,496: 255 x that + 2048 is 2^31 - 120, the
  // largest that fits; the extreme sums come out exact (UBSan watches).
  RstKernel edge = kernel(3, 1, 1, 0, {-4210748, 0, 4210748});
  for (bool absolute : {false, true}) {
    std::vector<Bytes> out = convolve(gray(4, 1), {{0, 0, 255, 255}}, edge, absolute);
    EXPECT_EQ(out, (std::vector<Bytes>{{0, 255, 255, 0}}));
    out = convolve(gray(4, 1), {{255, 255, 0, 0}}, edge, absolute);
    EXPECT_EQ(out,
              (std::vector<Bytes>{{0, absolute ? uint8_t(255) : uint8_t(0), absolute ? uint8_t(255) : uint8_t(0), 0}}));
  }
  EXPECT_TRUE(status.errors().empty());
  RstKernel over = kernel(3, 1, 1, 0, {-4210748, 0, 4210749});
  auto* src = new LineSource(gray(4, 1), {{0, 0, 255, 255}});
  EXPECT_EQ(RstConvolutionFilter::create(src, over, false), nullptr);
  src->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstConvolutionFilter::create()"}}));
}

TEST_F(Convolution, MemoryFailuresLeaveTheSourceToTheCaller) {
  PnmImage img = random_pnm(13, 5, 3, 7);
  RstKernel k = kernel(3, 2, 2, 1, {100, -2000, 3000, 4000, 500, -600});
  std::vector<Bytes> expected = reference(img, k, false);
  check_allocation_failures(
      [&] {
        return new LineSource(image_header(13, 5, 8, 3, RstColorType::s_rgb()), [&] {
          std::vector<Bytes> l;
          for (int32_t y = 0; y < 5; ++y)
            l.emplace_back(img.pixels.begin() + y * 39, img.pixels.begin() + (y + 1) * 39);
          return l;
        }());
      },
      [&](RstRead* src) { return RstConvolutionFilter::create(src, k, false); }, expected,
      {"RstKernel::set()", "RstFilter::RstFilter()", "RstRingBuffer::RstRingBuffer()", "rst_create_end()"});
}

TEST_F(Convolution, FailedRingBufferObjectGivesNoNode) {
  RstKernel k = kernel(3, 1, 1, 0, {1024, 2048, 1024});
  // Find the allocation of the ring buffer object: the observer returns, so
  // the create must see the failure itself.
  bool seen = false;
  for (int64_t n = 1; n < 10 && !seen; ++n) {
    status.clear();
    auto* src = new LineSource(gray(3, 2), {{1, 2, 3}, {4, 5, 6}});
    RstAllocFault::fail_nth(n);
    RstRead* made = RstConvolutionFilter::create(src, k, false);
    RstAllocFault::clear();
    if (!status.errors().empty() && status.errors().front() == RstReport{-1, "RstFilter::RstFilter()"}) {
      seen = true;
      EXPECT_EQ(made, nullptr);
      EXPECT_EQ(src->read(std::vector<uint8_t>(8).data()), 3);
    }
    if (made) made->end();
    else src->end();
  }
  EXPECT_TRUE(seen);
}

TEST_F(Convolution, RandomImagesMatchTheReference) {
  const struct {
    int32_t w, h;
    uint32_t kw, kh;
  } shapes[] = {{17, 9, 3, 1}, {5, 4, 3, 3}, {23, 6, 5, 3}, {2, 1, 5, 5}, {1, 7, 1, 4}, {2000, 2, 3, 1}};
  std::mt19937 rng(58);
  for (const auto& s : shapes)
    for (int32_t n : {1, 3, 4})
      for (bool absolute : {false, true}) {
        PnmImage img = random_pnm(s.w, s.h, n, rng());
        std::vector<int32_t> w(size_t(s.kw) * s.kh);
        for (int32_t& v : w) v = int32_t(rng() % 12001) - 6000;
        RstKernel k = kernel(s.kw, s.kh, rng() % s.kw, rng() % s.kh, w);
        SCOPED_TRACE(::testing::Message() << s.w << "x" << s.h << " kernel " << s.kw << "x" << s.kh << " anchor "
                                          << k.anchor_x << "," << k.anchor_y << " n " << n << " abs " << absolute);
        RstHeader h = image_header(s.w, s.h, 8, n, nullptr);
        std::vector<Bytes> lines;
        for (int32_t y = 0; y < s.h; ++y)
          lines.emplace_back(img.pixels.begin() + y * s.w * n, img.pixels.begin() + (y + 1) * s.w * n);
        EXPECT_EQ(convolve(h, lines, k, absolute), reference(img, k, absolute));
      }
}

// libvips' integer convolution over the image embedded with copied edges;
// its vector path rounds otherwise, so it is switched off.
bool vips_convolve(const PnmImage& img, const RstKernel& k, PnmImage& out) {
  std::string in = temp_path("conv_in.pnm"), e = temp_path("conv_e.v"), c = temp_path("conv_c.v"),
              mat = temp_path("conv_k.mat"), res = temp_path(img.samples == 3 ? "conv_out.ppm" : "conv_out.pgm");
  if (!write_pnm(in, img)) return false;
  {
    std::ofstream m(mat);
    m << k.width << " " << k.height << " 4096 0\n";
    for (int32_t r = 0; r < k.height; ++r) {
      for (int32_t j = 0; j < k.width; ++j) m << k.weights()[r * k.width + j] << " ";
      m << "\n";
    }
  }
  std::ostringstream cmd;
  cmd << "VIPS_NOVECTOR=1 vips embed " << in << " " << e << " " << k.anchor_x << " " << k.anchor_y << " "
      << img.width + k.width - 1 << " " << img.height + k.height - 1 << " --extend copy"
      << " && VIPS_NOVECTOR=1 vips convi " << e << " " << c << " " << mat << " && VIPS_NOVECTOR=1 vips extract_area "
      << c << " " << res << " " << k.width / 2 << " " << k.height / 2 << " " << img.width << " " << img.height;
  bool ok = std::system(cmd.str().c_str()) == 0;
  if (ok) out = read_pnm(res);
  for (const std::string& f : {in, e, c, mat, res}) std::remove(f.c_str());
  return ok && !out.pixels.empty();
}

TEST_F(Convolution, MatchesLibvipsIntegerConvolution) {
  if (std::system("vips --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "vips not installed";
  const struct {
    uint32_t kw, kh, ax, ay;
  } kernels[] = {{3, 1, 1, 0}, {3, 1, 0, 0}, {3, 3, 1, 1}, {3, 3, 2, 0}, {5, 3, 4, 0}, {5, 5, 2, 2}, {4, 2, 3, 1}};
  std::mt19937 rng(4096);
  for (const auto& s : kernels)
    for (int32_t n : {1, 3}) {
      std::vector<int32_t> w(size_t(s.kw) * s.kh);
      for (int32_t& v : w) v = int32_t(rng() % 4001) - 1200;
      RstKernel k = kernel(s.kw, s.kh, s.ax, s.ay, w);
      PnmImage img = random_pnm(41, 23, n, rng());
      SCOPED_TRACE(::testing::Message() << "kernel " << s.kw << "x" << s.kh << " anchor " << s.ax << "," << s.ay
                                        << " samples " << n);
      PnmImage theirs;
      ASSERT_TRUE(vips_convolve(img, k, theirs));
      Held<> node(RstConvolutionFilter::create(pnm_source(img), k, false));
      ASSERT_NE(node, nullptr);
      EXPECT_TRUE(pull_all(node.get()) == theirs.pixels);
    }
}

}  // namespace
