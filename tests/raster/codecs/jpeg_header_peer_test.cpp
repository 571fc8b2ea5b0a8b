// JPEG files made by cjpeg, exiftool, wrjpgcom and ImageMagick in the test
// run: what the header parse reads up to the first SOS equals what libjpeg
// traces for the same file (djpeg -verbose -verbose), and the densities the
// tools set read as the resolution they stand for.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "jpeg_stream_builder.h"
#include "raster/codecs/rst_read_jfif_header.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_status_recorder.h"

namespace {

// The header fields libjpeg traces, or that the parse found, in one form.
struct Trace {
  std::vector<std::pair<int, std::vector<unsigned>>> quantization;  // id, natural order
  std::vector<std::pair<int, std::vector<unsigned>>> huffman;       // class and id, BITS
  int width = 0, height = 0;
  std::vector<std::string> frame_components;  // "id HxV q"
  int restart = 0;
  std::vector<std::string> scan_components;  // "id dc ac"
  std::string spectral;                      // "Ss Se Ah Al"
  bool operator==(const Trace&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Trace& t) {
  os << "q" << t.quantization.size() << " h" << t.huffman.size() << " " << t.width << "x" << t.height << " [";
  for (const auto& c : t.frame_components) os << c << ";";
  os << "] dri " << t.restart << " [";
  for (const auto& c : t.scan_components) os << c << ";";
  return os << "] " << t.spectral;
}

// libjpeg's trace up to the end of the first scan header.
Trace djpeg_trace(const std::string& path) {
  std::istringstream lines(shell_output("djpeg -verbose -verbose -outfile /dev/null '" + path + "'"));
  Trace t;
  std::regex dqt(R"(Define Quantization Table (\d+)\s+precision)"), dht(R"(Define Huffman Table 0x([0-9a-f]+))"),
      sof(R"(Start Of Frame 0x[0-9a-f]+: width=(\d+), height=(\d+))"), fc(R"(Component (\d+): (\d+)hx(\d+)v q=(\d+))"),
      dri(R"(Define Restart Interval (\d+))"), sc(R"(Component (\d+): dc=(\d+) ac=(\d+))"),
      ss(R"(Ss=(\d+), Se=(\d+), Ah=(\d+), Al=(\d+))");
  auto numbers = [&](int count) {
    std::vector<unsigned> v;
    std::string line;
    while (int(v.size()) < count && std::getline(lines, line)) {
      std::istringstream row(line);
      unsigned n;
      while (row >> n) v.push_back(n);
    }
    return v;
  };
  std::string line;
  bool in_scan = false;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, m, dqt)) {
      int id = std::stoi(m[1]);
      t.quantization.push_back({id, numbers(64)});
    } else if (std::regex_search(line, m, dht)) {
      int id = std::stoi(m[1], nullptr, 16);
      t.huffman.push_back({id, numbers(16)});
    } else if (std::regex_search(line, m, sof)) {
      t.width = std::stoi(m[1]);
      t.height = std::stoi(m[2]);
    } else if (std::regex_search(line, m, fc)) {
      t.frame_components.push_back(std::string(m[1]) + " " + std::string(m[2]) + "x" + std::string(m[3]) + " " +
                                   std::string(m[4]));
    } else if (std::regex_search(line, m, dri)) {
      t.restart = std::stoi(m[1]);
    } else if (line.find("Start Of Scan") != std::string::npos) {
      in_scan = true;
    } else if (in_scan && std::regex_search(line, m, sc)) {
      t.scan_components.push_back(std::string(m[1]) + " " + std::string(m[2]) + " " + std::string(m[3]));
    } else if (in_scan && std::regex_search(line, m, ss)) {
      t.spectral = std::string(m[1]) + " " + std::string(m[2]) + " " + std::string(m[3]) + " " + std::string(m[4]);
      break;
    }
  }
  return t;
}

Trace parsed_trace(const RstReadJPEGHeader& h) {
  Trace t;
  for (const auto& segment : h.quantization_segments().segments())
    for (const auto& data : segment->tables) {
      std::unique_ptr<RstJPEGQTable> table(data.quantization_table());
      std::vector<unsigned> v(table->values(), table->values() + 64);
      t.quantization.push_back({data.id(), v});
    }
  for (const auto& segment : h.huffman_segments().segments())
    for (const auto& data : segment->tables)
      t.huffman.push_back({data.class_and_id, std::vector<unsigned>(data.bits.begin(), data.bits.end())});
  const RstJPEGMarkerFrameHeader& f = h.frame_header();
  t.width = f.samples_per_line;
  t.height = f.lines;
  for (const auto& c : f.components)
    t.frame_components.push_back(std::to_string(c.id) + " " + std::to_string(c.sampling_factors >> 4) + "x" +
                                 std::to_string(c.sampling_factors & 15) + " " +
                                 std::to_string(c.quantization_table_id));
  t.restart = h.restart_interval().interval;
  const RstJPEGMarkerScanHeader& s = h.scan_header();
  for (const auto& c : s.components)
    t.scan_components.push_back(std::to_string(c.selector) + " " + std::to_string(c.table_selectors >> 4) + " " +
                                std::to_string(c.table_selectors & 15));
  t.spectral = std::to_string(s.spectral_start) + " " + std::to_string(s.spectral_end) + " " +
               std::to_string(s.approximation >> 4) + " " + std::to_string(s.approximation & 15);
  return t;
}

