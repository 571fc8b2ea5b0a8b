// The colour converter's transform, profile and colour library stages on the
// default printer: the white point stage, one profile used twice and freed
// once, the question asked for a profile that cannot be used and what each
// answer does to the document start, the images through the first
// transform, and the colour library's call protocol over the page image
// list with a recording stand-in and with the real library.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/colour_transforms/icc_test_profiles.h"
#include "graphics_driver/core/driver_helpers.h"
#include "pdev_fixture.h"
#include "platform/outside/colorlib/colour_data_file.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_module.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_path.h"

namespace {

namespace fs = std::filesystem;
using pk::test::PdevTest;
using Settings = std::vector<std::pair<SettingId, int64_t>>;

const std::u16string kCaption = u"警告";
const std::u16string kFallback = u"ICCプロファイルが使用できません。\n色補正を実施せず印刷処理を続行します。";

// The host path of a Windows path in the machine root.
std::string HostPath(const std::u16string& windowsPath) {
  std::string host;
  EXPECT_EQ(PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host), 0u);
  return host;
}

// Writes a file into the machine root, replacing (never writing through) a
// link to the build's file.
void PlaceFile(const std::u16string& windowsPath, const std::vector<uint8_t>& bytes) {
  const std::string host = HostPath(windowsPath);
  fs::create_directories(fs::path(host).parent_path());
  fs::remove(host);
  std::ofstream(host, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> GoodProfile() { return pk::test::ScannerProfile(pk::test::Lut16Tag(5, 2, 2)); }

std::vector<uint8_t> ZeroColorantProfile() {
  using namespace pk::test;
  std::vector<IccTag> tags = {{"rXYZ", XyzTag(0, 0, 0)}, {"gXYZ", XyzTag(0, 0, 0)}, {"bXYZ", XyzTag(0, 0, 0)}};
  for (const char* c : {"rTRC", "gTRC", "bTRC"}) tags.push_back({c, GammaTag(2.2)});
  tags.push_back({"wtpt", XyzTag(0.9505, 1, 1.089)});
  return MakeIccProfile("mntr", "RGB ", "XYZ ", tags);
}

class ColourStageTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    live_ = pk::seams::GlobalLiveBlocks();
    Set(293, 2);
    for (SettingId id : {270, 482, 273, 286, 287, 288, 291, 471, 472, 473, 474, 476, 477, 479}) Set(id, 0);
    SetText(289, u"");
    SetText(290, u"");
  }
  void TearDown() override {
    FreeColorConverter(&converter_);
    DrainPageImages(&list_);
    pdev()->pageImages = nullptr;
    pdev()->colorConverter = nullptr;
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_);
    PdevTest::TearDown();
  }
  int Make(const Settings& settings, HMODULE resources = nullptr) {
    for (const auto& [id, value] : settings) Set(id, value);
    FreeColorConverter(&converter_);
    return CreateColorConverter(&converter_, &pdev()->devmode, resources, printer_);
  }
  // Puts a build of the colour library into the driver folder as the name
  // the model gives (Orvcolor).
  void InstallLibrary(const std::string& builtFile) {
    const std::string host = HostPath(std::u16string(PK_DRIVER_FOLDER) + u"Orvcolor.so");
    fs::remove(host);
    fs::copy_file(builtFile, host);
  }
  const char* Log() {
    auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(converter_->library, "FakeClxLog"));
    return log ? log() : "";
  }
  std::string TakeLog() {
    static std::string seen;
    std::string all = Log();
    std::string fresh = all.substr(std::min(all.size(), logMark_));
    logMark_ = all.size();
    return fresh;
  }
  void Answer(const char* name, uint16_t answer) {
    reinterpret_cast<void (*)(const char*, uint16_t)>(GetProcAddress(converter_->library, "FakeClxAnswer"))(name,
                                                                                                            answer);
  }
  // A page image of blue-green-red pixels.
  PageImageEntry* AddImage(const std::vector<BYTE>& bgr, uint16_t width, uint16_t kind = kImageKindRgb,
                           uint16_t bits = 24) {
    HGLOBAL pixels = GlobalAlloc(GMEM_MOVEABLE, bgr.size());
    std::memcpy(GlobalLock(pixels), bgr.data(), bgr.size());
    GlobalUnlock(pixels);
    PageImageDescriptor d{};
    d.width = width;
    d.rows = uint16_t(bgr.size() / 3 / width);
    d.byteSize = uint32_t(bgr.size());
    d.kind = kind;
    d.bitsPerPixel = bits;
    EXPECT_EQ(AppendPageImage(&list_, &d, pixels, nullptr), 0);
    return list_.last;
  }
  static std::vector<BYTE> Pixels(PageImageEntry* entry) {
    auto* p = static_cast<BYTE*>(GlobalLock(entry->pixels));
    std::vector<BYTE> v(p, p + GlobalSize(entry->pixels));
    GlobalUnlock(entry->pixels);
    return v;
  }

  ColorConverter* converter_ = nullptr;
  PageImageList list_{};
  SIZE_T live_ = 0;
  size_t logMark_ = 0;
};

