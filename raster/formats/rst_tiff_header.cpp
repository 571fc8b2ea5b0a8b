// The derived views of a TIFF page header: strips, row size, resolution,
// data form and coding option, colour type, colormap, image header and tile
// specs; and header equality.
#include "raster/formats/rst_tiff_header.h"

#include <algorithm>

#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

bool RstTIFFGlobalParameters::operator==(const RstTIFFGlobalParameters& other) const {
  return coding_methods == other.coding_methods && mode_number == other.mode_number &&
         fax_profile == other.fax_profile && profile_type == other.profile_type && version_year == other.version_year;
}

RstTIFF6Header::RstTIFF6Header(uint32_t byte_order) : byte_order(byte_order) {}

RstTIFF6Header::~RstTIFF6Header() = default;

uint32_t RstTIFF6Header::effective_rows_per_strip() {
  if (rows_per_strip == 0) rows_per_strip = image_length;
  return rows_per_strip;
}

uint32_t RstTIFF6Header::strip_count(uint32_t, uint32_t length) {
  uint64_t r = effective_rows_per_strip();
  if (r == 0) return 1;
  return uint32_t((uint64_t{length} + r - 1) / r);
}

uint32_t RstTIFF6Header::strip_count() {
  if (image_length == 0xFFFFFFFFu) return 1;
  return strip_count(image_width, image_length);
}

bool RstTIFF6Header::strip_rows(std::vector<uint32_t>& out) {
  uint32_t r = effective_rows_per_strip();
  size_t n = strip_offsets.size();
  if (!rst_resize(out, n) || out.size() != n) {
    rst_report(-1, "RstReadTIFFHeader::tile_specs()");
    return false;
  }
  // Each strip has its rows per strip, or what is left of the page when that
  // is less; strips beyond the page's end have none.
  uint32_t left = image_length;
  for (size_t i = 0; i < n; ++i) {
    out[i] = std::min(r, left);
    left -= out[i];
  }
  return true;
}

uint64_t RstTIFF6Header::bytes_per_row() const {
  uint64_t bits = 0;
  size_t n = std::min<size_t>(samples_per_pixel, bits_per_sample.size());
  for (size_t i = 0; i < n; ++i) bits += bits_per_sample[i];
  return (bits * image_width + 7) / 8;
}

uint32_t RstTIFF6Header::samples_needed() const {
  switch (photometric_interpretation) {
    case 0:
    case 1:
    case 3: return 1;
    case 2: return 3;
    case 5: return samples_per_pixel == 3 ? 3 : 4;
    default: return 0;
  }
}

bool RstTIFF6Header::stores_extra_samples() const {
  uint32_t needed = samples_needed();
  if (needed == 0 || samples_per_pixel <= needed) return false;
  if (extra_samples.size() == samples_per_pixel - needed) return true;
  if (compression.value() != 1 || strip_byte_counts.empty() || bits_per_sample.empty()) return false;
  uint64_t row = (uint64_t{bits_per_sample[0]} * samples_per_pixel * image_width + 7) / 8;
  uint64_t rows = std::min<uint64_t>(rows_per_strip == 0 ? image_length : rows_per_strip, image_length);
  return rows > 0 && strip_byte_counts[0] == row * rows;
}

uint64_t RstTIFF6Header::run_line_bound() const { return (uint64_t{image_width} + 1) / 2 * 8 + 8; }

namespace {

int64_t dpi(const RstRational& r, uint32_t unit) {
  if (r.denominator == 0) return 0;
  double v = double(r.numerator) / double(r.denominator);
  if (unit == 2) return int64_t(v + 0.5);
  if (unit == 3) return int64_t(v * 2.54 + 0.5);
  return 0;
}

}  // namespace

int64_t RstTIFF6Header::x_resolution_dpi() const { return dpi(x_resolution, resolution_unit); }
int64_t RstTIFF6Header::y_resolution_dpi() const { return dpi(y_resolution, resolution_unit); }

