// Palette reduction: an 8-bit colour image of 3 or 4 channels becomes an
// 8-bit indexed image over a colormap the caller gives, the inverse of
// colormap expansion. Each pixel is one look-up in an inverse colour map
// (RstColormapIndexTable); 4-channel images and colormaps are both taken to
// RGB and reduced there.
#pragma once

#include <cstdint>

#include "raster/color/rst_colormap_index_table.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_process.h"

// The common part of the reducing nodes: one source line of buffer, the
// width, and the colormap the output's header carries.
class RstReduceColor8xNTo8C : public RstProcess {
 public:
  // Records the source's width and allocates one source line at once; a
  // buffer not allocated: -1 "RstReduceColor8xNTo8C::RstReduceColor8xNTo8C()".
  explicit RstReduceColor8xNTo8C(RstRead* source);
  ~RstReduceColor8xNTo8C() override;

  // The source's header with 1 sample per pixel and the node's colormap.
  void header(RstHeader& h) override;
  // Fails (already reported) when the line buffer is missing.
  bool initiate() override { return line_buffer_ != nullptr; }
  int line_size() override { return width_; }
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }

 protected:
  uint8_t* line_buffer_ = nullptr;
  int32_t width_ = 0;
  int32_t source_line_size_ = 0;
  RstCountedPtr<RstColormap> colormap_;
};

class RstReduceColor8x3To8CCmap : public RstReduceColor8xNTo8C {
 public:
  // Each refuses with "RstReduceColor8x3To8CCmap::create()": no source -2;
  // a source not 8-bit, 3-channel raw -3; a colormap missing, not 8-bit
  // 3-channel, without entries or of more than 256 entries -2.
  // A table of b = 5 over colormap.
  static RstRead* create(RstRead* source, const RstCountedPtr<RstColormap>& colormap);
  // A table of b = 5 over a copy of colormap (-1 when the copy is not made).
  static RstRead* create(RstRead* source, const RstColormap& colormap);
  // A copy of a prebuilt table; a table without cells: -1.
  static RstRead* create(RstRead* source, const RstColormapIndexTable& table);

  RstReduceColor8x3To8CCmap(RstRead* source, const RstColormapIndexTable& table);

  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  RstColormapIndexTable table_;
};

class RstReduceColor8xNTo8CCmap {
 public:
  // No source, or a colormap not 8-bit of 3 or 4 channels, without entries
  // or of more than 256 entries, or source channels other than the
  // colormap's: -2; a source not 8-bit of 3 or 4 samples: -3; both
  // "RstReduceColor8xNTo8CCmap::create()". Then the 3- or 4-channel create.
  static RstRead* create(RstRead* source, const RstColormap& colormap);
  static RstRead* create(RstRead* source, const RstCountedPtr<RstColormap>& colormap);
};

class RstReduceColor8x4To8CCmap {
 public:
  // Source and a copy of colormap go to s_rgb, are reduced there and the
  // result goes back to the source's colour type, under the caller's
  // colormap. No source or a colormap not 8-bit 4-channel with 1 to 256
  // entries: -2; a source not 8-bit 4-channel: -3; both
  // "RstReduceColor8x4To8CCmap::create()". The conversions report their own
  // failures.
  static RstRead* create(RstRead* source, const RstColormap& colormap);
};
