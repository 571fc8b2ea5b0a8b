// Tray, paper change, duplex and feed decisions over the device model.
#include "graphics_driver/job_output/page_trays.h"

#include <cstring>

#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/paper_selection.h"
#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/page_records.h"
#include "settings/model/device_model.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint32_t kCapabilityTrayFromSource = 0x10;
constexpr LONG kTrayFromDefaultSource = 258;
constexpr LONG kSourceFromSetting = 15;
constexpr int16_t kBypassTray = 4;
constexpr WORD kNamedByteType = 19;

// A list record of the model (0x8002, 0x8003) for a value; null when none.
ModelRecord* FindListRecord(ModelFile* primary, ModelFile* secondary, uint16_t list, uint16_t value) {
  WORD type = 0;
  ModelRecord* record = nullptr;
  if (FindSettingModelRecord(true, primary, secondary, list, &value, &type, &record) != 0) return nullptr;
  return record;
}

// The named byte that the current option of the media type setting targets:
// 1 with *byte, 0 when there is none.
bool ReadMediaTypeByte(const PdevState* pdev, BYTE* byte) {
  LONG value = GetPdevSettingLong(pdev, 388);
  WORD type = 0;
  ModelRecord* option = nullptr;
  if (FindSettingModelRecord(true, pdev->primaryModelFile, pdev->secondaryModelFile, 388, &value, &type, &option) != 0)
    return false;
  bool found = false;
  if (type == 13 || type == 14) {
    ModelRecord* target = nullptr;
    WORD targetType = 0;
    if (LoadOptionTarget(true, pdev->primaryModelFile, pdev->secondaryModelFile, option, &targetType, &target) == 0) {
      found = targetType == kNamedByteType && GetNamedByteFlag(target, byte) == 0;
      ReleaseModelRecord(target);
    }
  }
  ReleaseModelRecord(option);
  return found;
}

bool SameSize(const PaperBlock& a, const PaperBlock& b) {
  return a.paperId == b.paperId && a.width == b.width && a.height == b.height;
}

}  // namespace

int SelectPageTray(PdevState* pdev) {
  if (!pdev) return -1;
  const LONG source = GetPdevSettingShort(pdev, 13);
  const LONG tray265 = GetPdevSettingLong(pdev, 265);
  LONG tray;
  if (HasModelCapability(pdev, kCapabilityTrayFromSource)) tray = source == kSourceFromSetting ? tray265 : source;
  else tray = tray265 == kTrayFromDefaultSource ? source : tray265;
  if (tray < 0 || tray > 0x7FFF) return -1;
  if (pdev->pipeline.pageCount == 0) pdev->jobSetup.firstPageTray = static_cast<int16_t>(tray);
  if (pdev->jobSetup.bookletMode || pdev->jobSetup.pagesPerSheet > 1) tray = pdev->jobSetup.firstPageTray;
  return static_cast<int>(tray);
}

int CheckTrayAndPaperChange(PdevState* pdev) {
  if (!pdev || pdev->pipeline.cellIndex != 0) return -1;
  PageLayoutRecord& page = pdev->currentPage;
  int changed = 0;
  if (pdev->jobSetup.trayFollowsPage) {
    int tray = SelectPageTray(pdev);
    if (tray < 0) tray = kAutomaticTray;
    if (tray != page.currentTray) {
      page.currentTray = static_cast<int16_t>(tray);
      changed = 1;
    }
  }
  if (pdev->jobSetup.samePaperOut && !SameSize(page.sheet, page.logical)) {
    if (!pdev->pipeline.paperIsCustom) page.sheet = page.logical;
    if (page.currentTray == kAutomaticTray) changed = 1;
  }
  return changed;
}

int GetOptionFlag(const PdevState* pdev, uint16_t value, uint16_t list) {
  if (!pdev) return 1;
  ModelRecord* record = FindListRecord(pdev->primaryModelFile, pdev->secondaryModelFile, list, value);
  if (!record) return 1;
  BYTE flag = 0;
  const int result = GetListRecordFlagByte(record, &flag) != 0 || flag != 0 ? 1 : 0;
  ReleaseModelRecord(record);
  return result;
}

