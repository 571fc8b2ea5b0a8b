// Union and intersection of run lines.
#include "raster/geometry/rst_rle_line_merge.h"

namespace {
// Pairs before the terminator, within the line's byte count.
int32_t run_count(const RstRLELine& line) {
  int32_t pairs = line.byte_count / 8, k = 0;
  while (k < pairs && line.runs[2 * k] != -1) ++k;
  return k;
}
}  // namespace

void rst_rle_union(const RstRLELine& a, const RstRLELine& b, RstRLELine& out, int32_t room) {
  int32_t na = run_count(a), nb = run_count(b), i = 0, j = 0;
  out.byte_count = 0;
  out.read_offset = 0;
  while (i < na || j < nb) {
    const int32_t* r;
    if (j < nb && (i >= na || b.runs[2 * j] <= a.runs[2 * i])) r = b.runs + 2 * j++;
    else r = a.runs + 2 * i++;
    int32_t before = out.byte_count;
    if (before / 8 >= room && (before == 0 || r[0] > out.runs[before / 4 - 1] + 1)) break;
    out.append_merged(r[0], r[1]);
  }
  out.end_line();
}

void rst_rle_intersection(const RstRLELine& a, const RstRLELine& b, RstRLELine& out, int32_t room) {
  int32_t na = run_count(a), nb = run_count(b), i = 0, j = 0;
  out.byte_count = 0;
  out.read_offset = 0;
  while (i < na && j < nb && out.byte_count / 8 < room) {
    int32_t a1 = a.runs[2 * i], b1 = a.runs[2 * i + 1];
    int32_t a2 = b.runs[2 * j], b2 = b.runs[2 * j + 1];
    int32_t first = a1 > a2 ? a1 : a2, last;
    if (b1 == b2) {
      last = b1;
      ++i;
      ++j;
    } else if (b1 < b2) {
      last = b1;
      ++i;
    } else {
      last = b2;
      ++j;
    }
    if (first <= last) out.append(first, last);
  }
  out.end_line();
}
