// Run lines of bilevel images: the line form of data form 15 (pairs of first
// and last column of each run of set pixels, ended by (-1, -1)), the view
// RstRLELine that builds and walks one, the reference-line scanner RstCPList
// that two-dimensional coding searches for changing elements, and the labelled
// run line RstRLELineN used by labelling and clipping.
#pragma once

#include <cstdint>
#include <cstring>

// Bytes of the largest run line of a width-pixel image: (width + 1) / 2 runs
// plus the terminator.
inline int32_t rst_rle_line_bound(int32_t width) {
  if (width < 0) width = 0;
  return ((width + 1) / 2) * 8 + 8;
}

// A view over a run line in a buffer it does not own.
class RstRLELine {
 public:
  RstRLELine(void* buffer, int32_t byte_count)
      : runs(static_cast<int32_t*>(buffer)), read_offset(0), byte_count(byte_count) {}

  // Copies the other line's read offset, byte count and pairs into this
  // line's buffer, which must hold them.
  virtual void assign(const RstRLELine& other);

  // Appends a run; the caller guarantees room (the bound above).
  void append(int32_t first, int32_t last) {
    int32_t* p = runs + byte_count / 4;
    p[0] = first;
    p[1] = last;
    byte_count += 8;
  }
  void end_line() { append(-1, -1); }

  // Appends a run, extending the last run instead when the new one touches
  // or overlaps it, so that runs stay maximal and separated.
  void append_merged(int32_t first, int32_t last) {
    if (byte_count >= 8) {
      int32_t* prev = runs + byte_count / 4 - 2;
      if (first <= prev[1] + 1) {
        if (last > prev[1]) prev[1] = last;
        return;
      }
    }
    append(first, last);
  }

  int32_t* runs;
  int32_t read_offset;
  int32_t byte_count;
};

enum RstRunColor : int32_t { RST_WHITE = 0, RST_BLACK = 1 };

// Scanner over a reference line for the changing elements b1 and b2. The run
// index of the last search is kept, so that walking a coding line from left to
// right visits each reference run a bounded number of times.
class RstCPList : public RstRLELine {
 public:
  RstCPList(void* buffer, int32_t width, int32_t byte_count = 0)
      : RstRLELine(buffer, byte_count), run_index(0), edge(0), width(width) {}

  int32_t find_b1(int32_t a0, int32_t color);
  int32_t find_b2(int32_t a0, int32_t color);

  // Starts over on a new reference line content (same buffer).
  void restart(int32_t bytes = 0) {
    run_index = 0;
    edge = 0;
    byte_count = bytes;
    read_offset = 0;
  }

  int32_t run_index;
  int32_t edge;
  int32_t width;

 private:
  bool is_end(int32_t index) const {
    if (byte_count > 0 && index >= byte_count / 8 - 1) return true;
    return runs[2 * index] < 0;
  }
  bool qualifies(int32_t index, int32_t a0, int32_t color) const {
    return color == RST_WHITE ? runs[2 * index] > a0 : runs[2 * index + 1] >= a0;
  }
  int32_t seek(int32_t a0, int32_t color);
};

// One labelled run: the label in the first 4-byte slot, then first and last.
template <typename T>
struct RstLabelRun {
  T label;
  int32_t first;
  int32_t last;
};

// A line of labelled runs (8-, 16- or 32-bit labels) over a growable element
// array or over a caller's buffer.
template <typename T>
class RstRLELineN {
 public:
  // Over a caller's buffer of line_size bytes: never grows.
  RstRLELineN(void* buffer, int32_t line_size)
      : capacity(line_size / 12 - 1),
        count(0),
        read_index(0),
        growable(0),
        items(static_cast<RstLabelRun<T>*>(buffer)) {
    if (capacity < 0) capacity = 0;
  }
  // Owning an array that starts empty and grows on demand.
  RstRLELineN() : capacity(0), count(0), read_index(0), growable(1), items(nullptr) {}
  ~RstRLELineN();
  RstRLELineN(const RstRLELineN&) = delete;
  RstRLELineN& operator=(const RstRLELineN&) = delete;

  // Gives the line an array of its own for capacity runs and the terminator,
  // every first and last preset to -1, dropping what it held; false (after a
  // report) when memory runs out, and the line is then left without array.
  bool new_buf();
  // Enlarges the array by 128 elements; false on a caller's buffer or when
  // memory runs out (then reported, and the line keeps its array).
  bool expand_buf();

  // Appends a run, growing when allowed; false when the run was dropped.
  bool append(T label, int32_t first, int32_t last) {
    if (count >= capacity && !expand_buf()) return false;
    items[count].label = label;
    items[count].first = first;
    items[count].last = last;
    ++count;
    return true;
  }
  // Writes the terminator into the slot kept for it; returns the line's bytes.
  int32_t end_line() {
    if (items) {
      items[count].label = T(0);
      items[count].first = -1;
      items[count].last = -1;
    }
    return 12 * (count + 1);
  }

  int32_t capacity;
  int32_t count;
  int32_t read_index;
  uint8_t growable;
  RstLabelRun<T>* items;
};

static_assert(sizeof(RstLabelRun<uint8_t>) == 12);
static_assert(sizeof(RstLabelRun<uint16_t>) == 12);
static_assert(sizeof(RstLabelRun<uint32_t>) == 12);

// Instantiated for 8-, 16- and 32-bit labels in rst_rle_line_n.cpp.
extern template class RstRLELineN<uint8_t>;
extern template class RstRLELineN<uint16_t>;
extern template class RstRLELineN<uint32_t>;
