// The TIFF writer's page header: building the IFD from the page's fields,
// planning its offsets, writing it and recording the strips behind it.
#include "raster/formats/rst_write_tiff_header.h"

#include <algorithm>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

// Positions the storages can reach are 32-bit signed.
constexpr uint64_t max_position = 0x7FFFFFFF;

uint64_t round_even(uint64_t x) { return (x + 1) & ~uint64_t{1}; }

uint32_t saturated(uint64_t x) { return x > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(x); }

bool in(int32_t code, std::initializer_list<int32_t> codes) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace

void rst_copy_tiff_fields(RstTIFFFXHeader& to, const RstTIFFFXHeader& from) {
  to.image_width = from.image_width;
  to.image_length = from.image_length;
  to.samples_per_pixel = from.samples_per_pixel;
  to.jpeg_interchange_format = from.jpeg_interchange_format;
  to.compression = from.compression;
  to.photometric_interpretation = from.photometric_interpretation;
  to.sub_ifds = from.sub_ifds;
  to.strip_offsets = from.strip_offsets;
  to.tile_offsets = from.tile_offsets;
  to.image_description = from.image_description;
  to.model = from.model;
  to.ycbcr_subsampling = from.ycbcr_subsampling;
  to.bits_per_sample = from.bits_per_sample;
  to.min_sample_value = from.min_sample_value;
  to.document_name = from.document_name;
  to.make = from.make;
  to.max_sample_value = from.max_sample_value;
  to.strip_byte_counts = from.strip_byte_counts;
  to.tile_byte_counts = from.tile_byte_counts;
  to.new_subfile_type = from.new_subfile_type;
  to.subfile_type = from.subfile_type;
  to.cell_width = from.cell_width;
  to.cell_length = from.cell_length;
  to.rows_per_strip = from.rows_per_strip;
  to.free_byte_counts = from.free_byte_counts;
  to.free_offsets = from.free_offsets;
  to.t4_options = from.t4_options;
  to.t6_options = from.t6_options;
  to.predictor = from.predictor;
  to.tile_width = from.tile_width;
  to.tile_length = from.tile_length;
  to.ink_set = from.ink_set;
  to.number_of_inks = from.number_of_inks;
  to.jpeg_interchange_format_length = from.jpeg_interchange_format_length;
  to.jpeg_restart_interval = from.jpeg_restart_interval;
  to.jpeg_tables_offset = from.jpeg_tables_offset;
  to.byte_order = from.byte_order;
  to.gray_response_unit = from.gray_response_unit;
  to.jpeg_proc = from.jpeg_proc;
  to.planar_configuration = from.planar_configuration;
  to.orientation = from.orientation;
  to.fill_order = from.fill_order;
  to.threshholding = from.threshholding;
  to.ycbcr_positioning = from.ycbcr_positioning;
  to.resolution_unit = from.resolution_unit;
  to.jpeg_q_tables = from.jpeg_q_tables;
  to.jpeg_dc_tables = from.jpeg_dc_tables;
  to.jpeg_ac_tables = from.jpeg_ac_tables;
  to.x_resolution = from.x_resolution;
  to.y_resolution = from.y_resolution;
  to.x_position = from.x_position;
  to.y_position = from.y_position;
  to.reference_black_white = from.reference_black_white;
  to.software = from.software;
  to.artist = from.artist;
  to.target_printer = from.target_printer;
  to.copyright = from.copyright;
  to.ink_names = from.ink_names;
  to.host_computer = from.host_computer;
  to.date_time = from.date_time;
  to.jpeg_lossless_predictors = from.jpeg_lossless_predictors;
  to.sample_format = from.sample_format;
  to.dot_range = from.dot_range;
  to.color_map = from.color_map;
  to.transfer_function = from.transfer_function;
  to.gray_response_curve = from.gray_response_curve;
  to.page_name = from.page_name;
  to.jpeg_point_transforms = from.jpeg_point_transforms;
  to.transfer_range = from.transfer_range;
  to.extra_samples = from.extra_samples;
  to.halftone_hints = from.halftone_hints;
  to.page_number = from.page_number;
  to.icc_profile = from.icc_profile;
  to.s_min_sample_value = from.s_min_sample_value;
  to.reference_black_white_rounded = from.reference_black_white_rounded;
  to.s_max_sample_value = from.s_max_sample_value;
  to.primary_chromaticities = from.primary_chromaticities;
  to.white_point = from.white_point;
  to.ycbcr_coefficients = from.ycbcr_coefficients;
  to.jpeg_tables = from.jpeg_tables;
  to.global_parameters_ifd = from.global_parameters_ifd;
  to.image_layer = from.image_layer;
  to.strip_row_counts = from.strip_row_counts;
  to.global_parameters = from.global_parameters;
  to.bad_fax_lines = from.bad_fax_lines;
  to.consecutive_bad_fax_lines = from.consecutive_bad_fax_lines;
  to.clean_fax_data = from.clean_fax_data;
  to.indexed = from.indexed;
  to.default_image_color = from.default_image_color;
  to.decode = from.decode;
}

