// The directory walk, the type check, the TIFF 6.0 tag switch, the consistency
// step with its repairs, and the header of a nested old-style JPEG stream.
#include "raster/formats/rst_tiff_ifd_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_tiff_jpeg_stream.h"

bool RstTIFFIFDReader::check_tag_type(uint32_t expected, uint32_t tolerated, const RstReadTIFFIFDEntry& entry) {
  uint32_t bit = type_bit(entry.type);
  if (bit & expected) return true;
  if (bit & tolerated) {
    rst_report(13, "RstTIFFIFDReader::check_tag_type()");
    return true;
  }
  rst_report(-13, "RstTIFFIFDReader::check_tag_type()");
  return false;
}

bool RstTIFFIFDReader::read(RstTIFFDataInput& input, int32_t level) {
  if (!ifd_ || ifd_->read(input, reports_read_errors()) == 0) return false;
  bool known = true;
  for (const RstReadTIFFIFDEntry& entry : ifd_->entries)
    if (!read_tag(entry, input) && unknown_tag_fails()) known = false;
  bool consistent = validate_consistency(level, input);
  return consistent && known;
}

uint32_t RstReadTIFFTagsBase::read(InputStorage* input, uint32_t byte_order, uint32_t offset, int32_t level) {
  if (!input) return 0;
  // An offset beyond the data leaves the input at its end, so that the
  // directory read fails there rather than reading some other place.
  if (!rst_tiff_seek(*input, offset)) input->seek_end();
  int32_t start = input->tell();
  RstTIFFDataInput data(input, rst_tiff_data_order(byte_order));
  RstTIFFIFDReader* r = reader();
  if (!r || !r->read(data, level)) return 0;
  // Value reads move the input about, so the distance can be anything; a
  // directory that was read always counts as consumed.
  int64_t moved = int64_t{input->tell()} - start;
  return moved > 0 ? uint32_t(moved) : 1;
}

namespace {

using T = RstTIFFTypes;
constexpr uint32_t B = T::bit_byte, A = T::bit_ascii, S = T::bit_short, L = T::bit_long, R = T::bit_rational,
                   SB = T::bit_sbyte, U = T::bit_undefined, SR = T::bit_srational, IFD = T::bit_ifd;
constexpr uint32_t text_tolerated = B | SB | U;

}  // namespace

void RstTIFF6IFDReader::read_reference_black_white(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  RstTIFF6Header& h = *header_;
  if (e.type == type_rational) {
    if (!e.read_values(in, h.reference_black_white)) {
      h.reference_black_white_rounded.clear();
      if (h.reference_black_white.empty()) return;
    }
    if (!rst_resize(h.reference_black_white_rounded, h.reference_black_white.size())) {
      rst_report(RstCode::no_memory, "RstTIFF6IFDReader::read_tag()");
      return;
    }
    for (size_t i = 0; i < h.reference_black_white.size(); ++i) {
      const RstRational& r = h.reference_black_white[i];
      // A zero denominator has no value to round.
      h.reference_black_white_rounded[i] =
          r.denominator ? uint32_t(std::floor(double(r.numerator) / double(r.denominator) + 0.5)) : 0;
    }
    return;
  }
  if (!e.read_u32s(in, h.reference_black_white_rounded)) {
    h.reference_black_white.clear();
    return;
  }
  if (!rst_resize(h.reference_black_white, h.reference_black_white_rounded.size(), RstRational{0, 1})) {
    rst_report(RstCode::no_memory, "RstTIFF6IFDReader::read_tag()");
    return;
  }
  for (size_t i = 0; i < h.reference_black_white_rounded.size(); ++i)
    h.reference_black_white[i] = RstRational::from_double(h.reference_black_white_rounded[i]);
}

