// The in-memory form of one TIFF page (one image file directory): every TIFF
// 6.0 field the raster library knows with its default, the TIFF-FX fields and
// profile tests, the global parameters record, and the derived views the rest
// of the library works with (image header, coding option, colour type,
// colormap, strips as tile specs, resolution in dots per inch).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_jpeg_tables.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/formats/rst_tiff_types.h"
#include "raster/formats/rst_tile_spec.h"

// The values of a TIFF-FX global parameters IFD.
class RstTIFFGlobalParameters : public RstTIFFFXTypes, public RstTIFF6Types {
 public:
  RstTIFFGlobalParameters() = default;
  virtual ~RstTIFFGlobalParameters() = default;
  bool operator==(const RstTIFFGlobalParameters& other) const;
  bool operator!=(const RstTIFFGlobalParameters& other) const { return !(*this == other); }

  uint32_t coding_methods = 0;
  uint32_t fax_profile = 0;
  int32_t mode_number = -1;  // -1: absent
  uint32_t profile_type = 0;
  std::vector<uint8_t> version_year;  // four bytes when present
};

class RstTIFF6Header : public RstPrivateHeader {
 public:
  explicit RstTIFF6Header(uint32_t byte_order);
  ~RstTIFF6Header() override;
  RstTIFF6Header(const RstTIFF6Header&) = delete;
  RstTIFF6Header& operator=(const RstTIFF6Header&) = delete;

  // Strips of a page `length` lines long: ceil(length / rows per strip).
  virtual uint32_t strip_count(uint32_t width, uint32_t length);
  // Lines of each strip, one per strip offset.
  virtual bool strip_rows(std::vector<uint32_t>& out);
  // A new global parameters record for a writer, or none.
  virtual RstTIFFGlobalParameters* create_global_parameters() { return nullptr; }

  // rows_per_strip; a 0 there (not given) first becomes image_length.
  uint32_t effective_rows_per_strip();
  // 1 for the "one strip" length 0xFFFFFFFF, else the virtual strip_count.
  uint32_t strip_count();
  // Bytes of one row: (sum of the bits of the samples x width + 7) / 8, in 64
  // bits so that a hostile width cannot wrap it.
  uint64_t bytes_per_row() const;
  // The samples per pixel the photometric interpretation needs: 1 for grey,
  // bilevel and palette pages, 3 for RGB, 3 or 4 for Separated (3 only when
  // the page has 3), 0 for the others, which need no particular count.
  uint32_t samples_needed() const;
  // True when the page's data holds `samples_per_pixel` samples although its
  // photometric interpretation needs fewer: ExtraSamples lists the surplus, or
  // the first strip of an uncompressed page has exactly the larger rows.
  bool stores_extra_samples() const;
  // Bound of one run-length line of the page in bytes (two 32-bit ends per
  // black run and the end marker).
  uint64_t run_line_bound() const;
  RstTIFFCompression tiff_compression() const { return compression; }
  void set_compression(uint32_t value) { compression.set(value); }
  bool is_little_endian() const { return byte_order == 0x4949; }
  bool is_tiled() const { return tile_width != 0; }
  // Dots per inch by resolution_unit (2 inch, 3 centimetre, else 0); a zero
  // denominator counts as no resolution.
  int64_t x_resolution_dpi() const;
  int64_t y_resolution_dpi() const;

  // The image header's data form of `compression`.
  int32_t encode_type() const;
  // Sets `compression` (and bit 0 of t4_options) from a data form.
  void set_encode_type(int32_t code);
  // The coding option of the page, rebuilt on every call.
  RstCountedPtr<RstCodingOption> coding_option();
  // The colour type of photometric_interpretation, or none.
  RstColorType* rst_color_type() const;
  // The PhotometricInterpretation value of a header's colour type.
  static uint32_t photometric(const RstHeader& header);
  // The colormap made from color_map, kept once made.
  RstCountedPtr<RstColormap> rst_colormap();
  // Stores a colormap and writes color_map from it.
  void rst_colormap(const RstCountedPtr<RstColormap>& colormap);
  void rst_header(RstHeader& out);
  RstHeader* rst_header_ptr();
  // The strips of the page, kept once made.
  RstCountedPtr<RstTileSpecArray> tile_specs();

  bool operator==(const RstTIFF6Header& other) const;
  bool operator!=(const RstTIFF6Header& other) const { return !(*this == other); }

