// The label texts of the job: the interface library hands the driver the
// user, computer, date and time of its labels (escape 0x5007) and reads them
// back with the job's label items, the document name and the page number
// (escape 0x5006) when it draws the labels. The texts are kept in the PDEV's
// LabelInfoParts until the page output objects are freed.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// Fills the 768-byte LabelInfoBlock: 1, or -1 for a missing or wrongly sized
// block (nothing written) or when no texts were received yet (the block then
// holds empty texts, labelOn 0 and the page count).
int GetLabelInfo(PdevState* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);
// Keeps the non-empty texts of the 768-byte block: 1, or -1 for a missing or
// wrongly sized block, or when a text's storage cannot be had (the other
// texts are still kept).
int SetLabelInfo(PdevState* pdev, ULONG cjIn, const void* pvIn);
// Frees the kept texts.
void FreeLabelInfo(PdevState* pdev);