TEST_F(ColourStageTest, WhitePointStage) {
  const int whites[] = {5000, 6500, 9300};
  for (int w = 0; w < 3; ++w)
    for (int g = 0; g < 5; ++g) {
      ASSERT_EQ(Make({{286, 1}, {287, w}, {288, g}}), 0);
      ASSERT_EQ(converter_->firstTransform, &converter_->transformStorage1);
      EXPECT_EQ(converter_->transformStorage1.mode, kTransformMatrix);
      EXPECT_EQ(converter_->transformStorage1.whiteCorrection, whites[w] != 6500);
    }
  // Indexes without a value: flagged, nothing built, nobody asked.
  for (auto [w, g] : {std::pair{3, 0}, {5, 2}, {0, 7}}) {
    ASSERT_EQ(Make({{286, 1}, {287, w}, {288, g}}), 0);
    EXPECT_EQ(converter_->setupFlags, kSetupWhitePoint);
    EXPECT_EQ(converter_->firstTransform, nullptr);
  }
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
}

// With 473 = 1 the second profile is the source one: one table, freed once.
TEST_F(ColourStageTest, ProfileUsedTwiceIsFreedOnce) {
  PlaceFile(u"C:\\Profiles\\good.icc", GoodProfile());
  SetText(289, u"C:\\Profiles\\good.icc");
  ASSERT_EQ(Make({{286, 2}, {471, 1}, {472, 1}, {473, 1}}), 0);
  EXPECT_EQ(converter_->setupFlags, kSetupSourceProfile | kSetupSecondProfile);
  ASSERT_EQ(converter_->sourceTransform, &converter_->transformStorage1);
  EXPECT_EQ(converter_->secondTransform, converter_->sourceTransform);
  EXPECT_EQ(converter_->transformStorage1.mode, kTransformTable);
  // The converter and the table.
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_ + 2);
  EXPECT_EQ(FreeColorConverter(&converter_), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_);

  // 473 = 0: the second profile from 290 into the second storage.
  PlaceFile(u"C:\\Profiles\\second.icc", pk::test::MonitorProfile(pk::test::GammaTag(1.8), 0.9505, 1, 1.089));
  SetText(290, u"C:\\Profiles\\second.icc");
  ASSERT_EQ(Make({{473, 0}}), 0);
  EXPECT_EQ(converter_->secondTransform, &converter_->transformStorage2);
  EXPECT_EQ(converter_->transformStorage2.mode, kTransformMatrix);
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
}

