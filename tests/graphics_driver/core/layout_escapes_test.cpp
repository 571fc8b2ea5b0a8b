// The application layout escapes on PDEVs made by DrvEnablePDEV, with the
// feature level and switch A stored in the printer's settings (1308, 1028,
// 775) and switch B from the model: the mode and the feature query, the
// feature table, page collection control, the duplex and pages-per-sheet
// overrides, packet sequencing, packet images as the image output hook
// receives them, and packets that lie about their size. Blocks are held at
// exactly the size the call states, so that a read or write past them
// shows under ASan.
#include <cstring>
#include <memory>
#include <vector>

#include "driver_fixture.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/escape_items.h"
#include "graphics_driver/core/layout_escapes.h"
#include "graphics_driver/job_output/escape_features.h"
#include "graphics_driver/job_output/packet_image.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "layout_packet_builder.h"
#include "settings/store/printer_settings_data.h"

namespace {

using pk::test::BuildPacket;
using pk::test::DriverTest;
using pk::test::ModelLine;
using pk::test::PacketSpec;

constexpr int kLevel501 = 0x01010501;
constexpr int kLevel601 = 0x01010601;
constexpr int kLevel701 = 0x01010701;

// What the image output hook received last.
struct Captured {
  int calls = 0;
  PacketImageDescriptor descriptor{};
  std::vector<uint8_t> palette;
  uint32_t pixelBytes = 0;
};
Captured g_captured;
// A field of the packed descriptor, as a value.
template <typename T>
T Copy(T v) {
  return v;
}
void Capture(const PacketImageDescriptor& d, const BYTE*, uint32_t pixelBytes) {
  ++g_captured.calls;
  g_captured.descriptor = d;
  g_captured.palette.assign(d.palette, d.palette + d.paletteBytes);
  g_captured.pixelBytes = pixelBytes;
}

class LayoutEscapeTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    g_captured = Captured{};
    SetPacketImageCapture(Capture);
  }
  void TearDown() override {
    SetPacketImageCapture(nullptr);
    DriverTest::TearDown();
  }

  // The printer's stored settings get the feature level (in force through
  // 1028) and switch A.
  void StoreLevel(uint32_t level, bool switchA) {
    DeviceModel* model = OpenDeviceModel(printer_);
    ASSERT_NE(model, nullptr);
    std::vector<BYTE> block(kPrinterSettingsBlockSize, 0);
    ASSERT_EQ(LoadPrinterSettings(printer_, block.data(), model), 1);
    auto devmode = std::make_unique<WorkingDevMode>();
    SetIn(devmode.get(), block.data(), 1308, level);
    SetIn(devmode.get(), block.data(), 1028, 1);
    SetIn(devmode.get(), block.data(), 775, switchA ? 1 : 0);
    EXPECT_EQ(SavePrinterSettings(printer_, block.data(), TRUE), 1);
    CloseDeviceModel(model);
  }
  // A PDEV of the printer at the level; switch B comes from the model's
  // header field 5 (2: on).
  SURFOBJ* Open(uint32_t level, bool switchA = false, bool switchB = true) {
    std::vector<ModelLine> lines{pk::test::kLetterMargins, pk::test::kResolution300};
    if (!switchB) lines.push_back(ModelLine{"field 5 ", "field 5 1"});
    UseModel(lines);
    StoreLevel(level, switchA);
    pdev_ = Enable();
    if (!pdev_) return nullptr;
    so_ = Surface(pdev_);
    return so_;
  }
  LayoutOverride& Record() { return pdev_->pipeline.layoutOverride; }

  // An escape with an input block of exactly `in` and an answer block of
  // `outSize` bytes filled with `fill` (none for 0), kept in out_.
  int Esc(ULONG code, const std::vector<uint8_t>& in, size_t outSize = 0, uint8_t fill = 0xEE) {
    out_.assign(outSize, fill);
    return int(DrvEscape(so_, code, ULONG(in.size()), in.empty() ? nullptr : const_cast<uint8_t*>(in.data()),
                         ULONG(outSize), outSize ? out_.data() : nullptr));
  }
  static std::vector<uint8_t> Command(uint16_t command, uint16_t argument = 0, uint32_t size = 8) {
    std::vector<uint8_t> b(8);
    std::memcpy(b.data(), &size, 4);
    std::memcpy(b.data() + 4, &command, 2);
    std::memcpy(b.data() + 6, &argument, 2);
    return b;
  }
  static std::vector<uint8_t> U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
  uint32_t OutU32(size_t at) const {
    uint32_t v = 0;
    std::memcpy(&v, out_.data() + at, 4);
    return v;
  }
  uint16_t OutU16() const { return uint16_t(out_[0] | out_[1] << 8); }
  int Support(uint16_t code) { return Esc(QUERYESCSUPPORT, U16(code)); }
  int ModeOn() { return Esc(kEscLayoutMode, Command(kLayoutCommandOn)); }
  // A document with its first page open.
  void StartPage() {
    ASSERT_TRUE(DrvStartDoc(so_, const_cast<LPWSTR>(u"doc"), 1));
    ASSERT_TRUE(DrvStartPage(so_));
  }
  void EndDocument() {
    ASSERT_TRUE(DrvSendPage(so_));
    ASSERT_TRUE(DrvEndDoc(so_, 0));
  }
  int Packet(const PacketSpec& spec) { return Esc(kEscImagePacket, BuildPacket(spec)); }

  PdevState* pdev_ = nullptr;
  SURFOBJ* so_ = nullptr;
  std::vector<uint8_t> out_;
};

