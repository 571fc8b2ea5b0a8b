// Files written by libtiff's tools, ImageMagick and the libtiff API, made in
// the test run: every directory entry we read equals what tiffdump prints,
// and the page headers agree with tiffinfo's fields and directory count.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_read_tiff_header.h"

namespace {

std::string run(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

bool sh(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::vector<uint8_t> load(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

struct DumpEntry {
  uint32_t tag, type, count;
  std::string values;
};
struct DumpDirectory {
  uint32_t offset = 0, next = 0;
  std::vector<DumpEntry> entries;
};

std::vector<DumpDirectory> tiffdump(const std::string& path) {
  std::vector<DumpDirectory> dirs;
  std::istringstream lines(run("tiffdump '" + path + "'"));
  std::regex dir_line(R"(^Directory \d+: offset (\d+) \(0x[0-9a-f]+\) next (\d+) )");
  std::regex entry_line(R"(^.* \((\d+)\) \S+ \((\d+)\) (\d+)<(.*)>$)");
  std::string line;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, m, dir_line)) {
      dirs.push_back({uint32_t(std::stoul(m[1])), uint32_t(std::stoul(m[2])), {}});
    } else if (!dirs.empty() && std::regex_match(line, m, entry_line)) {
      dirs.back().entries.push_back(
          {uint32_t(std::stoul(m[1])), uint32_t(std::stoul(m[2])), uint32_t(std::stoul(m[3])), m[4]});
    }
  }
  return dirs;
}

struct InfoPage {
  std::map<std::string, std::string> fields;
};

std::vector<InfoPage> tiffinfo(const std::string& path) {
  std::vector<InfoPage> pages;
  std::istringstream lines(run("tiffinfo '" + path + "' 2>/dev/null"));
  std::string line;
  std::regex size_line(R"(Image Width: (\d+) Image Length: (\d+))");
  std::regex field_line(R"(^\s+([A-Za-z/ ]+): (.*)$)");
  std::smatch m;
  while (std::getline(lines, line)) {
    if (line.rfind("TIFF Directory at offset", 0) == 0) pages.emplace_back();
    if (pages.empty()) continue;
    if (std::regex_search(line, m, size_line)) {
      pages.back().fields["width"] = m[1];
      pages.back().fields["length"] = m[2];
    } else if (std::regex_match(line, m, field_line)) {
      pages.back().fields[m[1]] = m[2];
    }
  }
  return pages;
}

// Checks one directory entry against tiffdump's line.
void expect_entry(RstTIFFDataInput& data, const RstReadTIFFIFDEntry& e, const DumpEntry& d) {
  SCOPED_TRACE("tag " + std::to_string(d.tag));
  EXPECT_EQ(e.tag, d.tag);
  EXPECT_EQ(e.type, d.type);
  EXPECT_EQ(e.count, d.count);
  if (d.values.find("...") != std::string::npos) return;  // tiffdump shortened the list
  std::istringstream in(d.values);
  switch (e.type) {
    case 1:
    case 3:
    case 4:
    case 6:
    case 8:
    case 9:
    case 13: {
      std::vector<uint32_t> ours;
      ASSERT_TRUE(e.read_u32s(data, ours));
      std::vector<uint32_t> theirs;
      std::string token;
      while (in >> token) theirs.push_back(uint32_t(std::stoll(token, nullptr, 0)));
      EXPECT_EQ(ours, theirs);
      if (e.count == 1) {
        EXPECT_EQ(e.value(), theirs.at(0));
      }
      break;
    }
    case 5: {
      std::vector<RstRational> ours;
      ASSERT_TRUE(e.read_values(data, ours));
      double v;
      for (const RstRational& r : ours) {
        ASSERT_TRUE(in >> v);
        EXPECT_NEAR(r.to_double(), v, 1e-4 * (1 + std::fabs(v)));
      }
      break;
    }
    case 2: {
      std::string ours;
      ASSERT_TRUE(rst_read_tiff_ifd_entry_values(data, ours, e));
      std::string printed;
      for (char c : ours) printed += c == '\0' ? std::string("\\0") : std::string(1, c);
      EXPECT_EQ(printed, d.values);
      break;
    }
    default: break;
  }
}

// Every directory of the file (SubIFDs included) against tiffdump, and the
// page chain against tiffinfo.
void check_file(const std::string& path, size_t expected_pages) {
  SCOPED_TRACE(path);
  std::vector<uint8_t> bytes = load(path);
  ASSERT_GT(bytes.size(), 8u);
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  RstTIFFImageFileHeader ifh;
  ASSERT_TRUE(read_image_file_header(&in, ifh));
  RstTIFFDataInput data(&in, rst_tiff_data_order(ifh.byte_order));
  std::vector<DumpDirectory> dirs = tiffdump(path);
  ASSERT_FALSE(dirs.empty());
  EXPECT_EQ(dirs[0].offset, ifh.first_ifd_offset);
  for (const DumpDirectory& d : dirs) {
    RstReadTIFFImageFileDirectory dir;
    in.seek(int32_t(d.offset));
    ASSERT_EQ(dir.read(data, true), d.entries.size());
    EXPECT_EQ(dir.next_ifd_offset, d.next);
    for (size_t i = 0; i < d.entries.size(); ++i) expect_entry(data, dir.entries[i], d.entries[i]);
  }

  in.seek(0);
  RstReadTIFFHeader first(&in, 3);
  std::vector<InfoPage> info = tiffinfo(path);
  // Pages in chain order, each followed by its SubIFDs, as tiffinfo lists them.
  std::vector<RstReadTIFFHeaderBase*> pages;
  size_t chain = 0;
  for (RstReadTIFFHeaderBase* p = &first; p; p = p->next_page) {
    ++chain;
    pages.push_back(p);
    for (RstReadTIFFHeaderBase* child : p->children) pages.push_back(child);
  }
  EXPECT_EQ(chain, expected_pages);
  ASSERT_EQ(pages.size(), info.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE("page " + std::to_string(i));
    RstTIFF6Header& h = *pages[i]->tiff6_header();
    auto& f = info[i].fields;
    EXPECT_GT(h.status, 0);
    EXPECT_EQ(std::to_string(h.image_width), f["width"]);
    EXPECT_EQ(std::to_string(h.image_length), f["length"]);
    EXPECT_EQ(std::to_string(h.bits_per_sample.at(0)), f["Bits/Sample"]);
    EXPECT_EQ(std::to_string(h.samples_per_pixel), f["Samples/Pixel"]);
    if (f.count("Rows/Strip")) {
      uint64_t rows = std::stoull(f["Rows/Strip"]);
      EXPECT_EQ(h.rows_per_strip, std::min<uint64_t>(rows, h.image_length));
      EXPECT_EQ(h.fill_order, f.count("FillOrder") && f["FillOrder"] == "lsb-to-msb" ? 2u : 1u);
      RstCountedPtr<RstTileSpecArray> specs = h.tile_specs();
      ASSERT_TRUE(specs);
      uint64_t total = 0;
      for (uint32_t s = 0; s < specs->size(); ++s) total += (*specs)[s].rows;
      EXPECT_EQ(total, h.image_length);
    }
    if (f.count("Tile Width")) {
      EXPECT_TRUE(h.is_tiled());
    }
    RstHeader header;
    h.rst_header(header);
    EXPECT_EQ(header.width, int32_t(h.image_width));
    EXPECT_NE(header.color_type, nullptr);
    if (h.compression.is_ccitt()) {
      RstCountedPtr<RstCodingOption> option = h.coding_option();
      ASSERT_TRUE(option);
      EXPECT_EQ(option->encode_type(), h.encode_type());
    }
  }
}

// A page with two SubIFDs of 20 and 10 pixels, written with the libtiff API.
bool write_sub_ifds(const std::string& path) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  auto page = [&](uint32_t width) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 4u);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 4u);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 100.0);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 100.0);
    std::vector<uint8_t> strip(width * 4, 0x80);
    TIFFWriteEncodedStrip(t, 0, strip.data(), tmsize_t(strip.size()));
  };
  toff_t offsets[2] = {0, 0};
  TIFFSetField(t, TIFFTAG_SUBIFD, 2, offsets);
  page(40);
  bool ok = TIFFWriteDirectory(t);
  page(20);
  ok = TIFFWriteDirectory(t) && ok;
  page(10);
  ok = TIFFWriteDirectory(t) && ok;
  TIFFClose(t);
  return ok;
}