TEST_F(ColourStageTest, ProfileThatCannotBeUsedAsksTheUser) {
  const std::u16string missing = u"C:\\Profiles\\missing.icc";
  SetText(289, missing);
  HMODULE tarquen =
      LoadLibraryExW((std::u16string(PK_DRIVER_FOLDER) + u"Tarquen.vbn").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(tarquen, nullptr);
  pk::seams::QueueMessageBoxAnswer(IDOK);
  ASSERT_EQ(Make({{286, 2}, {471, 1}, {472, 1}, {473, 1}}, tarquen), 0);
  ASSERT_NE(converter_, nullptr);
  EXPECT_EQ(converter_->sourceTransform, nullptr);
  EXPECT_EQ(converter_->secondTransform, nullptr);
  EXPECT_EQ(converter_->setupFlags & (kSetupSourceProfile | kSetupSecondProfile), 0);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text,
            u"The colour profile " + missing + u" cannot be used. Printing goes on without colour correction.");
  EXPECT_EQ(calls[0].caption, kCaption);
  EXPECT_EQ(calls[0].style, UINT(MB_OKCANCEL | MB_ICONINFORMATION));

  // Cancel: the converter is freed and the failure stands; the second
  // profile's failure is -4.
  PlaceFile(u"C:\\Profiles\\good.icc", GoodProfile());
  SetText(289, u"C:\\Profiles\\good.icc");
  SetText(290, missing);
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(Make({{473, 0}}, tarquen), -4);
  EXPECT_EQ(converter_, nullptr);

  // A profile whose colorants are zero: refused, and the job goes on after
  // OK without the stage.
  PlaceFile(u"C:\\Profiles\\zero.icc", ZeroColorantProfile());
  SetText(289, u"C:\\Profiles\\zero.icc");
  pk::seams::QueueMessageBoxAnswer(IDOK);
  ASSERT_EQ(Make({{472, 0}}, tarquen), 0);
  EXPECT_EQ(converter_->sourceTransform, nullptr);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 3u);

  // A module without string 1, or none: the fallback text.
  HMODULE modelStrings = LoadLibraryExW((std::u16string(PK_DRIVER_FOLDER) + u"ORVC3600.vbn").c_str(), nullptr,
                                        DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(modelStrings, nullptr);
  for (HMODULE module : {modelStrings, HMODULE(nullptr)}) {
    pk::seams::QueueMessageBoxAnswer(IDOK);
    ASSERT_EQ(Make({}, module), 0);
    EXPECT_EQ(pk::seams::MessageBoxCalls().back().text, kFallback);
  }
  FreeLibrary(modelStrings);
  FreeLibrary(tarquen);
}

// An image through the first transform and the grey stage equals the
// transform and the grey formula applied by hand.
TEST_F(ColourStageTest, ImagesThroughTheFirstTransform) {
  ASSERT_EQ(Make({{286, 1}, {287, 0}, {288, 3}, {270, 1}}), 0);
  ASSERT_EQ(PrepareImageColor(converter_, &list_, &pdev()->devmode, pdev(), nullptr, 4, 2, 24, 2, 0xCC, 3), 0);
  ASSERT_EQ(converter_->runFlags, kRunFirstTransform | kRunGrey);
  const std::vector<BYTE> image = {0,   0,   255, 10, 200, 30, 255, 255, 255, 250, 250, 250,
                                   128, 128, 128, 0,  0,   0,  40,  90,  160, 255, 0,   0};
  std::vector<BYTE> transformed(image.size());
  ApplyTransform(converter_->firstTransform, image.data(), transformed.data(), 8);
  ASSERT_NE(transformed, image);
  std::vector<BYTE> expected(8), grey(8);
  for (int i = 0; i < 8; ++i) {
    const BYTE* p = &transformed[3 * i];
    expected[i] = BYTE(255 - ((77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8));
  }
  EXPECT_EQ(ConvertImage(converter_, image.data(), grey.data(), 4, 2, nullptr, nullptr, 0, kImageKindRgb, 24), 2);
  EXPECT_EQ(grey, expected);
  // Without grey output the colours are the transform's.
  Set(270, 0);
  ASSERT_EQ(PrepareImageColor(converter_, &list_, &pdev()->devmode, pdev(), nullptr, 4, 2, 24, 2, 0xCC, 3), 0);
  std::vector<BYTE> out(image.size());
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 4, 2, nullptr, nullptr, 0, kImageKindRgb, 24), 1);
  EXPECT_EQ(out, transformed);
}