int32_t RstTIFF6Header::encode_type() const {
  switch (compression.value()) {
    case 1: return RstDataForm::raw;
    case 2: return RstDataForm::mh;
    case 3: return (t4_options & 1) ? RstDataForm::mr : RstDataForm::mh;
    case 4: return RstDataForm::mmr;
    case 5: return RstDataForm::lzw_2;
    case 6:
    case 7: return RstDataForm::jpeg;
    case 9: return RstDataForm::jbig;
    case 10: return RstDataForm::jbig_color;
    case 32773: return RstDataForm::packbits;
    default: rst_report(RstCode::tiff_compression, "RstTIFFHeader::encode_type()"); return RstDataForm::raw;
  }
}

void RstTIFF6Header::set_encode_type(int32_t code) {
  switch (code) {
    case RstDataForm::raw: compression.set(1); break;
    case RstDataForm::mh:
      compression.set(3);
      t4_options &= ~1u;
      break;
    case RstDataForm::mr:
      compression.set(3);
      t4_options |= 1u;
      break;
    case RstDataForm::mmr: compression.set(4); break;
    case RstDataForm::jpeg: compression.set(7); break;
    case RstDataForm::jbig: compression.set(9); break;
    case RstDataForm::jbig_color: compression.set(10); break;
    case RstDataForm::packbits: compression.set(32773); break;
    case RstDataForm::lzw:
    case RstDataForm::lzw_2: compression.set(5); break;
    default: rst_report(RstCode::bad_argument, "RstWriteRasterOptionTIFF"); break;
  }
}

RstCountedPtr<RstCodingOption> RstTIFF6Header::coding_option() {
  static const char* const where = "RstTIFFHeader::coding_option()";
  RstCodingOption* option = nullptr;
  uint8_t uncompressed = (t4_options >> 1) & 1;
  uint8_t fill = (t4_options >> 2) & 1;
  switch (compression.value()) {
    case 1:
    case 5:
    case 9:
    case 10:
    case 32773: coding_option_cache.reset(); return coding_option_cache;
    case 2: option = rst_new<RstMHOption>(0, 0, 0, 0, 1); break;
    case 3:
      if (t4_options & 1) {
        // A zero denominator is no resolution: the lower resolution's k.
        int32_t k = y_resolution.to_double() > 98.0 ? 4 : 2;
        option = rst_new<RstMROption>(1, uncompressed, 0, fill, k);
      } else {
        option = rst_new<RstMHOption>(1, uncompressed, 1, 0, fill);
      }
      break;
    case 4: option = rst_new<RstMMROption>(1, (t6_options >> 1) & 1); break;
    case 6: option = rst_new<RstJPEGOption>(nullptr, rst_color_type()); break;
    case 7: option = rst_new<RstJPEGOption>(jpeg_tables.get(), rst_color_type()); break;
    default: rst_report(RstCode::no_memory, where); return coding_option_cache;
  }
  if (!option) {
    rst_report(RstCode::no_memory, where);
    return coding_option_cache;
  }
  coding_option_cache.reset(option);
  // A holder whose count could not be made has deleted the option.
  if (!coding_option_cache.has_count()) {
    rst_report(RstCode::no_memory, where);
  }
  return coding_option_cache;
}

RstColorType* RstTIFF6Header::rst_color_type() const {
  bool lstar = samples_per_pixel == 1 && color_map.empty();
  switch (photometric_interpretation) {
    case 0: return RstColorType::default_gray_reverse();
    case 1:
    case 4: return RstColorType::default_gray();
    case 2:
    case 3: return RstColorType::default_rgb();
    case 5: return samples_per_pixel == 4 ? RstColorType::default_cmyk() : RstColorType::default_cmy();
    case 6: return RstColorType::default_ycbcr();
    case 8:
    case 9: return lstar ? RstColorType::icc_lstar() : RstColorType::icc_lab();
    case 10: return lstar ? RstColorType::icc_lstar() : RstColorType::itu_lab();
    default: rst_report(RstCode::tiff_color_type, "RstReadTIFFHeader::rst_header()"); return nullptr;
  }
}

