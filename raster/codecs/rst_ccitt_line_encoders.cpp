// The CCITT line coders: run coding, one- and two-dimensional line coding,
// EOLs, fill bits and end codes.
#include "raster/codecs/rst_ccitt_line_encoders.h"

#include <climits>
#include <cstring>
#include <mutex>
#include <utility>

#include "raster/codecs/rst_ccitt_bw_tables.h"
#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

// Room beyond the coded-line bound for what the last line adds: RTC with tag
// bits (78 bits), up to 7 fill bits and the carried pending byte.
constexpr int64_t kEndReserve = 12;

// A shared table, copied under the tables' mutex (its count is not atomic).
RstCountedPtr<RstHuffmanTable> shared_table(RstCountedPtr<RstHuffmanTable>& (*get)()) {
  std::lock_guard<RstMutex> lock(RstCCITTBWTables::mutex());
  return get();
}

bool code_word(const RstHuffmanTable& table, int32_t value, RstCCITTCodeWord16& out) {
  int32_t position = table.position_of(value);
  if (position < 0) return false;
  const RstHuffmanCode& e = table.entries()[static_cast<size_t>(position)];
  out.code = static_cast<uint16_t>(e.code);
  out.length = static_cast<uint8_t>(e.length);
  return true;
}

bool fill_run_codes(const RstHuffmanTable* table, RstCCITTRunCodes& codes) {
  if (!table || !table->ok()) return false;
  for (int32_t i = 0; i < 64; ++i)
    if (!code_word(*table, i, codes.terminating[i])) return false;
  for (int32_t i = 1; i <= 40; ++i)
    if (!code_word(*table, i * 64, codes.makeup[i])) return false;
  return true;
}

// Changing elements of a run line: each run (first, last) gives a change to
// black at first and one to white at last + 1. Runs from the source are
// clipped to the width, and overlapping or touching runs merged, so that the
// changes strictly increase whatever the source delivered.
int32_t changes_of(const uint8_t* buffer, int32_t bytes, int32_t width, int32_t* changes) {
  const int32_t* runs = reinterpret_cast<const int32_t*>(buffer);
  int32_t pairs = bytes / 8;
  int32_t n = 0;
  for (int32_t p = 0; p < pairs; ++p) {
    int32_t first = runs[2 * p];
    int32_t last = runs[2 * p + 1];
    if (first < 0) break;  // the end pair
    if (last >= width) last = width - 1;
    if (n > 0 && first < changes[n - 1]) first = changes[n - 1];
    if (first > last) continue;
    if (n > 0 && first == changes[n - 1]) changes[n - 1] = last + 1;
    else {
      changes[n++] = first;
      changes[n++] = last + 1;
    }
  }
  return n;
}

}  // namespace

RstEncodeCCITT1DLineCore::RstEncodeCCITT1DLineCore(int32_t width)
    : width(width),
      white_table(shared_table(&RstCCITTBWTables::mh_white_table)),
      black_table(shared_table(&RstCCITTBWTables::mh_black_table)) {
  ok_ = fill_run_codes(white_table.get(), runs_[0]) && fill_run_codes(black_table.get(), runs_[1]);
  if (ok_) {
    white_2560 = white_table->position_of(2560);
    black_2560 = black_table->position_of(2560);
  }
}

bool RstEncodeCCITT1DLineCore::code_line(RstCCITTBitWriter& w, const int32_t* changes, int32_t count) const {
  int32_t a = 0;
  for (int32_t i = 0; i + 1 < count; i += 2) {
    put_run(w, changes[i] - a, 0);
    put_run(w, changes[i + 1] - changes[i], 1);
    a = changes[i + 1];
  }
  if (a < width) put_run(w, width - a, 0);
  return w.ok();
}

RstEncodeCCITT2DLine::RstEncodeCCITT2DLine(int32_t width)
    : width(width), mode_table(shared_table(&RstCCITTBWTables::mr_mode_table)), runs_(width) {
  if (!mode_table || !mode_table->ok()) {
    ok_ = false;
    rst_report(RstCode::no_memory, "RstEncodeCCITT2DLine::RstEncodeCCITT2DLine()");
    return;
  }
  for (int32_t v = -3; v <= 5; ++v)
    if (!code_word(*mode_table, v, modes_[v + 3])) ok_ = false;
  pass_position = mode_table->position_of(5);
  horizontal_position = mode_table->position_of(4);
}