class TiffRealFilesTest : public RstStatusTest {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/pk_tiff_files_XXXXXX";
    dir_ = mkdtemp(pattern);
    const std::string d = dir_ + "/";
    // Sources: an 8-bit gradient, its dithered bilevel form, an RGB ramp and
    // eight checkerboards of different widths.
    std::vector<uint8_t> gray(64 * 48), rgb(48 * 32 * 3);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) gray[y * 64 + x] = uint8_t(x * 4 + y);
    for (int i = 0; i < 48 * 32; ++i) {
      rgb[3 * i] = uint8_t(i * 7);
      rgb[3 * i + 1] = uint8_t(i / 48 * 8);
      rgb[3 * i + 2] = uint8_t(255 - i % 48 * 5);
    }
    ready_ = write_netpbm(d + "g.pgm", "P5", 64, 48, gray) && write_netpbm(d + "rgb.ppm", "P6", 48, 32, rgb) &&
             write_netpbm(d + "m.pbm", "P4", 64, 48, bilevel(64, 48, 3)) &&
             sh("ppm2tiff " + d + "m.pbm " + d + "m.tif") && sh("ppm2tiff " + d + "g.pgm " + d + "g.tif") &&
             sh("ppm2tiff " + d + "rgb.ppm " + d + "rgb.tif");
    for (int i = 1; i <= 8 && ready_; ++i)
      ready_ = write_netpbm(d + "c" + std::to_string(i) + ".pbm", "P4", 40 + i, 20, bilevel(40 + i, 20, i + 1));
  }
  // Packed rows of a checkerboard of `cell`-pixel squares.
  static std::vector<uint8_t> bilevel(int width, int height, int cell) {
    int row = (width + 7) / 8;
    std::vector<uint8_t> bits(size_t(row) * height, 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if ((x / cell + y / cell) % 2) bits[size_t(y) * row + x / 8] |= uint8_t(0x80 >> (x % 8));
    return bits;
  }
  static bool write_netpbm(const std::string& file, const char* magic, int width, int height,
                           const std::vector<uint8_t>& data) {
    std::ofstream out(file, std::ios::binary);
    out << magic << "\n" << width << " " << height << "\n";
    if (std::string(magic) != "P4") out << "255\n";
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return bool(out);
  }
  static void TearDownTestSuite() { sh("rm -rf '" + dir_ + "'"); }

  std::string path(const std::string& name) { return dir_ + "/" + name; }
  // tiffcp with the arguments from the source into a new file.
  std::string copy(const std::string& source, const std::string& args, const std::string& name) {
    EXPECT_TRUE(sh("tiffcp " + args + " " + path(source) + " " + path(name))) << args;
    return path(name);
  }

  static std::string dir_;
  static bool ready_;
};