void RstTIFF6IFDReader::read_jpeg_tables(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  RstTIFF6Header& h = *header_;
  h.jpeg_tables_offset = e.value_word;
  if (!rst_tiff_seek(in, e.value_word)) return;
  NestedInputStorage window(&in, int32_t(std::min<uint32_t>(e.count, std::numeric_limits<int32_t>::max())));
  RstTIFFJPEGStream* stream = rst_tiff_parse_jpeg_stream(&window);
  if (!stream) return;
  // The tables go into a set of the page's own, which every coding option
  // made from this page shares.
  if (stream->tables) {
    const RstJPEGTables& t = *stream->tables;
    RstJPEGTables* copy = rst_new<RstJPEGTables>(t.quantization, t.dc, t.ac);
    if (copy) h.jpeg_tables.reset(copy);
    else h.status = -1;
  }
  delete stream;
}

bool RstTIFF6IFDReader::read_tag(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  RstTIFF6Header& h = *header_;
  auto value = [&](uint32_t expected, uint32_t tolerated, uint32_t& field) {
    check_tag_type(expected, tolerated, e);
    field = e.value();
    return true;
  };
  auto value16 = [&](uint32_t expected, uint32_t tolerated, uint16_t& field) {
    check_tag_type(expected, tolerated, e);
    field = uint16_t(e.value());
    return true;
  };
  auto first = [&](uint32_t expected, uint32_t tolerated, uint32_t& field) {
    check_tag_type(expected, tolerated, e);
    std::vector<uint32_t> values;
    if (e.read_u32s(in, values) && !values.empty()) field = values[0];
    return true;
  };
  auto text = [&](std::string& field) {
    check_tag_type(A, text_tolerated, e);
    e.read_string(in, field);
    return true;
  };
  auto shorts = [&](uint32_t expected, uint32_t tolerated, std::vector<uint16_t>& field) {
    check_tag_type(expected, tolerated, e);
    e.read_u16s(in, field);
    return true;
  };
  auto longs = [&](uint32_t expected, uint32_t tolerated, std::vector<uint32_t>& field) {
    check_tag_type(expected, tolerated, e);
    e.read_u32s(in, field);
    return true;
  };
  auto rational = [&](RstRational& field) {
    check_tag_type(R, SR, e);
    e.read_rational(in, field);
    return true;
  };
  auto rationals = [&](std::vector<RstRational>& field) {
    check_tag_type(R, SR, e);
    e.read_values(in, field);
    return true;
  };

  switch (e.tag) {
    case 254: return value(L, S, h.new_subfile_type);
    case 255: return value(S, L, h.subfile_type);
    case 256: return value(S | L, 0, h.image_width);
    case 257: return value(S | L, 0, h.image_length);
    case 258: return shorts(S, L, h.bits_per_sample);
    case 259: {
      uint32_t v = 0;
      value(S, L, v);
      h.set_compression(v);
      return true;
    }
    case 262: return value(S, L, h.photometric_interpretation);
    case 263: return value(S, L, h.threshholding);
    case 264: return value(S, L, h.cell_width);
    case 265: return value(S, L, h.cell_length);
    case 266: return value(S, L, h.fill_order);
    case 269: return text(h.document_name);
    case 270: return text(h.image_description);
    case 271: return text(h.make);
    case 272: return text(h.model);
    case 273: return longs(S | L, 0, h.strip_offsets);
    case 274: return value(S, L, h.orientation);
    case 277: return value(S, L, h.samples_per_pixel);
    case 278: return value(S | L, 0, h.rows_per_strip);
    case 279: return longs(S | L, 0, h.strip_byte_counts);
    case 280: return shorts(S, L, h.min_sample_value);
    case 281: return shorts(S, L, h.max_sample_value);
    case 282: return rational(h.x_resolution);
    case 283: return rational(h.y_resolution);
    case 284: return value(S, L, h.planar_configuration);
    case 285: return text(h.page_name);
    case 286: return rational(h.x_position);
    case 287: return rational(h.y_position);
    case 288: return first(L, S, h.free_offsets);
    case 289: return first(L, S, h.free_byte_counts);
    case 290: return value(S, L, h.gray_response_unit);
    case 291: return shorts(S, L, h.gray_response_curve);
    case 292: return value(L, S, h.t4_options);
    case 293: return value(L, S, h.t6_options);
    case 296: return value(S, L, h.resolution_unit);
    case 297: return shorts(S, L, h.page_number);
    case 301: return shorts(S, L, h.transfer_function);
    case 305: return text(h.software);
    case 306: return text(h.date_time);
    case 315: return text(h.artist);
    case 316: return text(h.host_computer);
    case 317: return value16(S, L, h.predictor);
    case 318: return rationals(h.white_point);
    case 319: return rationals(h.primary_chromaticities);
    case 320: return shorts(S, L, h.color_map);
    case 321: return shorts(S, L, h.halftone_hints);
    case 322: return value(S | L, 0, h.tile_width);
    case 323: return value(S | L, 0, h.tile_length);
    case 324: return longs(L, S, h.tile_offsets);
    case 325: return longs(S | L, 0, h.tile_byte_counts);
    case 330: return longs(L | IFD, S, h.sub_ifds);
    case 332: return value16(S, L, h.ink_set);
    case 333: return text(h.ink_names);
    case 334: return value(S, L, h.number_of_inks);
    case 336: return shorts(B | S, U | L, h.dot_range);
    case 337: return text(h.target_printer);
    case 338: return shorts(B | S, U | L, h.extra_samples);
    case 339: return shorts(S, L, h.sample_format);
    case 340: return longs(B | S | L, U, h.s_min_sample_value);
    case 341: return longs(B | S | L, U, h.s_max_sample_value);
    case 342: return shorts(S, L, h.transfer_range);
    case 347:
      check_tag_type(U, B | A | S | L, e);
      read_jpeg_tables(e, in);
      return true;
    case 512: return value(S, L, h.jpeg_proc);
    case 513: return value(L, S, h.jpeg_interchange_format);
    case 514: return value(L, S, h.jpeg_interchange_format_length);
    case 515: return value(S, L, h.jpeg_restart_interval);
    case 517: return shorts(S, L, h.jpeg_lossless_predictors);
    case 518: return shorts(S, L, h.jpeg_point_transforms);
    case 519: return longs(L, S, h.jpeg_q_tables);
    case 520: return longs(L, S, h.jpeg_dc_tables);
    case 521: return longs(L, S, h.jpeg_ac_tables);
    case 529: return rationals(h.ycbcr_coefficients);
    case 530: return shorts(S, L, h.ycbcr_subsampling);
    case 531: return value(S, L, h.ycbcr_positioning);
    case 532:
      check_tag_type(L | R, S | SR, e);
      read_reference_black_white(e, in);
      return true;
    case 33432: return text(h.copyright);
    case 34675: {
      check_tag_type(U, B | A | S | L, e);
      e.read_bytes(in, h.icc_profile);
      return true;
    }
    default: return false;
  }
}

