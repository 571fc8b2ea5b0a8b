// The JPEG header parse over streams written byte by byte: each segment
// reader with its limits, the table arrays and the canonical codes, the end
// rules with and without the interchange flag, the JFIF and JPEG-fax flavours,
// the option made from the tables, and hostile segments that must end in a
// clean -13 without any read past their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "jpeg_stream_builder.h"
#include "raster/codecs/rst_read_jfif_header.h"
#include "raster/codecs/rst_read_jpeg_fax_header.h"
#include "raster/codecs/rst_read_jpeg_header.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_status_recorder.h"

namespace {

// Remembers the furthest byte any read reached.
class ReachStorage : public StreamDecorator<InputStorage> {
 public:
  explicit ReachStorage(InputStorage* inner) : StreamDecorator<InputStorage>(inner) {}
  int32_t get() override {
    int32_t b = StreamDecorator::get();
    note();
    return b;
  }
  int32_t read(void* buffer, int32_t count) override {
    int32_t n = StreamDecorator::read(buffer, count);
    note();
    return n;
  }
  int32_t reach = 0;

 private:
  void note() { reach = std::max(reach, tell()); }
};

struct Parsed {
  explicit Parsed(const Bytes& bytes, bool interchange = true)
      : data(bytes), in(data.data(), int32_t(data.size())), header(&in, interchange) {}
  int32_t status() const { return *header.status(); }
  Bytes data;
  ByteArrayInputStorage in;
  RstReadJPEGHeader header;
};

class JpegHeaderTest : public RstStatusTest {};

TEST_F(JpegHeaderTest, EmptyTableSegmentsAndTableSlots) {
  // Length 2: no tables, still a segment.
  Parsed empty(JpegBytes().raw({0xFF, 0xDB, 0, 2, 0xFF, 0xC4, 0, 2}).eoi().b, false);
  EXPECT_EQ(empty.status(), 1);
  ASSERT_EQ(empty.header.quantization_segments().segments().size(), 1u);
  EXPECT_TRUE(empty.header.quantization_segments().segments()[0]->tables.empty());
  ASSERT_EQ(empty.header.huffman_segments().segments().size(), 1u);
  EXPECT_TRUE(empty.header.huffman_segments().segments()[0]->tables.empty());

  // One DQT of length 132 with tables 0 and 1.
  Bytes two = JpegBytes::qtable(0, 1);
  Bytes t1 = JpegBytes::qtable(1, 100);
  two.insert(two.end(), t1.begin(), t1.end());
  Parsed both(JpegBytes().soi().segment(0xDB, two).eoi().b);
  ASSERT_EQ(both.header.quantization_segments().segments().size(), 1u);
  EXPECT_EQ(both.header.quantization_segments().segments()[0]->length, 132);
  RstCountedPtr<RstJPEGQTableArray> q = both.header.quantization_tables();
  ASSERT_TRUE(q);
  EXPECT_EQ(q->slot_count(), 4);
  ASSERT_TRUE((*q)[0] && (*q)[1]);
  EXPECT_FALSE((*q)[2]);
  EXPECT_FALSE((*q)[3]);
  // Zig-zag placement: value k at natural position zz[k].
  const uint8_t* zz = RstJPEGQTable::zigzag_order();
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ((*q)[0]->values()[zz[k]], unsigned(1 + k));
    EXPECT_EQ((*q)[1]->values()[zz[k]], unsigned(100 + k));
  }
  EXPECT_EQ((*q)[0]->values()[8], 3u);  // the third value lies below the first
  // Built once and shared.
  EXPECT_EQ(both.header.quantization_tables().get(), q.get());

  // A later table 0 replaces the earlier one.
  Parsed twice(JpegBytes().soi().dqt(0, 1).dqt(0, 50).eoi().b);
  q = twice.header.quantization_tables();
  ASSERT_TRUE(q && (*q)[0]);
  EXPECT_EQ((*q)[0]->values()[0], 50u);

