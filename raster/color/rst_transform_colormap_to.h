// RstTransformColormapTo: an indexed image converted to another colour type by
// converting its colormap (run as a one-line image through the ordinary
// routes) and leaving the indices as they are.
#pragma once

#include "raster/color/rst_lab_range.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_process.h"

class RstTransformColormapTo : public RstProcess {
 public:
  // No source or a source without colormap: -2
  // "RstTransformColormapTo::create()"; a colormap not converted: the
  // route's reports and -1 "RstTransformColormapTo::initiate()". range is
  // used during create only.
  static RstRead* create(RstRead* source, RstColorType* target, const RstLabRange* range);

  RstTransformColormapTo(RstRead* source, RstColorType* target, const RstLabRange* range)
      : RstProcess(source), color_type_(target), range_(range) {}

  // The source's header with the converted colormap and the target type.
  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override { return source()->read(line); }
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return source()->line_size(); }

 private:
  RstCountedPtr<RstColormap> converted_;
  RstColorType* color_type_;
  const RstLabRange* range_;
};
