// The JPEG writers: RstPushWriteJPEG's defaults, application headers and
// refusals, RstWriteJPEG::create's checks and its chroma low-pass chain (over
// the registered channel, convolution and merge nodes, refused without them;
// its file equals plain decimation of the page filtered by hand), and the
// base quantisation tables an option carries. Every output is decoded again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "jpeg_encode_support.h"
#include "node_support.h"
#include "raster/codecs/rst_codec_creators.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_write_jpeg.h"
#include "raster/color/rst_color_creators.h"
#include "raster/color/rst_select_channel.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/rst_write.h"
#include "raster/core/rst_divide.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_convolution_filter.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/geometry/rst_merge_8bit_planes.h"

namespace {

RstHeader image(int32_t w, int32_t h, int32_t spp, RstColorType* type, int32_t bits = 8) {
  RstHeader r = make_header(w, h, RstDataForm::raw, bits, spp);
  r.color_type = type;
  return r;
}

// A raw source over an interleaved picture.
class PictureSource : public RstRead {
 public:
  PictureSource(const RstHeader& h, Bytes pixels) : header_(h), pixels_(std::move(pixels)) {}
  void header(RstHeader& h) override { h = header_; }
  int read(uint8_t* line) override {
    if (next_ >= header_.height) return 0;
    size_t n = size_t(line_size());
    std::memcpy(line, pixels_.data() + size_t(next_++) * n, n);
    return int(n);
  }
  void reset() override { next_ = 0; }

 private:
  RstHeader header_;
  Bytes pixels_;
  int32_t next_ = 0;
};

class CodedSource : public PictureSource, public RstCodeSource {
  using PictureSource::PictureSource;
};

PictureSource* picture_source(int32_t w, int32_t h, int32_t spp, RstColorType* type) {
  return new PictureSource(image(w, h, spp, type), test_picture(w, h, spp));
}

// Runs the writer dry and ends it; the bytes written.
Bytes run(RstWrite* writer, MemoryOutputStorage& out) {
  while (writer->write() > 0) {
  }
  writer->end();
  return memory_bytes(out);
}

// Pushes every line of the picture into the push writer and ends it.
Bytes push_all(RstPushWriteJPEG* writer, const RstHeader& h, const Bytes& pixels, MemoryOutputStorage& out) {
  size_t n = size_t(h.width) * h.samples_per_pixel;
  for (int32_t y = 0; y < h.height; ++y) EXPECT_TRUE(writer->write(pixels.data() + y * n));
  writer->end();
  return memory_bytes(out);
}

Bytes app_of(const Bytes& b) {
  auto list = header_segments(b);
  for (const Segment& s : list)
    if (s.code == 0xE0 || s.code == 0xE1)
      return Bytes(b.begin() + long(s.payload) - 4, b.begin() + long(s.payload + s.length));
  return {};
}

const Bytes kJfif200 = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 1, 0, 200, 0, 200, 0, 0};

TEST(JpegPushWriter, DefaultsWithoutOption) {
  const struct {
    const char* what;
    int32_t spp;
    RstColorType* type;
    Bytes app;
  } cases[] = {{"gray", 1, RstColorType::s_gray(), kJfif200},
               {"YCbCr", 3, RstColorType::s_ycbcr(), kJfif200},
               {"RGB", 3, RstColorType::s_rgb(), {}}};
  for (const auto& c : cases) {
    ReportLog log;
    MemoryOutputStorage out;
    RstHeader h = image(19, 10, c.spp, c.type);
    RstPushWriteJPEG* w = RstPushWriteJPEG::create(&out, h, nullptr, false);
    ASSERT_NE(w, nullptr) << c.what;
    RstHeader told;
    w->header(told);
    EXPECT_EQ(told.data_form, RstDataForm::jpeg);
    Bytes pixels = test_picture(19, 10, c.spp);
    Bytes b = push_all(w, h, pixels, out);
    EXPECT_EQ(app_of(b), c.app) << c.what;
    auto list = header_segments(b);
    const Segment* sof = find_segment(list, 0xC0);
    ASSERT_NE(sof, nullptr);
    EXPECT_EQ(b[sof->payload + 7], 0x11) << c.what;
    // Quality 75: the base tables halved, in zig-zag order.
    const Segment* dqt = find_segment(list, 0xDB);
    for (int k = 0; k < 64; ++k) {
      int want = std::max(1, int(rst_jpeg_k1_luminance[rst_jpeg_zigzag()[k]] * 0.5f + 0.5f));
      ASSERT_EQ(b[dqt->payload + 1 + k], want) << c.what << " " << k;
    }
    Decoded ours = stage_decode(b);
    PeerDecoded peer = libjpeg_decode_counted(b);
    ASSERT_GE(ours.status, 1) << c.what;
    ASSERT_EQ(peer.status, 1) << c.what;
    EXPECT_EQ(peer.libjpeg_warnings, 0);
    EXPECT_LE(compare(ours, peer).max, 1);
    EXPECT_TRUE(log.reports.empty()) << c.what;
  }
}

