// RstPushWriteTolvane: the push writer that feeds an encoding stage. The
// subclass makes the stage and hands it its header record; every pushed line
// goes to the stage's line operation until the height is reached.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_stage.h"
#include "raster/core/rst_push_write.h"

class RstPushWriteTolvane : public RstPushWrite {
 public:
  static constexpr int32_t kBufferSize = 8192;

  RstPushWriteTolvane(OutputStorage* target, const RstHeader& header, bool bit_reverse);
  // Closes the stage and the stream if end() has not.
  ~RstPushWriteTolvane() override;

  // Refuses a colormap the stage description cannot carry (-3), builds the
  // target's decorators, makes the stage and sends it the header record.
  bool initiate() override;
  // One line to the stage; false (not counted) beyond the height, when the
  // stage fails, and for every line after a failure.
  bool write(const uint8_t* line) override;
  // Closes the stage, then the stream, then deletes the writer; a close
  // result below 1 (an incomplete or failed stream) is reported
  // "RstPushWriteTolvane::end()".
  void end() override;

  // The output stream over the writer's output, made on first call; null
  // when it cannot be made.
  BrenvoldStream* stream();
  int32_t line_bytes() const { return line_bytes_; }
  uint32_t lines_pushed() const { return lines_pushed_; }

 protected:
  // The encoding stage over stream(); null when it cannot be made.
  virtual RstInstanceTolvane* create_stage() = 0;
  // Hands the subclass's header record to the stage's info; its status.
  virtual int32_t send_header() = 0;
  RstInstanceTolvane* stage() const { return stage_; }

 private:
  // The stage's close result (1 without a stage).
  int32_t close_stage_and_stream();

  RstInstanceTolvane* stage_ = nullptr;
  BrenvoldStream* stream_ = nullptr;
  int32_t line_bytes_;
  uint32_t lines_pushed_ = 0;
  int32_t height_;
  bool failed_ = false;
};