RstWriteTIFFHeader::RstWriteTIFFHeader()
    : RstTIFFFXHeader(RstTIFFTypes::little_endian), ifd_snapshot(RstTIFFTypes::little_endian) {
  // Unless the header itself carries this text, the first comparison finds a change.
  ifd_snapshot.artist = "initial values";
}

RstWriteTIFFHeader::RstWriteTIFFHeader(const RstWriteTIFFHeader& other)
    : RstTIFFFXHeader(RstTIFFTypes::little_endian), ifd_snapshot(RstTIFFTypes::little_endian) {
  *this = other;
}

RstWriteTIFFHeader::RstWriteTIFFHeader(const RstWriteTIFFHeader& pattern, const RstHeader& image, uint32_t byte_order)
    : RstWriteTIFFHeader(pattern) {
  this->byte_order = byte_order;
  rst_header(image, true);
  strip_offsets_position = strip_byte_counts_position = jpeg_interchange_format_length_position = 0;
  next_strip = 0;
}

RstWriteTIFFHeader::RstWriteTIFFHeader(const RstTIFFFXHeader& source)
    : RstTIFFFXHeader(source.byte_order), ifd_snapshot(RstTIFFTypes::little_endian) {
  rst_copy_tiff_fields(*this, source);
  global_parameters.reset();
  if (RstTIFFGlobalParameters* gp = source.get_global_parameters()) {
    RstWriteTIFFGlobalParameters* own = rst_new<RstWriteTIFFGlobalParameters>(*gp);
    if (own) global_parameters.reset(own);
    if (!global_parameters) rst_report(RstCode::no_memory, "RstWriteTIFFHeader::RstWriteTIFFHeader()");
  }
}

RstWriteTIFFHeader::~RstWriteTIFFHeader() = default;

RstWriteTIFFHeader& RstWriteTIFFHeader::operator=(const RstWriteTIFFHeader& other) {
  if (this == &other) return *this;
  rst_copy_tiff_fields(*this, other);
  // The derived views were made from the old fields.
  tile_specs_cache.reset();
  coding_option_cache.reset();
  colormap_cache.reset();
  strip_offsets_position = other.strip_offsets_position;
  strip_byte_counts_position = other.strip_byte_counts_position;
  jpeg_interchange_format_length_position = other.jpeg_interchange_format_length_position;
  next_strip = other.next_strip;
  children = other.children;
  ifd_built_ = false;
  if (!other.strip_specs) {
    strip_specs.reset();
  } else {
    RstTileSpecArray* copy = rst_new<RstTileSpecArray>(*other.strip_specs);
    if (copy && copy->size() != other.strip_specs->size()) {
      delete copy;
      copy = nullptr;
    }
    strip_specs.reset(copy);
    if (!strip_specs) {
      // The copy lacks its strips: its status word tells whoever uses it.
      status = RstCode::no_memory;
      rst_report(RstCode::no_memory, "RstWriteTIFFHeader::RstWriteTIFFHeader()");
      return *this;
    }
  }
  return *this;
}

