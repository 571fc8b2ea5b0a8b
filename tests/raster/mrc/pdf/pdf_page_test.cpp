// Reading a page through the PDF reader core: page set-up (boxes, rotation,
// the header record), the contents runner, the thumbnail record, and the
// content interpreter's operators, colour spaces and image records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pdf_encoders.h"
#include "pdf_page_support.h"
#include "raster/mrc/pdf/pdf_error.h"

using namespace pdf_test;

namespace {

constexpr float k = kPdfDeviceScale;

float as_float(uint32_t w) {
  float f;
  std::memcpy(&f, &w, 4);
  return f;
}

const char kMask8[] = " /ImageMask true /Width 8 /Height 8 /BitsPerComponent 1";
const char kGray1[] = " /Width 8 /Height 8 /BitsPerComponent 1 /ColorSpace /DeviceGray";
const char kDctRgb[] = " /Width 8 /Height 8 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode";
const std::string kEight(8, '\x5A');

// A page of 612 x 792 points whose resources name one image /Im and, when
// given, colour spaces; the content runs as one stream.
std::string image_page(const std::string& content, const std::string& image_entries, const std::string& data = kEight,
                       const std::string& color_spaces = "", const std::string& page_entries = "") {
  PageBuilder b;
  int im = b.image(image_entries, data);
  int c = b.content(content);
  std::string resources = "<< /XObject << /Im " + ref(im) + " >>" +
                          (color_spaces.empty() ? "" : " /ColorSpace << " + color_spaces + " >>") + " >>";
  b.page("/MediaBox [0 0 612 792] /Resources " + resources + " /Contents " + ref(c) + " " + page_entries);
  return b.finish();
}

}  // namespace

TEST(PdfPageSetUp, BoxesRotationAndHeader) {
  struct Row {
    const char* entries;
    int32_t code;
    uint32_t width, height;
    int32_t rotate_word;
  };
  const Row rows[] = {
      {"/MediaBox [0 0 612 792]", 0, 5099, 6599, -1},
      {"/MediaBox [0 0 612 792] /Rotate 270", 0, 5099, 6599, 270},
      {"/MediaBox [0 0 612 792] /Rotate -90", 0, 5099, 6599, -90},
      {"/MediaBox [0 0 612 792] /Rotate 450", 0, 5099, 6599, 450},
      {"/MediaBox [0 0 612 792] /Rotate 45", PdfError::rotation, 0, 0, 0},
      {"/MediaBox [0 0 612 792] /CropBox [10 10 600 780]", 0, 4916, 6416, -1},
      {"/MediaBox [0 0 612 792] /CropBox [700 0 800 792]", PdfError::range, 0, 0, 0},
      {"/MediaBox [0 0 0 792]", PdfError::range, 0, 0, 0},
      {"/CropBox [0 0 10 10]", PdfError::missing, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.entries);
    PageBuilder b;
    b.page(std::string(r.entries) + " /Resources << >>");
    PageList p = read_page(b.finish());
    ASSERT_EQ(p.code, r.code);
    if (r.code != 0) continue;
    EXPECT_EQ(p.header[0], 0x746D692Eu);
    EXPECT_EQ(p.header[1], 0x10000u);
    EXPECT_EQ(p.header[2], r.width);
    EXPECT_EQ(p.header[3], r.height);
    EXPECT_EQ(p.header[4], 600u);
    EXPECT_EQ(p.header[5], 600u);
    EXPECT_EQ(p.header[6], 1u);
    EXPECT_EQ(int32_t(p.header[7]), r.rotate_word);
    // No contents: the header and the end record only.
    EXPECT_TRUE(p.records.empty());
    EXPECT_EQ(p.end_tag, kPdfEndTag);
    EXPECT_EQ(p.end_count, 1u);
  }
}

