// The Exif private headers and entry points. Exif comes in a JPEG APP1
// segment beginning "Exif" (the TIFF structure after its 6-byte prefix) or as
// a TIFF-structured stream of its own. Both read the primary IFD, a thumbnail
// IFD after it, the Exif private IFD with its interoperability IFD, and the
// GPS IFD. Every offset comes from the file; sub-IFDs are read once each and
// never followed further, so no walk can loop.
#pragma once

#include <cstdint>
#include <memory>

#include "raster/codecs/rst_read_jpeg_header.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_read.h"
#include "raster/formats/rst_exif_ifd_reader.h"
#include "raster/formats/rst_exif_tags.h"
#include "raster/formats/rst_read_tiff_header.h"

class RstReadExifTIFFHeader;
class RstReadExifJPEGHeader;

// What both Exif containers answer.
class RstReadExifHeader : public RstPrivateHeader {
 public:
  // The header of the primary image.
  virtual RstHeader* rst_header() = 0;
  // 1 good, 2 or more a warning, -12 not Exif, else an error.
  virtual const int32_t* status() const = 0;
  virtual bool is_tiff_container() const = 0;
  virtual RstReadExifTIFFHeader* exif_tiff_header() = 0;
  virtual RstReadExifJPEGHeader* exif_jpeg_header() { return nullptr; }
  // The reader node of the file's pixels over the storage, or none.
  virtual RstRead* create_reader(InputStorage* storage) = 0;
  // Dots per inch; 0 when the file says nothing.
  virtual uint32_t x_resolution() const = 0;
  virtual uint32_t y_resolution() const = 0;
};

class RstReadExifInteroperability : public RstReadTIFFTagsBase {
 public:
  RstTIFFIFDReader* reader() override;

 private:
  RstCountedPtr<RstExifStructureReader> reader_;
};

class RstReadExifGPSInfo : public RstReadTIFFTagsBase {
 public:
  RstTIFFIFDReader* reader() override;

 private:
  RstCountedPtr<RstExifStructureReader> reader_;
};

class RstReadExifPrivateTags : public RstExif22PrivateTags, public RstReadTIFFTagsBase {
 public:
  // Made on first use and kept; none: -1 "RstReadExifPrivateTags::reader()".
  RstTIFFIFDReader* reader() override;

  RstReadExifInteroperability interoperability;

 private:
  RstCountedPtr<RstExifPrivateTagsReader> reader_;
};

class RstReadExifTIFFHeader : public RstExifTIFFHeader, public RstReadExifHeader, public RstReadTIFFHeaderBase {
 public:
  // An empty header (byte order "II" until read).
  RstReadExifTIFFHeader() = default;
  // Reads the Exif structure at the storage's position with validation
  // level `mode`.
  RstReadExifTIFFHeader(InputStorage* storage, int32_t mode);

  // The image file header, the IFD chain (every IFD after the first a
  // thumbnail header), the private IFD with its interoperability IFD and the
  // GPS IFD. The bytes the reading advanced, 0 on failure; a primary IFD
  // that cannot be read, or without an Exif IFD, or a private IFD that cannot
  // be read leave status -12. A broken interoperability or GPS IFD is passed
  // over.
  uint32_t read_structure(InputStorage* storage, int32_t mode);

  RstHeader* rst_header() override { return rst_header_ptr(); }
  const int32_t* status() const override { return &(this->RstTIFF6Header::status); }
  bool is_tiff_container() const override { return true; }
  RstReadExifTIFFHeader* exif_tiff_header() override { return this; }
  // The TIFF page reader over the stream from where it was read.
  RstRead* create_reader(InputStorage* storage) override;
  uint32_t x_resolution() const override;
  uint32_t y_resolution() const override;

  // Made on first use and kept; none: -1 "RstReadExifTIFFHeader::reader()".
  RstTIFFIFDReader* reader() override;
  RstReadTIFFHeaderBase* new_header() override;
  RstTIFF6Header* tiff6_header() override { return this; }
  // Every base owns the object; any of them releases all of it.
  void release() override { delete this; }

