// TIFF-FX tag reading: the fax quality tags, Decode, DefaultImageColor,
// StripRowCounts, ImageLayer and the global parameters IFD, which is read
// into its own record by its own tag reader.
#pragma once

#include <cstdint>
#include <memory>

#include "raster/formats/rst_tiff_ifd_reader.h"

class RstTIFFGlobalParameteresReader : public RstTIFFIFDReader {
 public:
  RstTIFFGlobalParameteresReader(RstTIFFGlobalParameters* target, RstReadTIFFImageFileDirectory* ifd)
      : RstTIFFIFDReader(ifd), target_(target) {}

  bool read_tag(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input) override;
  bool reports_read_errors() const override { return false; }

 protected:
  // A global parameters IFD holds the five global tags and nothing else.
  bool unknown_tag_fails() const override { return true; }

 private:
  RstTIFFGlobalParameters* target_;
};

// The record of a global parameters IFD; reading happens in the constructor.
class RstReadTIFFGlobalParameters : public RstReadTIFFTagsBase, public RstTIFFGlobalParameters {
 public:
  // Reads the IFD at the input's position in the given byte order.
  RstReadTIFFGlobalParameters(InputStorage* input, uint32_t byte_order);
  RstTIFFIFDReader* reader() override;

  int32_t read_status = 0;  // 1 read, 0 failed

 private:
  std::unique_ptr<RstTIFFGlobalParameteresReader> reader_;
};

class RstTIFFFXIFDReader : public RstTIFF6IFDReader {
 public:
  RstTIFFFXIFDReader(RstTIFFFXHeader* header, RstReadTIFFImageFileDirectory* ifd)
      : RstTIFF6IFDReader(header, ifd), fx_header_(header) {}

  // The TIFF 6.0 read, then the global parameters IFD it names.
  bool read(RstTIFFDataInput& input, int32_t level) override;
  bool read_tag(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input) override;
  // The reader of global tags met in the page's own IFD, made on first call.
  RstTIFFGlobalParameteresReader* globalparam_reader();

 private:
  bool read_global_parameters(RstTIFFDataInput& input);
  void read_decode_values(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input);

  RstTIFFFXHeader* fx_header_;
  std::unique_ptr<RstTIFFGlobalParameteresReader> globalparam_reader_;
};
