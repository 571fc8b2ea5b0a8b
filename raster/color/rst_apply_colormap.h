// Colormap expansion: an indexed image (one channel of indices, a colormap
// in its header) becomes a direct-colour image whose pixels are the entries
// the indices name. The front picks one of nine instances by the bits of an
// index (IN) and of a colormap sample (OUT), each 1, 8 or 16.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstApplyColormap : public RstProcess {
 public:
  // No colormap: the source itself, nothing reported. No source: -2; not one
  // unsigned raw channel, or a colormap without entries, channels or data:
  // -3; IN or OUT not 1, 8 or 16: -50; all "RstApplyColormap::create()".
  static RstRead* create(RstRead* source);

  explicit RstApplyColormap(RstRead* source) : RstProcess(source) {}
  ~RstApplyColormap() override;

  // The source's header with the colormap's bits and channels, no colormap.
  void header(RstHeader& h) override;
  // Allocates the line buffer.
  bool initiate() override;
  void reset() override { source()->reset(); }

 protected:
  uint8_t* line_buffer_ = nullptr;
  int32_t source_line_size_ = 0;
};

template <int IN, int OUT>
class RstApplyColormapNBit : public RstApplyColormap {
 public:
  // Same checks as the front for exactly this pair; where-text
  // "RstApplyColormapNBit::create()".
  static RstRead* create(RstRead* source);

  explicit RstApplyColormapNBit(RstRead* source) : RstApplyColormap(source) {}
  ~RstApplyColormapNBit() override;

  // Unpacks the colormap into one 32-bit value per sample. An index at or
  // past the entry count gives 0 in every channel.
  bool initiate() override;
  int read(uint8_t* line) override;
  int line_size() override;

 private:
  int32_t channels_ = 0;
  int32_t width_ = 0;
  uint32_t* table_ = nullptr;
  uint32_t table_entries_ = 0;  // entries the table holds (past the colormap's: zeros)
  uint32_t entries_ = 0;        // the colormap's entries
};

extern template class RstApplyColormapNBit<1, 1>;
extern template class RstApplyColormapNBit<1, 8>;
extern template class RstApplyColormapNBit<1, 16>;
extern template class RstApplyColormapNBit<8, 1>;
extern template class RstApplyColormapNBit<8, 8>;
extern template class RstApplyColormapNBit<8, 16>;
extern template class RstApplyColormapNBit<16, 1>;
extern template class RstApplyColormapNBit<16, 8>;
extern template class RstApplyColormapNBit<16, 16>;