  // 16-bit values.
  Bytes wide{0x10, 0x00, 0x10};
  for (int k = 1; k < 64; ++k) wide.insert(wide.end(), {0x01, uint8_t(k)});
  Parsed precise(JpegBytes().soi().segment(0xDB, wide).eoi().b);
  q = precise.header.quantization_tables();
  ASSERT_TRUE(q && (*q)[0]);
  EXPECT_EQ((*q)[0]->values()[0], 16u);
  EXPECT_EQ((*q)[0]->values()[zz[63]], 0x13Fu);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(JpegHeaderTest, CanonicalCodesOfTheLuminanceDcTable) {
  Parsed p(JpegBytes().soi().dht_dc(0).dht_ac(1).eoi().b);
  RstCountedPtr<RstHuffmanTableArray> dc = p.header.dc_tables(), ac = p.header.ac_tables();
  ASSERT_TRUE(dc && ac);
  ASSERT_TRUE((*dc)[0]);
  EXPECT_FALSE((*dc)[1]);
  EXPECT_TRUE((*ac)[1]);
  EXPECT_FALSE((*ac)[0]);
  const RstHuffmanTable& t = *(*dc)[0];
  EXPECT_EQ(t.bits(), kDcBits);
  EXPECT_EQ(t.entry_count(), 12);
  struct Code {
    int32_t value;
    uint32_t code, length;
  } expected[] = {{0, 0, 2},  {1, 2, 3},  {2, 3, 3},  {3, 4, 3},   {4, 5, 3},    {5, 6, 3},
                  {6, 14, 4}, {7, 30, 5}, {8, 62, 6}, {9, 126, 7}, {10, 254, 8}, {11, 510, 9}};
  for (const Code& c : expected) {
    int32_t at = t.position_of(c.value);
    ASSERT_GE(at, 0) << c.value;
    EXPECT_EQ(t.entries()[size_t(at)].code, c.code) << c.value;
    EXPECT_EQ(t.entries()[size_t(at)].length, c.length) << c.value;
  }
  EXPECT_EQ(t.huffval(2), (Bytes{1, 2, 3, 4, 5}));
  // The standard AC table has 162 symbols, the last one 16 bits long.
  EXPECT_EQ((*ac)[1]->entry_count(), 162);
  EXPECT_EQ((*ac)[1]->entries().back().length, 16u);
  EXPECT_EQ((*ac)[1]->entries().back().code, 0xFFFEu);
}

TEST_F(JpegHeaderTest, TableIdsOutOfRange) {
  // A Huffman table of id 4 is passed over, a quantisation table of id 4 reported.
  Parsed p(JpegBytes().soi().dqt(4).dqt(1).segment(0xC4, JpegBytes::htable(0x14, kDcBits, kDcValues)).eoi().b);
  RstCountedPtr<RstHuffmanTableArray> ac = p.header.ac_tables();
  ASSERT_TRUE(ac);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE((*ac)[i]);
  EXPECT_TRUE(status.errors().empty());
  RstCountedPtr<RstJPEGQTableArray> q = p.header.quantization_tables();
  ASSERT_TRUE(q);
  EXPECT_TRUE((*q)[1]);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-4, "RstReadJPEGMarkerQuantizationTableArray::tables()"}}));

  // Under the default observer the report throws; nothing is left behind.
  status.clear();
  Parsed thrown(JpegBytes().soi().dqt(0).dqt(4).eoi().b);
  RstFuzzObserver throwing(true);
  EXPECT_THROW(thrown.header.quantization_tables(), RstStatus);
}