// ---- 0x1071: mode and feature query ------------------------------------

TEST_F(LayoutEscapeTest, ModeCommandsAndIdentification) {
  ASSERT_NE(Open(kLevel501), nullptr);
  // A size field other than 8 is refused whatever the command.
  for (uint16_t command : {kLayoutCommandOn, kLayoutCommandOff, kLayoutFeatureQuery, kLayoutIdentify, uint16_t(7)})
    EXPECT_EQ(Esc(kEscLayoutMode, Command(command, 0, 12), 20), -4) << command;
  EXPECT_EQ(Record().enabled, 0u);
  EXPECT_EQ(Support(0x1072), 0);

  EXPECT_EQ(ModeOn(), 1);
  for (uint16_t code : {0x1072, 0x1073, 0x1074}) EXPECT_EQ(Support(code), 1) << code;
  EXPECT_EQ(Esc(kEscLayoutMode, Command(kLayoutCommandOff)), 1);
  for (uint16_t code : {0x1072, 0x1073, 0x1074}) EXPECT_EQ(Support(code), 0) << code;
  EXPECT_EQ(Esc(kEscLayoutMode, Command(7)), -2);

  EXPECT_EQ(Esc(kEscLayoutMode, Command(kLayoutIdentify), 4), 1);
  EXPECT_EQ(std::vector<uint8_t>(out_.begin(), out_.end()), (std::vector<uint8_t>{'E', 'P', 'Z', 'K'}));
  // Without the block, or an answer buffer too small for the value: -1.
  EXPECT_EQ(Esc(kEscLayoutMode, {}), -1);
  EXPECT_EQ(Esc(kEscLayoutMode, Command(kLayoutIdentify)), -1);
  EXPECT_EQ(Esc(kEscLayoutMode, Command(kLayoutIdentify), 3), -1);
  EXPECT_EQ(out_, std::vector<uint8_t>(3, 0xEE));
  // A block shorter than 8 bytes is not read past its end.
  std::vector<uint8_t> shortBlock = Command(kLayoutCommandOn);
  shortBlock.resize(6);
  EXPECT_EQ(Esc(kEscLayoutMode, shortBlock), -4);
}

TEST_F(LayoutEscapeTest, FeatureQueryAnswersFromTheTable) {
  struct Case {
    uint32_t level;
    bool switchA, switchB;
    uint16_t feature;
    int answer;
    uint16_t escape;
    uint32_t flags, limitA, limitB;
  } cases[] = {
      {kLevel501, false, true, 0x1104, 1, 0x1074, 0x313, 0x8B, 0},
      {kLevel501, true, true, 0x1104, 1, 0x1074, 0x31F, 0x8B, 0},
      {kLevel601, false, false, 0x1103, -3, 0, 0, 0, 0},
      {kLevel601, false, true, 0x1103, 1, 0x1073, 0x1F, 0, 0},
      {kLevel501, false, true, 0x1103, -3, 0, 0, 0, 0},
      {kLevel501, false, true, 0x1101, 1, 0x1071, 0xF, 0xFF00, 0xFF00},
      {0x01010650, false, true, 0x1102, 1, 0x1072, 0x10, 0, 0},
      {kLevel701, false, true, 0x1102, 1, 0x1072, 0x30, 0, 0},
      {0x01020001, false, true, 0x1102, 1, 0x1072, 0x30, 0, 0},
      {kLevel501, false, true, 0x1102, 1, 0x1072, 0, 0, 0},
      {kLevel501, false, true, 0x1107, 1, 0x1077, 0, 0, 0},
      {kLevel501, false, true, 0x1108, -3, 0, 0, 0, 0},
      {kLevel501, false, true, 0x1100, -3, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.level << " " << c.feature << " A" << c.switchA << " B"
                                    << c.switchB);
    ASSERT_NE(Open(c.level, c.switchA, c.switchB), nullptr);
    EXPECT_EQ(Record().featureLevel, c.level);
    // The reply's own size in its first u32; the bytes the reply does not
    // fill keep theirs.
    std::vector<uint8_t> reply(20, 0x5A);
    reply[0] = 20, reply[1] = reply[2] = reply[3] = 0;
    const std::vector<uint8_t> in = Command(kLayoutFeatureQuery, c.feature);
    const int answer = int(DrvEscape(so_, kEscLayoutMode, 8, const_cast<uint8_t*>(in.data()), 24, nullptr));
    EXPECT_EQ(answer, -1);  // no answer buffer
    out_ = reply;
    EXPECT_EQ(int(DrvEscape(so_, kEscLayoutMode, 8, const_cast<uint8_t*>(in.data()), 20, out_.data())), c.answer);
    if (c.answer == 1) {
      EXPECT_EQ(out_[4] | out_[5] << 8, c.escape);
      EXPECT_EQ(out_[6], 0x5A);
      EXPECT_EQ(OutU32(8), c.flags);
      EXPECT_EQ(OutU32(12), c.limitA);
      EXPECT_EQ(OutU32(16), c.limitB);
    } else {
      EXPECT_EQ(out_, reply);
    }
    Disable(pdev_);
  }
}

