// The device-font checks: the printer's code of a face with slant and weight
// (from the key of the face's record in a writer-made model), the size limit,
// the font's height through the page transform, and the carriage-return run
// with and without the model's limits.
#include <gtest/gtest.h>

#include "font_fixture.h"
#include "graphics_driver/core/device_font_checks.h"
#include "graphics_driver/core/image_store.h"
#include "models/writer/ddd_writer.h"

namespace {

using ddd::Text;
using ddd::Value;
using pk::test::FontTest;
using pk::test::TrueType;

constexpr PageTransform kIdentity{1, 0, 0, 1, 0, 0};

class DeviceFontChecksTest : public FontTest {
 protected:
  void TearDown() override {
    if (store_) FreeImageStore(store_);
    store_ = nullptr;
    pdev()->imageStore = nullptr;
    if (writerModel_) CloseDeviceModel(writerModel_);
    writerModel_ = nullptr;
    FontTest::TearDown();
  }

  // The PDEV reads a writer-made model: two device-font records with keys
  // 0x0100 and 0x01E0 (weight 14 in bits 4-7), and, when asked, the three
  // features that bound a carriage-return run.
  void UseWriterModel(bool runLimits) {
    ddd::ModelWriter w;
    w.modelName = "Fonts";
    ddd::FontMetrics m;
    m.face = "Orvalis Sans";
    m.family = "Orvalis";
    m.id = "1";
    w.AddDeviceFont(0x0100, Text::Plain("Orvalis Sans"), Text::Plain(""), {}, {}, ddd::BuildFontMetricsBlock(m), 0);
    w.AddDeviceFont(0x01E0, Text::Plain("Orvalis Bold"), Text::Plain(""), {}, {}, ddd::BuildFontMetricsBlock(m), 0);
    if (runLimits) {
      const std::pair<uint16_t, uint16_t> limits[] = {{0x800A, 3}, {0x8008, 2}, {0x8009, 30}};
      for (auto [feature, value] : limits) {
        const uint16_t option = w.AddOption(14, Text::Plain("Limit"), 0, 0, Value::U16(value));
        w.AddFeature(4, feature, Text::Plain("Limit"), 1, 1, {option});
      }
    }
    writerModel_ = pk::test::LoadWriterModel(w, u"C:\\fonts.ddd");
    ASSERT_NE(writerModel_, nullptr);
    pdev()->primaryModelFile = writerModel_->primary;
    pdev()->secondaryModelFile = writerModel_->secondary;
    UseFaces({{u"Orvalis Sans"}, {u"Orvalis Bold"}});
  }

  // An image store whose cached page transform is m.
  void UseTransform(const PageTransform& m) {
    if (!store_) store_ = CreateImageStore(pdev(), 0);
    ASSERT_NE(store_, nullptr);
    pdev()->imageStore = store_;
    ASSERT_EQ(UpdatePageTransform(store_, &m), 0);
  }

  void Resolution(int dpi) {
    pdev()->devmode.devMode.publicPart.dmYResolution = short(dpi);
    pdev()->devmode.devMode.publicPart.dmPrintQuality = short(dpi);
  }