TEST_F(JpegHeaderTest, FrameAndScanLimits) {
  struct Case {
    const char* name;
    Bytes stream;
    int32_t status;
  } cases[] = {
      {"precision 12", JpegBytes().soi().sof(8, 8, 1, 12).eoi().b, 1},
      {"precision 16", JpegBytes().soi().sof(8, 8, 1, 16).eoi().b, -13},
      {"four components", JpegBytes().soi().sof(8, 8, 4).eoi().b, 1},
      {"five components", JpegBytes().soi().sof(8, 8, 5).eoi().b, -13},
      {"frame length short of its components", JpegBytes().soi().segment(0xC0, {8, 0, 8, 0, 8, 3, 1, 0x11, 0}).eoi().b,
       -13},
      {"Ss 0 Se 63 Ah/Al 0xD0", JpegBytes().soi().segment(0xDA, {1, 1, 0, 0, 63, 0xD0}).b, 1},
      {"Ss 0 Se 63 Ah/Al 0xE0", JpegBytes().soi().segment(0xDA, {1, 1, 0, 0, 63, 0xE0}).b, -13},
      {"Se below Ss", JpegBytes().soi().segment(0xDA, {1, 1, 0, 5, 4, 0}).b, -13},
      {"Se 64", JpegBytes().soi().segment(0xDA, {1, 1, 0, 0, 64, 0}).b, -13},
      {"AC selector 4", JpegBytes().soi().segment(0xDA, {1, 1, 0x04, 0, 63, 0}).b, -13},
      {"no scan component", JpegBytes().soi().segment(0xDA, {0, 0, 63, 0}).b, -13},
      {"marker FF 00", JpegBytes().soi().raw({0xFF, 0x00}).eoi().b, -13},
      {"marker FF FF", JpegBytes().soi().raw({0xFF, 0xFF, 0xD9}).b, -13},
      {"no marker at all", JpegBytes().soi().raw({0x12, 0x34}).b, -13},
      {"JPGn with its length", JpegBytes().soi().segment(0xF0, {1, 2}).eoi().b, -13},
      {"JPGn followed by a marker", JpegBytes().soi().marker(0xF0).eoi().b, 14},
      {"DAC", JpegBytes().soi().segment(0xCC, {0, 1}).eoi().b, -13},
      {"DNL", JpegBytes().soi().segment(0xDC, {0, 8}).eoi().b, -13},
      {"DRI length 4", JpegBytes().soi().segment(0xDD, {0, 3}).eoi().b, 1},
      {"DRI length 3", JpegBytes().soi().segment(0xDD, {0}).eoi().b, -13},
      {"end of data", JpegBytes().soi().b, -13},
  };
  for (const Case& c : cases) {
    Parsed p(c.stream, false);
    EXPECT_EQ(p.status(), c.status) << c.name;
  }
  Parsed twelve(JpegBytes().soi().sof(480, 640, 3, 12, 0xC1).eoi().b, false);
  RstHeader* h = twelve.header.rst_header();
  EXPECT_EQ(h->width, 640);
  EXPECT_EQ(h->height, 480);
  EXPECT_EQ(h->bits_per_sample, 12);
  EXPECT_EQ(h->samples_per_pixel, 3);
  EXPECT_EQ(h->data_form, RstDataForm::jpeg);
  EXPECT_EQ(h->color_type, nullptr);
  EXPECT_EQ(twelve.header.frame_header().marker_code, 0xFFC1u);
  EXPECT_EQ(twelve.header.restart_interval().interval, 0);
}

