// Create-DC and reset-DC: the DEVMODE with the paper margin record appended,
// handed out at the PRE event and freed at the POST event, and every DEVMODE
// that is not the driver's own passed through untouched.
#include "event_fixture.h"

namespace pk::test {
namespace {

using CreateDcTest = EventTest;

TEST_F(CreateDcTest, MarginsOffPassesThrough) {
  Set(devMode_, 387, 0);
  EXPECT_EQ(CreateDcPre(dm()), nullptr);
  EXPECT_EQ(LiveEventDevModes(), 0u);
}

TEST_F(CreateDcTest, MarginsOnHandsOutTheDevModeWithItsRecordAndPostFreesIt) {
  Set(devMode_, 387, 1);
  const SIZE_T blocks = seams::GlobalLiveBlocks();
  DEVMODEW* out = CreateDcPre(dm());
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(LiveEventDevModes(), 1u);
  EXPECT_EQ(GlobalSize(GlobalHandle(out)), kEventDevModeSize);
  EXPECT_EQ(out->dmSize, kPublicDevModeSize);
  EXPECT_EQ(out->dmDriverExtra, 2418);
  // Everything else of the driver's DEVMODE is the application's.
  std::vector<uint8_t> copy(reinterpret_cast<uint8_t*>(out), reinterpret_cast<uint8_t*>(out) + kDriverDevModeSize);
  reinterpret_cast<DEVMODEW*>(copy.data())->dmDriverExtra = kDevModePrivateSize;
  EXPECT_EQ(copy, devMode_);
  const PaperMarginRecord r = RecordAt(reinterpret_cast<BYTE*>(out) + kDriverDevModeSize);
  EXPECT_EQ(r.paperCode, static_cast<uint16_t>(dm()->dmPaperSize));
  EXPECT_EQ(std::vector<int>({r.left, r.right, r.top, r.bottom}), std::vector<int>(4, 46));

  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPOST, nullptr, sizeof out, &out), 1);
  EXPECT_EQ(LiveEventDevModes(), 0u);
  // The margin store's key path and model texts leave nothing behind either.
  EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
}

// Only the driver's own DEVMODE is read; a public-only DEVMODE lies at the
// end of its allocation, so a read past it would be caught.
TEST_F(CreateDcTest, ForeignDevModesPassThroughUnread) {
  Set(devMode_, 387, 1);
  std::vector<uint8_t> publicOnly(devMode_.begin(), devMode_.begin() + kPublicDevModeSize);
  reinterpret_cast<DEVMODEW*>(publicOnly.data())->dmDriverExtra = 0;
  EXPECT_EQ(CreateDcPre(reinterpret_cast<DEVMODEW*>(publicOnly.data())), nullptr);

  const struct {
    const char* what;
    WORD size, extra, driverVersion;
  } cases[] = {
      {"bigger public part", 224, kDevModePrivateSize, 0},
      {"short private part", kPublicDevModeSize, kDevModePrivateSize - 1, 0},
      {"another driver version", kPublicDevModeSize, kDevModePrivateSize, 0x3203},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes(devMode_);
    bytes.resize(size_t(c.size) + c.extra, 0);
    auto* d = reinterpret_cast<DEVMODEW*>(bytes.data());
    d->dmSize = c.size;
    d->dmDriverExtra = c.extra;
    if (c.driverVersion) d->dmDriverVersion = c.driverVersion;
    EXPECT_EQ(CreateDcPre(d), nullptr);
  }
  // Sizes that cannot hold the input or the output: as without a DEVMODE.
  DOCEVENT_CREATEDCPRE pre{nullptr, nullptr, dm(), FALSE};
  DEVMODEW* out = nullptr;
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPRE, nullptr, sizeof pre - 1, &pre, sizeof out, &out), 1);
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPRE, nullptr, sizeof pre, &pre, sizeof out - 1, &out), 1);
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPRE, nullptr, sizeof pre, &pre, sizeof out, nullptr), 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(LiveEventDevModes(), 0u);
}

