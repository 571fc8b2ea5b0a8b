// TIFF write options: a complete page header plus the coding option, made
// from a resolution, an encode type and a strip height; the MRC mask page's
// option with its layer choices and reductions; a layer image's option; and
// the page option a writer builds from the caller's option and its source.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_coding_option.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/formats/rst_write_tiff_header.h"

class RstWriteTIFFOption : public RstWriteTIFFHeader {
 public:
  // Resolutions in dots per unit, the image header's encode type, rows per
  // strip (0: one strip) and a coding option (cloned; none allowed).
  RstWriteTIFFOption(uint32_t x_resolution, uint32_t y_resolution, int32_t encode_type, uint32_t rows_per_strip,
                     const RstCodingOption* coding_option);
  // A copy of the header without coding option.
  explicit RstWriteTIFFOption(const RstWriteTIFFHeader& header);
  // A copy sharing the other option's coding option.
  RstWriteTIFFOption(const RstWriteTIFFOption& other);
  ~RstWriteTIFFOption() override;

  // How a writer treats the page's data when it builds its page option.
  enum class Data { new_coded, copied };
  // The option a writer writes one page of `source` with, made from the
  // caller's option (or none); none when the page cannot be written so
  // (reported: the image refused, a coding TIFF cannot declare, a check of
  // RstWriteTIFF::valid_option).
  static RstWriteTIFFOption* for_source(const RstHeader& source, const RstWriteTIFFOption* option, Data data);

  RstCountedPtr<RstCodingOption> coding_option;
};

class RstWriteTIFFMRCOption : public RstWriteTIFFOption {
 public:
  RstWriteTIFFMRCOption(uint32_t layer_mode, uint32_t x_resolution, uint32_t y_resolution, uint32_t rows_per_strip,
                        const RstCodingOption* mask_option, const RstCodingOption* background_option,
                        const RstCodingOption* foreground_option, uint32_t background_reduction,
                        uint32_t foreground_reduction);
  // A mask page's option from a plain header: reductions 1, mode 1, no layer options.
  explicit RstWriteTIFFMRCOption(const RstWriteTIFFHeader& header);

  uint32_t background_reduction = 1;
  uint32_t foreground_reduction = 1;
  uint32_t layer_mode = 1;  // 0 mask, background and foreground; 1 mask and foreground; 2 mask and background
  RstCountedPtr<RstCodingOption> foreground_option;
  RstCountedPtr<RstCodingOption> background_option;
};

class RstWriteTIFFMRCChildOption : public RstWriteTIFFOption {
 public:
  RstWriteTIFFMRCChildOption(uint32_t x_resolution, uint32_t y_resolution, const RstCodingOption* coding_option);
};
