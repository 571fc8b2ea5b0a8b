// RstPushPullWriteBridge: a sink node that drives a push writer: it reads the
// lines of its source and pushes them until encoded bytes reach the target.
// The bridge owns the push writer and ends it when it goes; the encoder's
// last bytes reach the target only then.
#pragma once

#include <cstdint>

#include "raster/core/output_storage.h"
#include "raster/core/rst_push_write.h"
#include "raster/core/rst_write.h"

class RstPushPullWriteBridge : public RstWrite {
 public:
  // No source, push writer or target: -2 "RstPushPullWriteBridge::create()".
  // On success the bridge has taken the push writer over; on failure (null)
  // it is still the caller's.
  static RstPushPullWriteBridge* create(RstRead* source, RstPushWrite* push_writer, OutputStorage* target);

  RstPushPullWriteBridge(RstRead* source, RstPushWrite* push_writer, OutputStorage* target);
  ~RstPushPullWriteBridge() override;

  void header(RstHeader& h) override;
  bool initiate() override;
  // Pushes lines until output reaches the target or the source runs out;
  // the bytes that reached the target. A refused line: status -11, reported
  // "RstPushPullWriteBridge::write()", 0.
  int write() override;

  RstPushWrite* push_writer() const { return push_writer_; }

 private:
  int32_t line_size_;
  uint8_t* line_ = nullptr;
  RstPushWrite* push_writer_;
  OutputStorage* target_;
};
