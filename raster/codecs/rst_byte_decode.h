// RstByteDecode: Sun raster byte encoding (data form 9: the escape byte 0x80
// starts a run or stands for itself) to raw lines (data form 0). The coded
// bytes form one stream across lines; lines of an odd byte count are followed
// by a pad byte.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_code_buffer.h"
#include "raster/core/rst_process.h"

class RstByteDecode : public RstProcess {
 public:
  // Null source: -2; data form not 9: -3; both "RstByteDecode::create()".
  static RstByteDecode* create(RstRead* source);

  RstByteDecode(RstRead* source, int32_t line_bytes, int32_t height);

  void header(RstHeader& h) override;
  bool initiate() override { return code_.ok(); }
  // One line; the data ending inside it is -3 "RstByteDecode::read()".
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override { return line_bytes_; }

 private:
  // Takes the next run (x, or 0x80 c [v]); false when the data ends.
  bool take_run();

  int32_t run_left_ = 0;
  int16_t run_value_ = 0;
  int32_t line_bytes_;
  bool pad_;
  int32_t height_;
  int32_t line_counter_ = 0;
  RstCodeBuffer code_;
};
