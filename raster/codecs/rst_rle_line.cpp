// Run lines: copying, the b1/b2 search over a reference line and the growth of
// labelled run lines.
#include "raster/codecs/rst_rle_line.h"

void RstRLELine::assign(const RstRLELine& other) {
  read_offset = other.read_offset;
  byte_count = other.byte_count;
  if (byte_count > 0) std::memmove(runs, other.runs, static_cast<size_t>(byte_count));
}

// Moves the run index to the first run that qualifies for a0 and colour (or to
// the end of the line) and returns it. Qualifying is monotone along the line,
// so stepping back while the previous run qualifies and forward while the
// current one does not gives the same answer from any start.
int32_t RstCPList::seek(int32_t a0, int32_t color) {
  int32_t i = run_index;
  if (i < 0) i = 0;
  while (i > 0 && qualifies(i - 1, a0, color)) --i;
  while (!is_end(i) && !qualifies(i, a0, color)) ++i;
  run_index = i;
  return i;
}

int32_t RstCPList::find_b1(int32_t a0, int32_t color) {
  int32_t i = seek(a0, color);
  if (is_end(i)) {
    edge = width;
  } else {
    edge = color == RST_WHITE ? runs[2 * i] : runs[2 * i + 1] + 1;
  }
  return edge;
}

int32_t RstCPList::find_b2(int32_t a0, int32_t color) {
  int32_t i = seek(a0, color);
  if (is_end(i)) {
    edge = width;
  } else if (color == RST_WHITE) {
    edge = runs[2 * i + 1] + 1;
  } else {
    edge = is_end(i + 1) ? width : runs[2 * (i + 1)];
  }
  return edge;
}
