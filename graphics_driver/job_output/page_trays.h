// Trays and papers of the sheets: the tray of each page, tray and paper
// changes between sheets, whether a duplex back face is allowed, the tray's
// device code, the paper announcement of a sheet start and the feed check
// that turns large images. Results 0 / -1 unless a query says otherwise.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/job_setup.h"
#include "graphics_driver/job_output/page_layout_record.h"

struct PdevState;

// Device model lists of tray records and of the values of setting 266.
constexpr uint16_t kTrayList = 0x8002;
constexpr uint16_t kMediaValueList = 0x8003;
constexpr int16_t kAutomaticTray = 7;

// The page's tray; also keeps the first page's tray. -1 without a PDEV or
// for a value that is no tray.
int SelectPageTray(PdevState* pdev);
// At a physical page start (cell 0 only): 1 when the tray or, for paper that
// follows the page, the paper changed; 0 when not; -1 otherwise.
int CheckTrayAndPaperChange(PdevState* pdev);
// The flag byte of the value's record in the list: 0 or 1; 1 when the record
// or its byte is missing.
int GetOptionFlag(const PdevState* pdev, uint16_t value, uint16_t list);
int IsDuplexAllowed(const PdevState* pdev, const PaperBlock* sheet, int16_t tray);
// The low byte of the tray record's word, or -1.
int GetTrayDeviceCode(const PdevState* pdev, int16_t tray);
// The paper letter and size in millimetres (0 x 0 for a fixed lettered
// paper) announced at a sheet start.
int GetPaperAnnouncement(const PdevState* pdev, const PaperBlock* block, char* letter, float* widthMm, float* heightMm);

// 1 across, 2 along the feed; 0 when neither setting decides.
int ClassifyFeedBySettings(const JobSetup* job, int16_t paperId);
// The feed code of the paper in the current tray's record; 0 when unknown.
int GetModelFeed(const PdevState* pdev, int16_t paperId);
// Sets and answers feedRotation: 1 when the page feeds across the expected
// direction.
int ComputeFeedRotation(PdevState* pdev);
