// Global blocks, OEM lines, the grey conversion and the device model reads of
// the graphics driver, on writer-made models and on the default printer.
#include <cstring>

#include "graphics_driver/core/driver_helpers.h"
#include "models/writer/ddd_writer.h"
#include "pdev_fixture.h"
#include "platform/win/win_file.h"
#include "platform/win/win_memory.h"

namespace {

using pk::test::PdevTest;

TEST_F(PdevTest, GlobalBlocksAndTexts) {
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, 100));
  for (int i = 0; i < 100; ++i) block[i] = BYTE(i + 1);
  auto* smaller = static_cast<BYTE*>(ReallocGlobalBlock(block, 100, 40));
  ASSERT_NE(smaller, nullptr);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(smaller[i], i + 1);
  auto* larger = static_cast<BYTE*>(ReallocGlobalBlock(smaller, 40, 100));
  ASSERT_NE(larger, nullptr);
  EXPECT_EQ(larger[39], 40);
  EXPECT_EQ(larger[40], 0);
  EXPECT_EQ(larger[99], 0);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(ReallocGlobalBlock(larger, 100, 200), nullptr);
  EXPECT_EQ(larger[0], 1);  // the old block is kept
  EXPECT_EQ(DiscardGlobalBlock(larger), 1);

  WCHAR* lines[2] = {};
  int count = 0;
  std::string long_text(200, 'a');
  ASSERT_EQ(AddOemLine(long_text.c_str(), 200, lines, &count), 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(std::u16string(lines[0]), std::u16string(127, u'a'));
  GlobalFree(lines[0]);

  WCHAR bounded[4];
  CopyWideBounded(bounded, u"ABCDE", 4);
  EXPECT_EQ(std::u16string(bounded), u"ABC");

  const BYTE bgr[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 128, 128, 128};
  BYTE gray[4] = {};
  BgrToInvertedGray(bgr, gray, 2, 2);
  EXPECT_EQ(std::vector<BYTE>(gray, gray + 4), (std::vector<BYTE>{179, 105, 228, 127}));
}

TEST_F(PdevTest, WriterMadeModels) {
  struct Case {
    uint32_t fax;
    int expected;
  } cases[] = {{0, 1}, {1, 2}, {5, 0}};
  for (const Case& c : cases) {
    ddd::ModelWriter w;
    w.modelName = "Helpers";
    w.SetField(23, {c.fax});
    std::vector<std::u16string> files = {u"a.cvr", u"b.clx", u"c.htn", u"d.dat", u"e.dll", u"f.dll"};
    for (int k = 0; k < 6; ++k)
      w.SetTextField(17 + k, {ddd::Text::Plain(std::string(files[k].begin(), files[k].end()))});
    w.AddRange(5, 5, ddd::Text::Plain("Range"), ddd::Pair{{1, 2}, {3, 4}}, 7, {8, 9}, {21, 22}, 3);
    w.AddPaper(9, ddd::Text::Plain("A4"), 0, ddd::Pair{{2100, 2970}, {2100, 2970}}, {}, {}, 9, 0, 2,
               ddd::Pair{{100, 200}, {3000, 4000}});
    DeviceModel* model = pk::test::LoadWriterModel(w, u"C:\\helpers.ddd");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(IsFaxModel(model->primary, model->secondary), c.expected);
    for (int k = 0; k < 6; ++k) {
      WCHAR* name = nullptr;
      ASSERT_EQ(ReadModelFileName(model->primary, k, &name), 0);
      EXPECT_EQ(std::u16string(name), files[k]);
      GlobalFree(name);
    }
    WCHAR* name = nullptr;
    EXPECT_EQ(ReadModelFileName(model->primary, 6, &name), 1);
    ModelRecord* range = nullptr;
    ASSERT_EQ(LoadModelRecordByKey(true, model->primary, model->secondary, 5, 5, 0, &range), 0);
    const KeyItem* entry = nullptr;
    EXPECT_EQ(GetModelListEntry(range, 1, &entry), 0);
    EXPECT_EQ(entry->key, 8);
    EXPECT_EQ(GetModelListEntry(range, 0, &entry), 1);
    EXPECT_EQ(GetModelListEntry(range, 3, &entry), 2);
    WORD code = 0;
    EXPECT_EQ(GetModelListEntryCode(range, 2, &code), 0);
    EXPECT_EQ(code, 22);
    WORD word = 0;
    EXPECT_EQ(GetListRecordWord(range, &word), 0);
    ModelRecord* paper = nullptr;
    ASSERT_EQ(LoadModelRecordByKey(true, model->primary, model->secondary, 10, 9, 0, &paper), 0);
    EXPECT_EQ(GetPaperRecordCode(paper), 9);
    EXPECT_EQ(GetPaperRecordCode(range), 0);
    EXPECT_EQ(GetFontRecordDataSize(paper), 0u);
    BYTE flag = 0;
    EXPECT_EQ(GetListRecordFlagByte(paper, &flag), 1);  // not a list record
    EXPECT_EQ(GetListRecordFlagByte(range, &flag), 0);
    EXPECT_EQ(flag, 3);
    BYTE kind = 0;
    PointItem minimum{}, maximum{};
    ASSERT_EQ(GetPaperRecordSizeRange(paper, &kind, &minimum, &maximum), 0);
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(maximum.x, 3000);
    DeviceModel* copy = MakeDeviceModelHandle(model->primary, model->secondary);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->primary->data, model->primary->data);
    FreeDeviceModelHandle(copy);
    EXPECT_EQ(MakeDeviceModelHandle(nullptr, model->secondary), nullptr);
    ReleaseModelRecord(range);
    ReleaseModelRecord(paper);
    CloseDeviceModel(model);
  }
}

