// Object image to canvas: the object each tag makes, the backgrounds of a
// bilevel first record, refused records and windows, and masks whose
// reserved word asks for the clear bits.
#include <gtest/gtest.h>

#include "mrc_support.h"

namespace {

class CanvasBuilder : public MrcTest {
 protected:
  RstMRCCanvas* build(const ImsImage& image, const ImsData& data) { return ims.build(image, data); }
  ImsCanvas ims;
};

// An image with the records and 8-bit gray data of each record's size.
std::pair<ImsImage, ImsData> with_data(std::vector<RstIMSRecord> records) {
  ImsImage image;
  ImsData data;
  for (RstIMSRecord& r : records) {
    RstColorType* t;
    int32_t bits, samples;
    RstIMSObject::color_space(r.color_space, &t, &bits, &samples);
    size_t stride = (size_t(r.pixel_width) * bits * samples + 7) / 8;
    data.add(r, std::vector<uint8_t>(stride * r.pixel_height, 0x0F));
  }
  image.records = records;
  return {image, data};
}

}  // namespace

TEST_F(CanvasBuilder, IgnoredRecordsGiveAnEmptyWhiteCanvas) {
  auto [image, data] = with_data({ims_record(6, 16, 1, 4, 4, 0, 0, 4, 4), ims_record(6, 2, 17, 4, 4, 0, 0, 4, 4)});
  std::unique_ptr<RstMRCCanvas> c(build(image, data));
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->objects().empty());
  EXPECT_EQ(c->width(), 100u);
  EXPECT_EQ(c->background().values, std::vector<uint8_t>{255});
  EXPECT_EQ(c->background().color_type, RstColorType::default_gray());
  EXPECT_EQ(c->background().bits, 8);
}

TEST_F(CanvasBuilder, FirstBilevelRecordMakesAOneBitBackground) {
  struct Row {
    uint32_t color_space;
    uint8_t value;
    RstColorType* type;
  };
  for (Row r : {Row{2, 1, RstColorType::default_gray()}, Row{1, 0, RstColorType::default_gray_reverse()}}) {
    SCOPED_TRACE(r.color_space);
    auto [image, data] = with_data({ims_record(7, r.color_space, 1, 8, 2, 0, 0, 8, 2)});
    std::unique_ptr<RstMRCCanvas> c(build(image, data));
    ASSERT_TRUE(c);
    ASSERT_EQ(c->objects().size(), 1u);
    EXPECT_EQ(c->background().values, std::vector<uint8_t>{r.value});
    EXPECT_EQ(c->background().color_type, r.type);
    EXPECT_EQ(c->background().bits, 1);
  }
}

TEST_F(CanvasBuilder, FilledRectangleIsAMaskedColourOverItsPlacement) {
  auto [image, data] = with_data({ims_record(4, 32, 1, 6, 3, 2, 4, 6, 3)});
  image.records[0].color[0] = 10;
  image.records[0].color[1] = 20;
  image.records[0].color[2] = 30;
  std::unique_ptr<RstMRCCanvas> c(build(image, data));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->objects().size(), 1u);
  auto* mc = dynamic_cast<RstMRCCanvas::MaskedColor*>(c->objects()[0]);
  ASSERT_TRUE(mc);
  EXPECT_EQ(mc->color().values, (std::vector<uint8_t>{10, 20, 30}));
  EXPECT_EQ(mc->color().color_type, RstColorType::default_rgb());
  EXPECT_EQ(mc->rect.left, 2u);
  EXPECT_EQ(mc->rect.right, 7u);
  EXPECT_EQ(mc->rect.top, 4u);
  EXPECT_EQ(mc->rect.bottom, 6u);
  RstOwner<RstRead> mask(mc->mask_reader());
  Page p = pull(mask.get());
  ASSERT_EQ(p.lines.size(), 3u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(p.at(x, y), 1);
}

TEST_F(CanvasBuilder, RawLinesOfComputedOrGivenLength) {
  // 5 pixels of RGB: 15 bytes per line when word 7 is 0, else word 7.
  for (uint32_t bpl : {0u, 16u}) {
    SCOPED_TRACE(bpl);
    ImsImage image;
    ImsData data;
    RstIMSRecord r = ims_record(1, 32, 1, 5, 2, 0, 0, 5, 2);
    r.bytes_per_line = bpl;
    size_t stride = bpl ? bpl : 15;
    std::vector<uint8_t> bytes(stride * 2);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
    data.add(r, bytes);
    image.records = {r};
    std::unique_ptr<RstMRCCanvas> c(build(image, data));
    ASSERT_TRUE(c);
    auto* ui = dynamic_cast<RstMRCCanvas::UnmaskedImage*>(c->objects()[0]);
    ASSERT_TRUE(ui);
    RstOwner<RstRead> reader(ui->image_reader());
    Page p = pull(reader.get());
    ASSERT_EQ(p.lines.size(), 2u);
    EXPECT_EQ(p.at(0, 1, 0), int(stride));
    EXPECT_EQ(p.at(4, 1, 2), int(stride + 14));
  }
}