RstTIFFGlobalParameters* RstWriteTIFFHeader::create_global_parameters() {
  return rst_new<RstWriteTIFFGlobalParameters>();
}

RstWriteTIFFGlobalParameters* RstWriteTIFFHeader::write_global_parameters() const {
  return static_cast<RstWriteTIFFGlobalParameters*>(global_parameters.get());
}

bool RstWriteTIFFHeader::can_write(const RstHeader& image, bool adjust) {
  uint32_t width = uint32_t(std::max(image.width, 0));
  uint32_t height = uint32_t(std::max(image.height, 0));
  if (cell_width > width || tile_width > width || cell_length > height || tile_length > height) return false;
  int32_t code = image.data_form;
  int32_t bits = image.bits_per_sample;
  int32_t samples = image.samples_per_pixel;
  bool map = bool(image.colormap);
  const RstColorType* type = image.color_type;
  bool bilevel = bits == 1 && samples == 1 && !map;
  bool jpeg_form = (bits == 8 || bits == 12) && (samples == 1 || samples == 3 || samples == 4) && !map;
  switch (compression.value()) {
    case 2:
      if (!in(code, {RstDataForm::raw, RstDataForm::rle, RstDataForm::mh}) || !bilevel) return false;
      break;
    case 3:
      if (!in(code, {RstDataForm::raw, RstDataForm::rle, RstDataForm::mh, RstDataForm::mr}) || !bilevel) return false;
      break;
    case 4:
      if (!in(code, {RstDataForm::raw, RstDataForm::rle, RstDataForm::mmr}) || !bilevel) return false;
      break;
    case 6:
      if (!in(code, {RstDataForm::raw, RstDataForm::jpeg}) || !jpeg_form || !type) return false;
      if (type != RstColorType::s_gray() && type != RstColorType::s_gray_reverse() && !type->is_rgb() &&
          !type->is_ycbcr() && !type->is_cmyk() && !type->is_cmy())
        return false;
      break;
    case 7:
      if (!in(code, {RstDataForm::raw, RstDataForm::jpeg}) || !jpeg_form) return false;
      break;
    case 9:
      if (!in(code, {RstDataForm::raw, RstDataForm::jbig}) || !bilevel) return false;
      break;
    case 10: {
      if (!in(code, {RstDataForm::raw, RstDataForm::jbig_color}) || !type) return false;
      bool ok =
          ((type->is_rgb() || type->is_cmy()) && bits == 1 && samples == 3) ||
          (type->is_cmyk() && bits == 1 && samples == 4) ||
          (type == RstColorType::itu_lab() && ((bits >= 2 && bits <= 12 && samples == 3) || (samples == 1 && map))) ||
          ((type->is_gray() || type->is_gray_reverse()) && bits >= 2 && bits <= 16 && !map);
      if (!ok) return false;
      break;
    }
    default: break;
  }
  // Coded data is copied strip by strip: with several strips, each one's size
  // must be known. One row per strip is several strips too.
  if (code != RstDataForm::raw && code != RstDataForm::rle) {
    uint32_t rows = rows_per_strip != 0 ? rows_per_strip : image_length;
    bool several = (rows >= 1 && rows < height) || strip_row_counts.size() > 1 ||
                   (tile_width >= 1 && tile_width < width) || (tile_length >= 1 && tile_length < height);
    if (several && (strip_byte_counts.empty() ||
                    std::find(strip_byte_counts.begin(), strip_byte_counts.end(), 0u) != strip_byte_counts.end()))
      return false;
  }
  if (type && type->is_cmyk() && samples == 1) return false;
  // Only an image that is accepted changes the header.
  if (adjust && compression.value() == 3) {
    if (code == RstDataForm::mr) t4_options |= 1u;
    if (code == RstDataForm::mh) t4_options &= ~1u;
  }
  return true;
}