TEST(PdfPageSetUp, CropBoxOriginMapsToTheDeviceOrigin) {
  // The image covers the crop box (10, 10, 600, 780) exactly.
  std::string doc = image_page("q 590 0 0 770 10 10 cm /Im Do Q", kDctRgb, kEight, "", "/CropBox [10 10 600 780]");
  PageList p = read_page(doc);
  ASSERT_EQ(p.code, 0);
  EXPECT_FLOAT_EQ(p.width_points, 590.0f);
  EXPECT_FLOAT_EQ(p.height_points, 770.0f);
  ASSERT_EQ(p.records.size(), 1u);
  EXPECT_EQ(int32_t(p.records[0][22]), 0);
  EXPECT_EQ(int32_t(p.records[0][23]), 6416);
  EXPECT_NEAR(as_float(p.records[0][18]), 590 * k, 0.01);
  EXPECT_NEAR(as_float(p.records[0][21]), -770 * k, 0.01);
}

TEST(PdfPageSetUp, MissingPiecesAndPageNumbers) {
  PageBuilder b;
  b.page("/MediaBox [0 0 100 100]");  // no Resources
  b.page("/MediaBox [0 0 100 100] /Resources << >> /Contents 99 0 R");
  std::string doc = b.finish();
  EXPECT_EQ(read_page(doc, 1).code, PdfError::missing);
  EXPECT_EQ(read_page(doc, 2).code, PdfError::missing);  // contents not in the table
  // Page numbers outside 1 to the page count are refused.
  EXPECT_EQ(read_page(doc, 3).code, PdfError::range);
  EXPECT_EQ(read_page(doc, 0).code, PdfError::range);
}

TEST(PdfPageSetUp, AnnotationsSaveTheStateOnce) {
  std::string nineteen;
  for (int i = 0; i < 19; ++i) nineteen += "q ";
  EXPECT_EQ(read_page(image_page(nineteen, kDctRgb)).code, 0);
  EXPECT_EQ(read_page(image_page(nineteen, kDctRgb, kEight, "", "/Annots []")).code, PdfError::overflow);
}

TEST(PdfContents, ArraysSkipNonStreamsAndCarryOperationsAcrossStreams) {
  PageBuilder b;
  int im = b.image(kDctRgb, kEight);
  int c1 = b.content("q 2 0 0 ");
  int c2 = b.content("2 0 0 cm /Im Do Q");
  int c3 = b.content("q 1 0 0 1 0 0 cm /Im Do Q");
  int not_stream = b.w.add("42");
  std::string res = "/Resources << /XObject << /Im " + ref(im) + " >> >>";
  b.page("/MediaBox [0 0 612 792] " + res + " /Contents [" + ref(c1) + " " + ref(c2) + "]");
  b.page("/MediaBox [0 0 612 792] " + res + " /Contents [" + ref(c3) + " " + ref(not_stream) + " null " + ref(c3) +
         "]");
  b.page("/MediaBox [0 0 612 792] " + res + " /Contents 42");
  std::string doc = b.finish();
  PageList split = read_page(doc, 1);
  ASSERT_EQ(split.code, 0);
  ASSERT_EQ(split.records.size(), 1u);
  EXPECT_FLOAT_EQ(as_float(split.records[0][18]), 2 * k);
  EXPECT_FLOAT_EQ(as_float(split.records[0][21]), -2 * k);
  PageList skipped = read_page(doc, 2);
  ASSERT_EQ(skipped.code, 0);
  EXPECT_EQ(skipped.records.size(), 2u);
  EXPECT_EQ(skipped.end_count, 3u);
  EXPECT_EQ(read_page(doc, 3).code, PdfError::type);
}

TEST(PdfContent, ImageRecordOfAScanPlacedByCm) {
  PageList p = read_page(image_page("q 2480 0 0 3508 0 0 cm /Im Do Q", kDctRgb));
  ASSERT_EQ(p.code, 0);
  ASSERT_EQ(p.records.size(), 1u);
  const auto& r = p.records[0];
  EXPECT_EQ(r[0], 1u);
  EXPECT_EQ(r[5], 8u);
  EXPECT_EQ(r[6], 8u);
  EXPECT_EQ(r[7], 1u);
  EXPECT_EQ(r[8], 32u);
  EXPECT_EQ(r[9], 32u);
  EXPECT_EQ(r[16], 8u);
  EXPECT_FLOAT_EQ(as_float(r[18]), 2480 * k);
  EXPECT_EQ(as_float(r[19]), 0.0f);
  EXPECT_EQ(as_float(r[20]), 0.0f);
  EXPECT_FLOAT_EQ(as_float(r[21]), -3508 * k);
  EXPECT_EQ(int32_t(r[22]), 0);
  EXPECT_EQ(int32_t(r[23]), int32_t(k * 792.0f));
  EXPECT_EQ(p.end_count, 2u);
}

