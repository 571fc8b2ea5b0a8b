// RstImageFormat: the file-format code of a probed page, with its name.
#pragma once

#include <cstdint>
#include <string>

class RstImageFormat {
 public:
  static constexpr int32_t tiff = 0;
  static constexpr int32_t jfif = 1;
  static constexpr int32_t jpeg_fax = 2;
  static constexpr int32_t sun_raster = 3;
  static constexpr int32_t windows_bitmap = 4;
  static constexpr int32_t cals_raster_type1 = 5;
  static constexpr int32_t png = 6;
  static constexpr int32_t gif = 7;
  static constexpr int32_t edmics_mmr = 8;
  static constexpr int32_t exif = 9;
  static constexpr int32_t rtl = 10;
  static constexpr int32_t mng = 11;
  static constexpr int32_t pdf = 12;
  static constexpr int32_t edmics_rlc = 13;
  static constexpr int32_t kelvor = 14;

  explicit RstImageFormat(int32_t code = tiff) : code(code) {}
  virtual ~RstImageFormat() = default;

  bool is_tiff() const { return code == tiff; }
  // Display name of the code ("Unknown" for codes outside the table).
  std::string name() const;

  int32_t code;
};