TEST_F(JpegHeaderTest, EndRulesAndStoragePosition) {
  // SOI and EOI alone: parsed, no frame; the storage stays after EOI.
  Parsed bare(JpegBytes().soi().eoi().b);
  EXPECT_EQ(bare.status(), 1);
  EXPECT_EQ(bare.header.rst_header()->width, 0);
  EXPECT_EQ(bare.header.rst_header()->height, 0);
  EXPECT_EQ(bare.in.tell(), 4);
  EXPECT_EQ(bare.header.consumed(), 4);

  // Without DHT: broken under the interchange flag only.
  Bytes no_dht = JpegBytes().soi().dqt().frame_and_scan().b;
  EXPECT_EQ(Parsed(no_dht, true).status(), -13);
  EXPECT_EQ(Parsed(no_dht, false).status(), 1);
  // Without SOI: not JPEG under the interchange flag.
  Bytes no_soi = JpegBytes().tables().frame_and_scan().b;
  EXPECT_EQ(Parsed(no_soi, true).status(), -12);
  EXPECT_EQ(Parsed(no_soi, false).status(), 1);

  // A whole header: the parse ends after SOS and the storage goes back.
  Bytes full = JpegBytes().raw({7, 7, 7}).soi().tables().comment("first").comment("second").frame_and_scan().b;
  ByteArrayInputStorage in(full.data(), int32_t(full.size()));
  in.seek(3);
  RstReadJPEGHeader h(&in, true);
  EXPECT_EQ(*h.status(), 1);
  EXPECT_EQ(in.tell(), 3);
  EXPECT_EQ(h.consumed(), int32_t(full.size()) - 3 - 4);  // coded bytes and EOI not read
  EXPECT_EQ(h.scan_header().component_count, 1);
  EXPECT_EQ(h.scan_header().spectral_end, 63);
  std::string text(h.comment().payload.begin(), h.comment().payload.end());
  EXPECT_EQ(text, "second");
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(JpegHeaderTest, HostileSegmentsEndCleanlyWithinTheirBytes) {
  auto dht = [](const Bytes& bits, const Bytes& values, uint8_t cls = 0) {
    return JpegBytes::htable(cls, bits, values);
  };
  Bytes over_bits(16, 0);
  over_bits[7] = 150;
  over_bits[8] = 150;  // 300 symbols
  Bytes three_ones(16, 0);
  three_ones[0] = 3;
  Bytes dc200 = kDcValues;
  dc200[11] = 200;
  Bytes dqt_stray = JpegBytes::qtable(0);
  dqt_stray.insert(dqt_stray.end(), {0, 0});  // length 134 - 65 - 2 = 67 bytes left
  dqt_stray.resize(132, 0);
  Bytes ac_cut = dht(kAcBits, kAcValues, 0x10);
  ac_cut.resize(60);
  Bytes dqt_short = JpegBytes::qtable(0);
  dqt_short.resize(40);  // the table runs past the segment
  struct Case {
    const char* name;
    Bytes segment;  // marker and length included
  } cases[] = {
      {"APP0 length 1", {0xFF, 0xE0, 0x00, 0x01}},
      {"COM length 0", {0xFF, 0xFE, 0x00, 0x00}},
      {"DQT length 134 with one table and stray bytes", JpegBytes().segment(0xDB, dqt_stray).b},
      {"DQT table past its segment", JpegBytes().segment(0xDB, dqt_short).b},
      {"DHT table past its segment", JpegBytes().segment(0xC4, ac_cut).b},
      {"DHT BITS summing to 300", JpegBytes().segment(0xC4, dht(over_bits, Bytes(300, 1), 0x10)).b},
      {"DHT over-subscribed BITS {3, 0, ...}", JpegBytes().segment(0xC4, dht(three_ones, {0, 1, 2})).b},
      {"DHT all-ones code {2, 0, ...}",
       JpegBytes().segment(0xC4, dht({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 1})).b},
      {"DHT DC symbol 200", JpegBytes().segment(0xC4, dht(kDcBits, dc200)).b},
  };
  for (const Case& c : cases) {
    // The segment is followed by bytes no reader may touch.
    Bytes stream = JpegBytes().soi().raw(c.segment).b;
    size_t end = stream.size();
    stream.insert(stream.end(), 400, 0xFF);
    ByteArrayInputStorage bytes(stream.data(), int32_t(stream.size()));
    ReachStorage in(&bytes);
    RstReadJPEGHeader h(&in, true);
    EXPECT_EQ(*h.status(), -13) << c.name;
    EXPECT_LE(in.reach, int32_t(end)) << c.name;
    EXPECT_EQ(in.tell(), 0) << c.name;
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(JpegHeaderTest, JfifSegments) {
  struct Case {
    const char* name;
    Bytes stream;
    int32_t status;
    uint32_t x, y;
  } cases[] = {
      {"units 1", JpegBytes().soi().jfif(1, 300, 150).tables().eoi().b, 1, 300, 150},
      {"units 2, 40 x 39", JpegBytes().soi().jfif(2, 40, 39).tables().eoi().b, 1, 102, 99},
      {"units 2, 118", JpegBytes().soi().jfif(2, 118, 118).tables().eoi().b, 1, 300, 300},
      {"major version 2", JpegBytes().soi().jfif(1, 72, 72, 2).tables().eoi().b, -12, 0, 0},
      {"units 3", JpegBytes().soi().jfif(3, 72, 72).tables().eoi().b, -12, 0, 0},
      {"no JFIF segment", JpegBytes().soi().tables().eoi().b, -12, 0, 0},
      {"JFIF cut short", JpegBytes().soi().segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0}).tables().eoi().b, -12, 0,
       0},
      {"identifier alone", JpegBytes().soi().segment(0xE0, {'J', 'F', 'I', 'F'}).tables().eoi().b, -12, 0, 0},
      {"not JPEG", {'I', 'I', 42, 0}, -12, 0, 0},
      {"broken JFIF file", JpegBytes().soi().jfif(1, 72, 72).dqt().frame_and_scan().b, -13, 72, 72},
  };
  for (const Case& c : cases) {
    ByteArrayInputStorage in(c.stream.data(), int32_t(c.stream.size()));
    RstReadJFIFHeader h(&in);
    EXPECT_EQ(*h.status(), c.status) << c.name;
    EXPECT_EQ(h.x_resolution(), c.x) << c.name;
    EXPECT_EQ(h.y_resolution(), c.y) << c.name;
  }
  EXPECT_TRUE(status.messages().empty());

  // Units 0: an aspect ratio, no resolution, a warning.
  Bytes ratio = JpegBytes().soi().jfif(0, 1, 1).tables().sof(8, 8, 1).sos().b;
  ByteArrayInputStorage in(ratio.data(), int32_t(ratio.size()));
  RstReadJFIFHeader h(&in);
  EXPECT_EQ(*h.status(), 1);
  EXPECT_EQ(h.x_resolution(), 0u);
  EXPECT_EQ(h.rst_color_type(), RstColorType::default_gray());
  EXPECT_EQ(h.rst_header()->color_type, RstColorType::default_gray());
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{100, "RstReadJFIFAppMarker::read_JFIF_segment()"}}));
}