bool RstEncodeCCITT2DLine::code_line(RstCCITTBitWriter& w, const int32_t* a, int32_t na, const int32_t* b,
                                     int32_t nb) const {
  // Positions are compared with a0 = -1 at the start, so that a1 and b1
  // may be 0; runs measured from a0 start at 0. Changes at even indexes are
  // changes to black; beyond the last change every element is the width.
  const RstCCITTCodeWord16& pass = modes_[8];
  const RstCCITTCodeWord16& horizontal = modes_[7];
  int32_t a0 = -1;
  int32_t color = 0;
  int32_t ia = 0;  // index of a1
  int32_t jb = 0;  // index of b1
  while (a0 < width) {
    // b1: the first change right of a0 to the colour opposite a0's.
    if ((jb & 1) != color) ++jb;
    while (jb < nb && b[jb] <= a0) jb += 2;
    int32_t b1 = jb < nb ? b[jb] : width;
    int32_t b2 = jb + 1 < nb ? b[jb + 1] : width;
    int32_t a1 = ia < na ? a[ia] : width;
    if (b2 < a1) {
      w.put_bits(pass.code, pass.length);
      a0 = b2;
      jb += 2;
      continue;
    }
    int32_t d = a1 - b1;
    if (d >= -3 && d <= 3) {
      const RstCCITTCodeWord16& v = modes_[d + 3];
      w.put_bits(v.code, v.length);
      a0 = a1;
      color ^= 1;
      ++ia;
      // The change before b1 may lie right of the new a0.
      if (jb > 0) --jb;
      continue;
    }
    int32_t a2 = ia + 1 < na ? a[ia + 1] : width;
    w.put_bits(horizontal.code, horizontal.length);
    runs_.put_run(w, a1 - (a0 < 0 ? 0 : a0), color);
    runs_.put_run(w, a2 - a1, color ^ 1);
    a0 = a2;
    ia += 2;
  }
  return w.ok();
}

RstEncodeRLEToCCITTBW::RstEncodeRLEToCCITTBW(int32_t width, int32_t height, int32_t bits_per_pixel)
    : width_(width < 0 ? 0 : width), height_(height < 0 ? 0 : height), bits_per_pixel_(bits_per_pixel) {}

RstEncodeRLEToCCITTBW::~RstEncodeRLEToCCITTBW() {
  rst_free(run_buffer_);
  rst_free(changes_);
}

bool RstEncodeRLEToCCITTBW::init() {
  int64_t bound = (int64_t(bits_per_pixel_) * width_ + 85) / 8 + kEndReserve;
  int64_t runs = rst_rle_line_bound(width_);
  if (runs < run_capacity_) runs = run_capacity_;
  // Changing elements strictly increase within 0 .. width.
  int64_t changes = (int64_t(width_) + 2) * int64_t(sizeof(int32_t));
  if (bound <= INT_MAX && runs <= INT_MAX && changes <= INT_MAX) {
    rst_free(run_buffer_);
    rst_free(changes_);
    run_buffer_ = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(runs)));
    changes_ = run_buffer_ ? static_cast<int32_t*>(rst_malloc(static_cast<size_t>(changes))) : nullptr;
  }
  if (!run_buffer_ || !changes_) {
    rst_report(RstCode::no_memory, "RstEncodeRLEToCCITTBW::init()");
    return false;
  }
  run_capacity_ = static_cast<int32_t>(runs);
  bound_ = static_cast<int32_t>(bound);
  return true;
}

int RstEncodeRLEToCCITTBW::skip(int n) {
  if (n <= 0) return 0;
  int64_t target = int64_t(lines_done_) + n;
  if (target > height_) target = height_;
  int passed = static_cast<int>(target - lines_done_);
  lines_done_ = static_cast<int32_t>(target);
  return passed;
}

void RstEncodeRLEToCCITTBW::reset() {
  lines_done_ = 0;
  pending_ = 0;
  pending_bits_ = 0;
  page_ended_ = false;
}

bool RstEncodeRLEToCCITTBW::next_line(const char* where) {
  ++lines_done_;
  int32_t bytes = read_line(run_buffer_);
  if (bytes <= 0) {
    // The source has no line left: the page ends here, closed properly.
    rst_report(RstCode::end_of_input, where);
    return false;
  }
  if (bytes > run_capacity_) bytes = run_capacity_;
  change_count_ = changes_of(run_buffer_, bytes, width_, changes_);
  return true;
}

int32_t RstEncodeRLEToCCITTBW::close_line(RstCCITTBitWriter& w, bool last, const char* where) {
  if (last) {
    w.flush();
    lines_done_ = height_;
    page_ended_ = true;
  } else {
    w.settle();
  }
  if (!w.ok()) {
    // Never a silently cut line: the fault ends the page.
    pending_ = 0;
    pending_bits_ = 0;
    lines_done_ = height_;
    page_ended_ = true;
    rst_report(0, where);
    return 0;
  }
  pending_ = w.pending_byte();
  pending_bits_ = w.pending_bits();
  return w.count;
}

RstEncodeMHLine::RstEncodeMHLine(int32_t width, int32_t height, const RstMHOption& option)
    : RstEncodeRLEToCCITTBW(width, height, 5), core_(width_), option_(option) {}

bool RstEncodeMHLine::init() { return core_.ok() && RstEncodeRLEToCCITTBW::init(); }