TEST(PdfContent, DataOffsetAndLengthAreTheStreamsBytes) {
  PageBuilder b;
  int im = b.image(kDctRgb, "0123456789");
  int c = b.content("/Im Do");
  b.page("/MediaBox [0 0 10 10] /Resources << /XObject << /Im " + ref(im) + " >> >> /Contents " + ref(c));
  int64_t offset = b.w.data_offset(im);
  PageList p = read_page(b.finish());
  ASSERT_EQ(p.code, 0);
  ASSERT_EQ(p.records.size(), 1u);
  EXPECT_EQ(p.records[0][17], uint32_t(offset));
  EXPECT_EQ(p.records[0][16], 10u);
}

TEST(PdfContent, OperatorsAndTheirErrors) {
  struct Row {
    std::string content;
    int32_t code;
    int records;
  };
  std::string nineteen, twenty;
  for (int i = 0; i < 19; ++i) nineteen += "q ";
  twenty = nineteen + "q ";
  const std::vector<Row> rows = {
      {"/Im Do", 0, 1},
      {"Q Q /Im Do", 0, 1},  // Q at the bottom does nothing
      {nineteen, 0, 0},
      {twenty, PdfError::overflow, 0},
      {"BT " + twenty + " ET", PdfError::overflow, 0},
      {"BT /F1 12 Tf (Hi) Tj 1 2 Td [(a) 2 (b)] TJ ET /Im Do", 0, 1},
      {"0 0 m", PdfError::unsupported, 0},
      {"BT 0 0 m 10 10 l S ET /Im Do", 0, 1},
      {"BT ) ET", PdfError::syntax, 0},
      {"BT 5 Tj ET", PdfError::type, 0},
      {"BT Tj ET", PdfError::underflow, 0},
      {"BX 1 2 foo EX /Im Do", 0, 1},
      {"foo", PdfError::syntax, 0},
      {"1 2 3 4 5 sc", PdfError::syntax, 0},
      {"1 2 3 4 5 SC", PdfError::syntax, 0},
      {"1 2 sc", PdfError::syntax, 0},
      {"/DeviceCMYK cs", PdfError::missing, 0},  // only gray and RGB are selected by name
      {"[/DeviceCMYK] cs", PdfError::unsupported, 0},
      {"/P0 scn", PdfError::unsupported, 0},
      {"1 0 0 RG", PdfError::unsupported, 0},
      {"0.5 G", PdfError::unsupported, 0},
      {"(x) g", PdfError::type, 0},
      {"/MC0 BMC /Im Do EMC /Tag << /A 1 >> BDC EMC /Tag << >> DP /T MP", 0, 1},
      {"1 0 0 1 0 0 Tm /Im Do", 0, 1},
      {"1 1 1 1 re f", PdfError::unsupported, 0},
      {"/GS0 gs", PdfError::unsupported, 0},
      {"5 Do", PdfError::type, 0},
      {"/Missing Do", PdfError::missing, 0},
      {"1 2 3 4 5 6 cm 7", 0, 0},  // a stray operand at the end is dropped
      {"7 8 1 0 0 1 0 0 cm /Im Do", 0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.content);
    PageList p = read_page(image_page(r.content, kDctRgb));
    EXPECT_EQ(p.code, r.code);
    if (r.code == 0) EXPECT_EQ(int(p.records.size()), r.records);
  }
}