TEST_F(JpegHeaderTest, JfifThumbnails) {
  // JFIF with an RGB thumbnail of 2 x 1.
  Bytes rgb = JpegBytes().soi().jfif(1, 72, 72, 1, {2, 1, 10, 20, 30, 40, 50, 60}).tables().eoi().b;
  ByteArrayInputStorage in1(rgb.data(), int32_t(rgb.size()));
  RstReadJFIFHeader h1(&in1);
  EXPECT_EQ(*h1.status(), 1);
  EXPECT_EQ(h1.app_marker.thumbnail_kind, 0x13);
  ASSERT_TRUE(h1.app_marker.thumbnail);
  Bytes got(6);
  EXPECT_EQ(h1.app_marker.thumbnail->read(got.data(), 7), 6);
  EXPECT_EQ(got, (Bytes{10, 20, 30, 40, 50, 60}));

  // JFXX 0x11: 256 palette entries in file order, then the indices.
  Bytes palette{0x11, 2, 2};
  for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
  palette.insert(palette.end(), {0, 1, 254, 255});
  Bytes s2 = JpegBytes().soi().jfif(1, 96, 96).jfxx(palette).tables().eoi().b;
  ByteArrayInputStorage in2(s2.data(), int32_t(s2.size()));
  RstReadJFIFHeader h2(&in2);
  EXPECT_EQ(*h2.status(), 1);
  EXPECT_EQ(h2.x_resolution(), 96u);
  EXPECT_EQ(h2.app_marker.thumbnail_kind, 0x11);
  EXPECT_EQ(h2.app_marker.thumbnail_width, 2);
  ASSERT_TRUE(h2.app_marker.palette);
  const RstColormap& map = *h2.app_marker.palette;
  EXPECT_EQ(map.entries(), 256);
  EXPECT_EQ(map.channels(), 3);
  EXPECT_EQ(map.bits(), 8);
  ASSERT_EQ(map.size(), 768);
  EXPECT_TRUE(std::equal(map.data(), map.data() + 768, palette.begin() + 3));
  ASSERT_TRUE(h2.app_marker.thumbnail);
  EXPECT_EQ(h2.app_marker.thumbnail->size(), 4);

  // JFXX 0x13: the RGB bytes; 0x10: the JPEG bytes; another code fails.
  Bytes s3 = JpegBytes().soi().jfxx({0x13, 1, 1, 9, 8, 7}).tables().eoi().b;
  ByteArrayInputStorage in3(s3.data(), int32_t(s3.size()));
  RstReadJFIFHeader h3(&in3);
  EXPECT_EQ(*h3.status(), 1);
  ASSERT_TRUE(h3.app_marker.thumbnail);
  Bytes thumb(3);
  EXPECT_EQ(h3.app_marker.thumbnail->read(thumb.data(), 3), 3);
  EXPECT_EQ(thumb, (Bytes{9, 8, 7}));
  Bytes s4 = JpegBytes().soi().jfxx({0x10, 0xFF, 0xD8}).tables().eoi().b;
  ByteArrayInputStorage in4(s4.data(), int32_t(s4.size()));
  RstReadJFIFHeader h4(&in4);
  EXPECT_EQ(*h4.status(), 1);
  EXPECT_EQ(h4.app_marker.thumbnail->size(), 2);
  Bytes s5 = JpegBytes().soi().jfxx({0x12, 1, 1}).tables().eoi().b;
  ByteArrayInputStorage in5(s5.data(), int32_t(s5.size()));
  EXPECT_EQ(*RstReadJFIFHeader(&in5).status(), -12);
  // A short palette fails.
  Bytes s6 = JpegBytes().soi().jfxx({0x11, 1, 1, 0, 0, 0}).tables().eoi().b;
  ByteArrayInputStorage in6(s6.data(), int32_t(s6.size()));
  EXPECT_EQ(*RstReadJFIFHeader(&in6).status(), -12);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(JpegHeaderTest, FaxSegments) {
  JpegBytes exif_first;
  exif_first.soi().segment(0xE1, {'E', 'x', 'i', 'f', 0, 0}).g3fax(1994, 200).tables().eoi();
  struct Case {
    const char* name;
    Bytes stream;
    int32_t status;
    uint32_t resolution;
    RstColorType* color;
  } cases[] = {
      {"gray frame", JpegBytes().soi().g3fax(1994, 200).tables().sof(8, 8, 1).sos().b, 1, 200,
       RstColorType::icc_lstar()},
      {"colour frame", JpegBytes().soi().g3fax(1994, 400).tables().sof(8, 8, 3).sos().b, 1, 400,
       RstColorType::itu_lab()},
      {"no frame", JpegBytes().soi().g3fax(1994, 300).tables().eoi().b, 1, 300, nullptr},
      {"version 1993", JpegBytes().soi().g3fax(1993, 200).tables().eoi().b, -12, 200, nullptr},
      {"Exif before G3FAX", exif_first.b, -12, 0, nullptr},
      {"G3FAX cut short", JpegBytes().soi().segment(0xE1, {'G', '3', 'F', 'A', 'X', 0, 7}).tables().eoi().b, -12, 0,
       nullptr},
  };
  for (const Case& c : cases) {
    ByteArrayInputStorage in(c.stream.data(), int32_t(c.stream.size()));
    RstReadJPEGFaxHeader h(&in);
    EXPECT_EQ(*h.status(), c.status) << c.name;
    EXPECT_EQ(h.x_resolution(), c.resolution) << c.name;
    EXPECT_EQ(h.y_resolution(), c.resolution) << c.name;
    if (c.status == 1) {
      EXPECT_EQ(h.rst_color_type(), c.color) << c.name;
    }
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(JpegHeaderTest, OptionOutlivesItsHeader) {
  Bytes s = JpegBytes().soi().jfif(1, 72, 72).dqt(0, 3).dht_dc(1).dht_ac(0).sof(8, 8, 3).sos(1).b;
  std::unique_ptr<RstJPEGOption> option;
  {
    ByteArrayInputStorage in(s.data(), int32_t(s.size()));
    RstReadJFIFHeader h(&in);
    ASSERT_EQ(*h.status(), 1);
    option.reset(h.create_option(nullptr));
    ASSERT_TRUE(option);
  }
  ASSERT_TRUE(option->tables);
  const RstJPEGTables& t = *option->tables;
  ASSERT_TRUE(t.quantization[0]);
  EXPECT_EQ(t.quantization[0]->values()[0], 3u);
  ASSERT_TRUE(t.dc[1]);
  EXPECT_EQ(t.dc[1]->entry_count(), 12);
  ASSERT_TRUE(t.ac[0]);
  EXPECT_EQ(t.ac[0]->entry_count(), 162);
  EXPECT_EQ(option->color_type, RstColorType::default_ycbcr());

  // Kinds the stream lacks come from the default option, or stay empty.
  Bytes only_q = JpegBytes().soi().dqt(2, 9).eoi().b;
  ByteArrayInputStorage in(only_q.data(), int32_t(only_q.size()));
  RstReadJPEGHeader plain(&in, false);
  ASSERT_EQ(*plain.status(), 1);
  std::unique_ptr<RstJPEGOption> alone(plain.create_option(nullptr));
  ASSERT_TRUE(alone && alone->tables);
  EXPECT_TRUE(alone->tables->quantization[2]);
  EXPECT_EQ(alone->tables->dc.slot_count(), 4);
  EXPECT_FALSE(alone->tables->dc[0]);
  EXPECT_EQ(alone->color_type, nullptr);
  std::unique_ptr<RstJPEGOption> filled(plain.create_option(option.get()));
  ASSERT_TRUE(filled && filled->tables);
  EXPECT_EQ(filled->tables->dc[1].get(), t.dc[1].get());
  EXPECT_EQ(filled->tables->ac[0].get(), t.ac[0].get());
  EXPECT_EQ(filled->tables->quantization[0].get(), nullptr);
  EXPECT_TRUE(filled->tables->quantization[2]);
  EXPECT_EQ(filled->color_type, RstColorType::default_ycbcr());
  EXPECT_TRUE(status.errors().empty());
}

// Every allocation of a full parse refused in turn: the failure is reported
// as -1 with one of the readers' texts and nothing leaks or crashes.
TEST_F(JpegHeaderTest, AllocationFailuresAreReportedAndReleased) {
  Bytes palette{0x11, 1, 1};
  palette.resize(3 + 768 + 1, 5);
  Bytes s = JpegBytes()
                .soi()
                .jfif(2, 40, 40, 1, {1, 1, 1, 2, 3})
                .jfxx(palette)
                .tables()
                .dht_dc(1)
                .comment("c")
                .segment(0xDD, {0, 4})
                .sof(8, 8, 3)
                .sos(1)
                .b;
  const std::set<std::string> texts = {
      "RstReadJPEGMarkerQuantizationTable::ReadQTableData::read()",
      "RstReadJPEGMarkerQuantizationTable::read()",
      "RstReadJPEGMarkerQuantizationTableArray::read()",
      "RstReadJPEGMarkerQuantizationTableArray::tables()",
      "RstReadJPEGMarkerHuffmanTable::read()",
      "RstReadJPEGMarkerHuffmanTableArray::read()",
      "RstReadJPEGMarkerHuffmanTableArray::make_huffman_tables()",
      "RstReadJPEGMarkerScanHeader::read()",
      "RstReadJPEGMarkerApplicationArray::read()",
      "RstReadJPEGMarkerComment::read()",
      "RstReadJPEGMarkerFrameHeader::read()",
      "RstHuffmanTable::RstHuffmanTable()",
      "RstHuffmanTable::add()",
      "RstHuffmanTableArray::RstHuffmanTableArray()",
      "RstJPEGQTableArray::RstJPEGQTableArray()",
      "RstBlock::RstBlock()",
      "RstJPEGMarkerHuffmanTable::HuffmanTableData::huffman_table()",
      "RstJPEGMarkerQuantizationTable::QTableData::quantization_table()",
      "RstJPEGMarkerHuffmanTable::HuffmanTableData()::operator=()",
      "RstReadJFIFAppMarker::read_JFIF_segment()",
      "RstReadJFIFAppMarker::read_JFXX_segment()",
      "RstReadJPEGHeader::create_option()",
      "RstJPEGOption::RstJPEGOption()",
      "RstColormap::init()",
  };
  int64_t total = 0;
  {
    RstAllocFault::fail_nth(1000000);
    ByteArrayInputStorage in(s.data(), int32_t(s.size()));
    RstReadJFIFHeader h(&in);
    ASSERT_EQ(*h.status(), 1);
    std::unique_ptr<RstJPEGOption>(h.create_option(nullptr));
    total = RstAllocFault::calls();
    RstAllocFault::clear();
  }
  ASSERT_GT(total, 20);
  for (bool throws : {false, true}) {
    for (int64_t n = 1; n <= total; ++n) {
      status.clear();
      RstAllocFault::fail_nth(n);
      try {
        std::unique_ptr<RstFuzzObserver> observer(throws ? new RstFuzzObserver(true) : nullptr);
        ByteArrayInputStorage in(s.data(), int32_t(s.size()));
        std::unique_ptr<RstReadJFIFHeader> h(rst_new<RstReadJFIFHeader>(&in));
        if (h) std::unique_ptr<RstJPEGOption>(h->create_option(nullptr));
      } catch (const RstStatus& e) {
        EXPECT_EQ(e.code(), -1);
      }
      RstAllocFault::clear();
      for (const RstReport& r : status.errors()) {
        EXPECT_EQ(r.code, -1) << n;
        EXPECT_TRUE(texts.count(r.where)) << r.where;
      }
    }
  }
}

}  // namespace