  RstReadExifPrivateTags private_tags;
  RstReadExifGPSInfo gps_info;

 protected:
  virtual bool is_thumbnail() const { return false; }

 private:
  int32_t position_ = 0;  // where the structure began
  RstCountedPtr<RstExifTIFFIFDReader> reader_;
};

// The thumbnail IFD after the primary one, always validated at level 3.
class RstReadExifThumbHeader : public RstReadExifTIFFHeader {
 protected:
  bool is_thumbnail() const override { return true; }
};

namespace rst_exif_detail {

// The Exif answers of resolution, apart from the JPEG part's.
class ExifSide : public RstReadExifHeader {
 public:
  uint32_t x_resolution() const final { return exif_x_resolution(); }
  uint32_t y_resolution() const final { return exif_y_resolution(); }

 protected:
  virtual uint32_t exif_x_resolution() const = 0;
  virtual uint32_t exif_y_resolution() const = 0;
};

// The JPEG part: YCbCr for three components, else gray; no resolution.
class JPEGSide : public RstReadJPEGHeader {
 public:
  explicit JPEGSide(InputStorage* storage) : RstReadJPEGHeader(storage, true) {}
  uint32_t x_resolution() const final { return 0; }
  uint32_t y_resolution() const final { return 0; }
  RstColorType* rst_color_type() const override;
};

}  // namespace rst_exif_detail

// The Exif APP1 segment of a JPEG stream and the Exif structure it holds.
struct RstReadExifAppMarker {
  RstJPEGMarkerApplication application;
  RstReadExifTIFFHeader exif_tiff_header;
  std::unique_ptr<ByteArrayInputStorage> payload;  // the segment after "Exif\0\0"
};

class RstReadExifJPEGHeader : public rst_exif_detail::ExifSide, public rst_exif_detail::JPEGSide {
 public:
  // Parses the JPEG header, then reads the first APP1 that begins "Exif";
  // none, one too short, or no Exif structure in it: status -12.
  explicit RstReadExifJPEGHeader(InputStorage* storage);

  RstHeader* rst_header() override { return RstReadJPEGHeader::rst_header(); }
  const int32_t* status() const override { return RstReadJPEGHeader::status(); }
  bool is_tiff_container() const override { return false; }
  RstReadExifTIFFHeader* exif_tiff_header() override { return &app_marker.exif_tiff_header; }
  RstReadExifJPEGHeader* exif_jpeg_header() override { return this; }
  RstRead* create_reader(InputStorage* storage) override;
  // Both bases own the object; either releases all of it.
  void release() override { delete this; }

  RstReadExifAppMarker app_marker;

 protected:
  uint32_t exif_x_resolution() const override;
  uint32_t exif_y_resolution() const override;
};

class RstReadExifJPEG {
 public:
  // The Exif JPEG header when an Exif APP1 was read (status 1 or a warning,
  // reported and kept); -12 silently none; another status reported, none.
  // The storage is put back. None or closed: -2 "RstReadExifJPEG::private_header()".
  static RstReadExifJPEGHeader* private_header(InputStorage* storage);
};

class RstReadExifTIFF {
 public:
  // The Exif TIFF header read with mode 3, kept on status 1 or a warning; a
  // stream that is not Exif gives none silently. None or closed: -2
  // "RstReadExifTIFF::private_header()".
  static RstReadExifTIFFHeader* private_header(InputStorage* input);
};

class RstReadExif {
 public:
  // The JPEG container first, then (from the same position) the TIFF one.
  // None or closed: -2 "RstReadExif::private_header".
  static RstReadExifHeader* private_header(InputStorage* storage);
  // The header's reader; without one the storage is probed here (-12
  // "RstReadExif::create()" when it is not Exif).
  static RstRead* create(InputStorage* storage, RstReadExifHeader* header);
};