std::string TiffRealFilesTest::dir_;
bool TiffRealFilesTest::ready_ = false;

TEST_F(TiffRealFilesTest, SinglePagesOfEveryCodingLayoutAndByteOrder) {
  ASSERT_TRUE(ready_);
  ASSERT_TRUE(sh("/usr/bin/convert " + path("m.pbm") + " -compress none " + path("mc.tif")));
  ASSERT_TRUE(sh("/usr/bin/convert " + path("rgb.ppm") + " -colors 16 -type Palette " + path("p.tif")));
  struct Case {
    const char* source;
    const char* args;
  } cases[] = {
      {"m.tif", "-c none"},
      {"m.tif", "-c g3:1d"},
      {"m.tif", "-c g3:2d"},
      {"m.tif", "-c g4"},
      {"m.tif", "-c packbits"},
      {"m.tif", "-c lzw"},
      {"m.tif", "-r 1"},
      {"m.tif", "-r 8 -c g4"},
      {"m.tif", "-r 100000"},
      {"m.tif", "-f lsb2msb -c g3:2d"},
      {"m.tif", "-B -c g4"},
      {"m.tif", "-L -c g3:1d"},
      {"mc.tif", "-c g4"},
      {"g.tif", "-c none"},
      {"g.tif", "-c lzw:2"},
      {"g.tif", "-c jpeg"},
      {"g.tif", "-c packbits -r 8"},
      {"g.tif", "-B -r 1"},
      {"rgb.tif", "-c none"},
      {"rgb.tif", "-c lzw -r 8"},
      {"rgb.tif", "-c jpeg"},
      {"rgb.tif", "-B -c lzw:2"},
      {"p.tif", "-c none"},
      {"p.tif", "-c lzw -B"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string name = "single" + std::to_string(n++) + ".tif";
    check_file(copy(c.source, c.args, name), 1);
    EXPECT_TRUE(status.errors().empty()) << c.source << " " << c.args;
    status.clear();
  }
  // Both photometric senses of bilevel pages are read as written.
  std::vector<uint8_t> white = load(path("m.tif")), black = load(path("mc.tif"));
  ByteArrayInputStorage in_white(white.data(), int32_t(white.size())), in_black(black.data(), int32_t(black.size()));
  RstReadTIFFHeader hw(&in_white, 3), hb(&in_black, 3);
  EXPECT_NE(hw.photometric_interpretation, hb.photometric_interpretation);
  std::vector<uint8_t> palette = load(path("p.tif"));
  ByteArrayInputStorage in_palette(palette.data(), int32_t(palette.size()));
  RstReadTIFFHeader hp(&in_palette, 3);
  EXPECT_TRUE(hp.rst_colormap());
}

TEST_F(TiffRealFilesTest, TiledPagesAreReadButHaveNoStrips) {
  ASSERT_TRUE(ready_);
  for (const char* source : {"g.tif", "rgb.tif"}) {
    std::string file = copy(source, "-t -w 16 -l 16", std::string("tiled_") + source);
    std::vector<uint8_t> bytes = load(file);
    ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
    RstTIFFImageFileHeader ifh;
    ASSERT_TRUE(read_image_file_header(&in, ifh));
    RstTIFFDataInput data(&in, rst_tiff_data_order(ifh.byte_order));
    std::vector<DumpDirectory> dirs = tiffdump(file);
    ASSERT_EQ(dirs.size(), 1u);
    RstReadTIFFImageFileDirectory dir;
    in.seek(int32_t(dirs[0].offset));
    ASSERT_EQ(dir.read(data, true), dirs[0].entries.size());
    for (size_t i = 0; i < dir.entries.size(); ++i) expect_entry(data, dir.entries[i], dirs[0].entries[i]);
    in.seek(0);
    status.clear();
    RstReadTIFFHeader h(&in, 3);
    EXPECT_EQ(h.tile_width, 16u);
    EXPECT_EQ(h.tile_length, 16u);
    EXPECT_EQ(h.tile_offsets.size(), h.tile_byte_counts.size());
    EXPECT_FALSE(h.tile_offsets.empty());
    EXPECT_EQ(
        status.errors(),
        (std::vector<RstReport>{{-13, "RstTIFF6IFDReader::validate_consistency() - strip_offsets doesn't exist."}}));
  }
}

TEST_F(TiffRealFilesTest, MultiPageFilesAndSubIFDs) {
  ASSERT_TRUE(ready_);
  ASSERT_TRUE(sh("tiffcp " + path("m.tif") + " " + path("g.tif") + " " + path("rgb.tif") + " " + path("three.tif")));
  check_file(path("three.tif"), 3);
  std::string pages;
  for (int i = 1; i <= 8; ++i) pages += path("c" + std::to_string(i) + ".pbm") + " ";
  ASSERT_TRUE(sh("/usr/bin/convert " + pages + "-compress Group4 " + path("fax.tif")));
  check_file(path("fax.tif"), 8);
  EXPECT_TRUE(status.errors().empty());

  ASSERT_TRUE(write_sub_ifds(path("sub.tif")));
  check_file(path("sub.tif"), 1);
  std::vector<uint8_t> bytes = load(path("sub.tif"));
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  RstReadTIFFHeader h(&in, 3);
  ASSERT_EQ(h.children.size(), 2u);
  EXPECT_EQ(h.image_width, 40u);
  EXPECT_EQ(h.children[0]->tiff6_header()->image_width, 20u);
  EXPECT_EQ(h.children[1]->tiff6_header()->image_width, 10u);
  EXPECT_EQ(h.next_page, nullptr);
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
