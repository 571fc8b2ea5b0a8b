// Reader nodes over codec stages. RstReadTolvane pulls its lines from a stage
// and is a stage itself, so procedural code can pull lines from a node.
// RstReadRasterTolvane is the base of the coded-file readers: a window from
// the storage's position to its end, a byte stream over it, a decoding stage
// made by the subclass, and exactly height lines delivered whatever the stage
// does (after a failure each missing line is announced by a warning).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_header_tolvane.h"
#include "raster/codecs/rst_stage.h"
#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_read.h"

class RstReadTolvane : public RstRead, public RstInstanceTolvane {
 public:
  RstReadTolvane();
  explicit RstReadTolvane(RstRoot* source);
  // Closes the stage.
  ~RstReadTolvane() override;

  // The header taken from the stage's description.
  void header(RstHeader& h) override;
  // The next line from the stage; line_size(), or 0 after the last line
  // and when the stage fails (reported with "RstReadTolvane::read()").
  int read(uint8_t* line) override;
  // Not supported: -5 "RstReadTolvane::reset()".
  void reset() override;
  // Packed raw samples of the described header.
  int line_size() override;

  // The node as a stage: info describes the node's header, line delivers
  // the next line (1, or 0 when none came), close forgets the description
  // and the lines delivered but leaves the node alive.
  int32_t info(TolvaneImageInfo* info) override;
  int32_t line(uint8_t* buffer) override;
  int32_t close() override;

 protected:
  // Turns the stage's description into the header once; false when there is
  // no usable description (reported with "RstReadTolvane::read()").
  virtual bool describe();
  void close_stage();

  RstInstanceTolvane* stage_ = nullptr;
  bool described_ = false;
  bool description_failed_ = false;
  uint32_t lines_delivered_ = 0;
  RstHeaderTolvane header_;

 private:
  RstHeaderTolvane stage_view_;  // what info last handed out
};

class RstReadRasterTolvane : public RstReadTolvane {
 public:
  // A window from the storage's current position to its end.
  explicit RstReadRasterTolvane(InputStorage* storage);
  ~RstReadRasterTolvane() override;

  bool initiate() override { return init(); }
  // Lines from the stage; after a stage failure each remaining line is
  // announced by a warning and its buffer left as it was.
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { init(); }

 protected:
  // Rewinds the window and builds a fresh stage.
  bool init();
  // The decoding stage over stream(); null when it cannot be made.
  virtual RstInstanceTolvane* create_stage() = 0;
  BrenvoldStream* stream() const { return stream_; }

 private:
  BrenvoldStream* stream_ = nullptr;
  int32_t lines_left_ = 0;
  int32_t last_status_ = 1;
  NestedInputStorage window_;
};