int IsDuplexAllowed(const PdevState* pdev, const PaperBlock* sheet, int16_t tray) {
  if (!pdev || !sheet) return -1;
  if (tray == kAutomaticTray) {
    if (sheet->sizeFlag == 0) return 0;
  } else if (tray != 0) {
    if (GetOptionFlag(pdev, static_cast<uint16_t>(tray), kTrayList) == 0) return 0;
    if (tray == kBypassTray) {
      if (sheet->sizeFlag == 0) return 0;
      BYTE media = 1;
      if (ReadMediaTypeByte(pdev, &media) && media == 0) return 0;
    }
  }
  const LONG value266 = GetPdevSettingLong(pdev, 266);
  if (value266 != 0 && GetOptionFlag(pdev, static_cast<uint16_t>(value266), kMediaValueList) == 0) return 0;
  return 1;
}

int GetTrayDeviceCode(const PdevState* pdev, int16_t tray) {
  if (!pdev) return -1;
  ModelRecord* record =
      FindListRecord(pdev->primaryModelFile, pdev->secondaryModelFile, kTrayList, static_cast<uint16_t>(tray));
  if (!record) return -1;
  WORD word = 0;
  const int result = GetListRecordWord(record, &word) == 0 ? (word & 0xFF) : -1;
  ReleaseModelRecord(record);
  return result;
}

int GetPaperAnnouncement(const PdevState* pdev, const PaperBlock* block, char* letter, float* widthMm,
                         float* heightMm) {
  if (!pdev || !block || !letter || !widthMm || !heightMm) return -1;
  // The logical block was filled from the document paper, any other from the
  // output paper.
  const PaperInfo& paper = block == &pdev->currentPage.logical ? pdev->documentPaper : pdev->outputPaper;
  const auto* record = static_cast<const ModelRecord*>(paper.paperRecord);
  char code = 'Q';
  float width = block->width / 10.0f, height = block->height / 10.0f;
  if (record && record->type == kRecordPaper) {
    const WORD paperByte = static_cast<const PaperRecord*>(record)->paperByte;
    if (paperByte != 0) {
      code = static_cast<char>(paperByte);
      if (code != 'Q') {
        // A lettered paper names its size by the letter; only a fixed one can.
        if (IsVariableSizePaper(record)) return -1;
        width = height = 0;
      }
    }
  }
  *letter = code;
  *widthMm = width;
  *heightMm = height;
  return 0;
}

int ClassifyFeedBySettings(const JobSetup* job, int16_t paperId) {
  if (!job) return 0;
  for (uint16_t value : {job->feedSettingA, job->feedSettingB}) {
    switch (value) {
      case 0x0101:
      case 0x0202: return 1;
      case 0x0303:
      case 0x0404: return 2;
      case 0x0606:
        if (paperId == 9 || paperId == 13) return 2;
        if (paperId == 8 || paperId == 12) return 1;
        break;
      default: break;
    }
  }
  return 0;
}

int GetModelFeed(const PdevState* pdev, int16_t paperId) {
  if (!pdev) return 0;
  DeviceModel* model = OpenDeviceModel(pdev->printer);
  if (!model) return 0;
  const int16_t tray = pdev->currentPage.currentTray;
  ModelRecord* record = FindListRecord(model->primary, model->secondary, kTrayList, static_cast<uint16_t>(tray));
  WORD code = 0;
  if (record) {
    const KeyItem* entry = nullptr;
    for (WORD n = 1; GetModelListEntry(record, n, &entry) == 0; ++n) {
      if (entry->key == static_cast<WORD>(paperId)) {
        if (GetModelListEntryCode(record, n, &code) != 0) code = 0;
        break;
      }
    }
    ReleaseModelRecord(record);
  }
  CloseDeviceModel(model);
  switch (code) {
    case 1: return 1;
    case 2: return 2;
    case 3: return tray == kBypassTray ? (GetPdevSettingLong(pdev, 1036) == 1 ? 2 : 1) : 2;
    default: return 0;
  }
}

int ComputeFeedRotation(PdevState* pdev) {
  if (!pdev) return 0;
  const PageLayoutRecord& page = pdev->currentPage;
  const PaperBlock& paper = page.sheet.paperId == 267 || page.sheet.paperId == 305 ? page.logical : page.sheet;
  int feed = ClassifyFeedBySettings(&pdev->jobSetup, paper.paperId);
  if (feed == 0) feed = GetModelFeed(pdev, paper.paperId);
  uint32_t rotation = 0;
  if (feed != 0) {
    int expected = page.turned ? 2 : 1;
    if (page.pagesPerSheet == 2 || page.pagesPerSheet == 8 || pdev->jobSetup.bookletMode) expected = 3 - expected;
    rotation = feed != expected ? 1 : 0;
  }
  pdev->pipeline.feedRotation = rotation;
  return static_cast<int>(rotation);
}
