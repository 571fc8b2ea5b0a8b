// The two blocks the driver hands its outside raster libraries: the job's
// TIFF record (page, band and job state, fixed to the byte because it crosses
// the library boundary) and the Movrane work block of paths.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kOutsidePathBytes = 260;

struct TiffJobRecord {
  uint16_t mode;  // 0 a band, 1 a page end, 2 the job end
  uint16_t resolution;
  uint16_t outputDpi;
  uint16_t sourceResolution;
  uint16_t pageNumber;
  uint16_t nupMode;
  uint16_t pageHandlingMode;
  uint16_t setting333;
  uint32_t widthDots;
  uint32_t heightDots;
  uint32_t scaledWidth;
  uint32_t scaledHeight;
  uint16_t landscape;
  uint16_t bandsPerPage;
  uint16_t scalePercent;
  uint8_t padding38[2];
  uint32_t blankRows;
  uint16_t bandDirty;
  uint8_t padding46[2];
  int32_t bandTop;
  uint32_t bandBottom;
  uint32_t bandLeft;
  uint32_t bandRight;
  uint32_t bandWidth;
  uint32_t bandRows;
  uint16_t bandIndex;
  uint8_t reserved74[6];
  uint8_t* bandBuffer;
  uint32_t bandBufferSize;
  uint32_t bytesPerRow;
  uint32_t ropPolarity;
  uint32_t ropOperation;
  uint32_t penLevel;
  uint32_t brushLevel;
  uint32_t reserved112;
  uint32_t imageKind;
  uint32_t flag479;
  uint32_t option1042;
  int32_t setting285;
  uint32_t reserved132[3];
  uint16_t collectedPages;
  char pageFiles[4][kOutsidePathBytes];
  char currentFile[kOutsidePathBytes];
  char outputFile[kOutsidePathBytes];
  uint16_t outputReady;
  uint16_t pjlAtPageStart;
  char multiPageFile[kOutsidePathBytes];
  uint16_t savedLandscape;
  uint32_t savedScaledWidth;
  uint32_t savedScaledHeight;
  uint8_t reserved1980[4];
  uint64_t storageObject;
  uint64_t managerObject;
  uint16_t multiPageOpen;
  uint8_t reserved2002[6];
  void* multiPageModule;
  uint32_t rotated;
  uint32_t paperKindPair;
  uint32_t topUnderMarginOn;
  uint32_t topMarginDots;
  uint32_t underMarginDots;
  uint32_t imageOffsetOn;
  uint32_t setting413TwoOrThree;
  uint32_t setting413Code;
  uint32_t imageOffset1Dots;
  uint32_t imageOffset2Dots;
};

