// The application layout escapes (see layout_escapes.h).
#include "graphics_driver/core/layout_escapes.h"

#include <cstring>

#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/escape_items.h"
#include "graphics_driver/job_output/escape_features.h"
#include "graphics_driver/job_output/packet_image.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_pipeline_steps.h"
#include "platform/win/win_devmode.h"

namespace {

constexpr SettingId kDmFields = 6;
constexpr SettingId kDmDuplex = 16;
constexpr SettingId kPagesPerSheet = 295;
constexpr SettingId kSetting321 = 321;

constexpr uint16_t kPacketCounterLast = 0x3FFF;

void PutU16(void* out, uint32_t at, uint16_t v) { std::memcpy(static_cast<BYTE*>(out) + at, &v, sizeof v); }
void PutU32(void* out, uint32_t at, uint32_t v) { std::memcpy(static_cast<BYTE*>(out) + at, &v, sizeof v); }

bool Offers(const PdevState* pdev, uint16_t feature) { return FindEscapeFeature(pdev, feature, nullptr) == 0; }

// The 8-byte command block of 0x1071 and 0x1074: -4 when it is short or its
// size field is not 8.
int ReadCommandBlock(ULONG cjIn, const void* pvIn, uint16_t* command, uint16_t* argument) {
  const auto* in = static_cast<const BYTE*>(pvIn);
  if (cjIn < kLayoutBlockBytes || ItemU32(in, 0) != kLayoutBlockBytes) return -4;
  *command = ItemU16(in, 4);
  *argument = ItemU16(in, 6);
  return 0;
}

int LayoutMode(PdevState* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (!pvIn) return -1;
  uint16_t command = 0, argument = 0;
  if (ReadCommandBlock(cjIn, pvIn, &command, &argument) != 0) return -4;
  LayoutOverride& record = pdev->pipeline.layoutOverride;
  switch (command) {
    case kLayoutCommandOn: record.enabled = 1; return 1;
    case kLayoutCommandOff: record.enabled = 0; return 1;
    case kLayoutFeatureQuery: {
      if (!pvOut) return -1;
      // The reply is written only into a buffer that holds it.
      if (cjOut < kLayoutFeatureReplyBytes) return -4;
      if (ItemU32(static_cast<const BYTE*>(pvOut), 0) != kLayoutFeatureReplyBytes && cjOut != kLayoutFeatureReplyBytes)
        return -4;
      EscapeFeatureRow row;
      if (FindEscapeFeature(pdev, argument, &row) != 0) return -3;
      PutU16(pvOut, 4, row.escape);
      PutU32(pvOut, 8, row.flags);
      PutU32(pvOut, 12, row.limitA);
      PutU32(pvOut, 16, row.limitB);
      return 1;
    }
    case kLayoutIdentify:
      if (!pvOut || cjOut < sizeof(uint32_t)) return -1;
      PutU32(pvOut, 0, kLayoutIdentification);
      return 1;
    default: return -2;
  }
}

// The packet sequencing of a chunk: the id it answers, or -4 when refused.
int SequenceChunk(LayoutOverride& record, const BYTE* header) {
  const uint32_t total = ItemU32(header, kHeaderTotal), offset = ItemU32(header, kHeaderChunkOffset);
  const uint32_t length = ItemU32(header, kHeaderChunkLength);
  const uint16_t id = ItemU16(header, kHeaderPacketId);
  if (record.packetId == 0) {
    if (offset != 0 || id != 0) return -4;
    record.packetCounter = record.packetCounter >= kPacketCounterLast ? 1 : uint16_t(record.packetCounter + 1);
    record.packetId = record.packetCounter;
    record.packetTotal = total;
    record.packetReceived = 0;
  } else if (id != record.packetId) {
    record.packetId = 0;
    record.packetTotal = record.packetReceived = 0;
    return -4;
  }
  if (offset != record.packetReceived) return -4;
  // A chunk past the announced total is refused; the packet waits for the
  // chunk at the same offset.
  const uint64_t received = uint64_t(record.packetReceived) + length;
  if (received > record.packetTotal) return -4;
  const int result = record.packetId;
  if (received == record.packetTotal) {
    record.packetId = 0;
    record.packetTotal = record.packetReceived = 0;
  } else {
    record.packetReceived = uint32_t(received);
  }
  return result;
}

int ImagePacket(PdevState* pdev, ULONG cjIn, const void* pvIn) {
  LayoutOverride& record = pdev->pipeline.layoutOverride;
  if (!record.enabled || !Offers(pdev, kFeatureImagePackets)) return 0;
  // Every item of the packet lies within the block before anything is read.
  const auto* packet = static_cast<const BYTE*>(pvIn);
  uint32_t bound = 0;
  if (CheckImagePacket(packet, cjIn, &bound) != 0) return -4;
  const BYTE* header = packet + kPacketHeaderAt;
  const BYTE* item = packet + ItemU32(header, kHeaderItemOffset);
  if (ItemU32(item, kItemRasterOp) != kPacketSrcCopy) return 0;

  if (EnsureLogicalPageStarted(pdev) != 0) return -1;
  const int id = SequenceChunk(record, header);
  if (id < 0) return id;
  FlushPageImages(pdev);
  const int drawn = DrawPacketImage(pdev, packet, header, bound);
  if (drawn != 0) return drawn;
  if (!IsPageCollectIdle(pdev)) SetPageCollectMode2(pdev);
  if (pdev->colorCounter) static_cast<ColorCounter*>(pdev->colorCounter)->result = 0;
  return id;
}

int PageCollect(PdevState* pdev, ULONG cjIn, const void* pvIn) {
  if (!pvIn) return -1;
  LayoutOverride& record = pdev->pipeline.layoutOverride;
  if (!record.enabled || !Offers(pdev, kFeaturePageCollect)) return 0;
  if (cjIn < sizeof(uint16_t)) return -1;
  const bool started = (pdev->ddiFlags & kDdiDocumentStarted) != 0;
  switch (ItemU16(static_cast<const BYTE*>(pvIn), 0)) {
    case kCollectTakeControl:
      if (started) return -6;
      record.collectControl = 1;
      record.collectMode = 0;
      return 1;
    case kCollectReleaseControl:
      if (started) return -6;
      record.collectControl = 0;
      return 1;
    case kCollectModeOne:
    case kCollectModeTwo:
    case kCollectModeNone: {
      if (!record.collectControl) return -6;
      const uint16_t command = ItemU16(static_cast<const BYTE*>(pvIn), 0);
      record.collectMode = command == kCollectModeOne ? 1 : command == kCollectModeTwo ? 2 : 0;
      return 1;
    }
    default: return -3;
  }
}

int DuplexNup(PdevState* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (!pvIn) return -1;
  LayoutOverride& record = pdev->pipeline.layoutOverride;
  if (!record.enabled || !Offers(pdev, kFeatureDuplexNup)) return 0;
  uint16_t command = 0, argument = 0;
  if (ReadCommandBlock(cjIn, pvIn, &command, &argument) != 0) return -4;
  switch (command) {
    case kDuplexQuery: {
      if (!pvOut || cjOut < sizeof(uint16_t)) return -4;
      const SHORT duplex = GetPdevSettingShort(pdev, kDmDuplex);
      if (duplex < 1 || duplex > 3) return -1;
      PutU16(pvOut, 0, uint16_t(kDuplexSimplex + duplex - 1));
      return 1;
    }
    case kDuplexSet:
      switch (argument) {
        case kDuplexSimplex: record.duplexOverride = 1; return 1;
        case kDuplexLongEdge:
        case kDuplexShortEdge:
          if (!(uint32_t(GetPdevSettingLong(pdev, kDmFields)) & DM_DUPLEX)) return -6;
          record.duplexOverride = argument == kDuplexLongEdge ? 2 : 3;
          return 1;
        case kDuplexNone: record.duplexOverride = -1; return 1;
        default: return -5;
      }
    case kNupQuery: {
      if (!pvOut || cjOut < sizeof(uint16_t)) return -4;
      uint16_t pages = 0;
      if (GetPdevSettingShort(pdev, kSetting321) == 0) {
        pages = uint16_t(GetPdevSettingShort(pdev, kPagesPerSheet));
        if (pages != 1 && pages != 2 && pages != 4 && pages != 8) return -1;
      }
      PutU16(pvOut, 0, pages);
      return 1;
    }
    case kNupSet: {
      int16_t setting264 = 0;
      switch (argument) {
        case 0:
          record.nupOverride = record.override264 = record.override294 = record.override321 = record.override296 = -1;
          return 1;
        case 1: setting264 = 0; break;
        case 2: setting264 = 1; break;
        case 4:
        case 8: setting264 = 3; break;
        default: return -5;
      }
      record.nupOverride = int16_t(argument);
      record.override264 = setting264;
      record.override294 = 1;
      record.override321 = -1;
      record.override296 = 0;
      return 1;
    }
    default: return -3;
  }
}

}  // namespace

int HandleLayoutEscape(PdevState* pdev, ULONG code, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (!pdev) return -1;
  switch (code) {
    case kEscLayoutMode: return LayoutMode(pdev, cjIn, pvIn, cjOut, pvOut);
    case kEscImagePacket: return ImagePacket(pdev, cjIn, pvIn);
    case kEscPageCollect: return PageCollect(pdev, cjIn, pvIn);
    case kEscDuplexNup: return DuplexNup(pdev, cjIn, pvIn, cjOut, pvOut);
    default: return 0;
  }
}