TEST(JpegPushWriter, ApplicationHeaderByFlagAndColourType) {
  const struct {
    const char* what;
    int32_t spp;
    RstColorType* type;
    uint8_t flag;
    Bytes app;
  } cases[] = {
      {"gray, flag 0", 1, RstColorType::s_gray(), 0, {}},
      {"YCbCr, flag 0", 3, RstColorType::s_ycbcr(), 0, {}},
      {"Lab", 3, RstColorType::itu_lab(), 1, {0xFF, 0xE1, 0, 12, 'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCA, 0x01, 0x2C}},
      {"L*", 1, RstColorType::icc_lstar(), 1, {0xFF, 0xE1, 0, 12, 'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCA, 0x01, 0x2C}},
      {"gray",
       1,
       RstColorType::s_gray(),
       1,
       {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 1, 0x01, 0x2C, 0, 150, 0, 0}},
  };
  for (const auto& c : cases) {
    ReportLog log;
    MemoryOutputStorage out;
    RstHeader h = image(9, 9, c.spp, c.type);
    RstWriteJPEGOption option(300, 150, 75, RstJPEGSampling::s444);
    option.header_flag = c.flag;
    RstPushWriteJPEG* w = RstPushWriteJPEG::create(&out, h, &option, false);
    ASSERT_NE(w, nullptr) << c.what;
    Bytes b = push_all(w, h, test_picture(9, 9, c.spp), out);
    EXPECT_EQ(app_of(b), c.app) << c.what;
    EXPECT_GE(stage_decode(b).status, 1) << c.what;
    EXPECT_EQ(libjpeg_decode_counted(b).libjpeg_warnings, 0) << c.what;
  }
}

TEST(JpegPushWriter, RefusedImagesAndStorages) {
  MemoryOutputStorage open;
  MemoryOutputStorage closed;
  closed.close();
  RstHeader mapped = image(8, 8, 1, RstColorType::s_rgb());
  mapped.colormap.reset(new RstColormap(8, 3, 2));
  RstHeader coded = image(8, 8, 1, RstColorType::s_gray());
  coded.data_form = RstDataForm::jpeg;
  RstWriteJPEGOption odd(200, 200, 75, 0x12201221);
  const struct {
    const char* what;
    OutputStorage* storage;
    RstHeader h;
    const RstWriteJPEGOption* option;
    int32_t code;
  } cases[] = {
      {"16 bits", &open, image(8, 8, 1, RstColorType::s_gray(), 16), nullptr, -3},
      {"colormap", &open, mapped, nullptr, -3},
      {"coded", &open, coded, nullptr, -3},
      {"2 samples", &open, image(8, 8, 2, RstColorType::s_gray()), nullptr, -3},
      {"4 samples", &open, image(8, 8, 4, RstColorType::s_cmyk()), nullptr, -3},
      {"no storage", nullptr, image(8, 8, 1, RstColorType::s_gray()), nullptr, -2},
      {"closed storage", &closed, image(8, 8, 1, RstColorType::s_gray()), nullptr, -2},
      {"unknown sampling", &open, image(8, 8, 3, RstColorType::s_ycbcr()), &odd, -2},
  };
  for (const auto& c : cases) {
    ReportLog log;
    EXPECT_EQ(RstPushWriteJPEG::create(c.storage, c.h, c.option, false), nullptr) << c.what;
    EXPECT_TRUE(log.has(c.code, "RstPushWriteJPEG::create()")) << c.what;
    EXPECT_EQ(open.size(), 0) << c.what;
  }
}

TEST(JpegWriter, RefusedSourcesAndOptions) {
  MemoryOutputStorage out;
  {
    ReportLog log;
    EXPECT_EQ(RstWriteJPEG::create(nullptr, &out, nullptr, false), nullptr);
    EXPECT_TRUE(log.has(-2, "RstWriteJPEG::create()"));
  }
  {
    ReportLog log;
    auto* coded = new CodedSource(image(8, 8, 1, RstColorType::s_gray()), Bytes(64, 1));
    EXPECT_EQ(RstWriteJPEG::create(coded, &out, nullptr, false), nullptr);
    EXPECT_TRUE(log.has(-5, "RstWriteJPEG::create()"));
    coded->end();
  }
  {
    ReportLog log;
    PictureSource* src = picture_source(8, 8, 3, RstColorType::s_ycbcr());
    RstWriteJPEGOption odd(200, 200, 75, 0x13301110);
    EXPECT_EQ(RstWriteJPEG::create(src, &out, &odd, false), nullptr);
    EXPECT_TRUE(log.has(-2, "RstWriteJPEG::create()"));
    src->end();
  }
  {
    // Filtered chroma asked for, but no filter nodes registered.
    ReportLog log;
    PictureSource* src = picture_source(8, 8, 3, RstColorType::s_ycbcr());
    RstWriteJPEGOption option(200, 200, 75, RstJPEGSampling::s420);
    option.down_sampling_mode = 2;
    EXPECT_EQ(RstWriteJPEG::create(src, &out, &option, false), nullptr);
    EXPECT_TRUE(log.has(-50, "RstWriteJPEG::create()"));
    src->end();
  }
  EXPECT_EQ(out.size(), 0);
}

// The chroma chain over the real nodes that the colour and geometry folders
// register; the creator tables are put back afterwards, so that the other
// cases see a writer without them.
class ChromaChain : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_codec_ = rst_codec_creators();
    saved_format_ = rst_format_creators();
    rst_register_color_creators();
    rst_register_geometry_creators();
  }
  void TearDown() override {
    rst_codec_creators() = saved_codec_;
    rst_format_creators() = saved_format_;
  }

 private:
  RstCodecCreators saved_codec_;
  RstFormatCreators saved_format_;
};

struct ChainKernel {
  int32_t width, height, anchor_x, anchor_y;
  std::vector<int32_t> weights;
};

// The kernel of a convolution node, as the chain built it.
ChainKernel kernel_of(RstRead* node) {
  auto* filter = dynamic_cast<RstConvolutionFilterN<1>*>(node);
  if (!filter) return {};
  const RstKernel& k = filter->kernel();
  EXPECT_FALSE(filter->absolute());
  return {k.width, k.height, k.anchor_x, k.anchor_y,
          std::vector<int32_t>(k.weights(), k.weights() + size_t(k.width) * size_t(k.height))};
}

TEST_F(ChromaChain, KernelsOfTheSamplingCodes) {
  const ChainKernel horizontal{3, 1, 1, 0, {1024, 2048, 1024}};
  const ChainKernel both{3, 3, 1, 1, {0, 682, 0, 682, 1365, 682, 0, 682, 0}};
  const struct {
    uint32_t code;
    int32_t mode;
    std::optional<ChainKernel> kernel;  // none: no chain
  } cases[] = {
      {RstJPEGSampling::s422, 2, horizontal},   {RstJPEGSampling::s411, 2, horizontal},
      {RstJPEGSampling::s420, 2, both},         {RstJPEGSampling::s444, 2, std::nullopt},
      {RstJPEGSampling::s420, 1, std::nullopt}, {RstJPEGSampling::s422, 0, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ReportLog log;
    MemoryOutputStorage out;
    PictureSource* src = picture_source(20, 12, 3, RstColorType::s_ycbcr());
    RstWriteJPEGOption option(200, 200, 75, c.code);
    option.down_sampling_mode = c.mode;
    RstWrite* w = RstWriteJPEG::create(src, &out, &option, false);
    ASSERT_NE(w, nullptr);
    // Without a chain the bridge reads the source itself.
    EXPECT_EQ(w->source() == src, !c.kernel);
    if (c.kernel) {
      auto* merged = dynamic_cast<RstMerge8bitPlanes*>(w->source());
      ASSERT_NE(merged, nullptr);
      EXPECT_EQ(RstHeader(merged).color_type, RstColorType::s_ycbcr());
      EXPECT_EQ(dynamic_cast<RstConvolutionFilterN<1>*>(merged->input(0)), nullptr) << "luma is not filtered";
      for (size_t i = 1; i < 3; ++i) {
        ChainKernel k = kernel_of(merged->input(i));
        EXPECT_EQ(k.width, c.kernel->width);
        EXPECT_EQ(k.height, c.kernel->height);
        EXPECT_EQ(k.anchor_x, c.kernel->anchor_x);
        EXPECT_EQ(k.anchor_y, c.kernel->anchor_y);
        EXPECT_EQ(k.weights, c.kernel->weights);
      }
    }
    Bytes b = run(w, out);
    Decoded ours = stage_decode(b);
    ASSERT_GE(ours.status, 1);
    EXPECT_EQ(ours.height, 12);
    EXPECT_EQ(libjpeg_decode_counted(b).libjpeg_warnings, 0);
    EXPECT_TRUE(log.reports.empty());
  }
}

// The page filtered by hand through the same nodes: fan-out, channels,
// two convolutions, merge.
RstRead* filtered_by_hand(RstRead* source, const RstKernel& kernel) {
  RstDivide* divide = RstDivide::create(source, 1, 0);
  std::vector<RstRead*> planes;
  for (int32_t i = 0; i < 3; ++i) {
    RstRead* channel = RstSelectChannel::create(divide->create_reader(), i, RstColorType::s_gray());
    planes.push_back(i == 0 ? channel : RstConvolutionFilter::create(channel, kernel, false));
  }
  return RstMerge8bitPlanes::create(planes, RstColorType::s_ycbcr());
}

TEST_F(ChromaChain, FilteredFileEqualsDecimationOfTheFilteredPage) {
  const int32_t w = 45, h = 29;
  for (uint32_t code : {RstJPEGSampling::s422, RstJPEGSampling::s411, RstJPEGSampling::s420}) {
    SCOPED_TRACE(code);
    ReportLog log;
    RstWriteJPEGOption option(200, 200, 75, code);
    option.down_sampling_mode = 2;
    MemoryOutputStorage out2;
    RstWrite* w2 = RstWriteJPEG::create(picture_source(w, h, 3, RstColorType::s_ycbcr()), &out2, &option, false);
    ASSERT_NE(w2, nullptr);
    Bytes filtered = run(w2, out2);

    RstCodecKernel ck = RstWriteJPEG::chroma_kernel(code);
    RstKernel kernel;
    kernel.set(uint32_t(ck.width), uint32_t(ck.height), uint32_t(ck.anchor_x), uint32_t(ck.anchor_y), ck.weights);
    RstRead* page = filtered_by_hand(picture_source(w, h, 3, RstColorType::s_ycbcr()), kernel);
    ASSERT_NE(page, nullptr);
    option.down_sampling_mode = 0;
    MemoryOutputStorage out0;
    RstWrite* w0 = RstWriteJPEG::create(page, &out0, &option, false);
    ASSERT_NE(w0, nullptr);
    EXPECT_EQ(w0->source(), page);
    Bytes decimated = run(w0, out0);
    EXPECT_FALSE(filtered.empty());
    EXPECT_TRUE(filtered == decimated);
    // And the unfiltered page gives another file.
    MemoryOutputStorage plain;
    RstWrite* wp = RstWriteJPEG::create(picture_source(w, h, 3, RstColorType::s_ycbcr()), &plain, &option, false);
    ASSERT_NE(wp, nullptr);
    EXPECT_FALSE(run(wp, plain) == filtered);
    EXPECT_TRUE(log.reports.empty());

    // djpeg decodes the file without a warning.
    std::string path = ::testing::TempDir() + "chroma_chain.jpg";
    {
      std::ofstream f(path, std::ios::binary);
      f.write(reinterpret_cast<const char*>(filtered.data()), std::streamsize(filtered.size()));
    }
    std::string cmd = "djpeg -outfile /dev/null '" + path + "' 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::remove(path.c_str());
  }
}

TEST_F(ChromaChain, FailedFilterStepMakesNoWriter) {
  // 16-bit channels are refused by the filter step; the merge never sees a
  // missing channel.
  ReportLog log;
  MemoryOutputStorage out;
  RstHeader deep = image(20, 12, 3, RstColorType::s_ycbcr(), 16);
  PictureSource* src = new PictureSource(deep, Bytes(size_t(20 * 12 * 6), 7));
  RstWriteJPEGOption option(200, 200, 75, RstJPEGSampling::s420);
  option.down_sampling_mode = 2;
  EXPECT_EQ(RstWriteJPEG::create(src, &out, &option, false), nullptr);
  EXPECT_TRUE(log.has(-3, "RstConvolutionFilter::create()"));
  EXPECT_EQ(out.size(), 0);
  src->end();
}

// The DQT values of table t of a stream, natural order.
std::vector<int> dqt_table(const Bytes& b, int t) {
  auto list = header_segments(b);
  const Segment* dqt = find_segment(list, 0xDB);
  std::vector<int> v(64);
  for (int k = 0; k < 64; ++k) v[rst_jpeg_zigzag()[k]] = b[dqt->payload + size_t(65 * t) + 1 + size_t(k)];
  return v;
}

Bytes write_ycbcr(const RstWriteJPEGOption& option) {
  MemoryOutputStorage out;
  PictureSource* src = picture_source(16, 16, 3, RstColorType::s_ycbcr());
  RstWrite* w = RstWriteJPEG::create(src, &out, &option, false);
  EXPECT_NE(w, nullptr);
  return w ? run(w, out) : Bytes();
}

TEST(JpegWriter, TablesOfTheOptionBecomeTheBaseTables) {
  auto table_set = [](std::vector<std::vector<uint8_t>> tables) {
    RstJPEGQTableArray q;
    for (size_t i = 0; i < tables.size(); ++i) q[int32_t(i)].reset(new RstJPEGQTable(tables[i].data(), false));
    return RstJPEGTables(q, RstHuffmanTableArray(), RstHuffmanTableArray());
  };
  std::vector<uint8_t> luma(64), chroma(64), other(64);
  for (int i = 0; i < 64; ++i) {
    luma[size_t(i)] = uint8_t(2 + i);
    chroma[size_t(i)] = uint8_t(100 - i);
    other[size_t(i)] = uint8_t(7 + (i % 5));
  }
  // Quality 50 keeps the base values as they are.
  RstWriteJPEGOption two(200, 200, 50, RstJPEGSampling::s444);
  RstJPEGTables both = table_set({luma, chroma});
  two.tables.reset(new RstJPEGTables(both));
  Bytes b = write_ycbcr(two);
  EXPECT_EQ(dqt_table(b, 0), std::vector<int>(luma.begin(), luma.end()));
  EXPECT_EQ(dqt_table(b, 1), std::vector<int>(chroma.begin(), chroma.end()));
  // One table replaces the luminance base only.
  RstWriteJPEGOption one(200, 200, 50, RstJPEGSampling::s444);
  RstJPEGTables single = table_set({other});
  one.tables.reset(new RstJPEGTables(single));
  b = write_ycbcr(one);
  EXPECT_EQ(dqt_table(b, 0), std::vector<int>(other.begin(), other.end()));
  EXPECT_EQ(dqt_table(b, 1), std::vector<int>(chroma.begin(), chroma.end()));
  EXPECT_GE(stage_decode(b).status, 1);
  // No tables: the defaults again.
  b = write_ycbcr(RstWriteJPEGOption(200, 200, 50, RstJPEGSampling::s444));
  EXPECT_EQ(dqt_table(b, 0), std::vector<int>(rst_jpeg_k1_luminance, rst_jpeg_k1_luminance + 64));
  EXPECT_EQ(dqt_table(b, 1), std::vector<int>(rst_jpeg_k2_chrominance, rst_jpeg_k2_chrominance + 64));
}

// Delivers only the first `lines` lines of its picture.
class ShortSource : public PictureSource {
 public:
  ShortSource(const RstHeader& h, Bytes pixels, int32_t lines) : PictureSource(h, std::move(pixels)), left_(lines) {}
  int read(uint8_t* line) override { return left_-- > 0 ? PictureSource::read(line) : 0; }

 private:
  int32_t left_;
};

TEST(JpegWriter, SourceEndingEarlyLeavesItsLinesInTheFrame) {
  // Through a file, whose output buffer the height rewrite must pass.
  std::string file = jpeg_temp_dir() + "/short.jpg";
  {
    FileOutputStorage out;
    ASSERT_TRUE(out.open(file.c_str()));
    RstHeader h = image(23, 20, 3, RstColorType::s_ycbcr());
    auto* src = new ShortSource(h, test_picture(23, 20, 3), 11);
    RstWrite* w = RstWriteJPEG::create(src, &out, nullptr, false);
    ASSERT_NE(w, nullptr);
    while (w->write() > 0) {
    }
    w->end();
    out.close();
  }
  Bytes b = file_bytes_of(file);
  EXPECT_EQ(sof_height(b), 11);
  PeerDecoded peer = libjpeg_decode_counted(b);
  EXPECT_EQ(peer.height, 11);
  EXPECT_EQ(peer.libjpeg_warnings, 0);
  EXPECT_EQ(stage_decode(b).height, 11);
  std::remove(file.c_str());
}

TEST(JpegWriter, StageRefusalSurfacesAtInitiate) {
  ReportLog log;
  MemoryOutputStorage out;
  EXPECT_EQ(RstPushWriteJPEG::create(&out, image(65536, 2, 1, RstColorType::s_gray()), nullptr, false), nullptr);
  EXPECT_TRUE(log.has(-2, "RstPushWriteTolvane::initiate()"));
}

TEST(JpegWriter, RangeTableLivesFromTheFirstWriterOn) {
  RstStatusRecorder status;
  MemoryOutputStorage out;
  RstPushWriteJPEG* w = RstPushWriteJPEG::create(&out, image(8, 8, 1, RstColorType::s_gray()), nullptr, false);
  ASSERT_NE(w, nullptr);
  // Ended before any line: the stream is incomplete and says so.
  w->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstPushWriteTolvane::end()"}}));
  const int32_t* range = rst_jpeg_build_range_limit();
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range[-129], 0);
  EXPECT_EQ(range[-128], 0);
  EXPECT_EQ(range[0], 128);
  EXPECT_EQ(range[127], 255);
  EXPECT_EQ(range[639], 255);
  // Released, the next coder builds it again.
  rst_jpeg_range_table_release();
  EXPECT_EQ(rst_jpeg_range_table_acquire(), 1);
  EXPECT_EQ(rst_jpeg_build_range_limit()[1], 129);
}

TEST(JpegWriter, HeaderKeepsTheStreamsByteOrder) {
  MemoryOutputStorage out;
  BrenvoldStream* stream = rstCreateStreamByBrenvoldOutputStorage(&out);
  stream->set_byte_order(1);
  RstInstanceTolvane* stage = rst_jpeg_create_encoder(stream, 1, 1);
  JpegEncoderParams p;
  p.image.width = 8;
  p.image.height = 8;
  p.image.format = 0x80048;
  p.quality = -75;
  EXPECT_EQ(stage->info(&p.image), 1);
  EXPECT_EQ(stream->get_byte_order(), 1);
  // The segments went out big-endian all the same.
  Bytes b = memory_bytes(out);
  EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 6), (Bytes{0x00, 0x10}));
  stage->close();
  stream->close();
}

}  // namespace
