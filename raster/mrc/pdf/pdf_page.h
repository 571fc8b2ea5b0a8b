// Reading one page: page set-up (page box, rotation, the device
// transformation of 600 dpi with y downwards, the page header record), the
// thumbnail record, and the page's content streams run through the content
// interpreter into the page-object list.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_content.h"

// Device pixels per point: 600/72 as a single-precision real.
inline constexpr float kPdfDeviceScale = 600.0f / 72.0f;

// Runs page n (1-based) of the document read last and stores the head of its
// page-object list: the header record, one record per image, the end record.
// The list stays valid until pdf_core_end. 0 or an error code: 3 for a page
// number outside 1 to the page count or an empty page box, 7 without a media
// box or "Resources", 16 for a rotation that is no multiple of 90, and the
// interpreter's codes.
int32_t pdf_core_read_page(int32_t page_number, PdfPageNode** head);

// The page box of the page read last, in points.
void pdf_page_size(float* width, float* height);
