// The job's TIFF record inside the output stream: its set-up at document
// start, the band stepping that the banding entries and the drawing code run
// on, the band buffer, and the drawing state the drawing code keeps in it.
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"
#include "platform/outside/tiff_job_record.h"

struct JobOutputStream;

// Takes the document-start settings into the record and clears every band,
// page and drawing field: 1.
int InitTiffJobRecord(PdevState* pdev, TiffJobRecord* record);
TiffJobRecord* GetTiffJobRecord(JobOutputStream* stream);
// Steps to the next band of the page: the record (with bandIndex 0 after the
// page's last band), or null when the PDEV has no output stream or no band
// can be had (no memory for a band row or its buffer). A band never holds
// more rows than the surface was made for.
TiffJobRecord* GetNextBand(SURFOBJ* surface);
// 1 when the band buffer was freed, -1 when there was none.
int FreeBandBuffer(JobOutputStream* stream);
int SetRasterOp(JobOutputStream* stream, char polarity, char operation);
int SetDrawImageKind(JobOutputStream* stream, uint32_t kind);
