// The band engine's shared steps (see band_engine.h): the drawing state as
// the engine reads it and the pattern rows, rotated to the drawn column and
// taken at the page row, that spans and bitmap rows are combined with.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics_driver/job_output/job_output_stream.h"

struct DrawState {
  uint32_t polarity;   // 1 normal, 2 inverted
  uint32_t operation;  // 1 OR, 2 AND, 3 XOR, 4 COPY
  uint32_t foreGrey;
  uint32_t backGrey;
  uint32_t patternIndex;
};

// Polarity 0 reads as 1 and operation 0 as 4.
DrawState GetDrawState(const TiffJobRecord* record);
// The grey after the monochrome rules: with the monochrome flag, grey 0
// under the black option, else every grey but 255 (and above) becomes 0.
uint32_t MonochromeGrey(const TiffJobRecord* record, uint32_t grey);

// A pattern row: pattern byte i covers the i-th byte of a span starting in
// the column byte the row was taken at.
struct PatternRow {
  BYTE local[64];
  std::vector<BYTE> heap;
  BYTE* bytes = local;
  uint32_t length = 0;
  // Room for n bytes; false when memory runs out.
  bool Reserve(uint32_t n);
};

// Row pageRow mod rows of a cell of rowBytes bytes a row, rotated left by
// (x / 8) mod rowBytes bytes and inverted under polarity 2.
void GetPatternRow(const BYTE* cell, uint32_t rowBytes, uint32_t rows, uint32_t polarity, uint32_t x, uint32_t pageRow,
                   PatternRow* out);
// The grey row of FillSpan: 2 bytes of halftone cell grey, or solid / blank
// for grey 0 / 255 and above.
void GetGreyRow(uint32_t grey, uint32_t polarity, uint32_t x, uint32_t pageRow, PatternRow* out);
// The row of the pattern index (brush cell, hatch cells, brush bitmap): false
// when the index has no pattern (or memory runs out).
bool GetBrushRow(const JobOutputStream* stream, uint32_t patternIndex, uint32_t polarity, uint32_t x, uint32_t pageRow,
                 PatternRow* out);
