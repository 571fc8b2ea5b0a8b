// The nodes of higher folders (colour, geometry) that the format readers put
// behind their decoders. The formats cannot name those folders, so each of them
// registers its creators here; a reader that needs a creator nobody has
// registered reports the gap instead of delivering lines of another form.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_header.h"

class InputStorage;
class RstColorType;
class RstRead;
class RstReadTIFFHeader;
class RstMutex;

struct RstFormatCreators {
  // Run lines painted into packed 1-bit rows (geometry).
  RstRead* (*decode_rle)(RstRead* source) = nullptr;
  // 1-bit samples widened to bytes of the two values (colour).
  RstRead* (*convert_bits_1_to_8)(RstRead* source, uint8_t zero, uint8_t one) = nullptr;
  // Inputs joined left to right (geometry).
  RstRead* (*align_x)(const std::vector<RstRead*>& nodes) = nullptr;
  // Columns x to x + width - 1 of the source (geometry).
  RstRead* (*clip_width)(RstRead* source, int32_t x, int32_t width) = nullptr;
  // Gray turned into reverse gray and back, same look (colour).
  RstRead* (*reverse_gray)(RstRead* source) = nullptr;
  // Each sample mapped through its channel's block of 2^bits table entries
  // (colour).
  RstRead* (*transform_color_lut)(RstRead* source, const void* table) = nullptr;
  // Encoded Lab re-encoded from the given range and offset per channel (L,
  // a, b) at bits to the default encoding (colour); the source itself when
  // they are that encoding.
  RstRead* (*convert_lab_range)(RstRead* source, const uint32_t range[3], const int32_t offset[3],
                                int32_t bits) = nullptr;
  // The source's colours in another colour type (colour).
  RstRead* (*transform_color_to)(RstRead* source, RstColorType* target) = nullptr;
  // Indexed samples replaced by their colormap's colours; other sources
  // pass unchanged (colour).
  RstRead* (*apply_colormap)(RstRead* source) = nullptr;
  // Packed 4-bit samples widened to one byte each, values kept (colour).
  RstRead* (*convert_bits_4_to_8)(RstRead* source) = nullptr;
  // The channels of every pixel in reverse order (colour).
  RstRead* (*reverse_channel)(RstRead* source) = nullptr;
  // The rows in reverse order (geometry).
  RstRead* (*mirror_y)(RstRead* source) = nullptr;
  // The composed page of a TIFF-FX mixed raster content mask page, with or
  // without mask-referenced layer scaling (mrc).
  RstRead* (*read_tiff_mrc)(InputStorage* input, RstReadTIFFHeader* header, bool mask_referenced) = nullptr;

  // The PDF module (mrc): its one mutex, and the document calls made while
  // holding it. The information gives the page count, the version (10 x
  // major + minor) and Title, Author, Subject, Keywords, Creator, Producer,
  // CreationDate and ModDate (null when absent; each ends in zero bytes).
  RstMutex& (*pdf_mutex)() = nullptr;
  int32_t (*pdf_open_document)(const char* path) = nullptr;
  int32_t (*pdf_document_info)(int32_t* page_count, int32_t* version, const char* strings[8]) = nullptr;
  int32_t (*pdf_close_document)() = nullptr;
  // The object image of a PDF page (its own open, under the mutex): canvas
  // size, resolution and per object its kind and header; false when the page
  // cannot be converted.
  struct PDFPageObject {
    uint32_t kind = 0;
    RstHeader header;
  };
  struct PDFPageObjects {
    int32_t width = 0, height = 0, x_resolution = 0, y_resolution = 0;
    std::vector<PDFPageObject> objects;  // without the end record
  };
  bool (*pdf_page_objects)(InputStorage* storage, uint32_t page, PDFPageObjects& out) = nullptr;
  // The PDF page composed at its canvas size with linear scaling.
  RstRead* (*read_pdf_page)(InputStorage* storage, uint32_t page) = nullptr;

  // The MRC page writer's layers (mrc): [mask, background, foreground] of an
  // ITU Lab page over the Halvex mask with a white background; [mask,
  // foreground]; [mask, background]. Empty after a report.
  std::vector<RstRead*> (*make_mrc_3layers_white_bg)(RstRead* source, int32_t rows) = nullptr;
  std::vector<RstRead*> (*make_mrc_2layers_fore)(RstRead* source) = nullptr;
  std::vector<RstRead*> (*make_mrc_2layers_back)(RstRead* source) = nullptr;
  // Stripes of the given heights laid end to end over one fan-out (mrc).
  std::vector<RstRead*> (*stripe)(RstRead* source, const std::vector<uint32_t>& heights, int mode, int count) = nullptr;
  // Nearest-neighbour scaling to width x height (geometry).
  RstRead* (*scale_nn)(RstRead* source, int32_t width, int32_t height) = nullptr;
};

// The process-wide table; the folders that own the nodes fill it in.
RstFormatCreators& rst_format_creators();