// The level must lie within the table's range; the table is searched
// directly here, as no stored setting reaches past the top level.
TEST_F(LayoutEscapeTest, LevelsOutsideTheRangeOfferNothing) {
  ASSERT_NE(Open(kLevel701, true), nullptr);
  EscapeFeatureRow row{};
  for (uint16_t feature = 0x1101; feature <= 0x1107; ++feature) {
    EXPECT_EQ(FindEscapeFeature(pdev_, feature, nullptr), 0) << feature;
    for (uint32_t level : {0x01020002u, 0x01010500u, 0u, 0xFFFFFFFFu}) {
      Record().featureLevel = level;
      EXPECT_EQ(FindEscapeFeature(pdev_, feature, &row), -1) << std::hex << feature << " " << level;
      Record().featureLevel = kLevel701;
    }
  }
  EXPECT_EQ(FindEscapeFeature(nullptr, 0x1101, &row), -1);
}

// The reply is written only into a buffer that holds all 20 bytes.
TEST_F(LayoutEscapeTest, FeatureReplyNeedsItsTwentyBytes) {
  ASSERT_NE(Open(kLevel501), nullptr);
  const std::vector<uint8_t> query = Command(kLayoutFeatureQuery, 0x1101);
  struct Case {
    size_t outSize;
    uint8_t firstByte;
    int answer;
  } cases[] = {{4, 20, -4}, {3, 20, -4}, {19, 20, -4}, {24, 0, -4}, {24, 20, 1}, {20, 0, 1}, {20, 7, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outSize);
    std::vector<uint8_t> before(c.outSize, 0);
    before[0] = c.firstByte;
    out_ = before;
    EXPECT_EQ(int(DrvEscape(so_, kEscLayoutMode, 8, const_cast<uint8_t*>(query.data()), ULONG(c.outSize), out_.data())),
              c.answer);
    if (c.answer < 0) {
      EXPECT_EQ(out_, before);
    } else {
      EXPECT_EQ(OutU32(8), 0xFu);
    }
    if (c.outSize == 24) {
      EXPECT_EQ(std::vector<uint8_t>(out_.begin() + 20, out_.end()), std::vector<uint8_t>(4, 0));
    }
  }
}

// ---- 0x1073: page collection control ----------------------------------

TEST_F(LayoutEscapeTest, PageCollectionControlBeforeAndDuringTheDocument) {
  // Without the mode, or without the feature (level below 0x01010601, or
  // no switch B): 0.
  ASSERT_NE(Open(kLevel601), nullptr);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectTakeControl)), 0);
  Disable(pdev_);
  for (auto [level, switchB] : {std::pair{kLevel501, true}, std::pair{kLevel601, false}}) {
    ASSERT_NE(Open(level, false, switchB), nullptr);
    ASSERT_EQ(ModeOn(), 1);
    EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectTakeControl)), 0);
    EXPECT_EQ(Record().collectControl, 0u);
    Disable(pdev_);
  }

  ASSERT_NE(Open(kLevel601), nullptr);
  ASSERT_EQ(ModeOn(), 1);
  EXPECT_EQ(Esc(kEscPageCollect, {}), -1);
  EXPECT_EQ(Esc(kEscPageCollect, {0x01}), -1);
  for (uint16_t command : {0x1200, 0x1206, 0x0000, 0xFFFF}) EXPECT_EQ(Esc(kEscPageCollect, U16(command)), -3);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectModeOne)), -6);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectTakeControl)), 1);
  EXPECT_EQ(Record().collectControl, 1u);
  EXPECT_EQ(Record().collectMode, 0);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectModeTwo)), 1);
  EXPECT_EQ(Record().collectMode, 2);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectModeNone)), 1);
  EXPECT_EQ(Record().collectMode, 0);

  ASSERT_TRUE(DrvStartDoc(so_, const_cast<LPWSTR>(u"doc"), 1));
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectTakeControl)), -6);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectReleaseControl)), -6);
  EXPECT_EQ(Record().collectControl, 1u);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectModeOne)), 1);
  EXPECT_EQ(Record().collectMode, 1);
  // The application's mode is the next page's spool mode.
  ASSERT_TRUE(DrvStartPage(so_));
  EXPECT_EQ(pdev_->pipeline.spoolMode, 1u);
  EndDocument();
}