static_assert(sizeof(void*) == 8, "the record holds 8-byte pointers");
static_assert(sizeof(TiffJobRecord) == 2056);
static_assert(offsetof(TiffJobRecord, mode) == 0);
static_assert(offsetof(TiffJobRecord, resolution) == 2);
static_assert(offsetof(TiffJobRecord, outputDpi) == 4);
static_assert(offsetof(TiffJobRecord, sourceResolution) == 6);
static_assert(offsetof(TiffJobRecord, pageNumber) == 8);
static_assert(offsetof(TiffJobRecord, nupMode) == 10);
static_assert(offsetof(TiffJobRecord, pageHandlingMode) == 12);
static_assert(offsetof(TiffJobRecord, setting333) == 14);
static_assert(offsetof(TiffJobRecord, widthDots) == 16);
static_assert(offsetof(TiffJobRecord, heightDots) == 20);
static_assert(offsetof(TiffJobRecord, scaledWidth) == 24);
static_assert(offsetof(TiffJobRecord, scaledHeight) == 28);
static_assert(offsetof(TiffJobRecord, landscape) == 32);
static_assert(offsetof(TiffJobRecord, bandsPerPage) == 34);
static_assert(offsetof(TiffJobRecord, scalePercent) == 36);
static_assert(offsetof(TiffJobRecord, padding38) == 38);
static_assert(offsetof(TiffJobRecord, blankRows) == 40);
static_assert(offsetof(TiffJobRecord, bandDirty) == 44);
static_assert(offsetof(TiffJobRecord, padding46) == 46);
static_assert(offsetof(TiffJobRecord, bandTop) == 48);
static_assert(offsetof(TiffJobRecord, bandBottom) == 52);
static_assert(offsetof(TiffJobRecord, bandLeft) == 56);
static_assert(offsetof(TiffJobRecord, bandRight) == 60);
static_assert(offsetof(TiffJobRecord, bandWidth) == 64);
static_assert(offsetof(TiffJobRecord, bandRows) == 68);
static_assert(offsetof(TiffJobRecord, bandIndex) == 72);
static_assert(offsetof(TiffJobRecord, reserved74) == 74);
static_assert(offsetof(TiffJobRecord, bandBuffer) == 80);
static_assert(offsetof(TiffJobRecord, bandBufferSize) == 88);
static_assert(offsetof(TiffJobRecord, bytesPerRow) == 92);
static_assert(offsetof(TiffJobRecord, ropPolarity) == 96);
static_assert(offsetof(TiffJobRecord, ropOperation) == 100);
static_assert(offsetof(TiffJobRecord, penLevel) == 104);
static_assert(offsetof(TiffJobRecord, brushLevel) == 108);
static_assert(offsetof(TiffJobRecord, reserved112) == 112);
static_assert(offsetof(TiffJobRecord, imageKind) == 116);
static_assert(offsetof(TiffJobRecord, flag479) == 120);
static_assert(offsetof(TiffJobRecord, option1042) == 124);
static_assert(offsetof(TiffJobRecord, setting285) == 128);
static_assert(offsetof(TiffJobRecord, reserved132) == 132);
static_assert(offsetof(TiffJobRecord, collectedPages) == 144);
static_assert(offsetof(TiffJobRecord, pageFiles) == 146);
static_assert(offsetof(TiffJobRecord, pageFiles) + kOutsidePathBytes == 406);
static_assert(offsetof(TiffJobRecord, pageFiles) + 3 * kOutsidePathBytes == 926);
static_assert(offsetof(TiffJobRecord, currentFile) == 1186);
static_assert(offsetof(TiffJobRecord, outputFile) == 1446);
static_assert(offsetof(TiffJobRecord, outputReady) == 1706);
static_assert(offsetof(TiffJobRecord, pjlAtPageStart) == 1708);
static_assert(offsetof(TiffJobRecord, multiPageFile) == 1710);
static_assert(offsetof(TiffJobRecord, savedLandscape) == 1970);
static_assert(offsetof(TiffJobRecord, savedScaledWidth) == 1972);
static_assert(offsetof(TiffJobRecord, savedScaledHeight) == 1976);
static_assert(offsetof(TiffJobRecord, reserved1980) == 1980);
static_assert(offsetof(TiffJobRecord, storageObject) == 1984);
static_assert(offsetof(TiffJobRecord, managerObject) == 1992);
static_assert(offsetof(TiffJobRecord, multiPageOpen) == 2000);
static_assert(offsetof(TiffJobRecord, reserved2002) == 2002);
static_assert(offsetof(TiffJobRecord, multiPageModule) == 2008);
static_assert(offsetof(TiffJobRecord, rotated) == 2016);
static_assert(offsetof(TiffJobRecord, paperKindPair) == 2020);
static_assert(offsetof(TiffJobRecord, topUnderMarginOn) == 2024);
static_assert(offsetof(TiffJobRecord, topMarginDots) == 2028);
static_assert(offsetof(TiffJobRecord, underMarginDots) == 2032);
static_assert(offsetof(TiffJobRecord, imageOffsetOn) == 2036);
static_assert(offsetof(TiffJobRecord, setting413TwoOrThree) == 2040);
static_assert(offsetof(TiffJobRecord, setting413Code) == 2044);
static_assert(offsetof(TiffJobRecord, imageOffset1Dots) == 2048);
static_assert(offsetof(TiffJobRecord, imageOffset2Dots) == 2052);

// The Movrane work block: zero-ended ANSI paths, zeroed for every page step.
struct RasterWorkBlock {
  char workFolder[kOutsidePathBytes];  // the driver's work folder
  char sheetFile[kOutsidePathBytes];   // the N-up sheet file written
  char bandFile[kOutsidePathBytes];    // the newest band file, when a page file exists
  char whiteFile[kOutsidePathBytes];   // the newest white part
};

static_assert(sizeof(RasterWorkBlock) == 1040);
static_assert(offsetof(RasterWorkBlock, sheetFile) == 260);
static_assert(offsetof(RasterWorkBlock, bandFile) == 520);
static_assert(offsetof(RasterWorkBlock, whiteFile) == 780);

// The marks of an N-up sheet (its labels and tiled stamp copies): drawn over
// the whole sheet, not into one page's cell. One bit a dot, a set bit is ink,
// `rows` rows of `rowBytes` bytes from the top, at the rows' resolution. The
// frame may be the sheet turned a quarter (two pages per sheet): the marks
// are then turned onto the sheet as its pages are.
struct SheetMarksImage {
  const uint8_t* bits;
  uint32_t width;
  uint32_t rows;
  uint32_t rowBytes;
};
