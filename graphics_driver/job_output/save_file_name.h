// The save file of a job saved to a file: its name, built at the start of the
// job output from the save folder, the base name and a free number where
// asked, with the questions when the file exists; and the process-wide output
// abort state that makes the write routes drop a job.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// 1 when the name was built or the job dropped (the abort state -1); 0 when
// the name does not fit its 260 bytes or cannot be converted back.
int BuildSaveFileName(PdevState* pdev);
// Appends "-%03d" with the number after the highest one in use, and the
// extension, to the ANSI `name` of `size` bytes: 1, or 0 when 999 is taken or
// the result does not fit.
int FindFreeNumberedName(char* name, size_t size, const char* extension);
void SetOutputAbortState(int32_t value);
int32_t GetOutputAbortState();
// Copies the current job's save file name (260 characters with terminator).
void CopyLastSaveFileName(WCHAR* buffer);