// ---- The colour library -----------------------------------------------------

class ColourLibraryStageTest : public ColourStageTest {
 protected:
  void SetUp() override {
    ColourStageTest::SetUp();
    InstallLibrary(std::string(PK_FAKE_FOLDER) + "/Whole/Orvcolor.so");
    ASSERT_EQ(Make({{291, 1}}), 0);
    ASSERT_NE(converter_->library, nullptr);
    pdev()->pageImages = &list_;
    pdev()->colorConverter = converter_;
  }
};

TEST_F(ColourLibraryStageTest, BindingLoadsTheModelsDataFile) {
  EXPECT_EQ(converter_->setupFlags, kSetupColorLibrary);
  EXPECT_EQ(converter_->libraryHandle, 0x5A5Au);
  for (FARPROC entry : converter_->libraryEntries) EXPECT_NE(entry, nullptr);
  WCHAR* data = GetModelFilePath(printer_, 1);
  ASSERT_NE(data, nullptr);
  char ansi[520];
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, data, -1, ansi, sizeof ansi, nullptr, nullptr), 0);
  GlobalFree(data);
  EXPECT_EQ(TakeLog(), "Load " + std::string(ansi) + ";");
  EXPECT_NE(std::string(ansi).find("ORVC3600.CLX"), std::string::npos);
  // The release passes no entry and no info.
  auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(converter_->library, "FakeClxLog"));
  ASSERT_NE(log, nullptr);
  pdev()->colorConverter = nullptr;
  ASSERT_EQ(FreeColorConverter(&converter_), 0);
  const std::string all = log();
  EXPECT_EQ(all.substr(logMark_), "Delete 23130 null null;Free 23130;");
}

TEST_F(ColourLibraryStageTest, FlushCallsInProtocolOrder) {
  TakeLog();
  PageImageEntry* a = AddImage({0, 0, 255, 10, 20, 30}, 2);
  PageImageEntry* b = AddImage({100, 100, 100}, 1);
  converter_->runFlags = kRunColorLibrary;
  converter_->libraryMode = 1;
  ASSERT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_EQ(TakeLog(),
            "Begin 23130 1;Param 23130 2x1 0;Param 23130 1x1 100;End 23130;Convert 23130 2x1;Convert 23130 1x1;"
            "Delete 23130 entry info;");
  EXPECT_EQ(Pixels(a), (std::vector<BYTE>{255, 255, 0, 245, 235, 225}));
  EXPECT_EQ(Pixels(b), (std::vector<BYTE>{155, 155, 155}));
  EXPECT_EQ(converter_->runFlags, kRunColorLibrary);

  // Without keep the library stage is off: no call, nothing to do.
  ASSERT_EQ(FlushImageColours(converter_, &list_, 0), 0);
  EXPECT_EQ(TakeLog(), "");
  EXPECT_EQ(converter_->runFlags, 0);
  EXPECT_EQ(Pixels(b), (std::vector<BYTE>{155, 155, 155}));

  // End answering 1: no conversion, the run flag cleared.
  Answer("End", 1);
  converter_->runFlags = kRunColorLibrary;
  ASSERT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_EQ(TakeLog(), "Begin 23130 1;Param 23130 2x1 255;Param 23130 1x1 155;End 23130;Delete 23130 entry info;");
  EXPECT_EQ(converter_->runFlags, 0);
  EXPECT_EQ(Pixels(b), (std::vector<BYTE>{155, 155, 155}));

  // Any other nonzero answer is an error; a failed conversion keeps the pixels.
  Answer("End", 9);
  converter_->runFlags = kRunColorLibrary;
  EXPECT_EQ(FlushImageColours(converter_, &list_, 1), -6);
  Answer("End", 0);
  Answer("Convert", 3);
  EXPECT_EQ(FlushImageColours(converter_, &list_, 1), -6);
  EXPECT_EQ(Pixels(a), (std::vector<BYTE>{255, 255, 0, 245, 235, 225}));
  Answer("Convert", 0);
  // No memory for a conversion's output: -2, the pixels kept.
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(FlushImageColours(converter_, &list_, 1), -2);
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(Pixels(a), (std::vector<BYTE>{255, 255, 0, 245, 235, 225}));
  Answer("Begin", 2);
  TakeLog();
  EXPECT_EQ(FlushImageColours(converter_, &list_, 1), -6);
  EXPECT_EQ(TakeLog(), "Begin 23130 1;");
  Answer("Begin", 0);

  // An empty list: nothing called.
  DrainPageImages(&list_);
  EXPECT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_EQ(TakeLog(), "");
  EXPECT_EQ(FlushImageColours(converter_, nullptr, 1), 0);
}

