// Opening a printer's model through the spooler: the default printer of a
// fresh machine root carries the default model, and any printer's data file
// is what gets loaded.
#include "model_fixture.h"
#include "platform/spooler/spooler_admin.h"

namespace {

using pk::test::ModelTest;
using pk::test::Wide;

class PrinterModelTest : public ModelTest {
 protected:
  HANDLE Open(const char16_t* name) {
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterW(name, &printer, nullptr)) << GetLastError();
    return printer;
  }
};

TEST_F(PrinterModelTest, DefaultPrinterCarriesTheDefaultModel) {
  HANDLE printer = Open(PK_DEFAULT_PRINTER_NAME);
  ASSERT_NE(printer, nullptr);
  WCHAR* path = GetModelDataFileName(printer);
  EXPECT_EQ(Wide(path), std::u16string(PK_DRIVER_FOLDER) + u"ORVC3600.DDD");
  GlobalFree(path);

  SIZE_T before = pk::seams::GlobalLiveBlocks();
  for (int round = 0; round < 2; ++round) {
    DeviceModel* model = OpenDeviceModel(printer);
    ASSERT_NE(model, nullptr);
    ModelRecord* r = nullptr;
    ASSERT_EQ(ReadFileInfoRecord(model->primary, &r), 0);
    EXPECT_EQ(Wide(static_cast<FileInfoRecord*>(r)->modelName), u"Orvalis C3600 Colour");
    ReleaseModelRecord(r);
    EXPECT_EQ(GetLastModelLevel(), 0x300u);
    EXPECT_EQ(CloseDeviceModel(model), 1);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  }
  ClosePrinter(printer);
}

TEST_F(PrinterModelTest, PrinterWithAnotherDataFile) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.modelName = "Other";
  std::vector<uint8_t> bytes, none;
  w.Build(&bytes, &none);
  pk::test::WriteWindowsFile(u"C:\\models\\other.ddd", bytes);
  ASSERT_EQ(pk::spooler::AddPrinter(u"Other printer", u"C:\\models\\other.ddd"), 0u);
  ASSERT_EQ(pk::spooler::AddPrinter(u"Broken printer", u"C:\\models\\absent.ddd"), 0u);
  HANDLE printer = Open(u"Other printer");
  DeviceModel* model = OpenDeviceModel(printer);
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->primary->size, bytes.size());
  CloseDeviceModel(model);
  ClosePrinter(printer);

  SIZE_T before = pk::seams::GlobalLiveBlocks();
  printer = Open(u"Broken printer");
  EXPECT_EQ(OpenDeviceModel(printer), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  ClosePrinter(printer);
  EXPECT_EQ(OpenDeviceModel(nullptr), nullptr);
  EXPECT_EQ(GetModelDataFileName(nullptr), nullptr);
}

}  // namespace
