// The CALS raster reader: record values, header checks and statuses, the bit
// order of the code bytes, the node chain over libtiff's T.6 code, and a file
// that ends inside its code.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "cals_edmics_support.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_process.h"
#include "raster/formats/rst_read_cals_raster.h"

namespace {

const char* const kUp = "notes: This file is written by up bit ordering in a byte.";
const char* const kDown = "notes: This file is written by down bit ordering in a byte.";

// A 128-byte record of the text, padded with spaces.
Bytes record(const std::string& text) {
  Bytes out(text.begin(), text.end());
  out.resize(128, ' ');
  return out;
}

class CalsReader : public PageTest {
 protected:
  std::unique_ptr<RstReadCALSRasterHeader> header_of(const Bytes& file, int32_t mode = 3) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    return std::make_unique<RstReadCALSRasterHeader>(&in, mode);
  }
};

TEST(CalsRecordValue, NumbersAfterColonAndCommas) {
  struct Case {
    const char* text;
    int n;
    int32_t value;
  } cases[] = {
      {"rorient: 000,270", 0, 0},
      {"rorient: 000,270", 1, 270},
      {"rpelcnt: 002560,003300", 0, 2560},
      {"rpelcnt: 002560,003300", 1, 3300},
      {"rdensty: 0200", 0, 200},
      // No colon: the number is read from the record's start.
      {"0300,0400", 0, 300},
      {"0300,0400", 1, 300},
      // A needed comma missing: from the start too, where no digit is.
      {"rpelcnt: 0100", 1, 0},
      {"rtype:  \t -5", 0, -5},
      {"rtype: +7x", 0, 7},
      {"rtype: abc", 0, 0},
      {"rtype:", 0, 0},
      {"rtype: 99999999999999", 0, INT32_MAX},
      {"rtype: -99999999999999", 0, -INT32_MAX},
      {"a:b:c, 12", 1, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " value " + std::to_string(c.n));
    EXPECT_EQ(RstReadCALSRasterHeader::value(record(c.text).data(), c.n), c.value);
  }
  // A record filled to its last byte with digits stays within it.
  Bytes digits(128, '7');
  digits[0] = ':';
  EXPECT_EQ(RstReadCALSRasterHeader::value(digits.data(), 0), INT32_MAX);
}

TEST_F(CalsReader, HeaderRecordsAndStatuses) {
  struct Case {
    const char* name;
    int record;  // 1-based; 0: none changed
    const char* text;
    int32_t status;
  } cases[] = {
      {"good", 0, "", 1},
      {"short first keyword", 1, "srcdocid:NONE", -12},
      {"other second keyword", 2, "dstdocid; NONE", -12},
      {"raster type 5", 7, "rtype: 5", -13},
      {"raster type 0", 7, "rtype: 0", -13},
      {"raster type 4", 7, "rtype: 4", 1},
      {"orientation 045,270", 8, "rorient: 045,270", -13},
      {"orientation 000,000", 8, "rorient: 000,000", -13},
      {"orientation 180,090", 8, "rorient: 180,090", 1},
      {"pels -5", 9, "rpelcnt: -5,000040", -13},
      {"pels 0", 9, "rpelcnt: 0,000040", -13},
      {"pels overflowing", 9, "rpelcnt: 99999999999999,000040", -13},
      {"lines 0", 9, "rpelcnt: 000064,000000", -13},
      {"lines missing", 9, "rpelcnt: 000064", -13},
      // The widest page whose run lines still fit, and one pixel more.
      {"pels at the bound", 9, "rpelcnt: 536870908,1", 1},
      {"pels past the bound", 9, "rpelcnt: 536870909,1", -13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CalsRecords r(64, 40);
    if (c.record) r.text[c.record - 1] = c.text;
    Bytes file = r.bytes();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadCALSRasterHeader h(&in, 3);
    EXPECT_EQ(h.status, c.status);
    if (c.status == 1) {
      EXPECT_EQ(in.tell(), 2048);
    }
  }
  CalsRecords r(64, 40);
  r.text[9] = "rdensty: 0000";
  std::unique_ptr<RstReadCALSRasterHeader> h = header_of(r.bytes());
  EXPECT_EQ(h->status, 1);
  EXPECT_EQ(h->pels, 64);
  EXPECT_EQ(h->lines, 40);
  EXPECT_EQ(h->density, 0);
  EXPECT_EQ(h->pel_path, 0);
  EXPECT_EQ(h->line_progression, 270);
  EXPECT_EQ(h->srcdocid.substr(0, 14), "srcdocid: NONE");
  EXPECT_EQ(h->notes.size(), 128u);
  RstHeader image;
  h->rst_header(image);
  EXPECT_EQ(image.width, 64);
  EXPECT_EQ(image.height, 40);
  EXPECT_EQ(image.bits_per_sample, 1);
  EXPECT_EQ(image.samples_per_pixel, 1);
  EXPECT_EQ(image.data_form, RstDataForm::mmr);
  EXPECT_EQ(image.color_type, RstColorType::default_gray_reverse());
  EXPECT_FALSE(image.colormap);
}

TEST_F(CalsReader, BitOrderFromNotesOrMode) {
  struct Case {
    const char* notes;
    int32_t mode;
    int32_t bit_order;
  } cases[] = {
      {"notes: NONE", 3, 2},
      {kUp, 3, 1},
      {kDown, 3, 0},
      // Anywhere in the record, the up sentence first.
      {"notes: x This file is written by down bit ordering in a byte. This file is written by up bit ordering "
       "in a byte.",
       3, 1},
      {kUp, 0, 0},
      {"notes: NONE", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.notes) + " mode " + std::to_string(c.mode));
    CalsRecords r(64, 40);
    r.text[10] = c.notes;
    EXPECT_EQ(header_of(r.bytes(), c.mode)->bit_order, c.bit_order);
  }
}