bool RstTIFF6IFDReader::create_nested_info(int32_t level, RstTIFFDataInput& input) {
  RstTIFF6Header& h = *header_;
  if (h.compression.value() != 6) return true;
  if (h.jpeg_interchange_format == 0 || (!h.strip_offsets.empty() && h.jpeg_interchange_format > h.strip_offsets[0])) {
    rst_report(level == 1 ? -13 : 13,
               "RstTIFF6IFDReader::create_nested_info()- jpeg_interchange_format doesn't exist or conflicts with "
               "strip_offsets.");
    h.jpeg_interchange_format = h.strip_offsets.empty() ? 0 : h.strip_offsets[0];
  }
  // Without any strip the page has no stream to look at.
  if (h.jpeg_interchange_format == 0) return true;
  int32_t position = input.tell();
  RstTIFFJPEGStream* stream = nullptr;
  if (rst_tiff_seek(input, h.jpeg_interchange_format)) {
    NestedInputStorage window(&input, input.size() - input.tell());
    stream = rst_tiff_parse_jpeg_stream(&window);
  }
  input.seek(position);
  if (!stream) return true;
  if (stream->status > 0) {
    NestedInfo* info = rst_new<NestedInfo>();
    if (!info) {
      delete stream;
      rst_report(RstCode::no_memory, "RstTIFF6IFDReader::create_nested_info()");
      return false;
    }
    static_cast<RstHeader&>(*info) = stream->header;
    info->x_resolution = stream->x_resolution;
    info->y_resolution = stream->y_resolution;
    nested_.reset(info);
  }
  delete stream;
  return true;
}

