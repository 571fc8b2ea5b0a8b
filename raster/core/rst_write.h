// RstWrite: a sink node that writes its one source until done.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"
#include "raster/core/rst_status.h"

class RstWrite : public RstRoot {
 public:
  explicit RstWrite(RstRead* source);
  // The source's header.
  void header(RstHeader& h) override;
  // One step of writing (normally one line); bytes produced, 0 when finished
  // or failed (then status() is below 1).
  virtual int write() = 0;

  RstRead* source() const;
  // 1, or the negative code of the failure a writer reported.
  int32_t status() const { return status_; }

 protected:
  void set_status(int32_t status) { status_ = status; }

 private:
  int32_t status_ = RstCode::good;
};
