// TIFF write options: the constructors' checks and fields, the MRC options,
// the page option a writer builds for its source, and the checks of
// RstWriteTIFF::valid_option.
#include "raster/formats/rst_write_tiff_option.h"

#include <gtest/gtest.h>

#include <memory>

#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_write_tiff.h"
#include "tiff_write_support.h"

namespace {

class WriteTiffOption : public RstStatusTest {};

const RstReport bad_option{-2, "RstWriteTIFFOption::RstWriteTIFFOption()"};

TEST_F(WriteTiffOption, ConstructorArguments) {
  RstWriteTIFFOption mr(300, 300, 2, 0, nullptr);
  EXPECT_EQ(mr.compression.value(), 3u);
  EXPECT_EQ(mr.t4_options & 1, 1u);
  EXPECT_EQ(mr.x_resolution, (RstRational{300, 1}));
  EXPECT_EQ(mr.y_resolution, (RstRational{300, 1}));
  EXPECT_EQ(mr.rows_per_strip, 0u);
  EXPECT_TRUE(status.messages().empty());

  struct Case {
    const char* name;
    uint32_t x, y;
    int32_t type;
    std::shared_ptr<RstCodingOption> option;
  } refused[] = {
      {"MH option for MR", 300, 300, 2, std::make_shared<RstMHOption>(0, 0, 0, 0, 1)},
      {"encode type 5", 300, 300, 5, nullptr},
      {"x resolution 0", 0, 300, 1, nullptr},
      {"y resolution 0", 300, 0, 1, nullptr},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    RstWriteTIFFOption o(c.x, c.y, c.type, 64, c.option.get());
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{bad_option}));
    EXPECT_EQ(o.compression.value(), 1u);  // the defaults
    EXPECT_EQ(o.rows_per_strip, 0u);
    EXPECT_EQ(bool(o.coding_option), bool(c.option));
    status.clear();
  }

  // A JPEG option's sampling code gives YCbCrSubSampling; an unknown one leaves 1, 1.
  struct Sampling {
    uint32_t code;
    std::vector<uint16_t> values;
  } samplings[] = {{0x14401110, {4, 1}}, {0x12201220, {2, 2}}, {0x12345678, {1, 1}}};
  for (const Sampling& s : samplings) {
    RstEncodeJPEGOption jpeg(75, s.code);
    RstWriteTIFFOption o(200, 200, 4, 16, &jpeg);
    EXPECT_EQ(o.compression.value(), 7u);
    EXPECT_EQ(o.ycbcr_subsampling, s.values);
    ASSERT_TRUE(o.coding_option);
    EXPECT_NE(o.coding_option.get(), static_cast<RstCodingOption*>(&jpeg));
  }
  EXPECT_TRUE(status.messages().empty());

  // The copies: of a header without coding option, of an option sharing it.
  RstMMROption mmr(1, 0);
  RstWriteTIFFOption g4(200, 200, 3, 8, &mmr);
  RstWriteTIFFOption shared(g4);
  EXPECT_EQ(shared.coding_option.get(), g4.coding_option.get());
  EXPECT_EQ(shared.compression.value(), 4u);
  RstWriteTIFFOption bare(static_cast<const RstWriteTIFFHeader&>(g4));
  EXPECT_FALSE(bare.coding_option);
  EXPECT_EQ(bare.rows_per_strip, 8u);
}