int32_t RstEncodeMHLine::encode_line(uint8_t* out) {
  static const char* const where = "RstEncodeMHLine::encode_line()";
  if (all_done()) return 0;
  if (!next_line(where)) return finish(out);
  RstCCITTBitWriter w(out, bound_, pending_, pending_bits_);
  if (option_.eol) {
    // Fill bits so that the EOL ends on a byte boundary.
    if (option_.byte_align) w.put_zeros(((4 - pending_bits_) % 8 + 8) % 8);
    core_.put_eol(w);
  } else if (option_.byte_align) {
    w.flush();  // the line starts on a byte boundary
  }
  core_.code_line(w, changes_, change_count_);
  bool last = all_done();
  if (last && option_.end_code) core_.put_rtc(w);
  return close_line(w, last, where);
}

int32_t RstEncodeMHLine::finish(uint8_t* out) {
  RstCCITTBitWriter w(out, bound_, pending_, pending_bits_);
  if (option_.end_code && !page_ended_) core_.put_rtc(w);
  return close_line(w, true, "RstEncodeMHLine::encode_line()");
}

RstEncodeMMRAndMRLineBase::RstEncodeMMRAndMRLineBase(int32_t width, int32_t height)
    : RstEncodeRLEToCCITTBW(width, height, 7) {}

RstEncodeMMRAndMRLineBase::~RstEncodeMMRAndMRLineBase() { rst_free(reference_); }

bool RstEncodeMMRAndMRLineBase::init() {
  if (!RstEncodeRLEToCCITTBW::init()) return false;
  rst_free(reference_);
  reference_ = static_cast<int32_t*>(rst_malloc((static_cast<size_t>(width_) + 2) * sizeof(int32_t)));
  if (!reference_) {
    rst_report(RstCode::no_memory, "RstEncodeCCITT2D::init()");
    return false;
  }
  reference_count_ = 0;
  return true;
}

void RstEncodeMMRAndMRLineBase::reset() {
  RstEncodeRLEToCCITTBW::reset();
  reference_count_ = 0;
}

void RstEncodeMMRAndMRLineBase::swap_reference() {
  std::swap(reference_, changes_);
  reference_count_ = change_count_;
}

RstEncodeMRLine::RstEncodeMRLine(int32_t width, int32_t height, const RstMROption& option)
    : RstEncodeMMRAndMRLineBase(width, height), core_(width_), core_2d_(width_), option_(option) {
  option_.eol = 1;
}

int32_t RstEncodeMRLine::encode_line(uint8_t* out) {
  static const char* const where = "RstEncodeMRLine::encode_line()";
  if (all_done()) return 0;
  if (!next_line(where)) return finish(out);
  RstCCITTBitWriter w(out, bound_, pending_, pending_bits_);
  // Fill bits so that EOL and tag bit end on a byte boundary.
  if (option_.byte_align) w.put_zeros(((3 - pending_bits_) % 8 + 8) % 8);
  if (two_d_due_ != 0) {
    if (two_d_due_ > 0) --two_d_due_;
    core_2d_.put_eol(w);
    core_2d_.code_line(w, changes_, change_count_, reference_, reference_count_);
  } else {
    two_d_due_ = option_.k > 0 ? option_.k - 1 : -1;
    core_.put_eol(w);
    core_.code_line(w, changes_, change_count_);
  }
  bool last = all_done();
  if (last && option_.end_code) core_.put_rtc(w);
  if (!last) swap_reference();
  return close_line(w, last, where);
}

bool RstEncodeMRLine::init() { return core_.ok() && core_2d_.ok() && RstEncodeMMRAndMRLineBase::init(); }

int32_t RstEncodeMRLine::finish(uint8_t* out) {
  RstCCITTBitWriter w(out, bound_, pending_, pending_bits_);
  if (option_.end_code && !page_ended_) core_.put_rtc(w);
  return close_line(w, true, "RstEncodeMRLine::encode_line()");
}

void RstEncodeMRLine::reset() {
  RstEncodeMMRAndMRLineBase::reset();
  two_d_due_ = 0;
}

RstEncodeMMRLine::RstEncodeMMRLine(int32_t width, int32_t height, const RstMMROption& option)
    : RstEncodeMMRAndMRLineBase(width, height), core_2d_(width_), option_(option) {}

int32_t RstEncodeMMRLine::encode_line(uint8_t* out) {
  static const char* const where = "RstEncodeMMRLine::encode_line()";
  if (all_done()) return 0;
  if (!next_line(where)) return finish(out);
  RstCCITTBitWriter w(out, bound_, pending_, pending_bits_);
  core_2d_.code_line(w, changes_, change_count_, reference_, reference_count_);
  bool last = all_done();
  if (last && option_.end_code) core_2d_.put_eofb(w);
  if (!last) swap_reference();
  return close_line(w, last, where);
}

bool RstEncodeMMRLine::init() { return core_2d_.ok() && RstEncodeMMRAndMRLineBase::init(); }

int32_t RstEncodeMMRLine::finish(uint8_t* out) {
  RstCCITTBitWriter w(out, bound_, pending_, pending_bits_);
  if (option_.end_code && !page_ended_) core_2d_.put_eofb(w);
  return close_line(w, true, "RstEncodeMMRLine::encode_line()");
}
