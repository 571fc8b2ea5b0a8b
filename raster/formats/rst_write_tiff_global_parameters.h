// The TIFF-FX global parameters record with the small IFD (tags 401 to 405)
// that carries it, written directly behind the page IFD that points to it.
#pragma once

#include <cstdint>

#include "raster/formats/rst_tiff_header.h"
#include "raster/formats/rst_write_tiff_file_structure.h"

class RstWriteTIFFGlobalParameters : public RstTIFFGlobalParameters {
 public:
  RstWriteTIFFGlobalParameters();
  explicit RstWriteTIFFGlobalParameters(const RstTIFFGlobalParameters& record);

  // True when a value differs from what the entries were built from.
  bool ifd_changed() const;
  bool create_ifd();
  // Bytes of the IFD (all values inline): 12 x entries + 6.
  uint32_t ifd_size();
  // Writes the IFD at the output's position; the bytes written.
  uint32_t write(RstTIFFDataOutput& output);

  RstTIFFGlobalParameters ifd_snapshot;
  RstWriteTIFFImageFileDirectory directory;

 private:
  // The values of the 8-bit entries, kept for the write.
  uint32_t fax_profile_byte_ = 0;
  uint32_t mode_number_byte_ = 0;
};