uint32_t RstTIFF6Header::photometric(const RstHeader& header) {
  RstColorType* t = header.color_type;
  if (t) {
    if (t->is_rgb()) return header.colormap ? 3 : 2;
    if (t->is_cmyk() || t->is_cmy()) return 5;
    if (t->is_ycbcr()) return 6;
    if (t->is_lstar()) return 10;
    if (t->is_gray()) return 1;
    if (t->is_gray_reverse()) return 0;
    if (t == RstColorType::itu_lab()) return 10;
    if (t == RstColorType::icc_lab()) return 9;
  }
  rst_report(RstCode::tiff_color_type, "RstTIFFHeader::encode_type()");
  return 2;
}

RstCountedPtr<RstColormap> RstTIFF6Header::rst_colormap() {
  static const char* const where = "RstTIFFHeader::rst_colormap()";
  if (colormap_cache) return colormap_cache;
  size_t per_channel = color_map.size() / 3;
  if (per_channel == 0) {
    colormap_cache.reset();
    return colormap_cache;
  }
  // Every index the samples can hold gets an entry: 2^bits of them. Entries
  // the ColorMap does not cover stay black; a ColorMap of another size than
  // 3 x 2^bits is reported.
  size_t entries = per_channel;
  uint32_t bits = bits_per_sample.empty() ? 0 : bits_per_sample[0];
  if (bits >= 1 && bits <= 16) {
    entries = size_t{1} << bits;
    if (color_map.size() != 3 * entries) rst_report(13, where);
  }
  RstColormap* map = rst_new<RstColormap>(8, 3, int(entries));
  if (!map || map->size() != int32_t(3 * entries)) {
    delete map;
    rst_report(RstCode::no_memory, where);
    return colormap_cache;
  }
  uint8_t* data = map->data();
  size_t filled = std::min(entries, per_channel);
  for (size_t i = 0; i < filled; ++i)
    for (size_t c = 0; c < 3; ++c) data[3 * i + c] = uint8_t(color_map[c * per_channel + i] >> 8);
  colormap_cache.reset(map);
  return colormap_cache;
}

void RstTIFF6Header::rst_colormap(const RstCountedPtr<RstColormap>& colormap) {
  static const char* const where = "RstTIFFHeader::rst_colormap()";
  colormap_cache = colormap;
  if (!colormap) return;
  if (bits_per_sample.empty()) {
    rst_report(RstCode::unsupported_operation, "RstTIFFHeader::rst_colormap() - bits_per_sample must be set before.");
    return;
  }
  uint32_t bits = bits_per_sample[0];
  if (colormap->bits() != 8 || colormap->channels() != 3 || bits > 16) {
    rst_report(RstCode::unsupported_option, where);
    return;
  }
  size_t m = size_t{1} << bits;
  if (!rst_resize(color_map, 0) || !rst_resize(color_map, 3 * m)) {
    rst_report(RstCode::no_memory, where);
    return;
  }
  // Entries beyond what the samples can index have no place in ColorMap.
  size_t n = std::min<size_t>(m, size_t(std::max(colormap->entries(), 0)));
  const uint8_t* data = colormap->data();
  if (!data) n = 0;
  for (size_t i = 0; i < n; ++i)
    for (size_t c = 0; c < 3; ++c) color_map[c * m + i] = uint16_t(data[3 * i + c] * 257);
}

void RstTIFF6Header::rst_header(RstHeader& out) {
  uint32_t first = bits_per_sample.empty() ? 0 : bits_per_sample[0];
  for (size_t i = 1; i < bits_per_sample.size(); ++i)
    if (bits_per_sample[i] != first)
      rst_report(RstCode::tiff_header_convert, "RstTIFFHeader::rst_header() - can't convert TIFFHeader to RstHeader");
  out.width = int32_t(image_width);
  out.height = int32_t(image_length);
  out.bits_per_sample = int32_t(first);
  out.samples_per_pixel = int32_t(samples_per_pixel);
  out.sample_kind = RstSampleKind::unsigned_int;
  out.data_form = encode_type();
  out.color_type = rst_color_type();
  if (out.color_type && (out.color_type->is_gray() || out.color_type->is_gray_reverse())) out.colormap.reset();
  else out.colormap = rst_colormap();
}

