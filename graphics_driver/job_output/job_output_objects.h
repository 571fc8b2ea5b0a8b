// The job's output objects: the image store, the colour converter and its
// counter, the spool-file state, the rotation buffer and the compression
// library binding, made when the job output opens and freed at the job end
// or abort; and the job head written when the output starts.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// The label texts escape 0x5007 hands the driver: five texts in one block.
struct LabelInfoParts {
  WCHAR* texts[5];
};

// Makes the objects, names the job and opens the output sink on the printer
// handle the pipeline kept: 0, or -1 (no sink opened) when the job is in
// error or an object cannot be made. A fax printer reads the fax fields and
// keeps the fax block of the job's blob.
int OpenJobOutput(PdevState* pdev, const WCHAR* documentName, const WCHAR* outputName);
// Frees every object present: -1 when the job user record, the image flag
// or the image store reported failure (on a fax printer: the fax data
// link's discard), else 0.
int FreePageOutputObjects(PdevState* pdev);
// For a PJL job the PJL header (without a job name): 0.
int WriteJobHeader(PdevState* pdev);
// Releases the job user record's name handle: 0, or -1 when the release did
// not report success.
int ReleaseJobUser(PdevState* pdev);