TEST_F(LayoutEscapeTest, ReleasedControlLeavesTheModeToTheJob) {
  ASSERT_NE(Open(kLevel601), nullptr);
  ASSERT_EQ(ModeOn(), 1);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectTakeControl)), 1);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectReleaseControl)), 1);
  EXPECT_EQ(Record().collectControl, 0u);
  EXPECT_EQ(Esc(kEscPageCollect, U16(kCollectModeOne)), -6);
}

// ---- 0x1074: duplex and pages per sheet --------------------------------

TEST_F(LayoutEscapeTest, DuplexCommands) {
  ASSERT_NE(Open(kLevel501), nullptr);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexQuery), 2), 0);  // mode off
  ASSERT_EQ(ModeOn(), 1);
  EXPECT_EQ(Esc(kEscDuplexNup, {}), -1);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexQuery, 0, 12), 2), -4);
  EXPECT_EQ(Esc(kEscDuplexNup, {8, 0, 0, 0, 0x01, 0x13}, 2), -4);  // a block of 6 bytes
  EXPECT_EQ(Esc(kEscDuplexNup, Command(0x1305)), -3);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(0x1300)), -3);

  const struct {
    int16_t duplex;
    int answer;
    uint16_t written;
  } queries[] = {{1, 1, 0x1311}, {2, 1, 0x1312}, {3, 1, 0x1313}, {5, -1, 0xEEEE}, {0, -1, 0xEEEE}};
  for (const auto& q : queries) {
    SetPdev(pdev_, 16, q.duplex);
    EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexQuery), 2), q.answer) << q.duplex;
    EXPECT_EQ(OutU16(), q.written) << q.duplex;
  }
  // The answer needs its two bytes.
  SetPdev(pdev_, 16, 2);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexQuery)), -4);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexQuery), 1), -4);
  EXPECT_EQ(out_, std::vector<uint8_t>(1, 0xEE));

  const uint32_t fields = uint32_t(GetPdevSettingLong(pdev_, 6));
  SetPdev(pdev_, 6, fields & ~uint32_t(DM_DUPLEX));
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, kDuplexShortEdge)), -6);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, kDuplexLongEdge)), -6);
  EXPECT_EQ(Record().duplexOverride, -1);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, kDuplexSimplex)), 1);
  EXPECT_EQ(Record().duplexOverride, 1);
  SetPdev(pdev_, 6, fields | DM_DUPLEX);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, kDuplexShortEdge)), 1);
  EXPECT_EQ(Record().duplexOverride, 3);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, kDuplexLongEdge)), 1);
  EXPECT_EQ(Record().duplexOverride, 2);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, kDuplexNone)), 1);
  EXPECT_EQ(Record().duplexOverride, -1);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kDuplexSet, 0x1315)), -5);
}

TEST_F(LayoutEscapeTest, PagesPerSheetCommandsReachTheJobSetUp) {
  ASSERT_NE(Open(kLevel501), nullptr);
  ASSERT_EQ(ModeOn(), 1);
  const struct {
    int setting321, pages, answer;
    uint16_t written;
  } queries[] = {{1, 4, 1, 0}, {0, 4, 1, 4}, {0, 1, 1, 1}, {0, 8, 1, 8}, {0, 3, -1, 0xEEEE}};
  for (const auto& q : queries) {
    SetPdev(pdev_, 321, q.setting321);
    SetPdev(pdev_, 295, q.pages);
    EXPECT_EQ(Esc(kEscDuplexNup, Command(kNupQuery), 2), q.answer) << q.pages;
    EXPECT_EQ(OutU16(), q.written) << q.pages;
  }
  SetPdev(pdev_, 295, 1);

  const struct {
    uint16_t argument;
    int answer;
    int16_t nup, o264, o294, o321, o296;
  } sets[] = {{4, 1, 4, 3, 1, -1, 0}, {3, -5, 4, 3, 1, -1, 0},  {0, 1, -1, -1, -1, -1, -1}, {8, 1, 8, 3, 1, -1, 0},
              {1, 1, 1, 0, 1, -1, 0}, {16, -5, 1, 0, 1, -1, 0}, {2, 1, 2, 1, 1, -1, 0},     {4, 1, 4, 3, 1, -1, 0}};
  for (const auto& s : sets) {
    SCOPED_TRACE(s.argument);
    EXPECT_EQ(Esc(kEscDuplexNup, Command(kNupSet, s.argument)), s.answer);
    const LayoutOverride& r = Record();
    EXPECT_EQ(r.nupOverride, s.nup);
    EXPECT_EQ(r.override264, s.o264);
    EXPECT_EQ(r.override294, s.o294);
    EXPECT_EQ(r.override321, s.o321);
    EXPECT_EQ(r.override296, s.o296);
  }
  // The job set-up of the first page reads the override, and so does the query.
  StartPage();
  EXPECT_EQ(pdev_->jobSetup.pagesPerSheet, 4u);
  EXPECT_EQ(Esc(kEscDuplexNup, Command(kNupQuery), 2), 1);
  EXPECT_EQ(OutU16(), 4);
  EndDocument();
}