bool RstWriteTIFFHeader::rst_header(const RstHeader& image, bool check) {
  static const char* const where = "RstWriteTIFFHeader::rst_header()";
  if (check && !can_write(image, true)) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  image_width = uint32_t(std::max(image.width, 0));
  image_length = image.height == 0 ? 0xFFFFFFFFu : uint32_t(std::max(image.height, 0));
  samples_per_pixel = uint32_t(std::max(image.samples_per_pixel, 0));
  if (!rst_resize(bits_per_sample, 0) ||
      !rst_resize(bits_per_sample, samples_per_pixel, uint16_t(image.bits_per_sample))) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  // A page without colormap has no ColorMap, whatever the header held before.
  if (image.colormap) {
    rst_colormap(image.colormap);
  } else {
    color_map.clear();
    colormap_cache.reset();
  }
  RstColorType* type = image.color_type;
  auto subsample = [&] {
    if (ycbcr_subsampling.empty()) ycbcr_subsampling = {1, 1};
  };
  if (!type) {
    rst_report(RstCode::unsupported_option, "RstWriteTIFFHeader::rst_header() - not supported color type.");
    return false;
  } else if (type->is_rgb()) {
    photometric_interpretation = image.colormap ? 3 : 2;
  } else if (type->is_ycbcr()) {
    photometric_interpretation = 6;
    subsample();
  } else if (type->is_lstar()) {
    photometric_interpretation = 10;
  } else if (type == RstColorType::itu_lab()) {
    photometric_interpretation = 10;
    subsample();
  } else if (type == RstColorType::icc_lab()) {
    photometric_interpretation = 9;
    subsample();
  } else if (type->is_cmyk() || type->is_cmy()) {
    photometric_interpretation = 5;
  } else if (type->is_gray()) {
    photometric_interpretation = 1;
  } else if (type->is_gray_reverse()) {
    photometric_interpretation = 0;
  } else {
    rst_report(RstCode::unsupported_option, "RstWriteTIFFHeader::rst_header() - not supported color type.");
    return false;
  }
  return true;
}

bool RstWriteTIFFHeader::validate_strip_attrs() {
  bool result = true;
  if (!strip_row_counts.empty()) {
    uint64_t total = 0;
    for (uint32_t r : strip_row_counts) total += r;
    if (total != image_length) {
      rst_report(202, "RstWriteTIFFHeader::validate_strip_attrs() - strip_row_counts' total != image_length.");
      strip_row_counts.clear();
      result = false;
    }
  }
  if (!strip_row_counts.empty()) return result;
  if (effective_rows_per_strip() > image_length) {
    rst_report(202, "RstWriteTIFFHeader::validate_strip_attrs() -  rows_per_strip > image_length.");
    rows_per_strip = image_length;
    result = false;
  }
  return result;
}

bool RstWriteTIFFHeader::validate_attributes() {
  static const char* const where = "RstWriteTIFFHeader::validate_attributes()";
  validate_strip_attrs();
  if (image_length == 0 || image_width == 0) return false;
  uint32_t strips = strip_count();
  if (strip_byte_counts.size() > 1 && strip_byte_counts.size() != strips) return false;
  if (strips > 1 && (!strip_row_counts.empty() || effective_rows_per_strip() != 0) &&
      (tile_length != 0 || tile_width != 0))
    return false;
  if (compression.value() == 6 && !in(int32_t(photometric_interpretation), {0, 1, 2, 5, 6})) return false;
  if (!in(int32_t(photometric_interpretation), {6, 9, 10})) ycbcr_subsampling.clear();
  if (strip_byte_counts.size() < strips) {
    if (!rst_resize(strip_byte_counts, strips, 0u)) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
    if (compression.value() == 1 && image_length != 0xFFFFFFFFu) {
      uint64_t row = bytes_per_row();
      if (!strip_row_counts.empty()) {
        for (size_t i = 0; i < strips; ++i) strip_byte_counts[i] = saturated(row * strip_row_counts[i]);
      } else {
        uint64_t rows = effective_rows_per_strip();
        for (size_t i = 0; i + 1 < strips; ++i) strip_byte_counts[i] = saturated(row * rows);
        strip_byte_counts[strips - 1] = saturated(row * (image_length - (strips - 1) * rows));
      }
    }
  }
  jpeg_interchange_format = 0;
  if (!rst_resize(strip_offsets, 0) || !rst_resize(strip_offsets, strips, 0u) || !rst_resize(sub_ifds, 0) ||
      !rst_resize(sub_ifds, children.size(), 0u)) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  return true;
}