TEST_F(CalsReader, ShortFiles) {
  Bytes whole = CalsRecords(64, 40).bytes();
  struct Case {
    size_t size;
    int32_t status;
  } cases[] = {{0, -12},   {1, -12},    {200, -12},  {255, -12},  {256, -13},
               {768, -13}, {1024, -13}, {1407, -13}, {2047, -13}, {2048, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Bytes file(whole.begin(), whole.begin() + long(c.size));
    file.reserve(1);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadCALSRasterHeader h(&in, 3);
    EXPECT_EQ(h.status, c.status);
    status.clear();
    in.rewind();
    RstReadCALSRasterHeader* found = RstReadCALSRaster::private_header(&in);
    EXPECT_EQ(found != nullptr, c.status == 1);
    rst_release(found);
    // Another format is no error; a broken CALS header is.
    if (c.status == -12) {
      EXPECT_TRUE(status.messages().empty());
    } else if (c.status == -13) {
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-13, "RstReadCALSRaster"}}));
    }
  }
}

TEST_F(CalsReader, EntryPointArguments) {
  Bytes other(3000, 'x');
  ByteArrayInputStorage in(other.data(), int32_t(other.size()));
  EXPECT_EQ(RstReadCALSRaster::private_header(nullptr), nullptr);
  EXPECT_EQ(RstReadCALSRaster::create(nullptr, nullptr, 3), nullptr);
  EXPECT_EQ(RstReadCALSRaster::create(&in, nullptr, 3), nullptr);
  Bytes file = CalsRecords(64, 40).bytes();
  ByteArrayInputStorage closed(file.data(), int32_t(file.size()));
  closed.close();
  EXPECT_EQ(RstReadCALSRaster::private_header(&closed), nullptr);
  EXPECT_EQ(RstReadCALSRaster::create(&closed, nullptr, 3), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadCALSRaster"},
                                                     {-2, "RstReadCALSRaster::create()"},
                                                     {-12, "RstReadCALSRaster::create()"},
                                                     {-2, "RstReadCALSRaster"},
                                                     {-2, "RstReadCALSRaster::create()"}}));
  status.clear();
  std::unique_ptr<RstReadCALSRasterHeader> h = header_of(file);
  for (int32_t mode : {2, 4, -1}) {
    ByteArrayInputStorage at(file.data(), int32_t(file.size()));
    EXPECT_EQ(RstReadCALSRasterAndConvertToRLE::create(&at, h.get(), mode), nullptr);
  }
  ByteArrayInputStorage at(file.data(), int32_t(file.size()));
  EXPECT_EQ(RstReadCALSRasterAndConvertToRLE::create(&at, nullptr, 3), nullptr);
  EXPECT_EQ(RstReadCALSRasterAndConvertToRLE::create(nullptr, h.get(), 3), nullptr);
  EXPECT_EQ(status.errors().size(), 5u);
  for (const RstReport& r : status.errors())
    EXPECT_EQ(r, (RstReport{-2, "RstReadCALSRasterAndConvertToRLE::create()"}));
}