// ---- 0x1072: packet sequencing ---------------------------------------------

TEST_F(LayoutEscapeTest, PacketsNeedTheModeTheFeatureAndSourceCopy) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  const LayoutOverride before = Record();
  EXPECT_EQ(Packet(PacketSpec{}), 0);
  EXPECT_EQ(std::memcmp(&before, &Record(), sizeof before), 0);
  EXPECT_EQ(g_captured.calls, 0);
  ASSERT_EQ(ModeOn(), 1);
  PacketSpec other;
  other.rop = 0x8800C6;
  EXPECT_EQ(Packet(other), 0);
  EXPECT_EQ(Record().packetId, 0);
  EXPECT_EQ(Record().packetCounter, 0);
  EXPECT_EQ(g_captured.calls, 0);
  // Without the feature (a level out of range) nothing is taken either.
  Record().featureLevel = 0x01010500;
  EXPECT_EQ(Packet(PacketSpec{}), 0);
  Record().featureLevel = kLevel501;
  EXPECT_EQ(Packet(PacketSpec{}), 1);
  EndDocument();
}

TEST_F(LayoutEscapeTest, PacketChunksAreSequenced) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  PacketSpec first;
  first.chunkLength = 600;
  PacketSpec second = first;
  second.chunkOffset = 600;
  second.chunkLength = 400;

  // 600 + 400 of 1000: both answer the new id and the packet ends.
  EXPECT_EQ(Packet(first), 1);
  EXPECT_EQ(Record().packetId, 1);
  EXPECT_EQ(Record().packetReceived, 600u);
  second.id = 1;
  EXPECT_EQ(Packet(second), 1);
  EXPECT_EQ(Record().packetId, 0);
  EXPECT_EQ(Record().packetTotal, 0u);
  EXPECT_EQ(Record().packetReceived, 0u);
  EXPECT_EQ(g_captured.calls, 1);  // the later chunk draws nothing

  // A chunk at the wrong offset is refused and the packet stays open.
  EXPECT_EQ(Packet(first), 2);
  PacketSpec wrong = second;
  wrong.id = 2;
  wrong.chunkOffset = 500;
  EXPECT_EQ(Packet(wrong), -4);
  EXPECT_EQ(Record().packetId, 2);
  EXPECT_EQ(Record().packetReceived, 600u);
  // A chunk past the total is refused; the packet waits at its offset.
  PacketSpec over = second;
  over.id = 2;
  over.chunkLength = 401;
  EXPECT_EQ(Packet(over), -4);
  EXPECT_EQ(Record().packetReceived, 600u);
  // A chunk of another id ends the packet and is refused.
  PacketSpec stranger = second;
  stranger.id = 7;
  EXPECT_EQ(Packet(stranger), -4);
  EXPECT_EQ(Record().packetId, 0);
  // With no packet open a chunk must start one: offset 0 and id 0.
  second.id = 0;
  EXPECT_EQ(Packet(second), -4);
  PacketSpec named = first;
  named.id = 3;
  EXPECT_EQ(Packet(named), -4);
  EXPECT_EQ(Record().packetCounter, 2);
  // A chunk length that would wrap the count is past the total.
  PacketSpec huge = first;
  huge.total = 0xFFFFFFFF;
  EXPECT_EQ(Packet(huge), 3);
  PacketSpec wrap = second;
  wrap.id = 3;
  wrap.chunkOffset = 600;
  wrap.chunkLength = 0xFFFFFFFF - 500;
  EXPECT_EQ(Packet(wrap), -4);
  EXPECT_EQ(Record().packetReceived, 600u);
  EndDocument();
}

