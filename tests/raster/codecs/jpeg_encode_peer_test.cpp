// Streams of our JPEG encoder against libjpeg-turbo: the quantisation and
// Huffman tables equal cjpeg's baseline ones, djpeg and the libjpeg API
// decode every size and sampling without warning and to our decoder's
// samples, and the loss at qualities 60 and 90 stays near cjpeg's.
#include <gtest/gtest.h>

#include <fstream>

#include "jpeg_encode_support.h"
#include "raster/codecs/rst_jpeg_decoder_markers.h"

namespace {

constexpr uint32_t kGray = 0x80048, kYcc = 0x180028, kLab = 0x180027, kLstar = 0x80047;

struct Sampling {
  const char* name;  // cjpeg's -sample
  uint8_t d[6];
  int h0, v0;  // component 0's factors in the frame
};
const Sampling kSamplings[] = {{"1x1", {1, 1, 1, 1, 1, 1}, 1, 1},
                               {"2x1", {1, 2, 2, 1, 1, 1}, 2, 1},
                               {"2x2", {1, 2, 2, 1, 2, 2}, 2, 2},
                               {"4x1", {1, 4, 4, 1, 1, 1}, 4, 1}};

class JpegEncodePeer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new std::string(jpeg_temp_dir());
    ASSERT_TRUE(make_picture(path("plasma.ppm"), "plasma:fractal", 300, 200));
  }
  static void TearDownTestSuite() {
    shell("rm -rf '" + *dir_ + "'");
    delete dir_;
  }
  static std::string path(const std::string& name) { return *dir_ + "/" + name; }
  static std::string* dir_;
};

std::string* JpegEncodePeer::dir_ = nullptr;

// The RGB samples of a binary PPM.
Bytes ppm_samples(const std::string& file, int* width = nullptr, int* height = nullptr) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  Bytes b(size_t(w) * h * 3);
  in.read(reinterpret_cast<char*>(b.data()), std::streamsize(b.size()));
  if (width) *width = w;
  if (height) *height = h;
  return b;
}

// A stream's header read by our marker readers, for its tables.
struct ParsedHeader {
  explicit ParsedHeader(const Bytes& bytes) : storage(bytes) {
    c = rst_jpeg_context_new();
    c->stream = rstCreateStreamByBrenvoldInputStorage(&storage);
    status = rst_jpeg_read_header(c);
  }
  ~ParsedHeader() {
    c->stream->close();
    rst_jpeg_context_free(c);
  }
  std::vector<int> qtable(int t) const { return std::vector<int>(c->qtables[t], c->qtables[t] + 64); }
  static Bytes huffman(const JpegHuffmanInfo& h) {
    Bytes b(h.bits, h.bits + 16);
    int n = 0;
    for (int i = 0; i < 16; ++i) n += h.bits[i];
    b.insert(b.end(), h.huffval, h.huffval + n);
    return b;
  }
  ByteArrayInputStorage storage;
  JpegCodecContext* c;
  int32_t status;
};

TEST_F(JpegEncodePeer, TablesEqualCjpegBaselineTables) {
  int w, h;
  Bytes rgb = ppm_samples(path("plasma.ppm"), &w, &h);
  for (int quality : {60, 90}) {
    std::string out = path("q.jpg");
    ASSERT_TRUE(shell("cjpeg -baseline -quality " + std::to_string(quality) + " -outfile '" + out + "' '" +
                      path("plasma.ppm") + "'"));
    Bytes theirs = file_bytes_of(out);
    EncodeSpec s;
    s.width = w;
    s.height = h;
    s.format = kYcc;
    s.quality = -quality;
    Encoded ours = stage_encode(s, rgb_to_ycbcr(rgb));
    ParsedHeader a(ours.bytes), b(theirs);
    ASSERT_GE(a.status, 1);
    ASSERT_GE(b.status, 1);
    ASSERT_EQ(a.c->qtable_count, 2);
    ASSERT_EQ(b.c->qtable_count, 2);
    EXPECT_EQ(a.qtable(0), b.qtable(0)) << quality;
    EXPECT_EQ(a.qtable(1), b.qtable(1)) << quality;
    ASSERT_EQ(a.c->dc_count, 2);
    ASSERT_EQ(b.c->ac_count, 2);
    for (int t = 0; t < 2; ++t) {
      EXPECT_EQ(ParsedHeader::huffman(a.c->dc_tables[t]), ParsedHeader::huffman(b.c->dc_tables[t])) << t;
      EXPECT_EQ(ParsedHeader::huffman(a.c->ac_tables[t]), ParsedHeader::huffman(b.c->ac_tables[t])) << t;
    }
  }
}

// The libjpeg API decodes without warning, to our decoder's samples.
void expect_clean(const Bytes& bytes, int32_t width, int32_t height, const std::string& what) {
  PeerDecoded peer = libjpeg_decode_counted(bytes);
  Decoded ours = stage_decode(bytes);
  ASSERT_EQ(peer.status, 1) << what;
  EXPECT_EQ(peer.libjpeg_warnings, 0) << what;
  ASSERT_GE(ours.status, 1) << what;
  EXPECT_EQ(peer.width, width) << what;
  EXPECT_EQ(peer.height, height) << what;
  EXPECT_EQ(ours.width, width) << what;
  EXPECT_EQ(ours.height, height) << what;
  EXPECT_LE(compare(ours, peer).max, 1) << what;
}