TEST_F(WriteTiffOption, MrcOptions) {
  RstMMROption mask(1, 0);
  RstEncodeJPEGOption jpeg(75, 0x11101110);
  RstWriteTIFFMRCOption good(0, 300, 300, 0, &mask, &jpeg, &jpeg, 2, 8);
  EXPECT_TRUE(status.messages().empty());
  EXPECT_EQ(good.new_subfile_type, 18u);
  EXPECT_EQ(good.image_layer, (std::vector<uint32_t>{2, 0}));
  EXPECT_EQ(good.compression.value(), 4u);
  EXPECT_TRUE(good.is_mrc_mask());
  EXPECT_TRUE(good.background_option && good.foreground_option);

  RstEncodeJBIGT43Option t43(128, 0, 200, 0);
  struct Case {
    const RstCodingOption* background;
    uint32_t reduction;
  } refused[] = {{&jpeg, 3}, {&t43, 1}};
  for (const Case& c : refused) {
    RstWriteTIFFMRCOption o(1, 300, 300, 0, &mask, c.background, nullptr, c.reduction, 1);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstWriteTIFFMRCOption::RstWriteTIFFMRCOption()"}}));
    EXPECT_FALSE(o.is_mrc_mask());
    EXPECT_EQ(o.new_subfile_type, 0u);
    status.clear();
  }

  RstWriteTIFFMRCChildOption child(300, 300, &jpeg);
  EXPECT_EQ(child.new_subfile_type, 16u);
  EXPECT_EQ(child.image_layer.size(), 2u);
  EXPECT_EQ(child.compression.value(), 7u);

  RstWriteTIFFMRCOption from(static_cast<const RstWriteTIFFHeader&>(good));
  EXPECT_EQ(from.layer_mode, 1u);
  EXPECT_EQ(from.background_reduction, 1u);
  EXPECT_FALSE(from.coding_option);
  EXPECT_TRUE(from.is_mrc_mask());
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(WriteTiffOption, PageOptionForASource) {
  // New data: the caller's byte counts go, the source's fields come in.
  RstWriteTIFFOption caller(300, 300, 3, 64, nullptr);
  caller.strip_byte_counts = {5, 6};
  caller.software = "kept";
  RstHeader raw = image_header(100, 100, 1, 1, RstColorType::s_gray_reverse());
  std::unique_ptr<RstWriteTIFFOption> page(
      RstWriteTIFFOption::for_source(raw, &caller, RstWriteTIFFOption::Data::new_coded));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->image_width, 100u);
  EXPECT_EQ(page->software, "kept");
  EXPECT_EQ(page->compression.value(), 4u);
  EXPECT_EQ(page->strip_byte_counts, (std::vector<uint32_t>{0, 0}));  // completed by the checks
  std::unique_ptr<RstWriteTIFFOption> plain(
      RstWriteTIFFOption::for_source(raw, nullptr, RstWriteTIFFOption::Data::new_coded));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->compression.value(), 1u);
  EXPECT_EQ(plain->x_resolution, (RstRational{200, 1}));

  // Copied data declares its coding, except MH under 2 and JPEG under 6.
  struct Case {
    uint32_t compression;
    int32_t form;
    uint32_t want;
    uint32_t t4;
  } cases[] = {
      {1, RstDataForm::mmr, 4, 0}, {1, RstDataForm::mr, 3, 1},   {2, RstDataForm::mh, 2, 0},
      {3, RstDataForm::mh, 3, 0},  {1, RstDataForm::jpeg, 7, 0}, {6, RstDataForm::jpeg, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.compression << " " << c.form);
    RstWriteTIFFOption o(200, 200, 0, 0, nullptr);
    o.set_compression(c.compression);
    bool jpeg = c.form == RstDataForm::jpeg;
    RstHeader source = jpeg ? image_header(16, 16, 8, 1, RstColorType::s_gray(), c.form)
                            : image_header(16, 16, 1, 1, RstColorType::s_gray_reverse(), c.form);
    std::unique_ptr<RstWriteTIFFOption> p(RstWriteTIFFOption::for_source(source, &o, RstWriteTIFFOption::Data::copied));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->compression.value(), c.want);
    EXPECT_EQ(p->t4_options & 1, c.t4);
  }
  EXPECT_TRUE(status.messages().empty());

  // Refusals give no option.
  RstWriteTIFFOption tiled(200, 200, 0, 0, nullptr);
  tiled.tile_width = 256;
  EXPECT_FALSE(RstWriteTIFFOption::for_source(image_header(300, 10, 8, 1, RstColorType::s_gray()), &tiled,
                                              RstWriteTIFFOption::Data::new_coded));
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-50, "RstWriteTIFF::valid_option() - tiling is not supported."}}));
  status.clear();
  RstWriteTIFFOption g4(200, 200, 3, 0, nullptr);
  EXPECT_FALSE(RstWriteTIFFOption::for_source(image_header(30, 10, 8, 1, RstColorType::s_gray()), &g4,
                                              RstWriteTIFFOption::Data::new_coded));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstWriteTIFFHeader::rst_header()"}}));
  status.clear();
  EXPECT_FALSE(
      RstWriteTIFFOption::for_source(image_header(30, 10, 8, 1, RstColorType::s_gray(), RstDataForm::byte_encode),
                                     nullptr, RstWriteTIFFOption::Data::copied));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstWriteRasterOptionTIFF"}}));
}

TEST_F(WriteTiffOption, ValidOptionChecks) {
  struct Case {
    const char* name;
    void (*set)(RstWriteTIFFHeader&);
    int32_t code;
    const char* reason;
  } cases[] = {
      {"fine", [](RstWriteTIFFHeader&) {}, 1, nullptr},
      {"width 0", [](RstWriteTIFFHeader& h) { h.image_width = 0; }, -2, "invalid parameters."},
      {"tiles", [](RstWriteTIFFHeader& h) { h.tile_width = 256; }, -50, "tiling is not supported."},
      {"G3 uncompressed mode",
       [](RstWriteTIFFHeader& h) {
         h.set_compression(3);
         h.t4_options = 2;
       },
       -50, "not supported UncompressedMode in G3 or G4 compression."},
      {"G4 uncompressed mode",
       [](RstWriteTIFFHeader& h) {
         h.set_compression(4);
         h.t6_options = 2;
       },
       -50, "not supported UncompressedMode in G3 or G4 compression."},
      {"JPEG in two strips",
       [](RstWriteTIFFHeader& h) {
         h.set_compression(6);
         h.photometric_interpretation = 1;
         h.rows_per_strip = 50;
       },
       -50, "not supported multiple strips in JPEG compression(Compression=6)."},
      {"three sub-sampling values",
       [](RstWriteTIFFHeader& h) {
         h.photometric_interpretation = 6;
         h.ycbcr_subsampling = {2, 2, 2};
       },
       -2, "sub-sampling's size is illegal."},
      {"sub-sampling uncompressed",
       [](RstWriteTIFFHeader& h) {
         h.photometric_interpretation = 6;
         h.ycbcr_subsampling = {2, 2};
       },
       -50, "not supported sub-sampling for non-jpeg."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstWriteTIFFHeader h;
    h.rst_header(image_header(64, 100, 8, 1, RstColorType::s_gray()), true);
    c.set(h);
    int32_t code = 0;
    std::string message;
    EXPECT_EQ(RstWriteTIFF::valid_option(h, code, &message), c.code == 1);
    EXPECT_EQ(code, c.code);
    if (c.reason) {
      EXPECT_EQ(message, std::string("RstWriteTIFF::valid_option() - ") + c.reason);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
