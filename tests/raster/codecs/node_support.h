// Test nodes and report capture for the codec tests: a source node that
// delivers given chunks under a given header, and a log that records every
// report (and, when asked, keeps errors from throwing).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"

// Delivers each chunk by one read(); 0 after the last.
class ChunkSource : public RstRead {
 public:
  ChunkSource(const RstHeader& h, std::vector<std::vector<uint8_t>> chunks, int line_size)
      : header_(h), chunks_(std::move(chunks)), line_size_(line_size) {}

  void header(RstHeader& h) override { h = header_; }
  int read(uint8_t* line) override {
    if (next_ >= chunks_.size()) return 0;
    const auto& c = chunks_[next_++];
    if (!c.empty()) std::memcpy(line, c.data(), c.size());
    return static_cast<int>(c.size());
  }
  void reset() override {
    next_ = 0;
    ++resets;
  }
  int line_size() override { return line_size_; }

  int resets = 0;

 private:
  RstHeader header_;
  std::vector<std::vector<uint8_t>> chunks_;
  size_t next_ = 0;
  int line_size_;
};

inline RstHeader make_header(int32_t width, int32_t height, int32_t data_form, int32_t bits = 1, int32_t spp = 1) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = spp;
  h.data_form = data_form;
  return h;
}

// One report as the status context saw it.
struct Report {
  int32_t code;
  std::string where;
};

// Records every report while it lives; with quiet set, errors do not throw.
class ReportLog : public RstMessager, public RstObserver {
 public:
  explicit ReportLog(bool quiet = true) {
    RstStatusContext* c = RstStatusContext::instance();
    old_messager_ = c->set_messager(this);
    if (quiet) {
      old_observer_ = c->set_observer(this);
      swapped_observer_ = true;
    }
  }
  ~ReportLog() override {
    RstStatusContext* c = RstStatusContext::instance();
    c->set_messager(old_messager_);
    if (swapped_observer_) c->set_observer(old_observer_);
  }
  void message(void*, const int32_t* code, const char* where) override {
    reports.push_back({*code, where ? where : ""});
  }
  void notify(void*, const int32_t*, const char*) override {}

  bool has(int32_t code, const std::string& where) const {
    for (const Report& r : reports)
      if (r.code == code && r.where == where) return true;
    return false;
  }
  size_t count(int32_t code) const {
    size_t n = 0;
    for (const Report& r : reports) n += r.code == code;
    return n;
  }

  std::vector<Report> reports;

 private:
  RstMessager* old_messager_ = nullptr;
  RstObserver* old_observer_ = nullptr;
  bool swapped_observer_ = false;
};