TEST(PdfContent, FillColoursAndColourSpaces) {
  struct Row {
    const char* content;
    const char* spaces;
    int32_t code;
    uint32_t space_word;
    uint32_t r, g, b;
  };
  const char* srgb =
      "/Cal [/CalRGB << /WhitePoint [0.9505 1.0 1.089] /Gamma [2.222 2.222 2.222] /Matrix [0.4124 0.2126 0.0193 "
      "0.3576 0.71519 0.1192 0.1805 0.0722 0.9505] >>]";
  const char* gamma18 =
      "/Cal [/CalRGB << /WhitePoint [0.9505 1.0 1.089] /Gamma [1.8 1.8 1.8] /Matrix [0.4124 0.2126 0.0193 "
      "0.3576 0.71519 0.1192 0.1805 0.0722 0.9505] >>]";
  const char* cal_gray = "/Cal [/CalGray << /WhitePoint [0.9505 1.0 1.089] /Gamma 2.222 >>]";
  const char* cal_gray_no_gamma = "/Cal [/CalGray << /WhitePoint [0.9505 1.0 1.089] >>]";
  const char* cal_gray_black =
      "/Cal [/CalGray << /WhitePoint [0.9505 1.0 1.089] /BlackPoint [0 0.1 0] /Gamma 2.222 >>]";
  const char* lab = "/Cal [/Lab << /WhitePoint [0.9505 1.0 1.089] /Range [-128 127 -128 127] >>]";
  const char* lab_no_white = "/Cal [/Lab << /Range [-128 127 -128 127] >>]";
  const char* icc3 = "/Cal [/ICCBased << /N 3 >>]";
  const char* icc4 = "/Cal [/ICCBased << /N 4 >>]";
  const char* icc_alt = "/Cal [/ICCBased << /N 3 /Alternate /DeviceGray >>]";
  const char* icc_no_n = "/Cal [/ICCBased << /Alternate /DeviceGray >>]";
  const char* sep = "/Cal [/Separation /Spot /DeviceGray 5 0 R]";
  const std::vector<Row> rows = {
      {"1 0 0 rg /Im Do", "", 0, 32, 255, 0, 0},
      {"0.5 g /Im Do", "", 0, 16, 128, 128, 128},
      {"2 g /Im Do", "", 0, 16, 255, 255, 255},
      {"-1 0.25 9 rg /Im Do", "", 0, 32, 0, 64, 255},
      {"1 0 0 rg 0.2 sc /Im Do", "", 0, 16, 51, 51, 51},
      {"0.2 g 0 1 0 sc /Im Do", "", 0, 32, 0, 255, 0},
      {"2 sc /Im Do", "", 0, 16, 254, 254, 254},  // not clamped: 510.5 keeps its low byte
      {"0 0 1 scn /Im Do", "", 0, 32, 0, 0, 255},
      {"0.5 g 1 0 0 SCN /Im Do", "", 0, 32, 128, 128, 128},
      {"/Cal cs 0 1 0 sc /Im Do", srgb, 0, 33, 0, 255, 0},
      {"/Cal cs /Im Do", gamma18, PdfError::unsupported, 0, 0, 0, 0},
      {"/Cal cs 0.5 sc /Im Do", cal_gray, 0, 18, 128, 128, 128},
      {"/Cal cs", cal_gray_no_gamma, PdfError::unsupported, 0, 0, 0, 0},
      {"/Cal cs", cal_gray_black, PdfError::unsupported, 0, 0, 0, 0},
      {"/Cal cs 50 -10 20 sc /Im Do", lab, 0, 36, 127, 118, 148},
      {"/Cal cs", lab_no_white, PdfError::missing, 0, 0, 0, 0},
      {"/Cal cs /Im Do", icc3, 0, 32, 0, 0, 0},
      {"/Cal cs", icc4, PdfError::unsupported, 0, 0, 0, 0},
      {"/Cal cs /Im Do", icc_alt, 0, 16, 0, 0, 0},
      {"/Cal cs", icc_no_n, PdfError::syntax, 0, 0, 0, 0},
      {"/Cal cs /Im Do", sep, 0, 32, 0, 0, 0},  // outside the allowed set: passed over
      {"/DeviceGray cs /Im Do", "", 0, 16, 0, 0, 0},
      {"/Nope cs", "", PdfError::missing, 0, 0, 0, 0},
      {"[/Indexed /DeviceRGB 1 <00>] cs /Im Do", "", 0, 32, 0, 0, 0},
      {"[/DeviceCMYK] cs", "", PdfError::unsupported, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.content);
    SCOPED_TRACE(r.spaces);
    PageList p = read_page(image_page(r.content, kMask8, kEight, r.spaces));
    ASSERT_EQ(p.code, r.code);
    if (r.code != 0) continue;
    ASSERT_EQ(p.records.size(), 1u);
    const auto& w = p.records[0];
    EXPECT_EQ(w[0], 3u);
    EXPECT_EQ(w[9], r.space_word);
    EXPECT_EQ(w[13], r.r);
    EXPECT_EQ(w[14], r.g);
    EXPECT_EQ(w[15], r.b);
  }
}

