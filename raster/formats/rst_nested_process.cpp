// Line and code windows over a page's source.
#include "raster/formats/rst_nested_process.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

void RstNestedProcess::end(RstRoot* user) {
  if (sinks().size() == 2 && sinks()[0] == user && user != this) {
    RstRoot* chain = sinks()[1];
    chain->end();
  }
  RstProcess::end(user);
}

int RstNestedProcess::line_size() { return source() ? static_cast<RstRead*>(source())->line_size() : 0; }

RstNestedProcessRaw* RstNestedProcessRaw::create(RstRead* source, uint32_t lines) {
  if (!source || lines == 0) {
    rst_report(RstCode::bad_argument, "RstNestedProcessRaw::create()");
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end(rst_new<RstNestedProcessRaw>(source, lines), guard);
}

RstNestedProcessRaw::RstNestedProcessRaw(RstRead* source, uint32_t lines) : RstNestedProcess(source) {
  RstHeader h(source);
  source_lines_left = uint32_t(std::max(h.height, 0));
  window_lines = std::min(lines, source_lines_left);
}

void RstNestedProcessRaw::header(RstHeader& h) {
  RstProcess::header(h);
  h.height = int32_t(window_lines);
}

bool RstNestedProcessRaw::set_window(uint32_t n) {
  if (source_lines_left == 0) return false;
  RstHeader h(source());
  window_start_ = uint32_t(std::max(h.height, 0)) - source_lines_left;
  window_lines = lines_left = std::min(n, source_lines_left);
  return true;
}

int RstNestedProcessRaw::read(uint8_t* line) {
  if (lines_left == 0) return 0;
  --lines_left;
  --source_lines_left;
  int n = static_cast<RstRead*>(source())->read(line);
  // A source that stops before its height has failed (it reported why).
  if (n <= 0) source_failed = true;
  return n;
}

int RstNestedProcessRaw::skip(int n) {
  if (n <= 0) return 0;
  uint32_t m = std::min(uint32_t(n), lines_left);
  if (m == 0) return 0;
  int done = static_cast<RstRead*>(source())->skip(int(m));
  done = std::clamp(done, 0, int(m));
  lines_left -= uint32_t(done);
  source_lines_left -= uint32_t(done);
  return done;
}

void RstNestedProcessRaw::reset() {
  RstRead* src = static_cast<RstRead*>(source());
  src->reset();
  if (window_start_) src->skip(int(window_start_));
  source_lines_left += window_lines - lines_left;
  lines_left = window_lines;
}

RstNestedProcessCode* RstNestedProcessCode::create(RstRead* source, uint32_t bytes) {
  if (!source) {
    rst_report(RstCode::bad_argument, "RstNestedProcessCode::create()");
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end(rst_new<RstNestedProcessCode>(source, bytes), guard);
}

RstNestedProcessCode::RstNestedProcessCode(RstRead* source, uint32_t bytes)
    : RstNestedProcess(source), window_bytes(bytes), bytes_left(bytes), code(source) {}

bool RstNestedProcessCode::set_window(uint32_t n) {
  window_bytes = bytes_left = n;
  window_start_ = delivered_;
  return true;
}

uint32_t RstNestedProcessCode::take(uint8_t* out, uint32_t n) {
  uint32_t done = 0;
  while (done < n) {
    if (code.position >= code.fill) {
      int32_t first = code.take_byte();
      if (first < 0) break;
      if (out) out[done] = uint8_t(first);
      ++done;
      continue;
    }
    uint32_t k = std::min(n - done, uint32_t(code.fill - code.position));
    if (out) std::memcpy(out + done, code.buffer + code.position, k);
    code.position += int32_t(k);
    done += k;
  }
  return done;
}

int RstNestedProcessCode::read(uint8_t* out) {
  uint32_t limit = uint32_t(std::max(line_size(), 0));
  if (window_bytes != 0) limit = std::min(limit, bytes_left);
  uint32_t n = take(out, limit);
  if (window_bytes != 0) bytes_left -= n;
  delivered_ += n;
  return int(n);
}

void RstNestedProcessCode::reset() {
  static_cast<RstRead*>(source())->reset();
  code.clear();
  delivered_ = 0;
  // The bytes before the window are passed over again.
  while (delivered_ < window_start_) {
    uint32_t n = take(nullptr, uint32_t(std::min<uint64_t>(window_start_ - delivered_, 1u << 30)));
    if (n == 0) break;
    delivered_ += n;
  }
  bytes_left = window_bytes;
}
