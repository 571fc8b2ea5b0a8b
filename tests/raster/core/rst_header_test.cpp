// Image headers, image info and the display names of formats, data forms and
// colour spaces.
#include <gtest/gtest.h>

#include "raster/core/rst_header.h"
#include "raster/core/rst_image_info.h"
#include "rst_status_recorder.h"
#include "rst_test_nodes.h"

namespace {
using RstHeaderTest = RstStatusTest;

struct CountedPrivateHeader : RstPrivateHeader {
  explicit CountedPrivateHeader(int* released) : released(released) {}
  ~CountedPrivateHeader() override { ++*released; }
  int* released;
};

// Image info without storage: the probing constructor belongs to the storages.
struct TestImageInfo : RstImageInfo {
  TestImageInfo(const RstHeader& h, int32_t format, RstPrivateHeader* p)
      : RstImageInfo(h, 300, 200, RstImageFormat(format), p) {}
};

RstHeader indexed_header(int* deleted) {
  struct Watched : RstColormap {
    Watched(int* d) : RstColormap(8, 3, 2), d(d) {}
    ~Watched() override { ++*d; }
    int* d;
  };
  RstHeader h;
  h.width = 4;
  h.colormap = RstCountedPtr<RstColormap>(new Watched(deleted));
  return h;
}
}  // namespace

TEST_F(RstHeaderTest, CopiesShareTheColormap) {
  int deleted = 0;
  {
    RstHeader original = indexed_header(&deleted);
    original.color_type = RstColorType::s_rgb();
    RstColormap* map = original.colormap.get();
    {
      RstHeader copy(original);
      EXPECT_EQ(copy.colormap.get(), map);
      EXPECT_EQ(copy.color_type, RstColorType::s_rgb());
      EXPECT_EQ(copy.width, 4);
      EXPECT_EQ(original.colormap.use_count(), 2);
      RstHeader assigned;
      assigned = copy;
      assigned = assigned;
      EXPECT_EQ(original.colormap.use_count(), 3);
    }
    // The copies are gone; the original's colormap is intact.
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(original.colormap.use_count(), 1);
    EXPECT_EQ(original.colormap->entries(), 2);
    // Assigning a header without colormap drops the last reference.
    original = RstHeader();
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(original.colormap);
  }
  EXPECT_EQ(deleted, 1);
}

TEST_F(RstHeaderTest, HeaderOfANodeAndTheDefault) {
  RstHeader empty;
  EXPECT_EQ(empty.width + empty.height + empty.bits_per_sample + empty.samples_per_pixel + empty.sample_kind +
                empty.data_form,
            0);
  EXPECT_FALSE(empty.colormap);
  EXPECT_EQ(empty.color_type, nullptr);
  RstTestLog log;
  auto* n = new RstTestNode("n", &log, {}, 7);
  RstHeader h(n);
  EXPECT_EQ(h.width, 8);
  EXPECT_EQ(h.height, 7);
  n->end();
}

TEST_F(RstHeaderTest, ImageInfoReleasesItsPrivateHeader) {
  int released = 0;
  RstHeader h;
  h.width = 10;
  h.data_form = RstDataForm::mmr;
  {
    TestImageInfo info(h, RstImageFormat::tiff, new CountedPrivateHeader(&released));
    EXPECT_EQ(info.width, 10);
    EXPECT_EQ(info.x_resolution, 300);
    EXPECT_EQ(info.y_resolution, 200);
    EXPECT_EQ(info.cached_page_count, 0);
    EXPECT_EQ(info.storage, nullptr);
    EXPECT_TRUE(info.format.is_tiff());
    EXPECT_EQ(info.format_name(), "TIFF");
    EXPECT_EQ(info.compression_name(), "MMR");
    EXPECT_EQ(info.color_space_name(), "Unknown");
  }
  EXPECT_EQ(released, 1);
  rst_release(nullptr);  // none is ignored
}

TEST(RstNamesTest, DataForms) {
  const struct {
    int32_t form;
    const char* name;
  } cases[] = {{0, "Raw"},         {1, "MH"},
               {2, "MR"},          {3, "MMR"},
               {4, "JPEG"},        {5, "JPEG2000"},
               {6, "JBIG"},        {7, "JBIGColor"},
               {8, "JBIG2"},       {9, "ByteEncode"},
               {10, "PackBits"},   {11, "LZW"},
               {12, "LZW"},        {13, "FLATE"},
               {14, "WindowsRLE"}, {15, "RLE"},
               {16, "Unknown"},    {17, "ALLA"},
               {18, "ASCII85"},    {19, "ASCIIHex"},
               {20, "Base64"},     {21, "RLC"},
               {22, "MRC"},        {23, "Unknown"},
               {-1, "Unknown"},    {INT32_MIN, "Unknown"}};
  for (const auto& c : cases) EXPECT_EQ(rst_compression_name(c.form), c.name) << c.form;
}

TEST(RstNamesTest, Formats) {
  const char* names[] = {"TIFF", "JFIF",       "JPEG_FAX",   "SunRaster", "WindowsBitmap", "CALSRasterType1",
                         "PNG",  "GIF",        "EDMICS-MMR", "EXIF",      "RTL",           "MNG",
                         "PDF",  "EDMICS-RLC", "Kelvor"};
  for (int32_t code = 0; code < 15; ++code) {
    RstImageFormat f(code);
    EXPECT_EQ(f.name(), names[code]);
    EXPECT_EQ(f.is_tiff(), code == 0);
  }
  for (int32_t code : {-1, 15, 1000}) EXPECT_EQ(RstImageFormat(code).name(), "Unknown");
}

TEST(RstNamesTest, ColorSpaces) {
  const struct {
    RstColorType* type;
    const char* name;
  } cases[] = {
      {RstColorType::s_gray(), "default_gray"},
      {RstColorType::s_gray_reverse(), "default_gray_reverse"},
      {RstColorType::s_rgb(), "default_rgb"},
      {RstColorType::s_ycbcr(), "default_ycbcr"},
      {RstColorType::cmy(), "default_cmy"},
      {RstColorType::s_cmyk(), "default_cmyk"},
      {RstColorType::ntsc_rgb(), "ntsc_rgb"},
      {RstColorType::icc_lab(), "icc_lab"},
      {RstColorType::itu_lab(), "itu_lab"},
      {RstColorType::icc_lstar(), "icc_lstar"},
      {RstColorType::hsl(), "Unknown"},
      {RstColorType::none(), "Unknown"},
      {nullptr, "Unknown"},
  };
  for (const auto& c : cases) {
    RstHeader h;
    h.color_type = c.type;
    EXPECT_EQ(rst_color_space_name(h), c.name);
    // A colormap names the space whatever the colour type.
    h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 4));
    EXPECT_EQ(rst_color_space_name(h), "Index Color");
  }
}
