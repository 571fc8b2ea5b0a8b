// Walking untrusted run lines: RstRunWalk hands out the runs of a line as
// sorted, separated runs inside the width. Only the whole pairs a read
// returned are walked, up to the first pair starting at -1; runs are clamped
// to the columns, a run starting inside covered columns is trimmed, empty
// runs are dropped and runs that touch or overlap are joined, as RstDecodeRLE
// paints them.
#pragma once

#include <cstdint>

class RstRunWalk {
 public:
  // bytes: what the read returned, at most the buffer's size.
  RstRunWalk(const int32_t* runs, int32_t bytes, int32_t width)
      : runs_(runs), pairs_(bytes > 0 ? bytes / 8 : 0), last_column_(width - 1) {}

  // The next clean run; false when none is left.
  bool next(int32_t& first, int32_t& last) {
    bool have = false;
    while (k_ < pairs_) {
      int32_t a = runs_[2 * k_], b = runs_[2 * k_ + 1];
      if (a == -1) {
        pairs_ = k_;
        break;
      }
      if (a < covered_) a = covered_;
      if (b > last_column_) b = last_column_;
      if (a > b) {
        ++k_;
        continue;
      }
      if (have && a > covered_) break;  // a separate run: left for the next call
      ++k_;
      if (!have) first = a;
      have = true;
      last = b;
      covered_ = b + 1;
    }
    return have;
  }

 private:
  const int32_t* runs_;
  int32_t pairs_;
  int32_t last_column_;
  int32_t k_ = 0;
  int32_t covered_ = 0;  // first column not covered by an earlier run
};

// Rewrites the run line in place as clean runs and the terminator, keeping
// no more runs than buffer_bytes holds with its terminator; its byte count
// (0 when the buffer cannot hold the terminator).
inline int32_t rst_clean_run_line(int32_t* runs, int32_t bytes, int32_t buffer_bytes, int32_t width) {
  if (buffer_bytes < 8) return 0;
  if (bytes > buffer_bytes) bytes = buffer_bytes;
  // Each run written has consumed at least one pair, so writing never
  // overtakes the walk.
  RstRunWalk walk(runs, bytes, width);
  int32_t room = buffer_bytes / 8 - 1, kept = 0, first = 0, last = 0;
  while (kept < room && walk.next(first, last)) {
    runs[2 * kept] = first;
    runs[2 * kept + 1] = last;
    ++kept;
  }
  runs[2 * kept] = -1;
  runs[2 * kept + 1] = -1;
  return kept * 8 + 8;
}
