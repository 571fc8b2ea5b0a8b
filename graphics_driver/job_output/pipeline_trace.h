// The page pipeline's trace log: a line per page event, with the local time,
// the document and printer names and the milliseconds since the trace start
// as the flags ask. The lines go to a trace sink in pieces of at most 255
// bytes; the sink drops them.
#pragma once

#include <cstddef>

#include "graphics_driver/core/pdev_state.h"

constexpr int kTraceStart = 1;         // keeps the tick count as the trace start
constexpr int kTraceElapsed = 2;       // "[Nms]" since the trace start
constexpr int kTraceTimeAndNames = 4;  // "[yyyy,mm/dd,hh:mm:ss][document][printer]"
constexpr size_t kTracePieceBytes = 255;

// 0.
int LogPipelineEvent(PdevState* pdev, const WCHAR* text, int flags);

// The trace sink: accepts every piece and answers 0. A test may set a
// capture that sees each piece.
using TracePieceCapture = void (*)(const char* piece, size_t length);
void SetTracePieceCapture(TracePieceCapture capture);
