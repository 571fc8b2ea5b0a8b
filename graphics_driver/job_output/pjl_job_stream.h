// The PJL job stream: the header of PJL commands that opens a job, the frame
// each finished TIFF file is sent in, the end-of-job line, and the job owner
// name the header carries. Every byte goes through the job's output route.
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "platform/outside/tiff_job_record.h"

// Sets the job user record for a document of the spooler's job `jobId` (no
// name handle yet); 0.
int InitJobUserRecord(JobUserRecord* record, DWORD jobId);
// The document start's step: nonzero without a PDEV, else InitJobUserRecord
// on the PDEV's record.
int InitJobUserInfo(PdevState* pdev, DWORD jobId);

// The header (with the JOB NAME line and the stored name when `jobName` is
// given and not empty).
void WritePjlHeader(PdevState* pdev, const WCHAR* jobName);
// Sends the record's output file into the job (framed with PJL output): 0
// when no file is ready, 1 when done, -1 when the file cannot be read or a
// write fails.
int StreamTiffFileIntoJob(PdevState* pdev, TiffJobRecord* record);
// The EOJ line, when the last header stored a job name.
void WritePjlEoj(PdevState* pdev);
// "user\computer" (or the user alone when it is maxBytes characters or
// longer), cut to maxBytes characters, into `out` (maxBytes + 1 characters).
void GetJobOwnerName(int maxBytes, WCHAR* out);
// Checks the ANSI form of `wide`: 1 with the text back in `out` (maxBytes + 1
// characters), else 0 with `error` 1 (empty, blank or a byte out of range) or
// 2 (longer than maxBytes bytes).
int ValidateOwnerText(const WCHAR* wide, WCHAR* out, int maxBytes, int* error);
// The job's user name (at most 64 characters, `out` holds 65): 0, or -1 when
// neither the session nor the machine's default user gives one.
int GetJobUserName(WCHAR* out);