// The first pass applies the transforms before the library sees the pixels;
// images the stage does not take (not 24-bit RGB) are passed over.
TEST_F(ColourLibraryStageTest, TransformsRunBeforeTheLibrary) {
  ASSERT_EQ(BuildWhitePointTransform(&converter_->transformStorage1, 6500, 10), 0);
  converter_->firstTransform = &converter_->transformStorage1;
  PageImageEntry* a = AddImage({128, 128, 128}, 1);
  PageImageEntry* indexed = AddImage({1, 2, 3}, 3, kImageKindIndexed, 8);
  converter_->runFlags = kRunFirstTransform;
  TakeLog();
  ASSERT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_EQ(TakeLog(), "");
  const auto grey = Pixels(a);
  EXPECT_NEAR(grey[0], 188, 1);
  EXPECT_EQ(Pixels(indexed), (std::vector<BYTE>{1, 2, 3}));
}

TEST_F(ColourLibraryStageTest, PrepareImageColorFlushesOnNewParameters) {
  TakeLog();
  AddImage({1, 2, 3}, 1);
  // New parameters (6): the images go out first (no image output is bound to
  // the page yet, so the entry is dropped and the flush fails), then the
  // library stage is on.
  EXPECT_EQ(PrepareImageColor(converter_, &list_, &pdev()->devmode, pdev(), nullptr, 100, 50, 24, 2, 0xCC, 3), -1);
  EXPECT_EQ(list_.count, 0u);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, kRunColorLibrary);
  EXPECT_EQ(TakeLog(), "");
  // The same size (7) keeps it without a flush.
  AddImage({4, 5, 6}, 1);
  EXPECT_EQ(PrepareImageColor(converter_, &list_, &pdev()->devmode, pdev(), nullptr, 100, 50, 24, 2, 0xCC, 3), 0);
  EXPECT_EQ(list_.count, 1u);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, kRunColorLibrary);
  // An 8-bit image (8) flushes through the library and clears the stage.
  EXPECT_EQ(PrepareImageColor(converter_, &list_, &pdev()->devmode, pdev(), nullptr, 100, 50, 8, 2, 0xCC, 3), -1);
  EXPECT_EQ(list_.count, 0u);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, 0);
  EXPECT_EQ(TakeLog(), "Begin 23130 1;Param 23130 1x1 4;End 23130;Convert 23130 1x1;Delete 23130 entry info;");
}

TEST_F(ColourStageTest, LibraryWithoutAnEntryIsNeverCalled) {
  InstallLibrary(std::string(PK_FAKE_FOLDER) + "/NoConvert/Orvcolor.so");
  ASSERT_EQ(Make({{291, 2}}), 0);
  ASSERT_NE(converter_->library, nullptr);
  EXPECT_EQ(converter_->libraryHandle, 0u);
  EXPECT_EQ(converter_->libraryEntries[6], nullptr);
  EXPECT_STREQ(Log(), "");
  AddImage({1, 2, 3}, 1);
  converter_->runFlags = kRunColorLibrary;
  converter_->libraryMode = 2;
  EXPECT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_STREQ(Log(), "");
  auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(converter_->library, "FakeClxLog"));
  ASSERT_NE(log, nullptr);
  ASSERT_EQ(FreeColorConverter(&converter_), 0);
  EXPECT_STREQ(log(), "");
}