RstHeader* RstTIFF6Header::rst_header_ptr() {
  rst_header(header_cache);
  return &header_cache;
}

RstCountedPtr<RstTileSpecArray> RstTIFF6Header::tile_specs() {
  if (tile_specs_cache) return tile_specs_cache;
  RstTileSpecArray* specs = nullptr;
  const char* where = "RstReadTIFFHeader::tile_specs()";
  size_t expected = 0;
  if (compression.value() == 6) {
    // The old-style JPEG stream is one tile of the whole page.
    where = "RstTIFF6Header::tile_specs()";
    std::vector<uint32_t> offsets, byte_counts, rows;
    if (!rst_resize(offsets, 1, jpeg_interchange_format) ||
        !rst_resize(byte_counts, 1, jpeg_interchange_format_length) || !rst_resize(rows, 1, image_length)) {
      rst_report(RstCode::no_memory, "");
      return tile_specs_cache;
    }
    expected = 1;
    specs = rst_new<RstTileSpecArray>(offsets, byte_counts, image_width, rows);
  } else if (is_tiled()) {
    rst_report(RstCode::unsupported_option, "RstTIFF6Header::tile_specs() - tiling is not supported");
    return tile_specs_cache;
  } else {
    std::vector<uint32_t> rows;
    if (!strip_rows(rows)) return tile_specs_cache;
    expected = strip_offsets.size();
    specs = rst_new<RstTileSpecArray>(strip_offsets, strip_byte_counts, image_width, rows);
  }
  if (!specs || specs->size() != expected) {
    delete specs;
    rst_report(RstCode::no_memory, where);
    return tile_specs_cache;
  }
  tile_specs_cache.reset(specs);
  // A holder whose count could not be made has deleted the table.
  if (!tile_specs_cache.has_count()) {
    rst_report(RstCode::no_memory, where);
  }
  return tile_specs_cache;
}

bool RstTIFF6Header::operator==(const RstTIFF6Header& o) const {
  return new_subfile_type == o.new_subfile_type && x_resolution == o.x_resolution && y_resolution == o.y_resolution &&
         x_position == o.x_position && image_description == o.image_description && model == o.model &&
         software == o.software && artist == o.artist && copyright == o.copyright && ink_names == o.ink_names &&
         host_computer == o.host_computer && date_time == o.date_time && document_name == o.document_name &&
         make == o.make && page_name == o.page_name && primary_chromaticities == o.primary_chromaticities &&
         white_point == o.white_point && ycbcr_coefficients == o.ycbcr_coefficients &&
         ycbcr_subsampling == o.ycbcr_subsampling && jpeg_lossless_predictors == o.jpeg_lossless_predictors &&
         sample_format == o.sample_format && dot_range == o.dot_range && color_map == o.color_map &&
         transfer_function == o.transfer_function && gray_response_curve == o.gray_response_curve &&
         strip_byte_counts == o.strip_byte_counts && s_min_sample_value == o.s_min_sample_value &&
         reference_black_white_rounded == o.reference_black_white_rounded &&
         jpeg_point_transforms == o.jpeg_point_transforms && transfer_range == o.transfer_range &&
         extra_samples == o.extra_samples && halftone_hints == o.halftone_hints && page_number == o.page_number &&
         max_sample_value == o.max_sample_value && min_sample_value == o.min_sample_value &&
         tile_byte_counts == o.tile_byte_counts && s_max_sample_value == o.s_max_sample_value &&
         bits_per_sample == o.bits_per_sample && image_width == o.image_width && image_length == o.image_length &&
         cell_width == o.cell_width && cell_length == o.cell_length && samples_per_pixel == o.samples_per_pixel &&
         rows_per_strip == o.rows_per_strip && free_byte_counts == o.free_byte_counts &&
         gray_response_unit == o.gray_response_unit && t4_options == o.t4_options && t6_options == o.t6_options &&
         predictor == o.predictor && tile_width == o.tile_width && tile_length == o.tile_length &&
         ink_set == o.ink_set && number_of_inks == o.number_of_inks && jpeg_proc == o.jpeg_proc &&
         jpeg_interchange_format_length == o.jpeg_interchange_format_length &&
         jpeg_restart_interval == o.jpeg_restart_interval && compression == o.compression &&
         photometric_interpretation == o.photometric_interpretation && planar_configuration == o.planar_configuration &&
         orientation == o.orientation && fill_order == o.fill_order && threshholding == o.threshholding &&
         ycbcr_positioning == o.ycbcr_positioning && resolution_unit == o.resolution_unit &&
         jpeg_interchange_format == o.jpeg_interchange_format && free_offsets == o.free_offsets &&
         jpeg_tables_offset == o.jpeg_tables_offset;
}

