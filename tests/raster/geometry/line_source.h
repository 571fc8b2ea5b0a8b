// Test nodes and helpers for the colour and geometry nodes: a source that
// delivers given lines under a given header and counts what it is asked, a
// holder that ends a pipeline, and a puller that reads every line.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

using Bytes = std::vector<uint8_t>;

class LineSource : public RstRead {
 public:
  // line_size < 0: the default computed from the header.
  LineSource(const RstHeader& h, std::vector<Bytes> lines, int line_size = -1)
      : header_(h), lines_(std::move(lines)), line_size_(line_size) {}

  void header(RstHeader& h) override { h = header_; }
  int read(uint8_t* line) override {
    ++reads;
    if (pos_ >= lines_.size()) return 0;
    const Bytes& l = lines_[pos_++];
    if (!l.empty()) std::memcpy(line, l.data(), l.size());
    return int(l.size());
  }
  int skip(int n) override {
    ++skips;
    last_skip = n;
    int done = 0;
    while (done < n && pos_ < lines_.size()) ++pos_, ++done;
    return done;
  }
  void reset() override {
    ++resets;
    pos_ = 0;
  }
  int line_size() override { return line_size_ >= 0 ? line_size_ : RstRead::line_size(); }

  int reads = 0, skips = 0, last_skip = 0, resets = 0;

 private:
  RstHeader header_;
  std::vector<Bytes> lines_;
  size_t pos_ = 0;
  int line_size_;
};

// A source whose skips pass no line from the n-th skip on (1 = the first),
// as a fan-out does when it cannot cache the lines to pass; reading goes on
// from where it stands.
class StumblingSource : public LineSource {
 public:
  StumblingSource(const RstHeader& h, std::vector<Bytes> lines, int from_skip)
      : LineSource(h, std::move(lines)), from_skip_(from_skip) {}
  int skip(int n) override {
    if (skips + 1 >= from_skip_) {
      ++skips;
      return 0;
    }
    return LineSource::skip(n);
  }

 private:
  int from_skip_;
};

inline RstHeader image_header(int32_t width, int32_t height, int32_t bits, int32_t spp,
                              RstColorType* color_type = nullptr, int32_t data_form = RstDataForm::raw) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = spp;
  h.data_form = data_form;
  h.color_type = color_type;
  return h;
}

// Ends the node it holds (and so the pipeline below it) when it goes.
struct EndNode {
  void operator()(RstRoot* node) const {
    if (node) node->end();
  }
};
template <class T = RstRead>
using Held = std::unique_ptr<T, EndNode>;

// Every line of a node, each cut to the bytes read returned. Lines are read
// into a buffer preset with fill, larger than line_size, to show what is
// written past the line.
inline std::vector<Bytes> pull(RstRead* node, uint8_t fill = 0xA5, size_t max_lines = 100000) {
  std::vector<Bytes> lines;
  size_t size = size_t(node->line_size());
  Bytes buffer(size + 16, fill);
  while (lines.size() < max_lines) {
    std::fill(buffer.begin(), buffer.end(), fill);
    int n = node->read(buffer.data());
    if (n <= 0) break;
    EXPECT_LE(size_t(n), size) << "read beyond line_size";
    for (size_t i = size; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], fill) << "written past the line";
    lines.emplace_back(buffer.begin(), buffer.begin() + n);
  }
  return lines;
}

// The first line of a node.
inline Bytes first_line(RstRead* node, uint8_t fill = 0xA5) {
  auto lines = pull(node, fill, 1);
  return lines.empty() ? Bytes() : lines.front();
}

#include <gmock/gmock.h>

#include <functional>
#include <string>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"

// Makes a node with the n-th allocation failing, for n = 1, 2, ... until the
// create no longer reaches it. A failed create must report -1 first, at one
// of the where-texts, and leave the source to the caller; a node that is made
// must read the expected lines. The last node then reads them again with an
// allocation failing before every read: reading allocates nothing.
inline void check_allocation_failures(const std::function<RstRead*()>& make_source,
                                      const std::function<RstRead*(RstRead*)>& make, const std::vector<Bytes>& expected,
                                      const std::vector<std::string>& wheres, int64_t limit = 64) {
  for (int64_t n = 1; n < limit; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    RstStatusRecorder status;
    RstRead* src = make_source();
    RstAllocFault::fail_nth(n);
    RstRead* node = make(src);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (!node) {
      EXPECT_TRUE(reached);
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      EXPECT_THAT(wheres, ::testing::Contains(status.errors().front().where));
      src->end();
      continue;
    }
    Held<> held(node);
    EXPECT_EQ(pull(node), expected);
    if (reached) continue;
    node->reset();
    std::vector<Bytes> lines;
    Bytes buffer(size_t(node->line_size()) + 16);
    for (;;) {
      RstAllocFault::fail_nth(1);
      int r = node->read(buffer.data());
      if (r <= 0) break;
      lines.emplace_back(buffer.begin(), buffer.begin() + r);
    }
    RstAllocFault::clear();
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(status.errors().empty());
    return;
  }
  ADD_FAILURE() << "the create never stopped allocating";
}

// Run-line fixtures.
using Pairs = std::vector<std::pair<int32_t, int32_t>>;

// A run line of the given pairs; the ending pair (-1, -1) unless left out.
inline Bytes run_line(const Pairs& pairs, bool terminated = true) {
  std::vector<int32_t> v;
  for (auto [f, l] : pairs) v.insert(v.end(), {f, l});
  if (terminated) v.insert(v.end(), {-1, -1});
  Bytes b(v.size() * 4);
  std::memcpy(b.data(), v.data(), b.size());
  return b;
}

// A 1-bit run-line image of the given lines; the line size is the bound of
// the width unless given.
inline RstRead* rle_source(int32_t width, std::vector<Bytes> lines, int line_size = -1) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 1, 1, RstColorType::s_gray_reverse(), RstDataForm::rle),
                        std::move(lines), line_size >= 0 ? line_size : rst_rle_line_bound(width));
}