TEST_F(CanvasBuilder, RefusedImages) {
  struct Case {
    const char* name;
    std::vector<RstIMSRecord> records;
    RstReport report;
  };
  RstIMSRecord zero = ims_record(1, 16, 1, 4, 4, 0, 0, 4, 4);
  std::vector<Case> cases = {
      {"mask followed by the end record",
       {ims_record(2, 2, 1, 4, 4, 0, 0, 4, 4)},
       {-3, "RstReadIMSToMRCCanvasCore::convert_to_canvas()"}},
      {"mask followed by a bilevel image",
       {ims_record(2, 2, 1, 4, 4, 0, 0, 4, 4), ims_record(1, 2, 1, 4, 4, 0, 0, 4, 4)},
       {-3, "RstReadIMSToMRCCanvasCore::convert_to_canvas()"}},
      {"tag 5", {ims_record(5, 16, 1, 4, 4, 0, 0, 4, 4)}, {-50, "RstReadIMSToMRCCanvasCore::convert_to_canvas()"}},
      {"image with MMR data",
       {ims_record(1, 16, 17, 4, 4, 0, 0, 4, 4)},
       {-3, "RstReadIMSToMRCCanvasCore::convert_to_canvas()"}},
      {"pixel width 0", {zero}, {-3, "RstReadIMSToMRCCanvasCore::convert_to_canvas()"}},
  };
  cases.back().records[0].pixel_width = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    auto [image, data] = with_data(c.records);
    EXPECT_EQ(build(image, data), nullptr);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().back(), c.report);
  }
  // The record of pixel width 0 reaches the builder with status 13.
  status.clear();
  auto [image, data] = with_data({zero});
  image.records[0].pixel_width = 0;
  std::vector<uint8_t> bytes = image.bytes();
  ByteArrayInputStorage hs(bytes);
  std::unique_ptr<RstReadIMTHeader> h(RstReadIMTToMRCCanvas::private_header(&hs));
  ASSERT_TRUE(h);
  EXPECT_EQ(h->status(), 13);
  EXPECT_EQ(status.messages().back(), (RstReport{13, "RstReadIMTToMRCCanvas::private_header()"}));
}

TEST_F(CanvasBuilder, WindowPastTheDataIsRefusedWithoutReading) {
  auto [image, data] = with_data({ims_record(1, 16, 1, 4, 4, 0, 0, 4, 4)});
  image.records[0].data_offset = uint32_t(data.bytes.size()) - 8;  // 16 bytes from 8 before the end
  EXPECT_EQ(build(image, data), nullptr);
  EXPECT_EQ(status.errors().front(), (RstReport{-3, "RstReadIMSToMRCCanvasCore::create_object_reader()"}));
  // An offset and length whose sum passes 32 bits.
  status.clear();
  image.records[0].data_offset = 0xFFFFFFF0u;
  image.records[0].data_length = 0x20;
  EXPECT_EQ(build(image, data), nullptr);
  EXPECT_EQ(status.errors().front(), (RstReport{-3, "RstReadIMSToMRCCanvasCore::create_object_reader()"}));
}

TEST_F(CanvasBuilder, StoragesAndHeadersRefused) {
  ByteArrayInputStorage empty(nullptr, 0);
  EXPECT_EQ(RstReadIMTToMRCCanvas::create(nullptr, &empty, nullptr), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-2, "RstReadIMTToMRCCanvas::create()"}));
  status.clear();
  std::vector<uint8_t> junk(64, 7);
  ByteArrayInputStorage hs(junk), ds(junk);
  EXPECT_EQ(RstReadIMTToMRCCanvas::create(&hs, &ds, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-12, "RstReadIMTToMRCCanvas::create()"}}));
  status.clear();
  EXPECT_EQ(RstReadIMTToMRCCanvas::private_header(nullptr), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-2, "RstReadIMTToMRCCanvas::private_header()"}));
  // Only the end record: status -3 reported by the front.
  status.clear();
  std::vector<uint8_t> only_end = ImsImage().bytes();
  ByteArrayInputStorage oe(only_end);
  EXPECT_EQ(RstReadIMTToMRCCanvas::private_header(&oe), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-3, "RstReadIMTToMRCCanvas::private_header()"}));
}
