// Fax jobs: the fax fields of a job, the cover page put in front of the
// pages, and a fax to several recipients sent once per recipient. Such a
// fax writes its head at output start and keeps every job byte after it in a
// temp file of the job, so that each later recipient's spooler job gets its
// own head, its cover, and the same page bytes.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"

// Reads the fax fields of the job (settings 381, 376, 377, 380, 379).
void GetFaxJobSettings(PdevState* pdev);

// The cover page of an entry (2,166 bytes): 0, or -1 after putting the job
// in error.
int EmitFaxCoverPage(PdevState* pdev, const BYTE* entry);
// The same steps without the job abort (for the recipient runs).
int EmitFaxCoverPageSteps(PdevState* pdev, const BYTE* entry);
// One spooler job per recipient: the first is the job already open; each
// later one gets a new job with its head, its cover and the kept job bytes.
// A recipient that fails is closed without success and the next one runs.
// -1 when any recipient failed, when the kept bytes are incomplete, or when
// the job names more recipients than its fax block holds.
int RunFaxRecipientJobs(PdevState* pdev);

// The temp file that keeps the job bytes after the head: 0 or -1.
int StartFaxJobCopy(PdevState* pdev);
// Called with every job byte a route takes: kept while copying.
void KeepFaxJobBytes(PdevState* pdev, uint32_t count, const void* bytes);
// Sends the kept bytes into the open job: 0 or -1.
int SendFaxJobCopy(PdevState* pdev);
// Deletes the kept bytes' temp file and its register entry.
void FreeFaxJobCopy(PdevState* pdev);

// Deletes the fax temp file setting 375 (else 374) names when it is one of
// the interface library's fax temp files: 0, or -1 when such a file could not
// be deleted. Any other file is left alone.
int DeleteFaxTempFile(PdevState* pdev);
// 1 when the path is a fax temp file of the interface library: registered
// under its temp-file key, or "KZF*.tmp" in the user's temp folder.
int IsInterfaceFaxTempFile(const WCHAR* path);
