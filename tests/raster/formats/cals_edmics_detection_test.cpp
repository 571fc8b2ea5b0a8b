// The CALS, EDMICS MMR and EDMICS RLC rows of format detection: format codes
// and resolutions, pages above 1, the enable bytes, the order against the
// other probes, and files too short for any format.
#include <gtest/gtest.h>

#include <memory>

#include "cals_edmics_support.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"

namespace {

class CalsEdmicsDetection : public PageTest {};

TEST_F(CalsEdmicsDetection, FormatCodesResolutionsPagesAndEnables) {
  const uint32_t w = 93, h = 27;
  Rows rows = bilevel_rows(w, h, 4);
  Bytes code = g4_code(w, rows);
  CalsRecords cals(w, h);
  cals.text[9] = "rdensty: 0300";
  CalsRecords cals_no_density(w, h);
  cals_no_density.text[9] = "rdensty: 0000";
  CalsRecords cals_negative_density(w, h);
  cals_negative_density.text[9] = "rdensty: -300";
  MmrBlocks mmr;
  mmr.lines = h;
  mmr.pels = w;
  mmr.per_cm = 79;
  Bytes mmr_bytes = mmr.bytes();
  append(mmr_bytes, bit_reversed(code));
  Bytes sane = rlc_sane_header(h, w, 400);
  append(sane, rlc_lines(w, rows));
  Bytes rlc = rlc_form_header(h, w, 0x00010190, 2, 2);
  append(rlc, rlc_lines(w, rows));
  struct Case {
    const char* name;
    Bytes file;
    int32_t code, dpi, enable;
  } cases[] = {
      {"CALS", cals_file(cals, code), RstImageFormat::cals_raster_type1, 300, RstFormatEnables::cals},
      {"CALS without density", cals_file(cals_no_density, code), RstImageFormat::cals_raster_type1, 0,
       RstFormatEnables::cals},
      // A negative density is no resolution.
      {"CALS with a negative density", cals_file(cals_negative_density, code), RstImageFormat::cals_raster_type1, 0,
       RstFormatEnables::cals},
      {"EDMICS MMR", mmr_bytes, RstImageFormat::edmics_mmr, 201, RstFormatEnables::edmics_mmr},
      {"EDMICS RLC, Sane", sane, RstImageFormat::edmics_rlc, 400, RstFormatEnables::edmics_rlc},
      {"EDMICS RLC", rlc, RstImageFormat::edmics_rlc, 400, RstFormatEnables::edmics_rlc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    // Some bytes before the file: the reader starts at the caller's position.
    Bytes stored = {'j', 'u', 'n', 'k'};
    append(stored, c.file);
    ByteArrayInputStorage in(c.file.data(), int32_t(c.file.size()));
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format.code, c.code);
    EXPECT_EQ(info->x_resolution, c.dpi);
    EXPECT_EQ(info->y_resolution, c.dpi);
    EXPECT_EQ(info->width, int32_t(w));
    EXPECT_EQ(info->height, int32_t(h));
    EXPECT_EQ(info->bits_per_sample, 1);
    EXPECT_EQ(info->page_count(), 1u);
    EXPECT_EQ(in.tell(), 0);
    // Page 2: no info, but the reader ignores the page.
    EXPECT_EQ(RstImageInfo::create(&in, 2), nullptr);
    ByteArrayInputStorage later(stored.data(), int32_t(stored.size()));
    later.seek(4);
    RstOwner<RstRead> reader(RstReadRaster::create(&later, 2));
    ASSERT_TRUE(reader);
    EXPECT_EQ(read_lines(reader.get()), rows);
    // No other probe took or reported the file on the way.
    EXPECT_TRUE(status.messages().empty());
    // The enable byte cleared: no other row recognises the file.
    set_enable(c.enable, 0);
    EXPECT_EQ(RstImageInfo::create(&in, 1), nullptr);
    set_enable(c.enable, 1);
    EXPECT_TRUE(status.messages().empty());
  }
}

// One to three bytes are too few for any format: EDMICS MMR (version 1 in
// bytes 2 and 3), RLC and CALS starts included.
TEST_F(CalsEdmicsDetection, TinyFilesAreNotRecognised) {
  const uint8_t heads[][3] = {{0x00, 0x01, 0x00}, {0x7F, 0x00, 0x01}, {'S', 'a', 'n'},
                              {'R', 'L', 'C'},    {'s', 'r', 'c'},    {'M', 'M', 0}};
  for (const auto& head : heads) {
    for (int32_t size = 1; size <= 3; ++size) {
      SCOPED_TRACE(std::to_string(head[0]) + " size " + std::to_string(size));
      status.clear();
      ByteArrayInputStorage in(head, size);
      EXPECT_EQ(RstImageInfo::create(&in, 1), nullptr);
      EXPECT_TRUE(status.messages().empty());
      EXPECT_EQ(RstReadRaster::create(&in, 1), nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-12, "RstReadRaster::create()"}}));
    }
  }
}

// A broken header of a recognised format is reported (under the default
// observer the report ends detection there).
TEST_F(CalsEdmicsDetection, BrokenHeadersAreReported) {
  CalsRecords cals(0, 40);
  MmrBlocks mmr;
  mmr.lines = -1;
  mmr.pels = 8;
  Bytes cut_mmr = MmrBlocks().bytes();
  cut_mmr.resize(300);
  Bytes cut_rlc = rlc_sane_header(4, 8, 0);
  cut_rlc.resize(100);
  struct Case {
    const char* name;
    Bytes file;
    RstReport report;
  } cases[] = {
      {"CALS without pels", cals.bytes(), {-13, "RstReadCALSRaster"}},
      {"MMR with lines -1", mmr.bytes(), {-13, "RstReadEdmicsMMR"}},
      {"MMR cut in its second block", cut_mmr, {-11, "RstReadEdmicsMMR"}},
      {"RLC cut in its header", cut_rlc, {-11, "RstReadEdmicsRLC"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    ByteArrayInputStorage in(c.file.data(), int32_t(c.file.size()));
    EXPECT_EQ(RstImageInfo::create(&in, 1), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    status.clear();
    EXPECT_EQ(RstReadRaster::create(&in, 1), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{c.report, {-12, "RstReadRaster::create()"}}));
  }
}

}  // namespace
