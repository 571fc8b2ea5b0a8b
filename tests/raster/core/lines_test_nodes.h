// Test nodes for the line I/O, fan-out and ring buffer tests: a source that
// delivers given lines and logs what it was asked (reads per line, resets,
// skips, its own end), and helpers to build headers and pull a node dry.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/core/memory_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

namespace lines_test {

using Bytes = std::vector<uint8_t>;

inline RstHeader raw_header(int32_t width, int32_t height, int32_t bits = 8, int32_t samples = 1) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = samples;
  h.data_form = 0;
  h.color_type = samples >= 3 ? RstColorType::s_rgb() : RstColorType::s_gray();
  return h;
}

struct SourceLog {
  int reads = 0;  // read calls that delivered a line
  int resets = 0;
  int skip_calls = 0;
  int skipped = 0;     // lines passed by skip
  bool ended = false;  // the node was deleted
  std::vector<int> reads_of_line;
};

// Delivers lines[k] as line k; a line may be shorter than line_size to play
// a short source. skip passes lines without reading them.
class LineSource : public RstRead {
 public:
  LineSource(const RstHeader& header, std::vector<Bytes> lines, SourceLog* log, int32_t line_size = -1)
      : header_(header), lines_(std::move(lines)), log_(log) {
    line_size_ =
        line_size >= 0
            ? line_size
            : static_cast<int32_t>((int64_t{header.width} * header.bits_per_sample * header.samples_per_pixel + 7) / 8);
    if (log_) log_->reads_of_line.assign(lines_.size(), 0);
  }
  ~LineSource() override {
    if (log_) log_->ended = true;
  }
  void header(RstHeader& h) override { h = header_; }
  int read(uint8_t* line) override {
    if (next_ >= lines_.size()) return 0;
    const Bytes& b = lines_[next_];
    std::memcpy(line, b.data(), b.size());
    if (log_) {
      ++log_->reads;
      ++log_->reads_of_line[next_];
    }
    ++next_;
    return static_cast<int>(b.size());
  }
  int skip(int n) override {
    if (log_) ++log_->skip_calls;
    int moved = static_cast<int>(std::min<size_t>(static_cast<size_t>(std::max(n, 0)), lines_.size() - next_));
    next_ += static_cast<size_t>(moved);
    if (log_) log_->skipped += moved;
    return moved;
  }
  void reset() override {
    next_ = 0;
    if (log_) ++log_->resets;
  }
  int line_size() override { return line_size_; }

 private:
  RstHeader header_;
  std::vector<Bytes> lines_;
  SourceLog* log_;
  int32_t line_size_;
  size_t next_ = 0;
};

// An 8-bit gray source whose line k holds width bytes of value k.
inline LineSource* counting_source(int32_t width, int32_t height, SourceLog* log) {
  std::vector<Bytes> lines;
  for (int32_t k = 0; k < height; ++k) lines.push_back(Bytes(static_cast<size_t>(width), static_cast<uint8_t>(k)));
  return new LineSource(raw_header(width, height), std::move(lines), log);
}

// Reads n lines (or until 0) and returns them.
inline std::vector<Bytes> pull(RstRead* node, int n = 1 << 20) {
  std::vector<Bytes> out;
  Bytes line(static_cast<size_t>(std::max(node->line_size(), 1)));
  for (int i = 0; i < n; ++i) {
    int got = node->read(line.data());
    if (got == 0) break;
    out.emplace_back(line.begin(), line.begin() + got);
  }
  return out;
}

// The first byte of each line.
inline std::vector<int> firsts(const std::vector<Bytes>& lines) {
  std::vector<int> v;
  for (const Bytes& l : lines) v.push_back(l.empty() ? -1 : l[0]);
  return v;
}

// Every byte a memory storage holds.
inline Bytes contents(MemoryOutputStorage& out) {
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  Bytes b(static_cast<size_t>(in->size()));
  in->read(b.data(), static_cast<int32_t>(b.size()));
  return b;
}

}  // namespace lines_test