// Reset-DC with the DEVMODE create-DC handed out: the new copy declares
// exactly the bytes it holds.
TEST_F(CreateDcTest, ResetDcOfAHandedOutDevModeKeepsItsSize) {
  Set(devMode_, 387, 1);
  StoreMargins(static_cast<WORD>(dm()->dmPaperSize), 11, 22, 33, 44);
  DEVMODEW* first = CreateDcPre(dm());
  ASSERT_NE(first, nullptr);
  DEVMODEW* second = nullptr;
  EXPECT_EQ(Event(DOCUMENTEVENT_RESETDCPRE, nullptr, sizeof first, &first, sizeof second, &second), 1);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(second->dmDriverExtra, 2418);
  EXPECT_EQ(GlobalSize(GlobalHandle(second)), kEventDevModeSize);
  const PaperMarginRecord r = RecordAt(reinterpret_cast<BYTE*>(second) + kDriverDevModeSize);
  EXPECT_EQ(std::vector<int>({r.paperCode, r.left, r.right, r.top, r.bottom}),
            std::vector<int>({dm()->dmPaperSize, 33, 44, 11, 22}));
  EXPECT_EQ(LiveEventDevModes(), 2u);
  EXPECT_EQ(Event(DOCUMENTEVENT_RESETDCPOST, nullptr, sizeof second, &second), 1);
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPOST, nullptr, sizeof first, &first), 1);
  EXPECT_EQ(LiveEventDevModes(), 0u);
}

// POST frees only what PRE handed out: an application's own DEVMODE of the
// same shape stays the application's.
TEST_F(CreateDcTest, PostLeavesAnApplicationsDevModeAlone) {
  Set(devMode_, 387, 1);
  auto* own = static_cast<BYTE*>(GlobalAlloc(GPTR, kEventDevModeSize));
  ASSERT_NE(own, nullptr);
  std::memcpy(own, devMode_.data(), kDriverDevModeSize);
  reinterpret_cast<DEVMODEW*>(own)->dmDriverExtra = 2418;
  const SIZE_T blocks = seams::GlobalLiveBlocks();
  DEVMODEW* pointer = reinterpret_cast<DEVMODEW*>(own);
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPOST, nullptr, sizeof pointer, &pointer), 1);
  EXPECT_EQ(Event(DOCUMENTEVENT_RESETDCPOST, nullptr, sizeof pointer, &pointer), 1);
  EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
  own[kDriverDevModeSize] = 1;  // still the application's to use
  GlobalFree(own);
  DEVMODEW* none = nullptr;
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPOST, nullptr, sizeof none, &none), 1);
  EXPECT_EQ(Event(DOCUMENTEVENT_CREATEDCPOST, nullptr, 0, nullptr), 1);
}

// On a form of the user's own the DEVMODE record carries the form number and
// the page-start record the model's paper code.
TEST_F(CreateDcTest, CustomPaperRecordsCarryDifferentPaperNumbers) {
  const DWORD form = AddUserForm(u"User defined size 2", 1000, 1500);
  Set(devMode_, 387, 1);
  Set(devMode_, 8, form);
  DEVMODEW* out = CreateDcPre(dm());
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(RecordAt(reinterpret_cast<BYTE*>(out) + kDriverDevModeSize).paperCode, form);
  Event(DOCUMENTEVENT_CREATEDCPOST, nullptr, sizeof out, &out);

  ScriptedDc dc;
  dc.Answer(ESC_GET_DEVMODE, Working());
  dc.Answer(ESC_SET_PAPER_MARGINS, {});
  dc.AnswerWith(ESC_GET_PAGE_COUNT, uint32_t{1});
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTPAGE, dc.hdc()), 1);
  EXPECT_EQ(RecordAt(dc.InputOf(ESC_SET_PAPER_MARGINS).data()).paperCode, 263);
}

}  // namespace
}  // namespace pk::test
