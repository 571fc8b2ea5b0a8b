// Reading the IMS/IMT object image: statuses and reports of the header and
// record checks, both variants, the colour space table, cut records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "ims_builder.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_read_ims_header.h"

namespace {

class ImsHeader : public RstStatusTest {
 protected:
  std::unique_ptr<RstReadIMTHeader> read(const std::vector<uint8_t>& bytes) {
    storage_ = std::make_unique<ByteArrayInputStorage>(bytes);
    return std::make_unique<RstReadIMTHeader>(storage_.get());
  }
  std::unique_ptr<ByteArrayInputStorage> storage_;
};

ImsImage one_image() {
  ImsImage image;
  image.records = {ims_record(1, 16, 1, 10, 6, 5, 5, 20, 12)};
  return image;
}

}  // namespace

TEST_F(ImsHeader, ValidImageListsItsRecordsWithTheEndLast) {
  ImsImage image = one_image();
  image.records.push_back(ims_record(7, 2, 17, 64, 32, 0, 0, 64, 32));
  auto h = read(image.bytes());
  EXPECT_EQ(h->status(), 1);
  ASSERT_EQ(h->objects().size(), 3u);
  EXPECT_TRUE(h->objects()[2].is_end());
  EXPECT_EQ(h->objects()[2].record.a, 1.0f);
  const RstHeader& oh = h->objects()[1].header;
  EXPECT_EQ(oh.width, 64);
  EXPECT_EQ(oh.height, 32);
  EXPECT_EQ(oh.bits_per_sample, 1);
  EXPECT_EQ(oh.data_form, RstDataForm::mmr);
  EXPECT_EQ(h->file_header().page_width, 100u);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ImsHeader, MagicBytesStartAnImtHeader) {
  std::vector<uint8_t> bytes = one_image().bytes();
  const uint8_t start[] = {0x2E, 0x69, 0x6D, 0x74, 0x00, 0x00, 0x01, 0x00};
  EXPECT_TRUE(std::equal(std::begin(start), std::end(start), bytes.begin()));
  auto h = read(bytes);
  EXPECT_EQ(h->status(), 1);
  EXPECT_TRUE(h->is_imt());
}

TEST_F(ImsHeader, ImsAndImtReadTheSameRecords) {
  ImsImage imt = one_image(), ims = one_image();
  ims.imt = false;
  auto a = read(imt.bytes());
  auto b = read(ims.bytes());
  ASSERT_EQ(a->objects().size(), b->objects().size());
  EXPECT_FALSE(b->is_imt());
  for (size_t i = 0; i < a->objects().size(); ++i) {
    EXPECT_EQ(std::memcmp(&a->objects()[i].record, &b->objects()[i].record, sizeof(RstIMSRecord)), 0);
  }
  // Both place the record on the same pixels here.
  uint32_t l1, r1, t1, b1, l2, r2, t2, b2;
  a->placement(a->objects()[0].record, &l1, &r1, &t1, &b1);
  b->placement(b->objects()[0].record, &l2, &r2, &t2, &b2);
  EXPECT_EQ((std::vector<uint32_t>{l1, r1, t1, b1}), (std::vector<uint32_t>{5, 24, 5, 16}));
  EXPECT_EQ((std::vector<uint32_t>{l2, r2, t2, b2}), (std::vector<uint32_t>{5, 24, 5, 16}));
}

TEST_F(ImsHeader, ImtPlacementRoundsTheMatrixInSinglePrecision) {
  RstIMSRecord r = ims_record(1, 16, 1, 10, 6, 0, 0, 1, 1);
  r.a = 99.5f;
  r.d = -50.4f;
  r.x_origin = 7;
  r.y_origin = 200;
  ImsImage image;
  image.records = {r};
  auto h = read(image.bytes());
  uint32_t left, right, top, bottom;
  h->placement(h->objects()[0].record, &left, &right, &top, &bottom);
  EXPECT_EQ(right - left + 1, 100u);
  EXPECT_EQ(top, 150u);
  EXPECT_EQ(bottom, 199u);
}

