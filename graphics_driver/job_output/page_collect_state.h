// What the colour stage of the drawing code asks of the page spool: whether a
// page is being recorded (and so its colours collected), the page's colour
// mode, and whether the page will be flushed early, so that its colour must
// be decided exactly.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// The page spool's state word: 0 idle, 0x8000 open, 0x8001 | bits while a
// page is recorded.
constexpr uint32_t kSpoolOpen = 0x8000;
constexpr uint32_t kSpoolRecording = 0x8001;
constexpr uint32_t kSpoolKeep = 0x02;  // the page stays spooled until its layout replays it

// 1 while a page is recorded (0x8001 with any of the bits 0x3E), else 0.
int IsPageRecorded(const PdevState* pdev);
// 1 unless a page is being recorded.
int IsPageCollectIdle(const PdevState* pdev);
// Marks the recorded page as holding colour (spoolMode 2): 0, or -1 while no
// page is recorded.
int SetPageCollectMode2(PdevState* pdev);
// 1 when the open logical page will be flushed before its layout is known:
// document, job output, physical and logical page open, a page recorded
// without the keep bit, and a nonzero spoolMode. Else 0.
int PageCollectNeedsFlush(const PdevState* pdev);
