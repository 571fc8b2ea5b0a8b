// RstWriteColormap: the writer that stores a one-line image as a colormap, so
// that colormaps can run through ordinary image nodes and come back.
#pragma once

#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_write_memory.h"

class RstWriteColormap {
 public:
  // A writer whose write the caller repeats until it returns 0; the target
  // then holds the line as a colormap (bits per sample, samples per pixel,
  // width entries). A target colormap of that shape that nobody else holds is
  // overwritten in place; a shared one, or one of another shape, is replaced
  // by a new colormap, so other headers keep their entries. Null after a
  // report "RstWriteColormap::create()": -2 no source; -3 a source with a
  // colormap or not one line high; -1 no new colormap; or the writer's own.
  static RstWriteMemory* create(RstRead* source, RstCountedPtr<RstColormap>& target);
};