// The real library with a data file whose mode 2 swaps red and blue.
TEST_F(ColourStageTest, RealLibraryConvertsPageImages) {
  std::vector<uint8_t> data;
  ASSERT_TRUE(WriteColourData("mode 1 identity\nmode 2 swap-red-blue\n", &data, nullptr));
  WCHAR* dataPath = GetModelFilePath(printer_, 1);
  ASSERT_NE(dataPath, nullptr);
  PlaceFile(dataPath, data);
  GlobalFree(dataPath);
  ASSERT_EQ(Make({{291, 2}}), 0);
  ASSERT_NE(converter_->libraryHandle, 0u);
  PageImageEntry* entry = AddImage({0, 0, 255, 0, 255, 0}, 2);
  converter_->runFlags = kRunColorLibrary;
  converter_->libraryMode = 2;
  ASSERT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_EQ(Pixels(entry), (std::vector<BYTE>{255, 0, 0, 0, 255, 0}));
  EXPECT_EQ(converter_->runFlags, kRunColorLibrary);
  // Mode 1 is the identity: no conversion needed.
  converter_->libraryMode = 1;
  ASSERT_EQ(FlushImageColours(converter_, &list_, 1), 0);
  EXPECT_EQ(converter_->runFlags, 0);
  EXPECT_EQ(Pixels(entry), (std::vector<BYTE>{255, 0, 0, 0, 255, 0}));
}

// ---- The document start -----------------------------------------------------

class ProfileDocumentTest : public pk::test::DriverTest {
 protected:
  PdevState* Start(int answer, BOOL* started) {
    UseModel();
    PdevState* pdev = Enable();
    EXPECT_NE(pdev, nullptr);
    if (!pdev) return nullptr;
    SetPdev(pdev, 293, 2);
    SetPdev(pdev, 286, 2);
    SetPdev(pdev, 471, 1);
    const WCHAR* name = u"C:\\Profiles\\gone.icc";
    EXPECT_EQ(SetSettingValue(289, &pdev->devmode, pdev->printerSettings, kSettingTypeText,
                              UINT(sizeof u"C:\\Profiles\\gone.icc"), &name),
              kSettingOk);
    pk::seams::QueueMessageBoxAnswer(answer);
    *started = DrvStartDoc(Surface(pdev), const_cast<LPWSTR>(u"doc"), 1);
    return pdev;
  }
};

TEST_F(ProfileDocumentTest, OkPrintsWithoutTheProfile) {
  BOOL started = FALSE;
  PdevState* pdev = Start(IDOK, &started);
  ASSERT_NE(pdev, nullptr);
  EXPECT_TRUE(started);
  ASSERT_NE(pdev->colorConverter, nullptr);
  EXPECT_EQ(pdev->colorConverter->setupFlags & kSetupSourceProfile, 0);
  EXPECT_EQ(pdev->colorConverter->sourceTransform, nullptr);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  // This program sets up no resource module for the driver: the fallback.
  EXPECT_EQ(calls[0].text, kFallback);
  EXPECT_EQ(calls[0].caption, kCaption);
  EXPECT_TRUE(DrvEndDoc(Surface(pdev), 0));
}

TEST_F(ProfileDocumentTest, CancelFailsTheDocumentStart) {
  BOOL started = TRUE;
  PdevState* pdev = Start(IDCANCEL, &started);
  ASSERT_NE(pdev, nullptr);
  EXPECT_FALSE(started);
  EXPECT_EQ(pdev->colorConverter, nullptr);
  EXPECT_EQ(pdev->spoolFile, nullptr);
  EXPECT_EQ(pdev->pipeline.pipelineFlags & kPipelineDocumentOpen, 0u);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
}

}  // namespace