const void* RstWriteTIFFHeader::field_values(uint32_t tag) const {
  switch (tag) {
    case 258: return bits_per_sample.data();
    case 269: return document_name.c_str();
    case 270: return image_description.c_str();
    case 271: return make.c_str();
    case 272: return model.c_str();
    case 273: return strip_offsets.data();
    case 279: return strip_byte_counts.data();
    case 282: return &x_resolution;
    case 283: return &y_resolution;
    case 286: return &x_position;
    case 287: return &y_position;
    case 297: return page_number.data();
    case 305: return software.c_str();
    case 306: return date_time.c_str();
    case 315: return artist.c_str();
    case 316: return host_computer.c_str();
    case 320: return color_map.data();
    case 330: return sub_ifds.data();
    case 337: return target_printer.c_str();
    case 400: return &global_parameters_ifd;
    case 433: return decode.data();
    case 434: return default_image_color.data();
    case 513: return &jpeg_interchange_format;
    case 529: return ycbcr_coefficients.data();
    case 530: return ycbcr_subsampling.data();
    case 559: return strip_row_counts.data();
    case 33432: return copyright.c_str();
    case 34675: return icc_profile.data();
    case 34732: return image_layer.data();
    default: return nullptr;
  }
}

bool RstWriteTIFFHeader::create_ifd() {
  static const char* const where = "RstWriteTIFFHeader::create_ifd()";
  if (!validate_attributes()) {
    status = RstCode::bad_tile_strip;
    rst_report(RstCode::bad_tile_strip, where);
    return false;
  }
  using E = RstWriteTIFFIFDEntry;
  std::vector<E>& entries = directory.entries;
  entries.clear();
  size_t wanted = 0;
  auto value = [&](uint32_t tag, uint32_t type, uint32_t v) {
    ++wanted;
    if (rst_resize(entries, entries.size() + 1)) entries.back() = E(tag, type, 1, v);
  };
  auto field = [&](uint32_t tag, uint32_t type, size_t count) {
    ++wanted;
    if (rst_resize(entries, entries.size() + 1)) entries.back() = E(tag, type, uint32_t(count), 0, field_values(tag));
  };
  auto text = [&](uint32_t tag, const std::string& s) {
    if (!s.empty()) field(tag, E::type_ascii, s.size() + 1);
  };
  auto not_origin = [](const RstRational& r) { return r.numerator != 0 || r.denominator != 1; };
  uint32_t c = compression.value();
  bool layer = is_mrc_background() || is_mrc_foreground();

  value(254, E::type_long, new_subfile_type);
  value(256, E::type_long, image_width);
  value(257, E::type_long, image_length);
  field(258, E::type_short, bits_per_sample.size());
  value(259, E::type_short, c);
  value(262, E::type_short, photometric_interpretation);
  if (threshholding != 1) value(263, E::type_short, threshholding);
  value(266, E::type_short, fill_order);
  text(269, document_name);
  text(270, image_description);
  text(271, make);
  text(272, model);
  field(273, E::type_long, strip_offsets.size());
  value(274, E::type_short, orientation);
  value(277, E::type_short, samples_per_pixel);
  if (strip_row_counts.empty() && effective_rows_per_strip() != 0) value(278, E::type_long, effective_rows_per_strip());
  if (!strip_byte_counts.empty()) field(279, E::type_long, strip_byte_counts.size());
  field(282, E::type_rational, 1);
  field(283, E::type_rational, 1);
  if (not_origin(x_position) || layer) field(286, E::type_rational, 1);
  if (not_origin(y_position) || layer) field(287, E::type_rational, 1);
  if (c == 3) value(292, E::type_long, t4_options);
  if (c == 4) value(293, E::type_long, t6_options);
  value(296, E::type_short, resolution_unit);
  if (!page_number.empty()) field(297, E::type_short, page_number.size());
  text(305, software);
  text(306, date_time);
  text(315, artist);
  text(316, host_computer);
  if (!color_map.empty()) field(320, E::type_short, color_map.size());
  if (bad_fax_lines != -1) value(326, E::type_long, uint32_t(bad_fax_lines));
  if (clean_fax_data != -1) value(327, E::type_short, uint32_t(clean_fax_data));
  if (consecutive_bad_fax_lines != -1) value(328, E::type_long, uint32_t(consecutive_bad_fax_lines));
  if (!sub_ifds.empty()) field(330, E::type_long, sub_ifds.size());
  text(337, target_printer);
  if (indexed != 0) value(346, E::type_short, uint32_t(indexed));
  if (global_parameters) field(400, E::type_long, 1);
  if (!decode.empty()) field(433, E::type_srational, 2 * decode.size());
  if (!default_image_color.empty()) field(434, E::type_short, default_image_color.size());
  if (c == 6) {
    value(512, E::type_short, jpeg_proc);
    field(513, E::type_long, 1);
    value(514, E::type_long, jpeg_interchange_format_length);
    value(515, E::type_short, jpeg_restart_interval);
  }
  if (!ycbcr_coefficients.empty()) field(529, E::type_rational, ycbcr_coefficients.size());
  if (!ycbcr_subsampling.empty()) field(530, E::type_short, ycbcr_subsampling.size());
  if (ycbcr_positioning != 1) value(531, E::type_short, ycbcr_positioning);
  if (!strip_row_counts.empty()) field(559, E::type_long, strip_row_counts.size());
  text(33432, copyright);
  if (!icc_profile.empty()) field(34675, E::type_undefined, icc_profile.size());
  if (!image_layer.empty()) field(34732, E::type_long, image_layer.size());

  if (entries.size() != wanted) {
    status = RstCode::no_memory;
    rst_report(RstCode::no_memory, where);
    return false;
  }
  rst_copy_tiff_fields(ifd_snapshot, *this);
  snapshot_children_ = children.size();
  ifd_built_ = true;
  return true;
}

