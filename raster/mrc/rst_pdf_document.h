// The raster library's calls into the PDF reader core and what goes with
// them: the one process-wide PDF mutex every use of the core is made under,
// and the map from core results to statuses.
#pragma once

#include <cstdint>
#include <string>

#include "raster/core/rst_mutex.h"
#include "raster/formats/rst_pdf_document_info.h"
#include "raster/mrc/pdf/pdf_content.h"
#include "raster/mrc/pdf/pdf_core.h"

// The PDF reader core keeps its state in globals: everything from
// pdf_open_document to pdf_close_document runs holding this mutex.
RstMutex& rst_pdf_mutex();

// Makes the core's pool, opens the file (-1 when it cannot be opened) and
// begins the core; 0 or the core's error code.
int32_t pdf_open_document(const char* path);
// Ends the core, then closes the file and frees the pool. A non-zero code
// from the end is returned at once and the file stays open.
int32_t pdf_close_document();
int32_t pdf_get_document_info(PdfDocInfo* info);
int32_t pdf_get_page(int32_t page_number, PdfPageNode** head);

// Core result to status: 0 -> 1, 1 -> -13, 20 -> -50, any other -> 0.
int32_t rst_pdf_status(int32_t core_result);
