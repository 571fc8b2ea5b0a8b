// The page header of the TIFF writer: the page model plus what writing needs.
// It takes its image fields from the image's RstHeader, checks that the image
// can be written under its Compression, completes the strip fields, builds
// the page's IFD entries in tag order, keeps child headers (the SubIFDs of an
// MRC page) and a global parameters record, plans where the IFD's values and
// the strips go, writes the IFD and records each strip's real offset and byte
// count into it as the strips are written.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/output_storage.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/formats/rst_tiff_header.h"
#include "raster/formats/rst_tile_spec.h"
#include "raster/formats/rst_write_tiff_file_structure.h"
#include "raster/formats/rst_write_tiff_global_parameters.h"

// Copies every TIFF 6.0 and TIFF-FX field of a page model (the global
// parameters record shared); the derived views' caches are left as they are.
void rst_copy_tiff_fields(RstTIFFFXHeader& to, const RstTIFFFXHeader& from);

class RstWriteTIFFHeader : public RstTIFFFXHeader {
 public:
  RstWriteTIFFHeader();
  // A copy, and assignment, whose strips cannot be copied report -1 and
  // leave it in the status word.
  RstWriteTIFFHeader(const RstWriteTIFFHeader& other);
  // A child header: a copy of the pattern for this image in this byte order.
  RstWriteTIFFHeader(const RstWriteTIFFHeader& pattern, const RstHeader& image, uint32_t byte_order);
  // A header with the fields of a page read from a file.
  explicit RstWriteTIFFHeader(const RstTIFFFXHeader& source);
  ~RstWriteTIFFHeader() override;
  RstWriteTIFFHeader& operator=(const RstWriteTIFFHeader& other);

  void release() { delete this; }

  RstTIFFGlobalParameters* create_global_parameters() override;
  bool can_write(const RstHeader& image) { return can_write(image, false); }
  // Whether an image with this header can be written under this Compression;
  // with `adjust` an accepted MH or MR image sets bit 0 of t4_options.
  virtual bool can_write(const RstHeader& image, bool adjust);
  // Checks and repairs the strip fields; false when something was repaired.
  virtual bool validate_strip_attrs();

  // Sets the image fields from the image, after can_write when `check`;
  // false when something was refused (reported).
  bool rst_header(const RstHeader& image, bool check);
  using RstTIFF6Header::rst_header;
  // Checks the header and completes the strip lists.
  bool validate_attributes();
  // Builds the directory's entries in ascending tag order; a failure also
  // goes into the status word.
  bool create_ifd();
  // True when a field the entries are built from differs from when they were
  // last built (or they never were).
  bool ifd_changed() const;
  // The strips of the page, made once; an empty pointer on failure.
  RstCountedPtr<RstTileSpecArray>& tile_specs();
  void add_child(const RstHeader& image, const RstWriteTIFFHeader& pattern);
  void set_global_parameters(const RstTIFFGlobalParameters& record);
  RstWriteTIFFGlobalParameters* write_global_parameters() const;

  // Bytes of the page IFD with its out-of-line values. Entries that cannot
  // be built leave their failure in the status word, as create_ifd does.
  uint32_t ifd_size();
  // Plans the global parameters IFD, the child IFDs and the strips behind a
  // page IFD at `position`; the end of everything planned, in 64 bits.
  uint64_t set_offsets(uint32_t position);
  // Writes the page IFD (and the global parameters IFD) at the storage's
  // position; the bytes written, 0 when they did not all go out or when the
  // header or a child header holds a failure in its status word.
  uint32_t write(OutputStorage* storage);
  // Before a strip's data: its offset into the IFD when not planned right.
  bool record_strip_offset(OutputStorage* storage);
  // After a strip's data: its byte count into the IFD when not given right.
  bool record_strip_byte_count(OutputStorage* storage);
  uint32_t next_ifd_offset() const { return directory.next_ifd_offset; }
  uint32_t next_ifd_slot_position() const { return directory.next_ifd_slot_position; }

  uint32_t strip_offsets_position = 0;
  uint32_t strip_byte_counts_position = 0;
  uint32_t jpeg_interchange_format_length_position = 0;
  uint32_t next_strip = 0;
  RstCountedPtr<RstTileSpecArray> strip_specs;
  RstWriteTIFFImageFileDirectory directory;
  RstTIFFFXHeader ifd_snapshot;
  std::vector<RstCountedPtr<RstWriteTIFFHeader>> children;

 private:
  // The values of a field entry, read from the header when the IFD is written.
  const void* field_values(uint32_t tag) const;
  // Writes a 32-bit value at `position` and returns to where the output stood.
  bool patch(OutputStorage* storage, uint32_t position, uint32_t value);

  bool ifd_built_ = false;
  size_t snapshot_children_ = 0;
};