bool RstWriteTIFFHeader::ifd_changed() const {
  if (!ifd_built_) return true;
  const RstTIFFFXHeader& s = ifd_snapshot;
  if (!RstTIFF6Header::operator==(s)) return true;
  // The TIFF-FX fields, and the fields the model's comparison leaves out
  // although entries are built from them or sized by them.
  return decode != s.decode || default_image_color != s.default_image_color || strip_row_counts != s.strip_row_counts ||
         image_layer != s.image_layer || bad_fax_lines != s.bad_fax_lines ||
         consecutive_bad_fax_lines != s.consecutive_bad_fax_lines || clean_fax_data != s.clean_fax_data ||
         indexed != s.indexed || y_position != s.y_position || target_printer != s.target_printer ||
         icc_profile != s.icc_profile || sub_ifds.size() != s.sub_ifds.size() ||
         strip_offsets.size() != s.strip_offsets.size() || children.size() != snapshot_children_ ||
         bool(global_parameters) != bool(s.global_parameters);
}

RstCountedPtr<RstTileSpecArray>& RstWriteTIFFHeader::tile_specs() {
  static const char* const where = "RstWriteTIFFHeader::tile_specs()";
  if (strip_specs) return strip_specs;
  if (!validate_attributes()) {
    rst_report(RstCode::bad_tile_strip, where);
    return strip_specs;
  }
  RstTileSpecArray* specs = nullptr;
  size_t expected = 1;
  if (compression.value() == 6) {
    // The JPEG interchange stream is one spec covering the page.
    std::vector<uint32_t> count;
    if (!rst_resize(count, 1, jpeg_interchange_format_length)) {
      rst_report(RstCode::no_memory, where);
      return strip_specs;
    }
    specs = rst_new<RstTileSpecArray>(count, image_width, image_length);
  } else if (tile_width != 0) {
    rst_report(RstCode::unsupported_option, "RstWriteTIFFHeader::tile_specs() - writing tiled image is not supported.");
    return strip_specs;
  } else {
    std::vector<uint32_t> rows;
    if (!strip_row_counts.empty()) {
      if (!rst_resize(rows, strip_row_counts.size())) {
        rst_report(RstCode::no_memory, where);
        return strip_specs;
      }
      rows = strip_row_counts;
    } else {
      uint32_t n = strip_count();
      uint32_t r = effective_rows_per_strip();
      if (!rst_resize(rows, n, r)) {
        rst_report(RstCode::no_memory, where);
        return strip_specs;
      }
      rows[n - 1] = image_length - (n - 1) * r;
    }
    expected = strip_byte_counts.size();
    specs = rst_new<RstTileSpecArray>(strip_byte_counts, image_width, rows);
  }
  if (!specs || specs->size() != expected) {
    delete specs;
    rst_report(RstCode::no_memory, where);
    return strip_specs;
  }
  strip_specs.reset(specs);
  if (!strip_specs) rst_report(RstCode::no_memory, where);
  return strip_specs;
}