  uint32_t image_width = 0;
  uint32_t image_length = 0;
  uint32_t samples_per_pixel = 1;
  uint32_t jpeg_interchange_format = 0;
  RstTIFFCompression compression;
  uint32_t photometric_interpretation = 0;  // WhiteIsZero
  std::vector<uint32_t> sub_ifds;
  std::vector<uint32_t> strip_offsets;
  std::vector<uint32_t> tile_offsets;
  std::string image_description;
  std::string model;
  std::vector<uint16_t> ycbcr_subsampling;
  std::vector<uint16_t> bits_per_sample{1};
  std::vector<uint16_t> min_sample_value;
  std::string document_name;
  std::string make;
  std::vector<uint16_t> max_sample_value;
  std::vector<uint32_t> strip_byte_counts;
  std::vector<uint32_t> tile_byte_counts;
  uint32_t new_subfile_type = 0;
  uint32_t subfile_type = 0;  // set only when read
  uint32_t cell_width = 0;
  uint32_t cell_length = 0;
  uint32_t rows_per_strip = 0;  // 0: not given
  uint32_t free_byte_counts = 0;
  uint32_t free_offsets = 0;
  uint32_t t4_options = 0;
  uint32_t t6_options = 0;
  uint16_t predictor = 0;
  uint32_t tile_width = 0;
  uint32_t tile_length = 0;
  uint16_t ink_set = 0;
  uint32_t number_of_inks = 0;
  uint32_t jpeg_interchange_format_length = 0;
  uint32_t jpeg_restart_interval = 0;
  uint32_t jpeg_tables_offset = 0;
  uint32_t byte_order;
  uint32_t gray_response_unit = 2;
  uint32_t jpeg_proc = 1;
  uint32_t planar_configuration = 1;
  uint32_t orientation = 1;
  uint32_t fill_order = 1;
  uint32_t threshholding = 1;
  uint32_t ycbcr_positioning = 1;
  uint32_t resolution_unit = 2;  // inch
  RstCountedPtr<RstTileSpecArray> tile_specs_cache;
  RstCountedPtr<RstJPEGTables> jpeg_tables;  // shared by the options made from this page
  RstHeader header_cache;
  RstCountedPtr<RstCodingOption> coding_option_cache;
  RstCountedPtr<RstColormap> colormap_cache;
  std::vector<uint32_t> jpeg_q_tables;
  std::vector<uint32_t> jpeg_dc_tables;
  std::vector<uint32_t> jpeg_ac_tables;
  RstRational x_resolution{0, 1};
  RstRational y_resolution{0, 1};
  RstRational x_position{0, 1};
  RstRational y_position{0, 1};
  std::vector<RstRational> reference_black_white;
  std::string software;
  std::string artist;
  std::string target_printer;
  std::string copyright;
  std::string ink_names;
  std::string host_computer;
  std::string date_time;
  std::vector<uint16_t> jpeg_lossless_predictors;
  std::vector<uint16_t> sample_format;
  std::vector<uint16_t> dot_range;
  std::vector<uint16_t> color_map;
  std::vector<uint16_t> transfer_function;
  std::vector<uint16_t> gray_response_curve;
  std::string page_name;
  std::vector<uint16_t> jpeg_point_transforms;
  std::vector<uint16_t> transfer_range;
  std::vector<uint16_t> extra_samples;
  std::vector<uint16_t> halftone_hints;
  std::vector<uint16_t> page_number;
  int32_t status = 1;
  std::vector<uint8_t> icc_profile;
  std::vector<uint32_t> s_min_sample_value;
  std::vector<uint32_t> reference_black_white_rounded;
  std::vector<uint32_t> s_max_sample_value;
  std::vector<RstRational> primary_chromaticities;
  std::vector<RstRational> white_point;
  std::vector<RstRational> ycbcr_coefficients;
};

class RstTIFFFXHeader : public RstTIFF6Header {
 public:
  explicit RstTIFFFXHeader(uint32_t byte_order) : RstTIFF6Header(byte_order) {}

  // The number of StripRowCounts values when there is one, else as TIFF 6.
  uint32_t strip_count(uint32_t width, uint32_t length) override;
  using RstTIFF6Header::strip_count;

  bool is_mrc_mask() const;
  bool is_mrc_background() const;
  bool is_mrc_foreground() const;
  bool is_profile_m() const { return is_mrc_mask() || is_mrc_background() || is_mrc_foreground(); }
  bool is_profile_s() const;
  bool is_profile_f() const;
  bool is_profile_j() const { return !is_profile_m() && compression.value() == 9; }
  bool is_profile_l() const { return !is_profile_m() && compression.value() == 10; }
  bool is_profile_c() const { return !is_profile_m() && compression.value() == 7; }
  RstTIFFGlobalParameters* get_global_parameters() const { return global_parameters.get(); }

  // Equal only when both hold global parameters and those are equal too.
  bool operator==(const RstTIFFFXHeader& other) const;
  bool operator!=(const RstTIFFFXHeader& other) const { return !(*this == other); }

  // The Lab encoding the Decode values describe, channel by channel (L, a,
  // b): the span of each CIE value and the sample of its 0, at bits bits. A
  // channel without a pair, with a zero denominator, or beyond the page's
  // samples keeps the default encoding (L 100/0, a 170/128, b 200/96 at 8
  // bits, offsets scaled to the page's bits); a span rounding to 0 or below,
  // or a value outside 32 bits, gives span 0 and offset 0, which no range
  // conversion accepts.
  struct DecodeRange {
    uint32_t range[3];
    int32_t offset[3];
    int32_t bits;
  };
  DecodeRange decode_range() const;

  uint32_t global_parameters_ifd = 0;  // 0: none
  std::vector<uint32_t> image_layer;
  std::vector<uint32_t> strip_row_counts;
  RstCountedPtr<RstTIFFGlobalParameters> global_parameters;
  int32_t bad_fax_lines = -1;  // -1: absent
  int32_t consecutive_bad_fax_lines = -1;
  int32_t clean_fax_data = -1;
  int32_t indexed = 0;
  std::vector<uint16_t> default_image_color;
  std::vector<RstDecodePair> decode;
};
