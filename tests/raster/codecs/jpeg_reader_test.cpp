// The JPEG reader node: its header without an option, progressive frames
// decoded at the first request, the read-process bridge over coded bytes
// delivered in blocks, and files cut short at every early byte: each ends in
// a clear status, or in warnings and the lines.
#include <gtest/gtest.h>

#include "jpeg_decode_support.h"
#include "node_support.h"
#include "raster/codecs/rst_read_jpeg23.h"
#include "raster/core/rst_node_handle.h"
#include "raster/core/rst_read_process_bridge.h"
#include "raster/formats/rst_read_jpeg.h"

namespace {

// Same size and every sample within one level of libjpeg's accurate decode
// (our full-size transform truncates where that one rounds).
::testing::AssertionResult within_one_level(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want) {
  if (got.size() != want.size()) return ::testing::AssertionFailure() << got.size() << " samples, want " << want.size();
  for (size_t i = 0; i < got.size(); ++i)
    if (std::abs(got[i] - want[i]) > 1)
      return ::testing::AssertionFailure() << "sample " << i << ": " << int(got[i]) << ", want " << int(want[i]);
  return ::testing::AssertionSuccess();
}

class JpegReader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new std::string(jpeg_temp_dir());
    ASSERT_TRUE(make_picture(*dir_ + "/p.ppm", "plasma:fractal", 96, 64));
    ASSERT_TRUE(make_picture(*dir_ + "/big.ppm", "plasma:fractal", 240, 160));
  }
  static void TearDownTestSuite() {
    shell("rm -rf '" + *dir_ + "'");
    delete dir_;
  }
  static Bytes cjpeg(const std::string& options, const std::string& picture = "p.ppm") {
    EXPECT_TRUE(shell("cjpeg " + options + " -outfile '" + *dir_ + "/o.jpg' '" + *dir_ + "/" + picture + "'"));
    return file_bytes_of(*dir_ + "/o.jpg");
  }
  // Every line of the node over the bytes; the node's header in h.
  static std::vector<uint8_t> read_all(RstRead* node, RstHeader& h) {
    node->header(h);
    std::vector<uint8_t> all, line(size_t(node->line_size()));
    for (int y = 0; y < h.height; ++y) {
      if (node->read(line.data()) <= 0) break;
      all.insert(all.end(), line.begin(), line.end());
    }
    return all;
  }
  static std::string* dir_;
};

std::string* JpegReader::dir_ = nullptr;

TEST_F(JpegReader, HeaderWithoutOptionAndProgressiveFrames) {
  ReportLog log;
  for (const char* options : {"-quality 80", "-grayscale", "-progressive -sample 2x2", "-progressive -grayscale"}) {
    Bytes file = cjpeg(options);
    ByteArrayInputStorage storage(file);
    RstNodeHandle<RstRead> node(RstReadJPEG23::create(&storage, nullptr, nullptr));
    ASSERT_TRUE(node) << options;
    RstHeader h;
    std::vector<uint8_t> got = read_all(node.get(), h);
    bool gray = std::string(options).find("gray") != std::string::npos;
    EXPECT_EQ(h.width, 96);
    EXPECT_EQ(h.height, 64);
    EXPECT_EQ(h.samples_per_pixel, gray ? 1 : 3) << options;
    ASSERT_TRUE(h.color_type);
    EXPECT_EQ(gray ? h.color_type->is_gray() : h.color_type->is_ycbcr(), true) << options;
    EXPECT_TRUE(within_one_level(got, libjpeg_decode(file).samples)) << options;
  }
  EXPECT_TRUE(log.reports.empty());
}

// A progressive frame is decoded whole at the first line: the stream stands
// at its end then, and later lines read nothing more.
TEST_F(JpegReader, ProgressiveDecodesAtTheFirstRequest) {
  Bytes file = cjpeg("-progressive");
  ByteArrayInputStorage storage(file);
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
  RstInstanceTolvane* stage =
      rst_jpeg_create_decoder(stream, 0, nullptr, 0xFFFF, 0xFFFF, 0, 8, int64_t(file.size()), 0, 1);
  int32_t after_header = stream->tell();
  EXPECT_LT(after_header, int32_t(file.size()) / 2);
  std::vector<uint8_t> line(96 * 3);
  EXPECT_EQ(stage->line(line.data()), 1);
  int32_t after_first = stream->tell();
  EXPECT_EQ(after_first, int32_t(file.size()));
  for (int y = 1; y < 64; ++y) EXPECT_EQ(stage->line(line.data()), 1);
  EXPECT_EQ(stream->tell(), after_first);
  stage->close();
  stream->close();
}

// The read-process bridge: 20000-odd coded bytes arriving in blocks of 8192
// are collected, the reader owns its copy, the source is ended.
TEST_F(JpegReader, ReadProcessBridgeOverCodedBlocks) {
  Bytes file = cjpeg("-quality 95", "big.ppm");
  ASSERT_GT(file.size(), 16384u);
  ASSERT_LT(file.size(), 24576u);
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t at = 0; at < file.size(); at += 8192)
    chunks.emplace_back(file.begin() + long(at), file.begin() + long(std::min(file.size(), at + 8192)));
  EXPECT_EQ(chunks.size(), 3u);
  struct Ended : ChunkSource {
    using ChunkSource::ChunkSource;
    bool* ended = nullptr;
    void end(RstRoot* user) override {
      *ended = true;
      ChunkSource::end(user);
    }
  };
  bool ended = false;
  auto* source = new Ended(make_header(8192, 3, 0, 8, 1), chunks, 8192);
  source->ended = &ended;
  RstNodeHandle<RstInputOwningRead<RstRead>> node(
      RstReadProcessBridge<RstRead>::create(source, RstReadJPEGArgs(), nullptr));
  ASSERT_TRUE(node);
  EXPECT_TRUE(node->owns());
  EXPECT_TRUE(ended);
  RstHeader h;
  EXPECT_TRUE(within_one_level(read_all(node.get(), h), libjpeg_decode(file).samples));
  // The JPEG factory itself refuses a missing storage.
  ReportLog log;
  EXPECT_EQ(RstReadJPEG::create(nullptr, nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstReadJPEG::create()"));
  EXPECT_EQ(RstReadJPEG23::create(nullptr, nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstReadJPEG23::create()"));
}

// Cut at each of the first 1024 bytes and at sixteenths: no node and a
// report, or every line with the cut announced.
TEST_F(JpegReader, CutFilesEndClearly) {
  for (const char* options : {"-quality 70 -sample 2x2", "-progressive -quality 70", "-restart 1 -grayscale"}) {
    Bytes file = cjpeg(options);
    std::vector<size_t> cuts;
    for (size_t n = 0; n < std::min<size_t>(1024, file.size()); ++n) cuts.push_back(n);
    for (int s = 1; s < 16; ++s) cuts.push_back(file.size() * size_t(s) / 16);
    for (size_t n : cuts) {
      Bytes cut(file.begin(), file.begin() + long(n));
      ReportLog log;
      ByteArrayInputStorage storage(cut.data(), int32_t(cut.size()));
      RstNodeHandle<RstRead> node(RstReadJPEG23::create(&storage, nullptr, nullptr));
      if (!node) {
        EXPECT_FALSE(log.reports.empty()) << options << " " << n;
        continue;
      }
      RstHeader h;
      std::vector<uint8_t> got = read_all(node.get(), h);
      EXPECT_EQ(got.size(), size_t(h.width) * h.height * h.samples_per_pixel) << options << " " << n;
      EXPECT_FALSE(log.reports.empty()) << options << " " << n;
    }
  }
}

}  // namespace
