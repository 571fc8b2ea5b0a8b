// Filling the page record from the PDEV: the logical page's paper block, the
// sheet's paper block and the job's layout fields. Results 0 / -1.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/job_setup.h"
#include "graphics_driver/job_output/page_layout_record.h"

struct PdevState;

// Device units (1/18432 inch) to tenths of a millimetre, rounded; not clamped.
int32_t ToTenthsMm(uint32_t deviceUnits);

// 1 when the device model's capability word (header field 26) has the bit.
int HasModelCapability(const PdevState* pdev, uint32_t bit);

// The logical block from the document paper and the paper-margin record;
// also sets the record's turned flag and the pipeline's paperIsCustom.
int FillLogicalBlock(PdevState* pdev, PageLayoutRecord* record);
// The sheet block from the output paper (setting 262).
int FillSheetBlock(PdevState* pdev, PaperBlock* block);
// The layout fields of the job: binding, scale, N-up, orientation,
// resolutions, booklet and poster fields; fails on a value out of range.
int ReadPageLayoutFields(PageLayoutRecord* record, const JobSetup* job, const PdevState* pdev);