class JpegHeaderPeer : public RstStatusTest {
 protected:
  static void SetUpTestSuite() {
    dir = new std::string(jpeg_temp_dir());
    ok = make_picture(*dir + "/plasma.ppm", "plasma:", 61, 45);
  }
  static void TearDownTestSuite() {
    shell("rm -rf '" + *dir + "'");
    delete dir;
  }
  static std::string* dir;
  static bool ok;
};
std::string* JpegHeaderPeer::dir = nullptr;
bool JpegHeaderPeer::ok = false;

TEST_F(JpegHeaderPeer, CjpegFilesParseAsLibjpegTracesThem) {
  ASSERT_TRUE(ok) << "ImageMagick's convert made no test picture";
  const char* options[] = {"",
                           "-grayscale",
                           "-sample 1x1",
                           "-sample 2x1",
                           "-sample 2x2",
                           "-sample 4x1",
                           "-restart 1",
                           "-restart 3B",
                           "-optimize",
                           "-progressive",
                           "-quality 30 -sample 2x2,1x1,1x1 -restart 2"};
  for (const char* o : options) {
    std::string path = *dir + "/out.jpg";
    ASSERT_TRUE(shell(std::string("cjpeg ") + o + " -outfile '" + path + "' '" + *dir + "/plasma.ppm'")) << o;
    Trace expected = djpeg_trace(path);
    ASSERT_EQ(expected.width, 61) << o;
    Bytes file = file_bytes_of(path);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadJFIFHeader h(&in);
    EXPECT_EQ(*h.status(), 1) << o;
    EXPECT_EQ(parsed_trace(h), expected) << o;
    EXPECT_EQ(h.rst_header()->samples_per_pixel, std::string(o) == "-grayscale" ? 1 : 3) << o;
    // cjpeg writes an aspect ratio of 1:1 (units 0): no resolution, a warning.
    EXPECT_EQ(h.x_resolution(), 0u) << o;
    EXPECT_EQ(status.messages(), (std::vector<RstReport>{{100, "RstReadJFIFAppMarker::read_JFIF_segment()"}})) << o;
    status.clear();
  }
}

TEST_F(JpegHeaderPeer, DensitiesAndCommentsSetByTools) {
  ASSERT_TRUE(ok);
  std::string base = *dir + "/base.jpg";
  ASSERT_TRUE(shell("cjpeg -outfile '" + base + "' '" + *dir + "/plasma.ppm'"));
  struct Case {
    const char* name;
    std::string command;  // makes out.jpg
    uint32_t x, y;
  } cases[] = {
      {"exiftool, dots per cm",
       "exiftool -q -JFIF:ResolutionUnit=cm -JFIF:XResolution=40 -JFIF:YResolution=39 -o '" + *dir + "/out.jpg' '" +
           base + "'",
       102, 99},
      {"convert, dots per inch",
       "/usr/bin/convert '" + *dir + "/plasma.ppm' -units PixelsPerInch -density 200 '" + *dir + "/out.jpg'", 200, 200},
  };
  for (const Case& c : cases) {
    shell("rm -f '" + *dir + "/out.jpg'");
    ASSERT_TRUE(shell(c.command)) << c.name;
    Bytes file = file_bytes_of(*dir + "/out.jpg");
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadJFIFHeader h(&in);
    EXPECT_EQ(*h.status(), 1) << c.name;
    EXPECT_EQ(h.x_resolution(), c.x) << c.name;
    EXPECT_EQ(h.y_resolution(), c.y) << c.name;
  }
  // Two comments: the later one is kept.
  std::string one = *dir + "/one.jpg", two = *dir + "/two.jpg";
  ASSERT_EQ(std::system(("wrjpgcom -comment 'first note' '" + base + "' > '" + one + "'").c_str()), 0);
  ASSERT_EQ(std::system(("wrjpgcom -comment 'second note' '" + one + "' > '" + two + "'").c_str()), 0);
  Bytes file = file_bytes_of(two);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadJFIFHeader h(&in);
  EXPECT_EQ(*h.status(), 1);
  EXPECT_EQ(std::string(h.comment().payload.begin(), h.comment().payload.end()), "second note");
}

}  // namespace