// The bytes the T.6 decoder pulls: every byte reversed for bit order 1.
TEST_F(CalsReader, CodeBytesReachTheDecoderInTheFileBitOrder) {
  struct Case {
    const char* notes;
    int32_t mode;
    uint8_t first, second;
  } cases[] = {{kUp, 3, 0x80, 0x30}, {kDown, 3, 0x01, 0x0C}, {"notes: NONE", 3, 0x01, 0x0C},
               {kUp, 0, 0x01, 0x0C}, {kDown, 1, 0x80, 0x30}, {"notes: NONE", 1, 0x80, 0x30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.notes) + " mode " + std::to_string(c.mode));
    CalsRecords r(64, 40);
    r.text[10] = c.notes;
    Bytes file = cals_file(r, {0x01, 0x0C});
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadCALSRasterHeader h(&in, 3);
    ASSERT_EQ(h.status, 1);
    RstOwner<RstRead> decoder(RstReadCALSRasterAndConvertToRLE::create(&in, &h, c.mode));
    ASSERT_TRUE(decoder);
    EXPECT_EQ(RstHeader(decoder.get()).data_form, RstDataForm::rle);
    RstRead* code = dynamic_cast<RstProcess*>(decoder.get())->source();
    std::vector<uint8_t> chunk(size_t(code->line_size()));
    ASSERT_EQ(code->read(chunk.data()), 2);
    EXPECT_EQ(chunk[0], c.first);
    EXPECT_EQ(chunk[1], c.second);
  }
}

TEST_F(CalsReader, PagesReadEqualTheirRows) {
  const uint32_t w = 77, h = 41;
  Rows rows = bilevel_rows(w, h, 3);
  Bytes code = g4_code(w, rows);
  ASSERT_FALSE(code.empty());
  struct Case {
    const char* notes;
    bool reversed;
  } cases[] = {{"notes: NONE", false}, {kDown, false}, {kUp, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.notes);
    CalsRecords r(w, h);
    r.text[10] = c.notes;
    Bytes file = cals_file(r, c.reversed ? bit_reversed(code) : code);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    // Without a header the reader finds its own.
    RstOwner<RstRead> reader(RstReadCALSRaster::create(&in, nullptr, 3));
    ASSERT_TRUE(reader);
    RstHeader out(reader.get());
    EXPECT_EQ(out.data_form, RstDataForm::raw);
    EXPECT_EQ(out.width, int32_t(w));
    EXPECT_EQ(out.height, int32_t(h));
    EXPECT_EQ(out.color_type, RstColorType::default_gray_reverse());
    EXPECT_EQ(read_lines(reader.get()), rows);
    // Again after a reset.
    reader->reset();
    EXPECT_EQ(read_lines(reader.get()), rows);
    EXPECT_TRUE(status.messages().empty());
  }
}

TEST_F(CalsReader, FileCutInsideTheCodeReadsItsLinesThenWarns) {
  const uint32_t w = 64, h = 40;
  Rows rows = bilevel_rows(w, h, 5);
  Bytes code = g4_code(w, rows);
  Bytes file = cals_file(CalsRecords(w, h), Bytes(code.begin(), code.begin() + long(code.size() / 2)));
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> reader(RstReadCALSRaster::create(&in, nullptr, 3));
  ASSERT_TRUE(reader);
  Rows got = read_lines(reader.get());
  ASSERT_EQ(got.size(), rows.size());
  // The lines before the cut are the page's, the rest is white.
  size_t same = 0;
  while (same < got.size() && got[same] == rows[same]) ++same;
  EXPECT_GT(same, 5u);
  EXPECT_LT(same, size_t(h));
  EXPECT_EQ(got.back(), std::vector<uint8_t>(8, 0));
  EXPECT_TRUE(status.errors().empty());
  ASSERT_FALSE(status.messages().empty());
  for (const RstReport& r : status.messages()) {
    EXPECT_EQ(r.code, RstCode::recoverable_decode);
    EXPECT_EQ(r.where.rfind("RstDecodeMMR::read()", 0), 0u) << r.where;
  }
}

}  // namespace
