// Reading the job set-up (see job_setup.h).
#include "graphics_driver/job_output/job_setup.h"

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/feature_level.h"
#include "graphics_driver/job_output/page_records.h"
#include "platform/win/win_version.h"

namespace {

constexpr uint32_t kLowestLevel = 0x01010501;
constexpr uint32_t kHighestLevel = 0x01020001;
constexpr uint32_t kLabelLevel = 0x01010701;
constexpr uint32_t kCollateLevel = 0x01010903;

LONG Setting(const PdevState* pdev, SettingId id) { return GetPdevSettingLong(pdev, id); }
bool Flag(const PdevState* pdev, SettingId id) { return Setting(pdev, id) != 0; }

bool HasText(const PdevState* pdev, SettingId id) {
  const auto* text = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, id));
  return text && text[0];
}

int16_t PosterTiles(LONG value) {
  switch (value) {
    case 0x0202: return 2;
    case 0x0303: return 3;
    case 0x0404: return 4;
    default: return 0;
  }
}

}  // namespace

int ReadJobSetup(PdevState* pdev) {
  if (!pdev) return -1;
  JobSetup job{};
  job.firstPageTray = pdev->jobSetup.firstPageTray;
  job.featureLevel = GetFeatureLevel(pdev);
  if (job.featureLevel < kLowestLevel || job.featureLevel > kHighestLevel) return -1;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = 276;
  if (GetVersionExW(&version)) {
    job.osMajorVersion = int16_t(version.dwMajorVersion);
    job.osMinorVersion = int16_t(version.dwMinorVersion);
  }

  job.pageModeVariant = Flag(pdev, 457);
  switch (Setting(pdev, 270)) {
    case 0: job.pageMode = 0; break;
    case 1: job.pageMode = 1; break;
    case 2: job.pageMode = 2; break;
    case 3: job.pageMode = job.pageModeVariant ? 0 : 2; break;
    default: return -1;
  }
  if (Setting(pdev, 336) == 1 && job.pageMode == 0) {
    job.pageMode = 2;
    job.pageModeVariant = 0;
  }

  const uint32_t colourWord = uint32_t(Setting(pdev, 1030));
  job.colorTracking = Flag(pdev, 463);
  if (job.pageMode != 0) {
    job.colorTracking = 0;
  } else {
    const uint32_t tracking = (colourWord >> 12) & 0xF;
    if (tracking > 1) return -1;
    if (tracking == 0 && (Setting(pdev, 271) & 0xFF) != 1) job.colorTracking = 0;
  }
  job.colorLimit = int16_t(colourWord & 0xFF);
  const uint32_t white = (colourWord >> 8) & 0xF;
  if (white > 1) return -1;
  job.colorCountsWhite = white;

  switch (Setting(pdev, 16)) {
    case 1: job.sidesPerSheet = 1; break;
    case 2:
    case 3: job.sidesPerSheet = 2; break;
    default: return -1;
  }
  const LONG pages = Setting(pdev, 295);
  if (pages != 1 && pages != 2 && pages != 4 && pages != 8) return -1;
  job.pagesPerSheet = uint16_t(pages);
  job.pjlOutput = Flag(pdev, 1032);

  const LONG layout = Setting(pdev, 321);
  if (layout < 0 || layout > 2) return -1;
  job.posterMode = layout == 1;
  job.bookletMode = layout == 2;
  if (job.posterMode) {
    const int16_t tiles = PosterTiles(Setting(pdev, 296));
    if (tiles == 0) return -1;
    job.posterTiles[0] = job.posterTiles[1] = tiles;
    job.posterMarks = Flag(pdev, 453);
  }
  if (job.bookletMode) {
    job.bookletSubsets = Flag(pdev, 458);
    if (job.bookletSubsets) job.sheetsPerSubset = int16_t(Setting(pdev, 323));
  }

  if (HasText(pdev, 297) && HasText(pdev, 299)) {
    if (Flag(pdev, 456)) job.stampPerSheet = 1;
    else job.stampPerPage = 1;
    job.stampFirstOnly = Flag(pdev, 454);
  }
  const LONG outputPaper = Setting(pdev, 262);
  job.samePaperOut = outputPaper == 267 || outputPaper == 305;
  job.trayFollowsPage = 1;
  if (job.pagesPerSheet > 1 || job.bookletMode) job.samePaperOut = job.trayFollowsPage = 0;

  if (job.featureLevel < kLabelLevel) {
    job.labelFlagA = job.labelFlagB = uint32_t(-1);
  } else {
    job.labelFlagA = Setting(pdev, 461) == 1;
    job.labelFlagB = Setting(pdev, 462) == 1;
  }
  job.storedJob = Setting(pdev, 336) == 1;
  job.resetStatePerSheet = Setting(pdev, 339) == 1;
  for (int i = 0; i < 6; ++i) {
    const bool on = (Setting(pdev, SettingId(464 + i)) & 0xFF) == 1;
    if (on) job.labelOn = 1;
    job.labelItemPositions[i] = on ? int16_t(Setting(pdev, SettingId(351 + i))) : int16_t(-1);
  }
  job.feedSettingA = uint16_t(Setting(pdev, 326));
  job.feedSettingB = uint16_t(Setting(pdev, 344));
  job.marginsFromEscape = Setting(pdev, 387) == 1;
  job.copies = int16_t(Setting(pdev, 12));
  job.collateCopies = job.copies != 1 && HasModelCapability(pdev, 0x10000) && HasModelCapability(pdev, 0x20000) &&
                      !Flag(pdev, 771) && job.featureLevel >= kCollateLevel && Setting(pdev, 18) == 1;
  job.reverseOrder = Setting(pdev, 480) == 1;
  job.spoolWholeJob = job.collateCopies || job.reverseOrder;
  pdev->jobSetup = job;
  return 0;
}

int IsStampDrawingOn(const PdevState* pdev) {
  if (!pdev) return 0;
  return pdev->pipeline.stampBracket && (pdev->jobSetup.stampPerSheet || pdev->jobSetup.stampPerPage) ? 1 : 0;
}
