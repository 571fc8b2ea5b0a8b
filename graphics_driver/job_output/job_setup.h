// The job set-up of the page pipeline: the job's settings, read once at the
// start of the document and again when the job output starts.
#pragma once

#include <cstdint>

struct JobSetup {
  uint32_t featureLevel;
  int16_t osMajorVersion, osMinorVersion;
  uint32_t pageMode;
  uint32_t pageModeVariant;
  uint32_t colorTracking;
  int16_t colorLimit;
  uint32_t colorCountsWhite;
  uint16_t sidesPerSheet;
  uint16_t pagesPerSheet;
  uint32_t pjlOutput;
  uint32_t posterMode;
  int16_t posterTiles[2];  // across, down
  uint32_t posterMarks;
  uint32_t bookletMode;
  uint32_t bookletSubsets;
  int16_t sheetsPerSubset;
  uint32_t bookletOuterFirst;
  uint32_t stampPerSheet, stampPerPage;
  uint32_t stampFirstOnly;
  uint32_t samePaperOut;
  uint32_t trayFollowsPage;
  uint32_t labelFlagA, labelFlagB;
  uint32_t storedJob;
  uint32_t resetStatePerSheet;
  uint32_t labelOn;
  int16_t labelItemPositions[6];
  uint16_t feedSettingA, feedSettingB;
  uint32_t marginsFromEscape;
  int16_t copies;
  uint32_t spoolWholeJob;
  uint32_t collateCopies;
  uint32_t reverseOrder;
  int16_t firstPageTray;
};

struct PdevState;

// Reads the job's settings into the PDEV's job set-up: 0, or -1 for a
// setting value the job cannot run with (feature level, page mode, colour
// word, duplex, pages per sheet, poster tiles, layout kind).
int ReadJobSetup(PdevState* pdev);
// 1 while the stamp bracket is on and the job has a stamp of either kind.
int IsStampDrawingOn(const PdevState* pdev);