TEST_F(JpegEncodePeer, EverySizeAndSamplingDecodesCleanly) {
  for (int32_t w = 1; w <= 17; ++w)
    for (int32_t h : {1, 7, 8, 9, 37})
      for (const Sampling* s : {&kSamplings[0], &kSamplings[2]})
        for (uint32_t format : {kGray, kYcc}) {
          if (format == kGray && s != &kSamplings[0]) continue;
          EncodeSpec e;
          e.width = w;
          e.height = h;
          e.format = format;
          std::copy(s->d, s->d + 6, e.divisors);
          Encoded r = encode_picture(e);
          expect_clean(r.bytes, w, h, std::to_string(w) + "x" + std::to_string(h) + " " + s->name);
        }
}

TEST_F(JpegEncodePeer, DjpegAcceptsEveryKindOfOutput) {
  struct Case {
    std::string what;
    EncodeSpec spec;
    std::vector<std::string> verbose;  // lines djpeg -verbose must print
  };
  std::vector<Case> cases;
  for (const Sampling& s : kSamplings)
    for (int32_t w : {37, 4961}) {
      Case c;
      c.what = std::string("YCbCr ") + s.name + " " + std::to_string(w);
      c.spec.width = w;
      c.spec.height = 9;
      c.spec.format = kYcc;
      std::copy(s.d, s.d + 6, c.spec.divisors);
      char line[64];
      std::snprintf(line, sizeof line, "Component 0: %dhx%dv q=0", s.h0, s.v0);
      c.verbose = {"JFIF APP0 marker: version 1.02", line, "Component 1: 1hx1v q=1", "Component 2: 1hx1v q=1"};
      cases.push_back(c);
    }
  auto add = [&](const std::string& what, uint32_t format, int32_t kind, int32_t restart, const uint8_t* d) {
    Case c;
    c.what = what;
    c.spec.width = 45;
    c.spec.height = 37;
    c.spec.format = format;
    c.spec.kind = kind;
    c.spec.restart = restart;
    if (d) std::copy(d, d + 6, c.spec.divisors);
    cases.push_back(c);
  };
  add("gray", kGray, 1, 0, nullptr);
  add("Lab G3FAX", kLab, 4, 0, kSamplings[2].d);
  add("L* G3FAX", kLstar, 4, 0, nullptr);
  add("restart 1 gray", kGray, 1, 1, nullptr);
  add("restart 1 4:2:0", kYcc, 1, 1, kSamplings[2].d);
  // Three MCUs across, two rows, an interval of one MCU.
  Case narrow;
  narrow.what = "restart 1, 3 x 2 MCUs";
  narrow.spec.width = 24;
  narrow.spec.height = 16;
  narrow.spec.restart = 1;
  cases.push_back(narrow);
  for (const Case& c : cases) {
    Encoded r = encode_picture(c.spec);
    ASSERT_EQ(r.info, 1) << c.what;
    std::string file = path("out.jpg");
    write_file(file, r.bytes);
    // djpeg exits with 2 after a warning.
    std::string log = shell_output("(djpeg -verbose -outfile /dev/null '" + file + "' 2>&1; echo rc=$?)");
    EXPECT_NE(log.find("rc=0"), std::string::npos) << c.what << "\n" << log;
    EXPECT_EQ(log.find("Corrupt"), std::string::npos) << c.what;
    for (const std::string& want : c.verbose) EXPECT_NE(log.find(want), std::string::npos) << c.what << ": " << want;
    expect_clean(r.bytes, c.spec.width, c.spec.height, c.what);
  }
}

TEST_F(JpegEncodePeer, LossNearCjpegAtTheSameQualityAndSampling) {
  int w, h;
  std::string source = path("plasma.ppm");
  Bytes rgb = ppm_samples(source, &w, &h);
  Bytes ycc = rgb_to_ycbcr(rgb);
  for (int quality : {60, 90}) {
    // The integer transform's rounding shows more at fine quantisation.
    double allowed = quality == 60 ? 0.4 : 1.6;
    for (const Sampling& s : kSamplings) {
      std::string q = std::to_string(quality);
      std::string theirs = path("theirs.jpg"), ours = path("ours.jpg");
      ASSERT_TRUE(shell("cjpeg -baseline -dct int -quality " + q + " -sample " + s.name + " -outfile '" + theirs +
                        "' '" + source + "'"));
      EncodeSpec e;
      e.width = w;
      e.height = h;
      e.format = kYcc;
      e.quality = -quality;
      std::copy(s.d, s.d + 6, e.divisors);
      write_file(ours, stage_encode(e, ycc).bytes);
      ASSERT_TRUE(shell("djpeg -dct int -outfile '" + path("theirs.ppm") + "' '" + theirs + "'"));
      ASSERT_TRUE(shell("djpeg -dct int -outfile '" + path("ours.ppm") + "' '" + ours + "'"));
      double p_theirs = psnr(rgb, ppm_samples(path("theirs.ppm")));
      double p_ours = psnr(rgb, ppm_samples(path("ours.ppm")));
      EXPECT_GT(p_ours, p_theirs - allowed)
          << "quality " << quality << " " << s.name << ": " << p_ours << " against " << p_theirs;
    }
  }
}

}  // namespace
