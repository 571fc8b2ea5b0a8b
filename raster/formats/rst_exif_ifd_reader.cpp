// The Exif tag switches and their completion steps.
#include "raster/formats/rst_exif_ifd_reader.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

using T = RstTIFFTypes;
constexpr uint32_t B = T::bit_byte, A = T::bit_ascii, S = T::bit_short, L = T::bit_long, R = T::bit_rational,
                   SB = T::bit_sbyte, U = T::bit_undefined, SR = T::bit_srational;
constexpr uint32_t text_tolerated = B | SB | U;
constexpr uint32_t bytes_tolerated = B | A | S | L;

}  // namespace

bool RstExifTIFFIFDReader::read_tag(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  if (RstTIFF6IFDReader::read_tag(e, in)) return true;
  switch (e.tag) {
    case 34665:
      check_tag_type(L, S, e);
      exif_header_->exif_ifd = e.value();
      return true;
    case 34853:
      check_tag_type(L, S, e);
      exif_header_->gps_ifd = e.value();
      return true;
    default: return false;
  }
}

bool RstExifTIFFIFDReader::validate_consistency(int32_t level, RstTIFFDataInput& input) {
  if (thumbnail_ && level >= 0) level = 3;
  if (level == -1) return true;
  RstTIFF6Header& h = *header_;
  if (h.jpeg_interchange_format == 0) return true;
  if (!create_nested_info(level, input) || !nested_info()) return false;
  // The page becomes the thumbnail stream itself.
  const NestedInfo& nested = *nested_info();
  std::vector<uint16_t> bits;
  std::vector<uint32_t> offsets;
  if (!rst_resize(bits, 1, uint16_t{8}) || !rst_resize(offsets, 1, h.jpeg_interchange_format)) {
    rst_report(RstCode::no_memory, "RstExifTIFFIFDReader::validate_consistency()");
    return false;
  }
  h.image_width = uint32_t(nested.width);
  h.image_length = uint32_t(nested.height);
  h.bits_per_sample.swap(bits);
  h.set_compression(6);
  h.samples_per_pixel = 3;
  h.strip_offsets.swap(offsets);
  h.photometric_interpretation = 6;
  return true;
}

bool RstExifPrivateTagsReader::read_tag(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  RstExif22PrivateTags& t = *tags_;
  auto value = [&](uint32_t expected, uint32_t tolerated, uint32_t& field) {
    check_tag_type(expected, tolerated, e);
    field = e.value();
    return true;
  };
  auto text = [&](std::string& field) {
    check_tag_type(A, text_tolerated, e);
    e.read_string(in, field);
    return true;
  };
  auto bytes = [&](std::vector<uint8_t>& field) {
    check_tag_type(U, bytes_tolerated, e);
    e.read_bytes(in, field);
    return true;
  };
  auto shorts = [&](std::vector<uint16_t>& field) {
    check_tag_type(S, L, e);
    e.read_u16s(in, field);
    return true;
  };
  auto rational = [&](RstRational& field) {
    check_tag_type(R, SR, e);
    e.read_rational(in, field);
    return true;
  };
  // Signed values come through the same two words, taken as signed.
  auto srational = [&](RstSRational& field) {
    check_tag_type(SR, R, e);
    RstRational words{uint32_t(field.numerator), uint32_t(field.denominator)};
    if (e.read_rational(in, words)) field = RstSRational{int32_t(words.numerator), int32_t(words.denominator)};
    return true;
  };

  switch (e.tag) {
    case 33434: return rational(t.exposure_time);
    case 33437: return rational(t.f_number);
    case 34850: return value(S, L, t.exposure_program);
    case 34852: return text(t.spectral_sensitivity);
    case 34855: return shorts(t.iso_speed_ratings);
    case 34856: return bytes(t.oecf);
    case 36864: return bytes(t.exif_version);
    case 36867: return text(t.date_time_original);
    case 36868: return text(t.date_time_digitized);
    case 37121: return bytes(t.components_configuration);
    case 37122: return rational(t.compressed_bits_per_pixel);
    case 37377: return srational(t.shutter_speed_value);
    case 37378: return rational(t.aperture_value);
    case 37379: return srational(t.brightness_value);
    case 37380: return srational(t.exposure_bias_value);
    case 37381: return rational(t.max_aperture_value);
    case 37382: return rational(t.subject_distance);
    case 37383: return value(S, L, t.metering_mode);
    case 37384: return value(S, L, t.light_source);
    case 37385: return value(S, L, t.flash);
    case 37386: return rational(t.focal_length);
    case 37396: return shorts(t.subject_area);
    case 37500: return bytes(t.maker_note);
    case 37510: return bytes(t.user_comment);
    case 37520: return text(t.sub_sec_time);
    case 37521: return text(t.sub_sec_time_original);
    case 37522: return text(t.sub_sec_time_digitized);
    case 40960: return bytes(t.flashpix_version);
    case 40961: return value(S, L, t.color_space);
    case 40962: return value(S | L, 0, t.pixel_x_dimension);
    case 40963: return value(S | L, 0, t.pixel_y_dimension);
    case 40964: return text(t.related_sound_file);
    case 40965: return value(L, S, t.interoperability_ifd);
    case 41483: return rational(t.flash_energy);
    case 41484: return bytes(t.spatial_frequency_response);
    case 41486: return rational(t.focal_plane_x_resolution);
    case 41487: return rational(t.focal_plane_y_resolution);
    case 41488: return value(S, L, t.focal_plane_resolution_unit);
    case 41492: return shorts(t.subject_location);
    case 41493: return rational(t.exposure_index);
    case 41495: return value(S, L, t.sensing_method);
    case 41728: return value(U, bytes_tolerated, t.file_source);
    case 41729: return value(U, bytes_tolerated, t.scene_type);
    case 41730: return bytes(t.cfa_pattern);
    case 41985: return value(S, L, t.custom_rendered);
    case 41986: return value(S, L, t.exposure_mode);
    case 41987: return value(S, L, t.white_balance);
    case 41988: return rational(t.digital_zoom_ratio);
    case 41989:
      check_tag_type(S, L, e);
      t.focal_length_in_35mm_film = uint16_t(e.value());
      return true;
    case 41990: return value(S, L, t.scene_capture_type);
    case 41991: return value(S, L, t.gain_control);
    case 41992: return value(S, L, t.contrast);
    case 41993: return value(S, L, t.saturation);
    case 41994: return value(S, L, t.sharpness);
    case 41995: return bytes(t.device_setting_description);
    case 41996: return value(S, L, t.subject_distance_range);
    case 42016: return text(t.image_unique_id);
    default: return false;
  }
}

bool RstExifPrivateTagsReader::validate_consistency(int32_t level, RstTIFFDataInput&) {
  if (level == -1) return true;
  RstExif22PrivateTags& t = *tags_;
  constexpr uint32_t unset = RstExif21PrivateTags::unset;
  auto fill = [](uint32_t& field, uint32_t sentinel, uint32_t exif_default) {
    if (field == sentinel) field = exif_default;
  };
  fill(t.color_space, RstExif21PrivateTags::unset_color_space, 1);
  fill(t.exposure_program, unset, 0);
  fill(t.metering_mode, unset, 0);
  fill(t.light_source, unset, 0);
  fill(t.focal_plane_resolution_unit, unset, 2);
  fill(t.file_source, unset, 3);
  fill(t.scene_type, unset, 1);
  fill(t.custom_rendered, unset, 0);
  fill(t.scene_capture_type, unset, 0);
  fill(t.contrast, unset, 0);
  fill(t.saturation, unset, 0);
  fill(t.sharpness, unset, 0);
  return true;
}