TEST_F(ImsHeader, StatusesAndReports) {
  struct Case {
    const char* name;
    ImsImage image;
    int32_t status;
    std::vector<RstReport> reports;
  };
  ImsImage only_end;
  ImsImage zero_width = one_image();
  zero_width.records[0].pixel_width = 0;
  ImsImage wrong_version = one_image();
  wrong_version.version = 0x00020000;
  ImsImage wrong_magic = one_image();
  wrong_magic.imt = true;
  ImsImage bad_count = one_image();
  bad_count.end_count = 5;
  ImsImage bad_reserved = one_image();
  bad_reserved.records[0].reserved[2] = 256;
  ImsImage bad_page = one_image();
  bad_page.kind = 5;
  std::vector<Case> cases = {
      {"only the end record", only_end, -3, {}},
      {"pixel width 0", zero_width, 13, {{13, "RstReadIMSHeaderCore::init()"}}},
      {"reserved word 256", bad_reserved, 13, {{13, "RstReadIMSHeaderCore::init()"}}},
      {"image kind 5", bad_page, 13, {{13, "RstReadIMSHeaderCore::init()"}}},
      {"wrong version", wrong_version, -12, {}},
      {"end count not records + 1", bad_count, 1, {{-3, "RstReadIMSHeaderCore::first_object()"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    auto h = read(c.image.bytes());
    EXPECT_EQ(h->status(), c.status);
    EXPECT_EQ(status.messages(), c.reports);
  }
  // The record of pixel width 0 stays in the list.
  status.clear();
  auto kept = read(zero_width.bytes());
  ASSERT_EQ(kept->objects().size(), 2u);
  EXPECT_EQ(kept->objects()[0].record.pixel_width, 0u);
  // A wrong magic reads nothing further.
  std::vector<uint8_t> bytes = one_image().bytes();
  bytes[3] = 'x';
  status.clear();
  EXPECT_EQ(read(bytes)->status(), -12);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ImsHeader, CutRecordsEndTheList) {
  std::vector<uint8_t> whole = one_image().bytes();
  // Cut inside the extension of the only record: the extension reports, the
  // record is kept, and the missing end record ends the list.
  std::vector<uint8_t> in_extension(whole.begin(), whole.begin() + 28 + 80);
  auto h = read(in_extension);
  EXPECT_EQ(status.messages().front(), (RstReport{-11, "RstReadIMTHeader::set_position_and_ctm"}));
  EXPECT_EQ(status.messages().back(), (RstReport{-11, "RstReadIMSHeaderCore::first_object()"}));
  EXPECT_EQ(h->objects().size(), 1u);
  // Cut before a whole record's first 64 bytes.
  status.clear();
  std::vector<uint8_t> in_record(whole.begin(), whole.begin() + 28 + 40);
  h = read(in_record);
  EXPECT_EQ(h->status(), -3);
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{-11, "RstReadIMSHeaderCore::first_object()"}}));
  // Fewer than 28 header bytes.
  status.clear();
  std::vector<uint8_t> short_header(whole.begin(), whole.begin() + 12);
  h = read(short_header);
  EXPECT_EQ(status.messages().front(), (RstReport{-11, "RstReadIMSHeaderCore::init()"}));
}

TEST(ImsColorSpace, EveryCodeGivesItsTypeBitsAndSamples) {
  struct Row {
    uint32_t code;
    RstColorType* type;
    int32_t bits;
    int32_t samples;
  };
  const Row rows[] = {
      {1, RstColorType::default_gray_reverse(), 1, 1},
      {2, RstColorType::default_gray(), 1, 1},
      {16, RstColorType::default_gray(), 8, 1},
      {18, RstColorType::s_gray(), 8, 1},
      {19, RstColorType::icc_lstar(), 8, 1},
      {20, RstColorType::icc_lstar(), 8, 1},
      {32, RstColorType::default_rgb(), 8, 3},
      {33, RstColorType::s_rgb(), 8, 3},
      {35, RstColorType::itu_lab(), 8, 3},
      {36, RstColorType::icc_lab(), 8, 3},
      {38, RstColorType::default_ycbcr(), 8, 3},
      {39, RstColorType::s_ycbcr(), 8, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    RstColorType* type;
    int32_t bits, samples;
    ASSERT_TRUE(RstIMSObject::color_space(r.code, &type, &bits, &samples));
    EXPECT_EQ(type, r.type);
    EXPECT_EQ(bits, r.bits);
    EXPECT_EQ(samples, r.samples);
  }
  RstColorType* t[6];
  int32_t b, s;
  const uint32_t codes[] = {2, 16, 18, 32, 33, 38};
  for (int i = 0; i < 6; ++i) RstIMSObject::color_space(codes[i], &t[i], &b, &s);
  EXPECT_TRUE(t[0] == t[1] && t[1] == t[2]);
  EXPECT_EQ(t[3], t[4]);
  RstColorType* t39;
  RstIMSObject::color_space(39, &t39, &b, &s);
  EXPECT_EQ(t[5], t39);
  EXPECT_FALSE(RstIMSObject::color_space(17, &t[0], &b, &s));
  for (auto [compression, form] :
       std::vector<std::pair<uint32_t, int32_t> >{{1, 0}, {2, 0}, {3, 0}, {16, 1}, {17, 3}, {32, 4}, {4, -1}}) {
    EXPECT_EQ(RstIMSObject::data_form(compression), form) << compression;
  }
}
