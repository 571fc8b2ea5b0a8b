// RstRingBuffer: the window of source lines a neighbourhood filter needs,
// kept for a pull pipeline. Each row holds one source line widened by the
// window on both sides (source pixel x at x + anchor x), and every advance
// moves the window one line down by recycling the oldest row. The border
// policy is the subclass's: a constant pixel, or copies of the outermost
// pixels and lines. Samples are 8 bits. The filter that owns the ring holds
// the source.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"
#include "raster/core/rst_window.h"

class RstRingBuffer {
 public:
  // Bits per sample other than 8, or a coded source: -3; a window that does
  // not contain its anchor, a source without pixels, or rows above 2^31 - 1
  // bytes: -2; no memory: -1; all "RstRingBuffer::RstRingBuffer()". A ring
  // that failed has no rows (valid() false).
  RstRingBuffer(RstRead* source, const RstWindow& window);
  virtual ~RstRingBuffer();
  RstRingBuffer(const RstRingBuffer&) = delete;
  RstRingBuffer& operator=(const RstRingBuffer&) = delete;

  // Moves the window down one line (the first call fills it around source
  // line 0); false when a source line came short.
  virtual bool advance() = 0;

  bool valid() const { return lines_ != nullptr; }
  // Window-height row pointers; row 0 is the window's top.
  uint8_t* const* lines() const { return lines_; }
  uint8_t* line(int32_t row) const { return lines_[row]; }
  // Source lines read so far. Setting 0 makes the next advance fill the whole
  // window again from the source's current position.
  uint32_t lines_read() const { return lines_read_; }
  void set_lines_read(uint32_t n) { lines_read_ = n; }
  RstRead* source() const { return source_; }
  const RstWindow& window() const { return window_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t samples_per_pixel() const { return samples_; }
  // Bytes of one row: (width + window width - 1) x samples per pixel.
  int32_t row_bytes() const { return row_bytes_; }

 protected:
  // The source is exhausted when every line of the image has been read.
  bool exhausted() const { return lines_read_ >= static_cast<uint32_t>(height_); }
  // Reads the next source line into row r at the anchor; false when short.
  bool read_into(int32_t row);
  // Row 0 becomes the last row, every other row moves up one.
  void rotate();

  uint32_t lines_read_ = 0;
  uint8_t** lines_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t samples_ = 0;
  int32_t row_bytes_ = 0;
  uint8_t* block_ = nullptr;
  RstRead* source_;
  RstWindow window_;
  int32_t line_size_ = 0;
};

class RstRingBufferConstantFill : public RstRingBuffer {
 public:
  // fill: samples-per-pixel bytes. No memory for its copy: -1
  // "RstRingBufferConstantFill::RstRingBufferConstantFill()".
  RstRingBufferConstantFill(RstRead* source, const RstWindow& window, const uint8_t* fill);
  ~RstRingBufferConstantFill() override;
  bool advance() override;

 private:
  void fill_row(int32_t row);

  uint8_t* fill_ = nullptr;
};

class RstRingBufferOutlineCopy : public RstRingBuffer {
 public:
  RstRingBufferOutlineCopy(RstRead* source, const RstWindow& window);
  bool advance() override;

 private:
  // Border pixels repeat the row's first and last image pixels.
  void extend_borders(int32_t row);
  bool read_and_extend(int32_t row);
};
