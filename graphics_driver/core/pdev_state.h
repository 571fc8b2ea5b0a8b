// The PDEV: the graphics driver's record of one printer device context. It
// carries the working DEVMODE and the printer settings block (every setting is
// read and written by id through the settings model, with these two as its
// buffers), the device model, the document and output paper, and the state of
// the page pipeline and job output. It lives on a private heap of its own,
// zeroed at creation, with the signature in its first and last word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics_driver/core/layout_override.h"
#include "graphics_driver/job_output/job_setup.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "graphics_driver/job_output/page_layout_record.h"
#include "platform/gdi/ddi_types.h"
#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"

// "TRDD" read from the most significant byte.
constexpr uint32_t kPdevSignature = 0x54524444;

// Bits of PdevState::ddiFlags (no others are ever set).
constexpr uint32_t kDdiDocumentStarted = 0x4;
constexpr uint32_t kDdiDocumentFailed = 0x8;
constexpr uint32_t kDdiJobOutputStartedHere = 0x4000;
constexpr uint32_t kDdiPageOpen = 0x8000;
constexpr uint32_t kDdiContinuedAfterReset = 0x100000;
constexpr uint32_t kDdiSuperseded = 0x80000000;

// Bits of the page pipeline's flags.
constexpr uint32_t kPipelineDocumentOpen = 0x1;
constexpr uint32_t kPipelineJobOutputStarted = 0x2;
constexpr uint32_t kPipelinePhysicalPageOpen = 0x4;
constexpr uint32_t kPipelineLogicalPageOpen = 0x8;
constexpr uint32_t kPipelineRefillPageRecord = 0x40;
constexpr uint32_t kPipelineJobInError = 0x8000;

// Lengths on the paper are held in 1/18432 inch ("device units").
constexpr uint32_t kDeviceUnitsPerInch = 18432;

// A paper as the driver places it: the form name, the printable rectangle as
// coordinates on the paper and the paper's size, all in device units.
struct PaperInfo {
  WCHAR formName[32];
  uint32_t left, top, right, bottom;
  uint32_t width, height;
  uint32_t rotated;         // 1: rectangle and size turned for landscape
  const void* paperRecord;  // the device model's paper record (type 10), or null
};

// Left, right, top and bottom margin and the paper code, as received from the
// interface library.
struct PdevPaperMargins {
  int16_t left, right, top, bottom;
  int16_t paperCode;
};

// Records of later parts of the driver, reached through the PDEV.
struct JobOutputStream;
struct DeviceFontEntry;
struct DeviceFontFace;
struct LabelInfoParts;
struct ImageStore;
struct ColorConverter;
struct SpoolFileState;
struct MemoryPool;
struct RotationBuffer;

// The job area of the job set-up: the names the job is known by.
struct PdevJobArea {
  WCHAR documentName[260];
  WCHAR outputName[260];
};

// The page pipeline's state.
struct PdevPipeline {
  uint32_t pipelineFlags;
  uint16_t sheetCount;
  uint16_t pageCount;  // physical pages (sheet faces) finished
  uint16_t logicalPageCount;

  // The page spool's state, its page mode and the page's colour set, as the
  // colour stage sees them.
  uint32_t spoolState;
  uint32_t spoolMode;
  PageColorSet pageColorSet;

  uint16_t cellIndex;  // logical pages already placed on the open physical page
  uint16_t faceIndex;  // 0 front, 1 back
  uint32_t feedRotation;
  uint32_t paperIsCustom;

  uint16_t firstSpooledPage, spooledPageCount;  // the page spool's pages
  uint32_t stampBracket, labelBracket;          // drawing brackets of the stamp and label escapes
  POINTL markOffset;                            // dots the text of the mark being drawn is moved by
  uint32_t traceStart;                          // tick count of the last trace start
  HANDLE sinkPrinter;                           // GDI's printer handle the output sink writes to
  LayoutOverride layoutOverride;
};

struct TempFile;

// The fax fields of a job (all 0 on a printer that is no fax device).
struct PdevFax {
  uint32_t faxJob;       // 1 when the device model marks the printer as a fax device
  void* faxDataLink;     // the fax settings block read for the job
  uint32_t faxPagesOff;  // the document's pages are not sent
  uint32_t coverSheet;
  uint32_t coverKind;  // 1 the model's cover-sheet file, 2 the name block; 0 without a cover
  uint16_t recipientCount;
  uint32_t multiRecipient;   // the job is spooled whole and sent once per recipient
  PaperBlock faxPageBlock;   // the sheet paper kept for the recipients' covers
  TempFile* jobCopy;         // the job bytes after the head, for the later recipients
  uint32_t copyingJobBytes;  // 1 while job bytes also go to jobCopy
  uint32_t jobCopyFailed;    // a byte could not be kept: no later recipient is sent
};

// Who the job is for: the spooler's job id the document started with, and a
// name handle (none until the job head names the job), released after the job
// through ReleaseJobUserHandle.
struct JobUserRecord {
  DWORD jobId;
  void* nameHandle;
};

// The clip region cache: the last rectangular or complex clip that drawing
// went through, so that an unchanged clip is not converted again.
struct PdevClipCache {
  int32_t state;   // 0 none, 1 rectangle, 2 complex clip, 3 reset at page start (read as 0)
  RECTL rect;      // the last rectangular clip, normalised
  void* pathCopy;  // the last complex clip's path copy, on the PDEV's heap
  int32_t copySize;
  int32_t copyRecords;
};

struct PdevState {
  uint32_t signature;
  WorkingDevMode devmode;
  BYTE* printerSettings;  // the 2840-byte printer settings block (private heap)
  HANDLE heap;
  HANDLE printer;
  int32_t logicalDpi;
  uint32_t copies;
  HDEV engineDevice;
  HSURF surface;
  HPALETTE palette;
  uint32_t ddiFlags;
  PaperInfo documentPaper;
  PaperInfo outputPaper;
  ModelFile* primaryModelFile;
  ModelFile* secondaryModelFile;
  DeviceFontEntry** deviceFonts;
  uint32_t deviceFontCount;
  int32_t* fontFaceIds;
  DeviceFontFace** fontFaces;
  uint32_t fontFaceCount;
  WCHAR* fontSubstitution;
  JobOutputStream* jobOutput;
  JobSetup jobSetup;
  PdevJobArea jobArea;
  PageLayoutRecord currentPage;  // with paperMargins, the 152-byte page record unit
  PdevPaperMargins paperMargins;
  PdevPipeline pipeline;
  LabelInfoParts* labelInfo;
  JobUserRecord jobUser;
  PdevFax faxState;
  ImageStore* imageStore;
  void* pageImages;
  ColorConverter* colorConverter;
  void* colorCounter;
  SpoolFileState* spoolFile;
  void* compressionDll;
  void* compressionState;
  void* imageFlag;
  MemoryPool* memoryPool;
  RotationBuffer* rotationBuffer;
  PdevClipCache clipCache;
  uint32_t trailerSignature;
};

static_assert(offsetof(PdevState, paperMargins) == offsetof(PdevState, currentPage) + sizeof(PageLayoutRecord));
static_assert(offsetof(PdevState, pipeline) - offsetof(PdevState, currentPage) == kPageRecordUnitBytes);

// The setting's value read through the settings model with the PDEV's two
// buffers: as a 32-bit integer, its low 16 bits, or a pointer (texts). A read
// that fails answers 0.
LONG GetPdevSettingLong(const PdevState* pdev, SettingId id);
SHORT GetPdevSettingShort(const PdevState* pdev, SettingId id);
void* GetPdevSettingPointer(const PdevState* pdev, SettingId id);