TEST_F(LayoutEscapeTest, PacketIdsWrapAfterTheLastToOne) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  const std::vector<uint8_t> block = BuildPacket(PacketSpec{});
  int last = 0;
  for (int i = 0; i < 0x3FFF; ++i) last = Esc(kEscImagePacket, block);
  EXPECT_EQ(last, 0x3FFF);
  EXPECT_EQ(Esc(kEscImagePacket, block), 1);
  EXPECT_EQ(Esc(kEscImagePacket, block), 2);
  EndDocument();
}

// ---- 0x1072: packet images ---------------------------------------------

TEST_F(LayoutEscapeTest, PacketsRefusedByTheirItems) {
  ASSERT_NE(Open(kLevel701), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  struct Case {
    const char* what;
    PacketSpec spec;
    int answer;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, int answer, auto change) {
    PacketSpec s;
    change(s);
    cases.push_back({what, s, answer});
  };
  add("angle 45", -5, [](PacketSpec& s) { s.angle = 45; });
  add("angle 360", -5, [](PacketSpec& s) { s.angle = 360; });
  add("reserved word at 12", -5, [](PacketSpec& s) { s.reservedA = 1; });
  add("reserved word at 14", -5, [](PacketSpec& s) { s.reservedB = 0x100; });
  add("bitmap width", -5, [](PacketSpec& s) { s.bitmapWidth = 199; });
  add("bitmap height", -5, [](PacketSpec& s) { s.bitmapHeight = 101; });
  add("BI_RGB", -1, [](PacketSpec& s) { s.compression = 0; });
  add("BI_RLE8", -1, [](PacketSpec& s) { s.compression = 1; });
  add("4-bit PNG", -1, [](PacketSpec& s) { s.compression = kBiPng, s.bitCount = 4; });
  add("32-bit PNG", -1, [](PacketSpec& s) { s.compression = kBiPng, s.bitCount = 32; });
  for (const Case& c : cases) {
    EXPECT_EQ(Packet(c.spec), c.answer) << c.what;
    // The chunk was sequenced as one whole packet before it was looked at.
    EXPECT_EQ(Record().packetId, 0) << c.what;
  }
  EXPECT_EQ(g_captured.calls, 0);
  EndDocument();
}

TEST_F(LayoutEscapeTest, JpegDescriptorOfATurnedScaledImage) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  const struct {
    uint16_t angle;
    float placement[6];
  } cases[] = {{90, {0, -2, 2, 0, 0, 100}},
               {0, {2, 0, 0, 2, 0, 0}},
               {180, {-2, 0, 0, -2, 200, 100}},
               {270, {0, 2, -2, 0, 200, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.angle);
    PacketSpec s;
    s.angle = c.angle;
    s.destX = 30, s.destY = 40, s.destWidth = 100, s.destHeight = 50;
    s.total = s.chunkLength = 1234;
    ASSERT_GT(Packet(s), 0);
    const PacketImageDescriptor& d = g_captured.descriptor;
    EXPECT_EQ(Copy(d.x), 30u);
    EXPECT_EQ(Copy(d.y), 40u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Copy(d.placement[i]), c.placement[i]) << i;
    EXPECT_EQ(Copy(d.width), 200);
    EXPECT_EQ(Copy(d.height), 100);
    EXPECT_EQ(Copy(d.bits), 4);
    EXPECT_EQ(Copy(d.format), 5);
    EXPECT_EQ(Copy(d.fixedFormat[0]), 1);
    EXPECT_EQ(Copy(d.fixedFormat[1]), 2);
    EXPECT_EQ(Copy(d.fixedFormat[2]), 1);
    EXPECT_EQ(Copy(d.fixedFormat[3]), 8);
    EXPECT_EQ(Copy(d.paletteBytes), 0u);
    EXPECT_EQ(Copy(d.totalSize), 1234u);
    EXPECT_EQ(g_captured.pixelBytes, 16u);
  }
  // Without a destination size the scale is 1.
  PacketSpec plain;
  ASSERT_GT(Packet(plain), 0);
  const float identity[6] = {1, 0, 0, 1, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Copy(g_captured.descriptor.placement[i]), identity[i]) << i;
  EndDocument();
}

TEST_F(LayoutEscapeTest, PngFormatsAndPalettes) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  PacketSpec rgb;
  rgb.compression = kBiPng;
  ASSERT_GT(Packet(rgb), 0);
  EXPECT_EQ(Copy(g_captured.descriptor.format), 4);
  EXPECT_EQ(Copy(g_captured.descriptor.bits), 8);
  EXPECT_EQ(Copy(g_captured.descriptor.paletteEntries), 0);

  const struct {
    uint32_t coloursUsed, entries;
  } cases[] = {{0, 256}, {1, 1}, {10, 10}, {255, 255}, {256, 256}, {1000, 256}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.coloursUsed);
    PacketSpec s;
    s.compression = kBiPng;
    s.bitCount = 8;
    s.coloursUsed = c.coloursUsed;
    s.quads = c.entries;
    const int calls = g_captured.calls;
    ASSERT_GT(Packet(s), 0);
    ASSERT_EQ(g_captured.calls, calls + 1);
    const PacketImageDescriptor& d = g_captured.descriptor;
    EXPECT_EQ(Copy(d.format), 11);
    EXPECT_EQ(Copy(d.bits), 8);
    EXPECT_EQ(Copy(d.paletteEntries), c.entries);
    EXPECT_EQ(Copy(d.paletteBytes), 3 * c.entries);
    ASSERT_EQ(g_captured.palette.size(), 3 * c.entries);
    for (uint32_t i = 0; i < c.entries; ++i) {
      EXPECT_EQ(g_captured.palette[3 * i], uint8_t(i));
      EXPECT_EQ(g_captured.palette[3 * i + 1], uint8_t(255 - i));
      EXPECT_EQ(g_captured.palette[3 * i + 2], uint8_t(i / 2));
    }
  }
  EndDocument();
}