// Records of files older than format level 512 carry no flag byte and no
// size range.
TEST_F(PdevTest, OldModelsHaveNoFlagByteOrRange) {
  ddd::ModelWriter w;
  w.modelName = "Old";
  w.level = 0x1FF;
  w.AddRange(5, 5, ddd::Text::Plain("Range"), ddd::Pair{{1, 2}, {3, 4}}, 7, {8}, {21}, 3);
  DeviceModel* model = pk::test::LoadWriterModel(w, u"C:\\old.ddd");
  ASSERT_NE(model, nullptr);
  ModelRecord* range = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, model->primary, model->secondary, 5, 5, 0, &range), 0);
  BYTE flag = 0;
  EXPECT_EQ(GetListRecordFlagByte(range, &flag), 1);
  ReleaseModelRecord(range);
  CloseDeviceModel(model);
}

TEST_F(PdevTest, SettingWritesByValue) {
  ASSERT_EQ(SetSettingValueVa(&pdev()->devmode, settings_.data(), 12, 2, 9), kSettingOk);  // 16-bit
  EXPECT_EQ(GetPdevSettingShort(pdev(), 12), 9);
  ASSERT_EQ(SetSettingValueVa(&pdev()->devmode, settings_.data(), 373, 5, 123456), kSettingOk);  // 32-bit
  EXPECT_EQ(GetPdevSettingLong(pdev(), 373), 123456);
}

TEST_F(PdevTest, DefaultPrinterFilesAndFolder) {
  EXPECT_EQ(ReadModelHeaderValue(model_->primary, 10, 2, 0), 8u);  // alignment, 0.1 mm
  WCHAR* folder = GetDriverFolder(printer_);
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(std::u16string(folder), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\");
  GlobalFree(folder);
  const char16_t* names[] = {u"ORVC3600.CVR", u"ORVC3600.CLX", u"ORVC3600.HTN",
                             u"ORVC3600.DAT", u"Orvcolor.dll", u"Orvcomp.dll"};
  for (int k = 0; k < 6; ++k) {
    WCHAR* name = nullptr;
    ASSERT_EQ(ReadModelFileName(model_->primary, k, &name), 0) << k;
    EXPECT_EQ(std::u16string(name), names[k]);
    GlobalFree(name);
  }
  for (int k : {4, 5}) {
    WCHAR* path = GetModelFilePath(printer_, k);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::u16string(path), std::u16string(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\") + names[k]);
    GlobalFree(path);
  }
  EXPECT_EQ(GetModelFilePath(printer_, 6), nullptr);
}

}  // namespace
