// The Exif records: the two IFD pointers of a primary Exif IFD, the primary
// page header with them, and the tags of the Exif private IFD (Exif 2.1, then
// what 2.2 adds). A field no tag has set holds a sentinel, so that the
// completion step of the private tag reader can tell it from a written value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/formats/rst_tiff_header.h"
#include "raster/formats/rst_tiff_types.h"

class RstExifTags {
 public:
  RstExifTags() = default;
  virtual ~RstExifTags() = default;

  uint32_t exif_ifd = 0;  // 34665
  uint32_t gps_ifd = 0;   // 34853
};

class RstExifTIFFHeader : public RstExifTags, public RstTIFF6Header {
 public:
  explicit RstExifTIFFHeader(uint32_t byte_order = 0x4949) : RstTIFF6Header(byte_order) {}
};

class RstExif21PrivateTags {
 public:
  // The rational sentinels, one per rational field.
  static constexpr double unset_rational = 4294967295.0;
  static constexpr double unset_subject_distance = 4294967294.0;
  static constexpr double unset_srational = -99999.0;
  static constexpr double exposure_time_unset = unset_rational;
  static constexpr double f_number_unset = unset_rational;
  static constexpr double shutter_speed_value_unset = unset_srational;
  static constexpr double aperture_value_unset = unset_rational;
  static constexpr double brightness_value_unset = unset_srational;
  static constexpr double exposure_bias_value_unset = unset_srational;
  static constexpr double max_aperture_value_unset = unset_rational;
  static constexpr double subject_distance_unset = unset_subject_distance;
  static constexpr double focal_length_unset = unset_rational;
  static constexpr double flash_energy_unset = unset_rational;
  static constexpr double focal_plane_x_resolution_unset = unset_rational;
  static constexpr double focal_plane_y_resolution_unset = unset_rational;
  static constexpr double exposure_index_unset = unset_rational;
  static constexpr double compressed_bits_per_pixel_unset = unset_rational;
  static constexpr uint32_t unset = 0xFFFFFFFFu;
  static constexpr uint32_t unset_color_space = 0xFF00;

  RstExif21PrivateTags();
  virtual ~RstExif21PrivateTags() = default;

  std::vector<uint8_t> exif_version;  // four character bytes, no terminator
  std::vector<uint8_t> flashpix_version;
  std::vector<uint8_t> components_configuration;
  std::vector<uint16_t> subject_location;
  uint32_t color_space = unset_color_space;
  uint32_t pixel_x_dimension = unset;
  uint32_t pixel_y_dimension = unset;
  uint32_t exposure_program = unset;
  uint32_t metering_mode = unset;
  uint32_t light_source = unset;
  uint32_t flash = unset;
  uint32_t focal_plane_resolution_unit = unset;
  uint32_t sensing_method = unset;
  uint32_t file_source = unset;
  uint32_t scene_type = unset;
  uint32_t interoperability_ifd = 0;
  std::vector<uint8_t> maker_note;
  std::vector<uint8_t> user_comment;
  std::string related_sound_file;
  std::string date_time_original;
  std::string date_time_digitized;
  std::string sub_sec_time;
  std::string sub_sec_time_original;
  std::string sub_sec_time_digitized;
  RstRational exposure_time;
  RstRational f_number;
  std::string spectral_sensitivity;
  std::vector<uint16_t> iso_speed_ratings;
  std::vector<uint8_t> oecf;
  RstSRational shutter_speed_value;
  RstRational aperture_value;
  RstSRational brightness_value;
  RstSRational exposure_bias_value;
  RstRational max_aperture_value;
  RstRational subject_distance;
  RstRational focal_length;
  RstRational flash_energy;
  std::vector<uint8_t> spatial_frequency_response;
  RstRational focal_plane_x_resolution;
  RstRational focal_plane_y_resolution;
  RstRational exposure_index;
  std::vector<uint8_t> cfa_pattern;
  RstRational compressed_bits_per_pixel;
};

class RstExif22PrivateTags : public RstExif21PrivateTags {
 public:
  static constexpr double digital_zoom_ratio_unset = unset_rational;
  static constexpr uint16_t unset_focal_length_in_35mm_film = 0xFFFF;

  RstExif22PrivateTags();

  uint32_t custom_rendered = unset;
  uint32_t exposure_mode = unset;
  uint32_t white_balance = unset;
  uint16_t focal_length_in_35mm_film = unset_focal_length_in_35mm_film;
  uint32_t scene_capture_type = unset;
  uint32_t gain_control = unset;
  uint32_t contrast = unset;
  uint32_t saturation = unset;
  uint32_t sharpness = unset;
  uint32_t subject_distance_range = unset;
  std::string image_unique_id;
  std::vector<uint16_t> subject_area;
  RstRational digital_zoom_ratio;
  std::vector<uint8_t> device_setting_description;
};