TEST(PdfContent, ImageKindsMasksAndPolarity) {
  struct Row {
    std::string entries;
    int32_t code;
    int kind;  // 0: no record
    uint32_t compression, space, word10;
  };
  const std::string ccitt = " /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 8 >>";
  const std::string ccitt_b1 = " /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 8 /BlackIs1 true >>";
  const std::string g3 = " /Filter /CCITTFaxDecode /DecodeParms << /K 0 /Columns 8 >>";
  const std::vector<Row> rows = {
      {kGray1, 0, 7, 1, 16, 0},
      {std::string(kGray1) + " /Decode [1 0]", 0, 9, 1, 16, 0},
      {std::string(kGray1) + " /Decode [0 1]", 0, 7, 1, 16, 0},
      {std::string(kGray1) + " /Decode [0 0.5]", PdfError::type, 0, 0, 0, 0},
      {std::string(kGray1) + " /Mask [0 0]", 0, 0, 0, 0, 0},
      {std::string(kGray1) + " /SMask 3 0 R", PdfError::unsupported, 0, 0, 0, 0},
      {std::string(kGray1) + ccitt, 0, 7, 17, 16, 0},
      {std::string(kGray1) + g3, 0, 7, 16, 16, 0},
      {std::string(kGray1) + ccitt_b1, 0, 9, 17, 16, 0},
      {std::string(kGray1) + ccitt_b1 + " /Decode [1 0]", 0, 7, 17, 16, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray", 0, 1, 1, 16, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Decode [1 0]", 0, 1, 1, 16, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Mask 3 0 R", 0, 0, 0, 0, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 4 /ColorSpace /DeviceGray", PdfError::unsupported, 0, 0, 0, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 8", PdfError::missing, 0, 0, 0, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace [/DeviceCMYK]", PdfError::unsupported, 0, 0, 0, 0},
      {" /Width 8 /Height 1 /BitsPerComponent 8 /ColorSpace [/Separation /S /DeviceGray 3 0 R]", PdfError::syntax, 0, 0,
       0, 0},
      {" /Width 0 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray", PdfError::range, 0, 0, 0, 0},
      {" /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray", PdfError::missing, 0, 0, 0, 0},
      // Stencil masks: which delivered bits paint.
      {kMask8, 0, 3, 1, 32, 1},
      {std::string(kMask8) + " /Decode [1 0]", 0, 3, 1, 32, 0},
      {std::string(kMask8) + ccitt, 0, 3, 17, 32, 0},
      {std::string(kMask8) + ccitt + " /Decode [1 0]", 0, 3, 17, 32, 1},
      {std::string(kMask8) + ccitt_b1, 0, 3, 17, 32, 1},
      {std::string(kMask8) + ccitt_b1 + " /Decode [1 0]", 0, 3, 17, 32, 0},
      {std::string(kMask8) + " /ColorSpace /DeviceGray", PdfError::type, 0, 0, 0, 0},
      {" /ImageMask true /Width 8 /Height 8 /BitsPerComponent 8", PdfError::type, 0, 0, 0, 0},
      // Data the canvas could not read from the file as it lies.
      {std::string(kGray1) + " /Filter /FlateDecode", PdfError::unsupported, 0, 0, 0, 0},
      {std::string(kGray1) + " /Filter /ASCIIHexDecode", PdfError::unsupported, 0, 0, 0, 0},
      {std::string(kGray1) + " /Filter /Unknown", PdfError::unsupported, 0, 0, 0, 0},
      {std::string(kGray1) + " /Filter /JBIG2Decode", PdfError::unsupported, 0, 0, 0, 0},
      {std::string(kGray1) + " /Filter [/DCTDecode]", 0, 7, 32, 16, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.entries);
    std::string data = r.entries.find("FlateDecode") != std::string::npos ? flate_encode(kEight) : kEight;
    PageList p = read_page(image_page("/Im Do", r.entries, data));
    ASSERT_EQ(p.code, r.code);
    if (r.code != 0) continue;
    if (r.kind == 0) {
      EXPECT_TRUE(p.records.empty());
      continue;
    }
    ASSERT_EQ(p.records.size(), 1u);
    const auto& w = p.records[0];
    EXPECT_EQ(w[0], uint32_t(r.kind));
    EXPECT_EQ(w[8], r.compression);
    EXPECT_EQ(w[9], r.space);
    EXPECT_EQ(w[10], r.word10);
  }
}

