// The TIFF tag readers: the base walks one directory's entries and hands each
// to a per-class tag switch, checks field types against what a tag allows, and
// runs a consistency step that fills defaults, repairs contradictions and
// reports what it repaired. RstTIFF6IFDReader reads every TIFF 6.0 tag the
// page header knows; RstReadTIFFTagsBase is the base of every record read from
// a directory.
#pragma once

#include <cstdint>

#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/formats/rst_tiff_file_structure.h"
#include "raster/formats/rst_tiff_header.h"

class RstTIFFIFDReader : public RstTIFFTypes {
 public:
  // The image header of a JPEG stream nested in an old-style JPEG page, with
  // its resolution in dots per inch (0: none).
  struct NestedInfo : RstHeader {
    uint32_t x_resolution = 0;
    uint32_t y_resolution = 0;
  };

  explicit RstTIFFIFDReader(RstReadTIFFImageFileDirectory* ifd) : ifd_(ifd) {}
  virtual ~RstTIFFIFDReader() = default;
  RstTIFFIFDReader(const RstTIFFIFDReader&) = delete;
  RstTIFFIFDReader& operator=(const RstTIFFIFDReader&) = delete;

  // Reads the directory at the input's position, every entry through
  // read_tag, then the consistency step.
  virtual bool read(RstTIFFDataInput& input, int32_t level);
  virtual bool validate_consistency(int32_t, RstTIFFDataInput&) { return true; }
  // False when the tag is not one this reader knows.
  virtual bool read_tag(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input) = 0;
  virtual bool create_nested_info(int32_t, RstTIFFDataInput&) { return true; }
  // Whether a bad entry count or a missing next-IFD offset is reported.
  virtual bool reports_read_errors() const { return true; }

  // True when the entry's type is expected; a tolerated type is reported as
  // warning 13, any other as error -13.
  static bool check_tag_type(uint32_t expected, uint32_t tolerated, const RstReadTIFFIFDEntry& entry);

  const NestedInfo* nested_info() const { return nested_.get(); }
  // Set when an offset the directory names (global parameters) lay outside
  // the data and was not followed.
  bool refused_offset() const { return refused_offset_; }

 protected:
  // Whether a tag no reader knows fails the directory. Private tags of other
  // software are common, so by default they are passed over.
  virtual bool unknown_tag_fails() const { return false; }

  RstReadTIFFImageFileDirectory* ifd_;
  RstCountedPtr<NestedInfo> nested_;
  bool refused_offset_ = false;
};

class RstTIFF6IFDReader : public RstTIFFIFDReader {
 public:
  RstTIFF6IFDReader(RstTIFF6Header* header, RstReadTIFFImageFileDirectory* ifd)
      : RstTIFFIFDReader(ifd), header_(header) {}

  bool validate_consistency(int32_t level, RstTIFFDataInput& input) override;
  bool read_tag(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input) override;
  bool create_nested_info(int32_t level, RstTIFFDataInput& input) override;

 protected:
  // The checks of the consistency step, in order; their result.
  bool run_checks(int32_t level);
  void read_reference_black_white(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input);
  void read_jpeg_tables(const RstReadTIFFIFDEntry& entry, RstTIFFDataInput& input);

  RstTIFF6Header* header_;
};

// A record read from one directory: it owns the directory and a tag reader.
class RstReadTIFFTagsBase {
 public:
  virtual ~RstReadTIFFTagsBase() = default;
  virtual RstTIFFIFDReader* reader() = 0;

  // Reads the directory at `offset` through the reader; the bytes consumed
  // (at least 1), or 0 when the directory could not be read.
  uint32_t read(InputStorage* input, uint32_t byte_order, uint32_t offset, int32_t level);

  RstReadTIFFImageFileDirectory ifd;
};
