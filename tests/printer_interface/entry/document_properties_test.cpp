// Document properties without a sheet: the size answers, the printer's
// DEVMODE with the caller's merged in, the inputs that are ignored, the
// modes that fail, and headers shorter than their record.
#include <cstring>
#include <memory>
#include <vector>

#include "printer_interface/entry/document_properties.h"
#include "printer_interface/interface_fixture.h"
#include "settings/devmode/printer_default_devmode.h"

namespace pk::test {
namespace {

using Bytes = std::vector<uint8_t>;

class DocumentPropertiesTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    DeviceModel* model = OpenDeviceModel(printer_);
    ASSERT_NE(model, nullptr);
    printerDevMode_.assign(kDriverDevModeSize, 0);
    LONG length = kDriverDevModeSize;
    int converted = 0;
    PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer_, model, printerDevMode_.data(), &length, &converted);
    ASSERT_NE(info, nullptr);
    GlobalFree(info);
    CloseDeviceModel(model);
    output_.assign(kDriverDevModeSize, 0xAB);
  }
  DEVMODEW* out() { return reinterpret_cast<DEVMODEW*>(output_.data()); }
  LONG Properties(DEVMODEW* input, DWORD fMode) {
    return DrvDocumentProperties(nullptr, printer_, const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), out(), input, fMode);
  }
  WORD Copies() const {
    WORD copies = 0;
    std::memcpy(&copies, output_.data() + offsetof(DEVMODEW, dmCopies), 2);
    return copies;
  }
  Bytes InputWithCopies(short copies) {
    Bytes input = devMode_;
    std::memcpy(input.data() + offsetof(DEVMODEW, dmCopies), &copies, 2);
    return input;
  }

  Bytes printerDevMode_;
  Bytes output_;
};

TEST_F(DocumentPropertiesTest, SizeAnswersTouchNothing) {
  const Bytes untouched = output_;
  EXPECT_EQ(Properties(dm(), 0), 2628);
  EXPECT_EQ(output_, untouched);
  EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, nullptr, nullptr, dm(), DM_COPY), 2628);
  EXPECT_EQ(DrvAdvancedDocumentProperties(nullptr, printer_, nullptr, nullptr, dm()), 2628);
}

TEST_F(DocumentPropertiesTest, CopyGivesThePrinterDevModeWithTheCallersMerged) {
  EXPECT_EQ(Properties(nullptr, DM_COPY), IDOK);
  EXPECT_EQ(output_, printerDevMode_);

  Bytes input = InputWithCopies(3);
  output_.assign(kDriverDevModeSize, 0xAB);
  EXPECT_EQ(Properties(reinterpret_cast<DEVMODEW*>(input.data()), DM_COPY | DM_IN_BUFFER), IDOK);
  EXPECT_EQ(Copies(), 3);
  output_.assign(kDriverDevModeSize, 0xAB);
  EXPECT_EQ(Properties(reinterpret_cast<DEVMODEW*>(input.data()), DM_UPDATE), IDOK);
  EXPECT_EQ(Copies(), 3);
}

// Inputs that are not taken: another driver's DEVMODE, and any input of the
// printing preferences.
TEST_F(DocumentPropertiesTest, IgnoredInputsLeaveThePrinterDevMode) {
  // A DEVMODE of an earlier layout (156 public bytes) from another driver.
  Bytes foreign(kPublicDevModeSize, 0);
  std::memcpy(foreign.data(), devMode_.data(), kPublicDevModeSize);
  auto* f = reinterpret_cast<DEVMODEW*>(foreign.data());
  f->dmSize = 156;
  f->dmDriverExtra = 0;
  f->dmDriverVersion = 0x0123;
  f->dmCopies = 5;
  EXPECT_EQ(Properties(f, DM_COPY), IDOK);
  EXPECT_EQ(output_, printerDevMode_);

  Bytes input = InputWithCopies(3);
  output_.assign(kDriverDevModeSize, 0xAB);
  EXPECT_EQ(Properties(reinterpret_cast<DEVMODEW*>(input.data()), DM_COPY | DM_USER_DEFAULT), IDOK);
  EXPECT_EQ(output_, printerDevMode_);
}

TEST_F(DocumentPropertiesTest, ModesThatCannotBeAnswered) {
  const Bytes untouched = output_;
  // Neither an update nor a copy asked for.
  EXPECT_EQ(Properties(dm(), DM_IN_BUFFER), -1);
  // A sheet the common property sheet UI cannot show.
  EXPECT_EQ(Properties(dm(), DM_COPY | DM_PROMPT), -1);
  EXPECT_EQ(output_, untouched);
  EXPECT_EQ(DrvAdvancedDocumentProperties(nullptr, printer_, nullptr, out(), dm()), 0);
  EXPECT_EQ(output_, untouched);
}

TEST_F(DocumentPropertiesTest, PropertySheetsWithoutSheetInformation) {
  EXPECT_EQ(DrvDocumentPropertySheets(nullptr, 0), -1);
  DOCUMENTPROPERTYHEADER header{sizeof(DOCUMENTPROPERTYHEADER), 0, printer_, nullptr, nullptr, out(), 0, DM_COPY};
  EXPECT_EQ(DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1);
  EXPECT_EQ(header.cbOut, 2628u);
  EXPECT_EQ(output_, printerDevMode_);
  header.fMode = 0;
  header.cbOut = 0;
  EXPECT_EQ(BuildOutputDevMode(&header), 2628);
  EXPECT_EQ(header.cbOut, 2628u);
  EXPECT_EQ(LoadCommonPropertySheetUI(nullptr, nullptr, 0, nullptr), -1);
}

// A caller's header shorter than the record is refused without reading past
// its end (the fields after cbSize would lie outside the 24 bytes).
TEST_F(DocumentPropertiesTest, ShortHeaderIsRefused) {
  for (WORD size : {WORD(24), WORD(47), WORD(0)}) {
    std::unique_ptr<uint8_t[]> shortHeader(new uint8_t[24]());
    std::memcpy(shortHeader.get(), &size, sizeof size);
    auto* header = reinterpret_cast<PDOCUMENTPROPERTYHEADER>(shortHeader.get());
    EXPECT_EQ(DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(header)), -1) << size;
    EXPECT_EQ(BuildOutputDevMode(header), -1) << size;
    EXPECT_EQ(RunDocumentProperties(nullptr, header), -1) << size;
  }
}

}  // namespace
}  // namespace pk::test