  DeviceModel* writerModel_ = nullptr;
  ImageStore* store_ = nullptr;
};

TEST_F(DeviceFontChecksTest, CodeOfTheFaceWithSlantAndWeight) {
  UseWriterModel(false);
  struct Case {
    const char* what;
    uint32_t face;
    USHORT weight, selection;
    FLONG simulations;
    WORD code;
  };
  const Case cases[] = {
      {"plain", 0, 400, FM_SEL_REGULAR, 0, 0x0100},
      {"simulated italic", 0, 400, FM_SEL_REGULAR, FO_SIM_ITALIC, 0x0108},
      {"italic font", 0, 400, FM_SEL_ITALIC, 0, 0x0108},
      {"real bold", 0, 700, FM_SEL_BOLD, 0, 0x0170},
      {"bold by weight", 0, 700, FM_SEL_REGULAR, 0, 0x0170},
      {"heavy", 0, 900, FM_SEL_BOLD | FM_SEL_ITALIC, 0, 0x0198},
      {"bold selection, light weight", 0, 300, FM_SEL_BOLD, 0, 0x0130},
      {"semibold is no bold", 0, 600, FM_SEL_REGULAR, 0, 0x0100},
      {"weight beyond 1500 stays in its bits", 0, 2000, FM_SEL_BOLD, 0, 0x01F0},
      {"simulated bold", 0, 700, FM_SEL_BOLD, FO_SIM_BOLD, 0x0130},
      {"simulated bold at 14", 1, 400, FM_SEL_REGULAR, FO_SIM_BOLD, 0x01F0},
      {"simulated bold italic at 14", 1, 400, FM_SEL_REGULAR, FO_SIM_BOLD | FO_SIM_ITALIC, 0x01F8},
      {"real bold replaces 14", 1, 700, FM_SEL_BOLD, 0, 0x0170},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetDeviceFontCode(pdev(), Font({u"X", 0, 0x22, c.weight, c.selection, c.simulations}), c.face), c.code)
        << c.what;
}

TEST_F(DeviceFontChecksTest, CodeOfAMissingFaceRecordOrMetricsIsZero) {
  UseWriterModel(false);
  FONTOBJ* font = Font({u"X"});
  // Face indexes outside the faces never reach past the record numbers.
  for (uint32_t face : {2u, 3u, 0xFFFFFFFFu}) EXPECT_EQ(GetDeviceFontCode(pdev(), font, face), 0) << face;
  faceIds_[1] = 9;  // no such record
  EXPECT_EQ(GetDeviceFontCode(pdev(), font, 1), 0);
  faceIds_[1] = 0;
  EXPECT_EQ(GetDeviceFontCode(pdev(), font, 1), 0);
  FONTOBJ* bare = pkgdi::CreateDeviceFont(0, XFORML{1, 0, 0, 1, 0, 0}, nullptr, 0);
  ASSERT_NE(bare, nullptr);
  fonts_.push_back(bare);
  EXPECT_EQ(GetDeviceFontCode(pdev(), bare, 0), 0);
  EXPECT_EQ(GetDeviceFontCode(nullptr, font, 0), 0);
  EXPECT_EQ(GetDeviceFontCode(pdev(), nullptr, 0), 0);
}

TEST_F(DeviceFontChecksTest, SizeLimitInPointsAndWidth) {
  // At 300 dpi: 167 dots are 40 points, 171 dots 41; the widest glyph may
  // take 300 * 5 / 9 = 166 dots.
  Resolution(300);
  struct Case {
    LONG em;
    ULONG cxMax;
    int ok;
  };
  const Case cases[] = {{167, 100, 1}, {171, 100, 0}, {167, 166, 1}, {167, 167, 0}, {10, 0, 1}};
  for (const Case& c : cases) {
    TrueType t{u"X"};
    t.emDots = c.em;
    t.cxMax = c.cxMax;
    EXPECT_EQ(IsDeviceFontSizeOk(pdev(), Font(t)), c.ok) << c.em << " " << c.cxMax;
  }
  // The engine's DejaVu Sans: 40 dots fit, 200 (48 points) do not.
  EXPECT_EQ(IsDeviceFontSizeOk(pdev(), DejaVu(pkgdi::FontFamily::Sans, false, 40)), 1);
  EXPECT_EQ(IsDeviceFontSizeOk(pdev(), DejaVu(pkgdi::FontFamily::Sans, false, 200)), 0);
  // Draft qualities are negative: nothing fits.
  pdev()->devmode.devMode.publicPart.dmPrintQuality = -2;
  EXPECT_EQ(IsDeviceFontSizeOk(pdev(), Font({u"X"})), 0);
  FONTOBJ foreign{};
  EXPECT_EQ(IsDeviceFontSizeOk(pdev(), &foreign), 0);
}

TEST_F(DeviceFontChecksTest, HeightThroughThePageTransform) {
  struct Case {
    PageTransform m;
    LONG height;
  };
  const Case cases[] = {
      {kIdentity, 100},
      {{0.5f, 0, 0, 0.5f, 0, 0}, 50},
      {{0, 1, -1, 0, 300, 0}, 100},  // a quarter turn
      {{0.5f, 0, 0, 2, 0, 0}, 50},   // the smaller axis
      {{0.125f, 0, 0, 0.125f, 0, 0}, 13},
      {{0.12f, 0, 0, 0.12f, 0, 0}, 12},
      {{0, 0, 0, 0, 0, 0}, 0},
      {{1e30f, 0, 0, 1e30f, 0, 0}, INT32_MAX},
  };
  FONTOBJ* font = Font({u"X"});
  for (const Case& c : cases) {
    UseTransform(c.m);
    EXPECT_EQ(GetFontHeightOnPage(pdev(), font), c.height) << c.m.a << " " << c.m.b;
  }
  // The engine's DejaVu font of a 60-dot em.
  UseTransform(kIdentity);
  EXPECT_EQ(GetFontHeightOnPage(pdev(), DejaVu(pkgdi::FontFamily::Serif, false, 60)), 60);
  // No store, or no metrics.
  pdev()->imageStore = nullptr;
  EXPECT_EQ(GetFontHeightOnPage(pdev(), font), 0);
  pdev()->imageStore = store_;
  FONTOBJ foreign{};
  EXPECT_EQ(GetFontHeightOnPage(pdev(), &foreign), 0);
}

TEST_F(DeviceFontChecksTest, CarriageReturnRunWithTheDefaultLimits) {
  UseTransform(kIdentity);
  Set(475, 1);
  struct Case {
    const char* what;
    LONG em;
    LONG widths;
    ULONG count;
    WCHAR character;
    USHORT weight, selection;
    FLONG simulations;
    int ok;
  };
  const Case cases[] = {
      {"a run", 10, -1, 50, 13, 400, FM_SEL_REGULAR, 0, 1},
      {"no widths", 10, 0, 50, 13, 400, FM_SEL_REGULAR, 0, 1},
      {"widths given", 10, 5, 50, 13, 400, FM_SEL_REGULAR, 0, 0},
      {"too few", 10, -1, 49, 13, 400, FM_SEL_REGULAR, 0, 0},
      {"just above the least height", 8, -1, 50, 13, 400, FM_SEL_REGULAR, 0, 1},
      {"the least height", 7, -1, 50, 13, 400, FM_SEL_REGULAR, 0, 0},
      {"just below the greatest height", 15, -1, 50, 13, 400, FM_SEL_REGULAR, 0, 1},
      {"the greatest height", 16, -1, 50, 13, 400, FM_SEL_REGULAR, 0, 0},
      {"a line feed", 10, -1, 50, 10, 400, FM_SEL_REGULAR, 0, 0},
      {"bold", 10, -1, 50, 13, 700, FM_SEL_BOLD, 0, 0},
      {"simulated bold", 10, -1, 50, 13, 400, FM_SEL_REGULAR, FO_SIM_BOLD, 0},
      {"italic is fine", 10, -1, 50, 13, 400, FM_SEL_ITALIC, FO_SIM_ITALIC, 1},
  };
  for (const Case& c : cases) {
    TrueType t{u"X", 0, 0x22, c.weight, c.selection, c.simulations};
    t.emDots = c.em;
    EXPECT_EQ(IsCarriageReturnRunOk(pdev(), Font(t), c.widths, c.count, c.character), c.ok) << c.what;
  }
  TrueType run{u"X"};
  run.emDots = 10;
  FONTOBJ* font = Font(run);
  Set(475, 0);
  EXPECT_EQ(IsCarriageReturnRunOk(pdev(), font, -1, 50, 13), 0);
  Set(475, 1);
  EXPECT_EQ(IsCarriageReturnRunOk(pdev(), font, -1, 50, 13), 1);
  pdev()->imageStore = nullptr;  // no height
  EXPECT_EQ(IsCarriageReturnRunOk(pdev(), font, -1, 50, 13), 0);
}

TEST_F(DeviceFontChecksTest, CarriageReturnRunWithTheModelsLimits) {
  // The model asks for 3 returns at least and a height between 2 and 30.
  UseWriterModel(true);
  UseTransform(kIdentity);
  Set(475, 1);
  struct Case {
    LONG em;
    ULONG count;
    int ok;
  };
  const Case cases[] = {{20, 3, 1}, {20, 2, 0}, {3, 3, 1}, {2, 3, 0}, {29, 50, 1}, {30, 50, 0}};
  for (const Case& c : cases) {
    TrueType t{u"X"};
    t.emDots = c.em;
    EXPECT_EQ(IsCarriageReturnRunOk(pdev(), Font(t), -1, c.count, 13), c.ok) << c.em << " " << c.count;
  }
}

}  // namespace