TEST_F(LayoutEscapeTest, ClipRasterOpCollectionModeAndColourCounter) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  // Without a clip item the clip is the logical page.
  ASSERT_EQ(Packet(PacketSpec{}), 1);
  LayoutInput in;
  ASSERT_EQ(BuildLayoutInput(&pdev_->currentPage, &in), 0);
  EXPECT_EQ(pdev_->clipCache.state, 1);
  EXPECT_EQ(pdev_->clipCache.rect.left, 0);
  EXPECT_EQ(pdev_->clipCache.rect.top, 0);
  EXPECT_EQ(pdev_->clipCache.rect.right, int32_t(in.pageRight) - int32_t(in.pageLeft) + 1);
  EXPECT_EQ(pdev_->clipCache.rect.bottom, int32_t(in.pageBottom) - int32_t(in.pageTop) + 1);
  EXPECT_GT(pdev_->clipCache.rect.right, 2000);
  EXPECT_GT(pdev_->clipCache.rect.bottom, 2000);

  // The packet's clip item: x, y, width, height.
  PacketSpec clipped;
  clipped.clip = true;
  clipped.clipRect[0] = 10, clipped.clipRect[1] = 20, clipped.clipRect[2] = 300, clipped.clipRect[3] = 400;
  ASSERT_EQ(Packet(clipped), 2);
  EXPECT_EQ(pdev_->clipCache.state, 1);
  EXPECT_EQ(pdev_->clipCache.rect.left, 10);
  EXPECT_EQ(pdev_->clipCache.rect.top, 20);
  EXPECT_EQ(pdev_->clipCache.rect.right, 310);
  EXPECT_EQ(pdev_->clipCache.rect.bottom, 420);

  // A page being collected is marked as holding colour; the colour counter
  // starts again.
  auto* counter = static_cast<ColorCounter*>(pdev_->colorCounter);
  ASSERT_NE(counter, nullptr);
  counter->result = 5;
  const uint32_t spoolState = pdev_->pipeline.spoolState, spoolMode = pdev_->pipeline.spoolMode;
  pdev_->pipeline.spoolState = 0x8001 | 0x2;  // recorded, kept until its layout replays it
  ASSERT_EQ(Packet(PacketSpec{}), 3);
  EXPECT_EQ(pdev_->pipeline.spoolMode, 2u);
  EXPECT_EQ(counter->result, 0u);
  pdev_->pipeline.spoolState = spoolState;
  pdev_->pipeline.spoolMode = spoolMode;
  // An idle page keeps its mode.
  counter->result = 5;
  ASSERT_EQ(Packet(PacketSpec{}), 4);
  EXPECT_EQ(pdev_->pipeline.spoolMode, spoolMode);
  EXPECT_EQ(counter->result, 0u);
  EndDocument();
}

TEST_F(LayoutEscapeTest, PacketOutsideADocumentFails) {
  ASSERT_NE(Open(kLevel501), nullptr);
  ASSERT_EQ(ModeOn(), 1);
  // No logical page can be had before the document starts.
  EXPECT_EQ(Packet(PacketSpec{}), -1);
  EXPECT_EQ(Record().packetCounter, 0);
  EXPECT_EQ(g_captured.calls, 0);
}

// ---- Packets that lie about their size ----------------------------------

