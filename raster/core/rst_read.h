// RstRead: an image node that is pulled line by line.
#pragma once

#include <cstdint>

#include "raster/core/rst_root.h"

class RstRead : public RstRoot {
 public:
  RstRead() = default;
  ~RstRead() override;

  // Produces the next line into line; its size in bytes, 0 when no line is
  // left (end of image, or failure after a report).
  virtual int read(uint8_t* line) = 0;
  // Passes over up to n lines; the number passed. The default reads them
  // through read() into a scratch line.
  virtual int skip(int n);
  // Restarts at the first line.
  virtual void reset() = 0;
  // Bytes read() delivers per line: packed raw samples, or 1024 for any other
  // data form.
  virtual int line_size();

 private:
  uint8_t* scratch_ = nullptr;
};