void RstWriteTIFFHeader::add_child(const RstHeader& image, const RstWriteTIFFHeader& pattern) {
  static const char* const where = "RstWriteTIFFHeader::add_child()";
  RstCountedPtr<RstWriteTIFFHeader> child(rst_new<RstWriteTIFFHeader>(pattern, image, byte_order));
  size_t before = children.size();
  if (child && rst_resize(children, before + 1)) children.back() = child;
  // A child copied without its strips is no child to plan the page with.
  if (child && child->status < 1) {
    child.reset();
    if (children.size() == before + 1) children.pop_back();
  }
  if (!child || children.size() != before + 1) rst_report(RstCode::no_memory, where);
}

void RstWriteTIFFHeader::set_global_parameters(const RstTIFFGlobalParameters& record) {
  if (RstWriteTIFFGlobalParameters* own = write_global_parameters()) {
    own->coding_methods = record.coding_methods;
    own->fax_profile = record.fax_profile;
    own->mode_number = record.mode_number;
    own->profile_type = record.profile_type;
    own->version_year = record.version_year;
    return;
  }
  RstWriteTIFFGlobalParameters* made = rst_new<RstWriteTIFFGlobalParameters>(record);
  if (made) global_parameters.reset(made);
  if (!global_parameters) rst_report(RstCode::no_memory, "RstWriteTIFFHeader::set_global_parameters()");
}

uint32_t RstWriteTIFFHeader::ifd_size() {
  if (ifd_changed()) create_ifd();
  return saturated(directory.size());
}

uint64_t RstWriteTIFFHeader::set_offsets(uint32_t position) {
  uint64_t end = uint64_t{position} + ifd_size();
  if (RstWriteTIFFGlobalParameters* gp = write_global_parameters()) {
    uint64_t at = round_even(end);
    global_parameters_ifd = saturated(at);
    end = at + gp->ifd_size();
  }
  for (size_t i = 0; i < children.size() && i < sub_ifds.size(); ++i) {
    uint64_t at = round_even(end);
    sub_ifds[i] = saturated(at);
    end = at + (children[i] ? children[i]->ifd_size() : 0);
  }
  if (is_mrc_mask() || is_mrc_background() || is_mrc_foreground()) return end;
  jpeg_interchange_format = saturated(end);
  uint64_t farthest = end;
  // A strip is placed behind the one before only when that one's place and
  // size are both known; the others are recorded when they are written.
  uint64_t at = end;
  for (size_t i = 0; i < strip_offsets.size(); ++i) {
    if (i > 0) {
      uint64_t before = i - 1 < strip_byte_counts.size() ? strip_byte_counts[i - 1] : 0;
      at = (at != 0 && before != 0) ? at + before : 0;
    }
    strip_offsets[i] = at > 0xFFFFFFFFu ? 0 : uint32_t(at);
    uint64_t count = i < strip_byte_counts.size() ? strip_byte_counts[i] : 0;
    if (at != 0) farthest = std::max(farthest, at + count);
  }
  return farthest;
}

