// Nested windows: a node between a page's source and the chain that codes one
// strip. It passes on at most a given number of lines (raw or run lines) or
// of code bytes and then reports the end of data, so the chain sees one strip
// as a whole image; the next window continues on the same source where the
// previous one stopped.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_code_buffer.h"
#include "raster/core/rst_process.h"

class RstNestedProcess : public RstProcess {
 public:
  explicit RstNestedProcess(RstRead* source) : RstProcess(source) {}

  // The strip writer and the current strip's chain read a window: when the
  // writer lets go, the chain goes with it.
  void end(RstRoot* user) override;
  using RstProcess::end;
  int line_size() override;
  // Opens the next window of `n` lines or bytes; false when none can be opened.
  virtual bool set_window(uint32_t) { return false; }
};

class RstNestedProcessRaw : public RstNestedProcess {
 public:
  // No source or 0 lines: -2 "RstNestedProcessRaw::create()".
  static RstNestedProcessRaw* create(RstRead* source, uint32_t lines);
  RstNestedProcessRaw(RstRead* source, uint32_t lines);

  // The source's header with the window's height.
  void header(RstHeader& h) override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  // Restarts the current window: the source from its first line, then the
  // lines before the window passed over.
  void reset() override;
  // Lines of the next window: n, fewer when the source has fewer left.
  bool set_window(uint32_t n) override;

  uint32_t window_lines;
  uint32_t lines_left = 0;
  uint32_t source_lines_left;
  // The source gave no line where its header promised one.
  bool source_failed = false;

 private:
  uint32_t window_start_ = 0;  // the source's line the window starts at
};

class RstNestedProcessCode : public RstNestedProcess {
 public:
  // No source: -2 "RstNestedProcessCode::create()"; no buffer: -1
  // "RstCodeBuffer::RstCodeBuffer()". A window of 0 bytes has no limit: it
  // passes on everything up to the source's end.
  static RstNestedProcessCode* create(RstRead* source, uint32_t bytes);
  RstNestedProcessCode(RstRead* source, uint32_t bytes);

  // False when the buffer could not be made (reported).
  bool initiate() override { return code.ok(); }
  int read(uint8_t* out) override;
  int skip(int) override { return 0; }
  // Restarts the current window: the source from its start, the bytes before
  // the window passed over, nothing stale left in the buffer.
  void reset() override;
  bool set_window(uint32_t n) override;

  uint32_t window_bytes;
  uint32_t bytes_left;
  RstCodeBuffer code;

 private:
  // Moves up to n buffered bytes (refilling from the source) to out, or drops
  // them when out is null; the bytes moved.
  uint32_t take(uint8_t* out, uint32_t n);

  uint64_t window_start_ = 0;  // the source's byte the window starts at
  uint64_t delivered_ = 0;     // bytes passed on since the source's start
};