bool RstTIFF6IFDReader::validate_consistency(int32_t level, RstTIFFDataInput& input) {
  RstTIFF6Header& h = *header_;
  if (level < 0) return true;
  uint32_t r = h.effective_rows_per_strip();
  if ((r == 0 || r == 0xFFFFFFFFu) && h.strip_offsets.size() == 1) h.rows_per_strip = h.image_length;
  if (h.bits_per_sample.empty() && !rst_resize(h.bits_per_sample, 1, uint16_t{1})) {
    rst_report(RstCode::no_memory, "RstTIFFIFDToTIFF6Header::validate_consistency()");
    return false;
  }
  if (level == 0) return true;
  if (level >= 3 && !create_nested_info(level, input)) return false;
  return run_checks(level);
}

namespace {

constexpr const char* text_strips = "RstTIFF6IFDReader::validate_consistency() - strip_offsets doesn't exist.";
constexpr const char* text_photometric =
    "RstTIFF6IFDReader::validate_consistency() - photometric_interpretation conflicts with the nested image's one.";
constexpr const char* text_x =
    "RstTIFF6IFDReader::validate_consistency() - x_resolution conflicts with the nested image's one.";
constexpr const char* text_no_x = "RstTIFF6IFDReader::validate_consistency() - no x_resolution.";
constexpr const char* text_y =
    "RstTIFF6IFDReader::validate_consistency() - y_resolution doesn't exist or conflicts with the nested image's "
    "one.";
constexpr const char* text_no_y = "RstTIFF6IFDReader::validate_consistency() - no y_resolution.";
constexpr const char* text_width =
    "RstTIFF6IFDReader::validate_consistency() - width doesn't exist or conflicts with the nested image's one.";
constexpr const char* text_height =
    "RstTIFF6IFDReader::validate_consistency() - height doesn't exist or conflicts with the nested image's one.";
constexpr const char* text_plain = "RstTIFF6IFDReader::validate_consistency()";
constexpr const char* text_samples_nested =
    "RstTIFF6IFDReader::validate_consistency() - samples_per_pixel doesn't exist or conflicts with the nested "
    "image's one.";
constexpr const char* text_samples_photometric =
    "RstTIFF6IFDReader::validate_consistency() - samples_per_pixel doesn't exist or conflicts with "
    "photometric_interpretation.";
constexpr const char* text_samples_large =
    "RstTIFF6IFDReader::validate_consistency() - samples_per_pixel is too large.";
constexpr const char* text_bits_samples =
    "RstTIFF6IFDReader::validate_consistency() - bits_per_sample doesn't exist or conflicts with samples_per_pixel.";
constexpr const char* text_bits_nested =
    "RstTIFF6IFDReader::validate_consistency() - bits_per_sample conflicts with the nested image's one.";
constexpr const char* text_bits_compression =
    "RstTIFF6IFDReader::validate_consistency() - bits_per_sample conflicts with compression.";
constexpr const char* text_rows =
    "RstTIFF6IFDReader::validate_consistency() - rows_per_strip conflicts with image_length.";
constexpr const char* text_planar =
    "RstTIFF6IFDReader::validate_consistency() - planar_configuration conflicts with other attributes.";
constexpr const char* text_interchange_wrong =
    "RstTIFF6IFDReader::validate_consistency() - jpeg_interchange_format_length is too small or something wrong.";
constexpr const char* text_interchange_small =
    "RstTIFF6IFDReader::validate_consistency() - jpeg_interchange_format_length is too small.";
constexpr const char* text_byte_counts = "RstTIFF6IFDReader::validate_consistency() - invalid strip_byte_counts.";
constexpr const char* text_too_wide = "RstTIFF6IFDReader::validate_consistency() - image_width is too large.";

bool no_resolution(const RstRational& r) { return r.numerator == 0 || r.denominator == 0; }

}  // namespace