uint32_t RstWriteTIFFHeader::write(OutputStorage* storage) {
  static const char* const where = "RstWriteTIFFHeader::write()";
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::io_failure, where);
    return 0;
  }
  int32_t start = storage->tell();
  if (ifd_changed() && !create_ifd()) return 0;
  if (set_offsets(uint32_t(start)) > max_position) {
    rst_report(RstCode::io_failure, "RstWriteTIFFHeader::write() - file too large.");
    return 0;
  }
  // A header whose entries, or a child's, could not be built while the
  // offsets were planned has been reported and cannot be written right.
  if (status < 1) return 0;
  for (const RstCountedPtr<RstWriteTIFFHeader>& child : children)
    if (child && child->status < 1) return 0;
  // Entries by field read the fields as they stand now.
  for (RstWriteTIFFIFDEntry& e : directory.entries)
    if (e.data) e.data = field_values(e.tag);
  RstTIFFDataOutput out(storage, is_little_endian() ? 1 : 0);
  uint32_t n =
      directory.write(out, strip_offsets_position, strip_byte_counts_position, jpeg_interchange_format_length_position);
  if (n != directory.entries.size()) return 0;
  if (RstWriteTIFFGlobalParameters* gp = write_global_parameters()) {
    uint32_t size = gp->ifd_size();
    if (gp->write(out) != size) return 0;
  }
  return uint32_t(out.tell() - start);
}

bool RstWriteTIFFHeader::patch(OutputStorage* storage, uint32_t position, uint32_t value) {
  RstTIFFDataOutput out(storage, is_little_endian() ? 1 : 0);
  int32_t back = out.tell();
  if (position > max_position || out.seek(int32_t(position)) != int32_t(position)) return false;
  if (!out.write_value(&value, 4)) return false;
  return out.seek(back) == back;
}

bool RstWriteTIFFHeader::record_strip_offset(OutputStorage* storage) {
  static const char* const where = "RstWriteTIFFHeader::record_strip_offset()";
  std::vector<uint32_t>& list = strip_offsets.empty() ? tile_offsets : strip_offsets;
  if (!storage || next_strip >= list.size()) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  int32_t pos = storage->tell();
  if (pos < 0) {
    rst_report(RstCode::io_failure, where);
    return false;
  }
  // The planned offset is trusted only when the strip really starts there.
  if (list[next_strip] != uint32_t(pos)) {
    if (!patch(storage, strip_offsets_position, uint32_t(pos))) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    list[next_strip] = uint32_t(pos);
  }
  strip_offsets_position += 4;
  return true;
}

bool RstWriteTIFFHeader::record_strip_byte_count(OutputStorage* storage) {
  static const char* const where = "RstWriteTIFFHeader::record_strip_byte_count()";
  const std::vector<uint32_t>& offsets = strip_offsets.empty() ? tile_offsets : strip_offsets;
  if (!storage || next_strip >= strip_byte_counts.size() || next_strip >= offsets.size()) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  int32_t end = storage->tell();
  if (end < 0 || uint32_t(end) < offsets[next_strip]) {
    rst_report(RstCode::io_failure, where);
    return false;
  }
  // The given count is trusted only when the strip came out that long.
  uint32_t count = uint32_t(end) - offsets[next_strip];
  if (strip_byte_counts[next_strip] != count) {
    if (!patch(storage, strip_byte_counts_position, count)) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    strip_byte_counts[next_strip] = count;
  }
  if (compression.value() == 6 && jpeg_interchange_format_length == 0) {
    if (!patch(storage, jpeg_interchange_format_length_position, count)) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    jpeg_interchange_format_length = count;
  }
  strip_byte_counts_position += 4;
  ++next_strip;
  return true;
}
