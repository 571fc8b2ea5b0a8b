// Where a job's bytes go: dropped while the job is aborted, into the preview
// job file "PRV.pjl" of the driver's temp folder, to the spooler through the
// output stream, or into the save file; and, at the end of a preview job, the
// preview program, whose nonzero exit code prints the job.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// Every route answers -1 on failure; a dropped write answers 1, the stream
// 0 and the files 1 on success.
int WriteJobText(PdevState* pdev, const char* text);
int WriteJobBytes(PdevState* pdev, uint32_t count, const void* bytes);
int AppendPreviewJob(PdevState* pdev, uint32_t count, const void* bytes);
int AppendSaveFile(PdevState* pdev, uint32_t count, const void* bytes);
// Appends to the file, made when missing: 1 when every byte was written, else 0.
int AppendFileBytes(uint32_t count, const void* bytes, const char* ansiPath);
// The driver's temp folder "BRISCA" under the user's temp path, made when
// missing, as an ANSI path of at most 260 bytes: 0 or -1 (1 or 0 for the raster
// libraries' variant).
int GetBriscaTempFolder(char* ansiOut);
int GetRasterTempFolder(char* ansiOut);
// The preview job file's ANSI path (one for the process); null when the temp
// folder cannot be had.
const char* PreviewJobPath();
// Starts the preview program on the TIFF and acts on its answer: 1 when the
// job was dealt with, 0 when the program path cannot be built or the job could
// not be sent or kept as asked (the user is told).
int RunPreviewProgram(PdevState* pdev, const char* ansiTiffPath);
// Sends the file to the job in pieces of 256 bytes: 1, or 0 when it cannot be
// opened or a read or write fails.
int ResendFileToSpooler(PdevState* pdev, const char* ansiPath);
BOOL CopyJobToOutputFolder(PdevState* pdev, const char* ansiPath);
void ShowOutputErrorMessage();
// The box saying that the job could not be saved and is kept at the path.
void ShowJobKeptMessage(const WCHAR* keptPath);
// Deletes a preview job file an earlier preview job left behind.
void RemoveLeftoverPreviewJob();
