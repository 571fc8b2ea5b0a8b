// The GIF reader on files giflib writes in the test: extensions, animation,
// two-colour tables, local tables, interlacing, signatures, sizes, and
// truncation; rows compared with giflib's own decoding.
#include <gtest/gtest.h>

#include <memory>

#include "gif_support.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_gif.h"

namespace {

class GifReader : public PageTest {
 protected:
  RstRead* reader(ByteArrayInputStorage& in) {
    std::unique_ptr<RstReadGIFHeader> header(RstReadGIF::private_header(&in));
    if (!header) return nullptr;
    return RstReadGIF::create(&in, header.get());
  }
};

GifSpec spec(uint32_t w, uint32_t h, uint32_t colors) {
  GifSpec s;
  s.width = w;
  s.height = h;
  s.colors = gif_colors(colors);
  s.frames = {index_rows(w, h, colors)};
  return s;
}

TEST_F(GifReader, ExtensionsBeforeTheImageChangeNothing) {
  GifSpec plain = spec(21, 9, 16);
  GifSpec with = plain;
  with.extensions = true;
  std::vector<uint8_t> a = gif_bytes(plain), b = gif_bytes(with);
  ASSERT_GT(b.size(), a.size());
  ByteArrayInputStorage ia(a.data(), int32_t(a.size())), ib(b.data(), int32_t(b.size()));
  RstOwner<RstRead> ra(reader(ia)), rb(reader(ib));
  ASSERT_TRUE(ra && rb);
  RstHeader ha(ra.get()), hb(rb.get());
  EXPECT_EQ(ha.width, 21);
  EXPECT_EQ(ha.bits_per_sample, 8);
  EXPECT_EQ(ha.samples_per_pixel, 1);
  ASSERT_TRUE(ha.colormap && hb.colormap);
  EXPECT_EQ(ha.colormap->entries(), 16);
  EXPECT_TRUE(*ha.colormap == *hb.colormap);
  EXPECT_EQ(read_lines(ra.get()), plain.frames[0]);
  EXPECT_EQ(read_lines(rb.get()), plain.frames[0]);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(GifReader, AnimatedGifYieldsItsFirstFrame) {
  GifSpec s = spec(12, 7, 4);
  s.frames.push_back(index_rows(12, 7, 4, 2));
  s.frames.push_back(index_rows(12, 7, 4, 3));
  std::vector<uint8_t> file = gif_bytes(s);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(reader(in));
  ASSERT_TRUE(node);
  EXPECT_EQ(read_lines(node.get()), s.frames[0]);
  EXPECT_EQ(giflib_first_image(file).rows, s.frames[0]);
}

// The private header says 1-bit gray (reversed when the first entry is not
// black); the node delivers indices with both entries either way.
TEST_F(GifReader, TwoColourTables) {
  for (bool black_first : {true, false}) {
    SCOPED_TRACE(black_first);
    GifSpec s = spec(17, 4, 2);
    s.colors = gif_colors(2, black_first);
    std::vector<uint8_t> file = gif_bytes(s);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadGIFHeader> header(RstReadGIF::private_header(&in));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->header.bits_per_sample, 1);
    EXPECT_EQ(header->header.data_form, RstDataForm::lzw);
    EXPECT_EQ(header->header.color_type,
              black_first ? RstColorType::default_gray() : RstColorType::default_gray_reverse());
    RstOwner<RstRead> node(RstReadGIF::create(&in, header.get()));
    ASSERT_TRUE(node);
    RstHeader h(node.get());
    EXPECT_EQ(h.bits_per_sample, 8);
    ASSERT_TRUE(h.colormap);
    EXPECT_EQ(h.colormap->entries(), 2);
    EXPECT_EQ(h.colormap->data()[0], black_first ? 0 : 255);
    EXPECT_EQ(read_lines(node.get()), s.frames[0]);
  }
}

TEST_F(GifReader, LocalTableOnlyAndNoTable) {
  GifSpec s = spec(10, 6, 8);
  s.global = false;
  std::vector<uint8_t> file = gif_bytes(s);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(reader(in));
  ASSERT_TRUE(node);
  EXPECT_EQ(read_lines(node.get()), s.frames[0]);
  EXPECT_TRUE(status.messages().empty());
  // The image descriptor's packed byte without its table flag.
  size_t descriptor = 13;
  ASSERT_EQ(file[descriptor], 0x2C);
  file[descriptor + 9] &= 0x7F;
  ByteArrayInputStorage none(file.data(), int32_t(file.size()));
  EXPECT_EQ(RstReadGIF::private_header(&none), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstReadGIF23::private_header()"}}));
}

TEST_F(GifReader, InterlacedRowsComeInOrder) {
  for (uint32_t height : {10u, 1u, 2u, 9u, 33u}) {
    SCOPED_TRACE(height);
    GifSpec s = spec(9, height, 32);
    s.interlaced = true;
    std::vector<uint8_t> file = gif_bytes(s);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(reader(in));
    ASSERT_TRUE(node);
    EXPECT_EQ(read_lines(node.get()), s.frames[0]);
    node->reset();
    EXPECT_EQ(read_lines(node.get()), s.frames[0]);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(GifReader, OnlyTheTwoSignaturesAreRecognised) {
  std::vector<uint8_t> file = gif_bytes(spec(4, 4, 4));
  for (const char* version : {"87a", "89a", "88a", "89b", "87A", "\0\0\0"}) {
    SCOPED_TRACE(version);
    std::vector<uint8_t> bytes = file;
    std::copy(version, version + 3, bytes.begin() + 3);
    ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
    std::unique_ptr<RstReadGIFHeader> header(RstReadGIF::private_header(&in));
    bool known = std::string(version) == "87a" || std::string(version) == "89a";
    EXPECT_EQ(bool(header), known);
  }
  EXPECT_TRUE(status.messages().empty());
}

// Sizes are unsigned 16-bit: 40000 is a width; 0 is no image.
TEST_F(GifReader, SizesOfTheImage) {
  GifSpec wide = spec(40000, 3, 4);
  std::vector<uint8_t> file = gif_bytes(wide);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(reader(in));
  ASSERT_TRUE(node);
  EXPECT_EQ(RstHeader(node.get()).width, 40000);
  EXPECT_EQ(read_lines(node.get()), wide.frames[0]);
  std::vector<uint8_t> small = gif_bytes(spec(5, 3, 4));
  size_t descriptor = 13 + 3 * 4;
  ASSERT_EQ(small[descriptor], 0x2C);
  for (size_t field : {descriptor + 5, descriptor + 7}) {
    status.clear();
    std::vector<uint8_t> bytes = small;
    bytes[field] = bytes[field + 1] = 0;
    ByteArrayInputStorage zero(bytes.data(), int32_t(bytes.size()));
    EXPECT_EQ(RstReadGIF::private_header(&zero), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstReadGIF23::private_header()"}}));
  }
}

// A cut file delivers the rows decoded before the cut, then warnings.
TEST_F(GifReader, TruncatedFileGivesItsRowsThenWarnings) {
  GifSpec s = spec(64, 40, 256);
  std::vector<uint8_t> file = gif_bytes(s);
  const size_t header_bytes = 13 + 3 * 256 + 10 + 1;
  file.resize(header_bytes + (file.size() - header_bytes) / 2);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(reader(in));
  ASSERT_TRUE(node);
  Rows rows = read_lines(node.get());
  ASSERT_EQ(rows.size(), 40u);
  size_t good = 0;
  while (good < rows.size() && rows[good] == s.frames[0][good]) ++good;
  EXPECT_GT(good, 5u);
  EXPECT_LT(good, 40u);
  EXPECT_TRUE(status.errors().empty());
  ASSERT_FALSE(status.messages().empty());
  for (const RstReport& r : status.messages()) EXPECT_EQ(r.code, 4);
  EXPECT_GE(status.messages().size(), 40 - good - 1);
}

}  // namespace