// Every item, the colour table and the pixel offset must lie within
// B = min(size field, block size) (size field 0: the block): a packet that
// reaches past B is refused with -4 and the packet state is left as it was.
TEST_F(LayoutEscapeTest, ShortAndLyingPacketsAreRefused) {
  ASSERT_NE(Open(kLevel501), nullptr);
  StartPage();
  ASSERT_EQ(ModeOn(), 1);
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
  };
  std::vector<Case> cases;
  const std::vector<uint8_t> good = BuildPacket(PacketSpec{});
  const uint32_t size = uint32_t(good.size());
  auto add = [&](const char* what, auto change, size_t cut = 0) {
    PacketSpec s;
    change(s);
    std::vector<uint8_t> b = BuildPacket(s);
    if (cut) b.resize(cut);
    cases.push_back({what, b});
  };
  auto same = [](PacketSpec&) {};
  add("a block of 6 bytes", same, 6);
  add("a block of 3 bytes", same, 3);
  add("a header cut short", same, 39);
  add("size field 2", [](PacketSpec& s) { s.sizeField = 2; });
  add("size field below the header", [](PacketSpec& s) { s.sizeField = 30; });
  add(
      "size field larger than the block, the pixels cut off", [&](PacketSpec& s) { s.sizeField = size + 100; },
      size - 16);
  add(
      "size field larger than the block, the bitmap cut off", [&](PacketSpec& s) { s.sizeField = 100000; }, 90);
  add("drawing item offset 0", [](PacketSpec& s) { s.itemAt = 0; });
  add("drawing item at B - 8", [&](PacketSpec& s) { s.itemAt = size - 8; });
  add("drawing item offset near 2^32", [](PacketSpec& s) { s.itemAt = 0xFFFFFFF0; });
  add("drawing item beyond the size field", [](PacketSpec& s) { s.sizeField = 60; });
  add("bitmap header at B - 20", [&](PacketSpec& s) { s.bitmapAt = size - 20; });
  add("bitmap header offset 0", [](PacketSpec& s) { s.bitmapAt = 0; });
  add("palette of 256 with room for 10", [](PacketSpec& s) {
    s.compression = kBiPng, s.bitCount = 8, s.coloursUsed = 0, s.quads = 10, s.pixelBytes = 0, s.pixelAt = 100;
  });
  add("palette of 200 with room for 199", [](PacketSpec& s) {
    s.compression = kBiPng, s.bitCount = 8, s.coloursUsed = 200, s.quads = 199, s.pixelBytes = 0, s.pixelAt = 100;
  });
  add("clip item past B", [&](PacketSpec& s) { s.clipAt = size - 4; });
  add("clip item cut by the size field", [&](PacketSpec& s) {
    s.clip = true;
    s.pixelBytes = 0;
    s.pixelAt = 100;
    s.sizeField = 112 + 6;
  });
  add("pixel offset at B", [&](PacketSpec& s) { s.pixelAt = size; });
  add("pixel offset far past B", [](PacketSpec& s) { s.pixelAt = 0x7FFFFFFF; });
  for (const Case& c : cases) {
    const LayoutOverride before = Record();
    EXPECT_EQ(Esc(kEscImagePacket, c.block), -4) << c.what;
    EXPECT_EQ(std::memcmp(&before, &Record(), sizeof before), 0) << c.what;
  }
  EXPECT_EQ(Esc(kEscImagePacket, {}), -4);
  EXPECT_EQ(g_captured.calls, 0);

  // A later chunk is not drawn: its clip, colours and pixels are not read.
  PacketSpec first;
  first.chunkLength = 500;
  ASSERT_EQ(Packet(first), 1);
  PacketSpec later;
  later.id = 1, later.chunkOffset = 500, later.chunkLength = 500, later.clipAt = 0xFFFF, later.pixelAt = 0xFFFFF;
  EXPECT_EQ(Packet(later), 1);
  // A size field of 0 leaves the block as the bound.
  PacketSpec unbounded;
  unbounded.sizeField = 0;
  EXPECT_EQ(Packet(unbounded), 2);
  EndDocument();
}

TEST_F(LayoutEscapeTest, EscapeItemsWithinThePacket) {
  const BYTE packet[16] = {};
  EXPECT_EQ(GetEscapeItem(packet, 0, 16), nullptr);
  EXPECT_EQ(GetEscapeItem(packet, 4, 16), packet + 4);
  EXPECT_EQ(GetEscapeItem(packet, 16, 16), packet + 16);
  EXPECT_EQ(GetEscapeItem(packet, 17, 16), nullptr);
  EXPECT_EQ(GetEscapeItem(packet, 12, 0), packet + 12);
  EXPECT_EQ(GetBoundedEscapeItem(packet, 8, 8, 16), packet + 8);
  EXPECT_EQ(GetBoundedEscapeItem(packet, 9, 8, 16), nullptr);
  EXPECT_EQ(GetBoundedEscapeItem(packet, 0xFFFFFFFF, 8, 16), nullptr);
  EXPECT_EQ(GetBoundedEscapeItem(packet, 0, 1, 16), nullptr);
}

}  // namespace