bool RstTIFF6IFDReader::run_checks(int32_t level) {
  RstTIFF6Header& h = *header_;
  const NestedInfo* nested = nested_.get();
  // The result is the sign of the code recorded last.
  int32_t recorded = 1;
  auto fire = [&](int32_t code, const char* text) {
    rst_report(code, text);
    recorded = code;
  };
  auto signed_code = [&](int32_t code) { return level == 1 ? -code : code; };

  // 1: a page without strips has nothing to read. A layer image of a mixed
  // raster content page may have none: it is then its DefaultImageColor.
  if (h.strip_offsets.empty()) {
    auto* fx = dynamic_cast<RstTIFFFXHeader*>(&h);
    if (fx && (fx->is_mrc_background() || fx->is_mrc_foreground())) return true;
    rst_report(-13, text_strips);
    return false;
  }
  // 2: the photometric interpretation follows a nested image, and bilevel
  // CCITT pages are WhiteIsZero.
  if (nested && nested->color_type) {
    uint32_t p = RstTIFF6Header::photometric(*nested);
    if (h.photometric_interpretation != p) {
      fire(signed_code(204), text_photometric);
      h.photometric_interpretation = p;
    }
  } else if (h.photometric_interpretation != 0 && h.compression.is_ccitt()) {
    fire(signed_code(204), text_photometric);
    h.photometric_interpretation = 0;
  }
  // 3, 4: resolutions follow a nested image; a page without one is reported.
  auto resolution = [&](uint32_t nested_dpi, RstRational& field, int64_t header_dpi, const char* conflict,
                        const char* none) {
    if (nested && nested_dpi > 0) {
      int32_t code = header_dpi != 0 ? 200 : 100;
      recorded = code;
      if (header_dpi != int64_t{nested_dpi}) {
        rst_report(code, conflict);
        field = {nested_dpi, 1};
        h.resolution_unit = 2;
      }
    } else if (no_resolution(field)) {
      fire(signed_code(100), none);
    }
  };
  resolution(nested ? nested->x_resolution : 0, h.x_resolution, h.x_resolution_dpi(), text_x, text_no_x);
  resolution(nested ? nested->y_resolution : 0, h.y_resolution, h.y_resolution_dpi(), text_y, text_no_y);
  // 5, 6: the size follows a nested image; a page without one is an error.
  if (nested && h.tile_offsets.size() <= 1) {
    if (h.image_width != uint32_t(nested->width)) {
      fire(h.image_width != 0 ? 201 : 101, text_width);
      h.image_width = uint32_t(nested->width);
    }
    if (h.strip_offsets.size() == 1 && h.image_length != uint32_t(nested->height)) {
      fire(h.image_length != 0 ? 202 : 102, text_height);
      h.image_length = uint32_t(nested->height);
      h.rows_per_strip = h.image_length;
    }
  } else {
    if (h.image_width == 0) rst_report(-201, text_plain);
    if (h.image_length == 0) rst_report(-202, text_plain);
  }
  // 7: samples per pixel follow the nested image or the photometric
  // interpretation.
  if (nested) {
    if (h.samples_per_pixel != uint32_t(nested->samples_per_pixel)) {
      fire(h.samples_per_pixel != 0 ? 203 : 103, text_samples_nested);
      h.samples_per_pixel = uint32_t(nested->samples_per_pixel);
    }
  } else {
    recorded = 1;
    uint32_t needed = h.samples_needed();
    // Data that holds more samples than the interpretation needs (an alpha
    // channel) keeps its count: its rows are read whole and the page reader
    // drops the extras. Only a count the data does not show is repaired.
    if (needed && h.samples_per_pixel != needed && !h.stores_extra_samples()) {
      fire(signed_code(203), text_samples_photometric);
      h.samples_per_pixel = needed;
    }
  }
  // A sample count no TIFF field can describe is refused before anything is
  // sized from it.
  if (h.samples_per_pixel > 0xFFFF) {
    rst_report(-13, text_samples_large);
    h.status = -13;
    return false;
  }
  // 8: one bits-per-sample value per sample; added ones copy the last.
  if (h.bits_per_sample.size() != h.samples_per_pixel) {
    fire(signed_code(203), text_bits_samples);
    uint16_t last = h.bits_per_sample.empty() ? uint16_t{1} : h.bits_per_sample.back();
    if (!rst_resize(h.bits_per_sample, h.samples_per_pixel, last) || h.bits_per_sample.size() != h.samples_per_pixel) {
      rst_report(RstCode::no_memory, text_plain);
      return false;
    }
  }
  // 9: bits per sample follow the nested image; bilevel codings have 1.
  if (nested) {
    if (!h.bits_per_sample.empty() && h.bits_per_sample[0] != uint32_t(nested->bits_per_sample)) {
      fire(203, text_bits_nested);
      std::fill(h.bits_per_sample.begin(), h.bits_per_sample.end(), uint16_t(nested->bits_per_sample));
    }
  } else if (!h.bits_per_sample.empty() && h.bits_per_sample[0] != 1 &&
             (h.compression.is_ccitt() || h.compression.is_jbig())) {
    fire(signed_code(203), text_bits_compression);
    h.bits_per_sample[0] = 1;
  }
  // 10: rows per strip within the page; one strip covers it.
  if (h.effective_rows_per_strip() > h.image_length ||
      (h.strip_offsets.size() == 1 && h.rows_per_strip != h.image_length)) {
    fire(signed_code(13), text_rows);
    h.rows_per_strip = h.image_length;
  }
  // 11: only interleaved samples are read. Samples stored plane by plane
  // would read as scrambled pixels: such a page is refused.
  // (A nested stream's samples come from the stream itself: its page's
  // configuration is only repaired.)
  if (h.planar_configuration != 1 && nested) {
    fire(signed_code(13), text_planar);
    h.planar_configuration = 1;
  } else if (h.planar_configuration != 1 && h.samples_per_pixel > 1) {
    rst_report(-13, text_planar);
    h.status = -13;
    return false;
  }
  // 12: the interchange stream of an old-style JPEG page ends where the
  // first strip begins or later.
  if (h.compression.value() == 6 && !h.strip_byte_counts.empty() && h.jpeg_interchange_format != 0) {
    uint32_t j = h.jpeg_interchange_format, s = h.strip_offsets[0];
    uint32_t end = j + h.jpeg_interchange_format_length;
    if (j > s || s > end) {
      fire(-13, text_interchange_wrong);
    } else if (end == s) {
      fire(signed_code(13), text_interchange_small);
      h.jpeg_interchange_format_length += h.strip_byte_counts[0];
    }
  }
  // 13: one byte count per strip.
  if (h.strip_byte_counts.size() != h.strip_offsets.size()) {
    fire(13, text_byte_counts);
    if (!rst_resize(h.strip_byte_counts, h.strip_offsets.size(), 0u) ||
        h.strip_byte_counts.size() != h.strip_offsets.size()) {
      rst_report(RstCode::no_memory, text_plain);
      return false;
    }
  }
  // 14: YCbCr subsampling: none for full-size uncompressed strips, else 2 x 2.
  if (h.photometric_interpretation == 6 && h.ycbcr_subsampling.empty()) {
    uint64_t full = h.bytes_per_row() * h.effective_rows_per_strip();
    if (h.compression.value() == 1 && !h.strip_byte_counts.empty() && h.strip_byte_counts[0] == full)
      h.ycbcr_subsampling = {1, 1};
    if (h.ycbcr_subsampling.empty()) h.ycbcr_subsampling = {2, 2};
  }
  // Rows and run lines are sized from the width: a page whose row or run
  // line does not fit the library's 32-bit sizes cannot be read.
  if (h.bytes_per_row() > uint64_t(std::numeric_limits<int32_t>::max()) ||
      h.run_line_bound() > uint64_t(std::numeric_limits<int32_t>::max())) {
    rst_report(-13, text_too_wide);
    h.status = -13;
    return false;
  }
  return recorded > 0;
}