TEST(PdfContent, FormsAndOtherXObjects) {
  PageBuilder b;
  int form = b.stream(" /Type /XObject /Subtype /Form /BBox [0 0 1 1]", "0 0 m");
  int ps = b.stream(" /Type /XObject /Subtype /PS", "");
  int bad_type = b.stream(" /Type /Font /Subtype /Image", "");
  int c1 = b.content("/Fm Do"), c2 = b.content("/Ps Do"), c3 = b.content("/Bad Do"), c4 = b.content("BT /Fm Do ET");
  std::string res = "/Resources << /XObject << /Fm " + ref(form) + " /Ps " + ref(ps) + " /Bad " + ref(bad_type) +
                    " >> >> /MediaBox [0 0 10 10] /Contents ";
  for (int c : {c1, c2, c3, c4}) b.page(res + ref(c));
  std::string doc = b.finish();
  EXPECT_EQ(read_page(doc, 1).code, PdfError::unsupported);
  EXPECT_EQ(read_page(doc, 2).code, 0);
  EXPECT_EQ(read_page(doc, 3).code, PdfError::type);
  EXPECT_EQ(read_page(doc, 4).code, 0);
}

TEST(PdfContent, ThumbnailsAreRecordedWhenTheCanvasCouldReadThem) {
  struct Row {
    std::string entries;
    std::string data;
    int32_t code;
    int kind;
  };
  const std::string rgb = " /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB";
  const std::vector<Row> rows = {
      {rgb, std::string(12, 'x'), 0, 6},
      {" /Width 16 /Height 2 /BitsPerComponent 1 /ColorSpace /DeviceGray", "abcd", 0, 8},
      {rgb + " /Filter /FlateDecode", flate_encode(std::string(12, 'x')), 0, 0},
      {rgb + " /Filter /DCTDecode", "jpeg", 0, 6},
      {" /Width 2 /Height 2 /BitsPerComponent 4 /ColorSpace /DeviceRGB", "xx", 0, 0},
      {" /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace [/DeviceCMYK]", "xx", PdfError::unsupported, 0},
      {" /Width 2 /Height 2 /BitsPerComponent 8", "xx", PdfError::missing, 0},
      {" /Width 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB", "xx", PdfError::missing, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.entries);
    PageBuilder b;
    int thumb = b.stream(r.entries, r.data);
    int im = b.image(kDctRgb, kEight);
    int c = b.content("/Im Do");
    b.page("/MediaBox [0 0 10 10] /Thumb " + ref(thumb) + " /Resources << /XObject << /Im " + ref(im) +
           " >> >> /Contents " + ref(c));
    PageList p = read_page(b.finish());
    ASSERT_EQ(p.code, r.code);
    if (r.code != 0) continue;
    ASSERT_EQ(p.records.size(), r.kind ? 2u : 1u);
    if (r.kind) {
      EXPECT_EQ(p.records[0][0], uint32_t(r.kind));
      EXPECT_EQ(as_float(p.records[0][18]), 0.0f);
      EXPECT_EQ(p.records[0][22], 0u);
    }
    EXPECT_EQ(p.records.back()[0], 1u);
  }
  // "Thumb" must be a reference to a stream.
  PageBuilder b;
  b.page("/MediaBox [0 0 10 10] /Thumb << >> /Resources << >>");
  EXPECT_EQ(read_page(b.finish()).code, PdfError::type);
}

TEST(PdfContent, TheOperatorTableHoldsEveryOperatorOnce) {
  int32_t count = 0;
  const PdfOperatorEntry* table = pdf_content_operators(&count);
  ASSERT_EQ(count, 73);
  for (int32_t i = 0; i < count; ++i)
    for (int32_t j = i + 1; j < count; ++j) EXPECT_STRNE(table[i].name, table[j].name);
}