uint32_t RstTIFFFXHeader::strip_count(uint32_t width, uint32_t length) {
  if (!strip_row_counts.empty()) return uint32_t(strip_row_counts.size());
  return RstTIFF6Header::strip_count(width, length);
}

bool RstTIFFFXHeader::is_mrc_mask() const {
  return (new_subfile_type & 0x10) && image_layer.size() >= 2 && image_layer[0] == 2;
}

bool RstTIFFFXHeader::is_mrc_background() const { return image_layer.size() == 2 && image_layer[0] == 1; }

bool RstTIFFFXHeader::is_mrc_foreground() const { return image_layer.size() == 2 && image_layer[0] == 3; }

bool RstTIFFFXHeader::is_profile_s() const { return !is_profile_m() && compression.value() == 3 && !(t4_options & 1); }

bool RstTIFFFXHeader::is_profile_f() const {
  return !is_profile_m() && ((compression.value() == 3 && (t4_options & 1)) || compression.value() == 4);
}

RstTIFFFXHeader::DecodeRange RstTIFFFXHeader::decode_range() const {
  const int32_t bits =
      bits_per_sample.empty() || bits_per_sample[0] < 1 || bits_per_sample[0] > 16 ? 8 : int32_t(bits_per_sample[0]);
  const double top = double((uint32_t(1) << bits) - 1);
  const double default_range[3] = {100, 170, 200};
  const double default_offset[3] = {0, 128, 96};
  // Half away from zero; false for a value outside 32 bits.
  auto rounded = [](double v, int64_t& out) {
    if (!(v > -2147483648.5 && v < 4294967295.5)) return false;
    out = int64_t(v < 0 ? v - 0.5 : v + 0.5);
    return true;
  };
  DecodeRange result{};
  result.bits = bits;
  for (size_t c = 0; c < 3; ++c) {
    double range = default_range[c];
    double offset = default_offset[c] * top / 255.0;
    if (c < decode.size() && c < samples_per_pixel) {
      const RstDecodePair& p = decode[c];
      if (p.minimum.denominator != 0 && p.maximum.denominator != 0) {
        double lo = p.minimum.to_double(), hi = p.maximum.to_double();
        range = hi - lo;
        offset = range != 0 ? -(lo * top / range) : 0;
      }
    }
    int64_t r = 0, o = 0;
    if (!rounded(range, r) || !rounded(offset, o) || r <= 0 || o < INT32_MIN || o > INT32_MAX) {
      r = 0;
      o = 0;
    }
    result.range[c] = uint32_t(r);
    result.offset[c] = int32_t(o);
  }
  return result;
}

bool RstTIFFFXHeader::operator==(const RstTIFFFXHeader& o) const {
  if (!RstTIFF6Header::operator==(o)) return false;
  if (decode != o.decode || default_image_color != o.default_image_color || strip_row_counts != o.strip_row_counts ||
      image_layer != o.image_layer || bad_fax_lines != o.bad_fax_lines ||
      consecutive_bad_fax_lines != o.consecutive_bad_fax_lines || clean_fax_data != o.clean_fax_data ||
      indexed != o.indexed)
    return false;
  return global_parameters && o.global_parameters && *global_parameters == *o.global_parameters;
}
