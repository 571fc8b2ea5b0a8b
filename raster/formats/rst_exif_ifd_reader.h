// The Exif tag readers: the primary and thumbnail IFDs (the TIFF 6.0 tags and
// the two Exif IFD pointers, with the thumbnail stream described as the page
// in place of the TIFF consistency checks), the Exif private IFD with the
// completion of its defaults, and a reader that walks an IFD for its
// structure only (interoperability and GPS IFDs, whose values are not kept).
#pragma once

#include <cstdint>

#include "raster/formats/rst_exif_tags.h"
#include "raster/formats/rst_tiff_ifd_reader.h"

class RstExifTIFFIFDReader : public RstTIFF6IFDReader {
 public:
  // A thumbnail reader validates at level 3 whatever the walk's level.
  RstExifTIFFIFDReader(RstExifTIFFHeader* header, RstReadTIFFImageFileDirectory* ifd, bool thumbnail = false)
      : RstTIFF6IFDReader(header, ifd), exif_header_(header), thumbnail_(thumbnail) {}

  bool read_tag(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input) override;
  bool validate_consistency(int32_t level, RstTIFFDataInput& input) override;
  // A probe: a stream without an IFD is simply not Exif.
  bool reports_read_errors() const override { return false; }

 private:
  RstExifTIFFHeader* exif_header_;
  bool thumbnail_;
};

class RstExifPrivateTagsReader : public RstTIFFIFDReader {
 public:
  RstExifPrivateTagsReader(RstExif22PrivateTags* tags, RstReadTIFFImageFileDirectory* ifd)
      : RstTIFFIFDReader(ifd), tags_(tags) {}

  bool read_tag(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input) override;
  bool validate_consistency(int32_t level, RstTIFFDataInput& input) override;
  bool reports_read_errors() const override { return false; }

 private:
  RstExif22PrivateTags* tags_;
};

// Knows no tag: the directory's entries are read and bounded, nothing kept.
class RstExifStructureReader : public RstTIFFIFDReader {
 public:
  explicit RstExifStructureReader(RstReadTIFFImageFileDirectory* ifd) : RstTIFFIFDReader(ifd) {}
  bool read_tag(const RstReadTIFFIFDEntry&, RstTIFFDataInput&) override { return false; }
  bool reports_read_errors() const override { return false; }
};
