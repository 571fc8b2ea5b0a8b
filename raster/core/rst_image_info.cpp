// Image info of a probed page and its display names.
#include "raster/core/rst_image_info.h"

RstImageInfo::RstImageInfo(const RstHeader& header, int32_t x_resolution, int32_t y_resolution,
                           const RstImageFormat& format, RstPrivateHeader* private_header)
    : RstHeader(header),
      x_resolution(x_resolution),
      y_resolution(y_resolution),
      format(format),
      private_header(private_header) {}

RstImageInfo::~RstImageInfo() { rst_release(private_header); }

std::string RstImageInfo::format_name() const { return format.name(); }

std::string RstImageInfo::compression_name() const { return rst_compression_name(data_form); }

std::string RstImageInfo::color_space_name() const { return rst_color_space_name(*this); }

std::string rst_compression_name(int32_t data_form) {
  static const char* const names[] = {"Raw",     "MH",        "MR",         "MMR",        "JPEG",     "JPEG2000",
                                      "JBIG",    "JBIGColor", "JBIG2",      "ByteEncode", "PackBits", "LZW",
                                      "LZW",     "FLATE",     "WindowsRLE", "RLE",        "Unknown",  "ALLA",
                                      "ASCII85", "ASCIIHex",  "Base64",     "RLC",        "MRC"};
  constexpr int32_t count = sizeof names / sizeof names[0];
  return data_form >= 0 && data_form < count ? names[data_form] : "Unknown";
}

std::string rst_color_space_name(const RstHeader& header) {
  if (header.colormap) return "Index Color";
  const RstColorType* t = header.color_type;
  if (!t) return "Unknown";
  // First match wins, so the spaces with a second name show that name.
  const struct {
    RstColorType* type;
    const char* name;
  } table[] = {
      {RstColorType::default_gray(), "default_gray"},
      {RstColorType::default_gray_reverse(), "default_gray_reverse"},
      {RstColorType::default_rgb(), "default_rgb"},
      {RstColorType::default_ycbcr(), "default_ycbcr"},
      {RstColorType::default_cmy(), "default_cmy"},
      {RstColorType::default_cmyk(), "default_cmyk"},
      {RstColorType::s_gray(), "s_gray"},
      {RstColorType::s_gray_reverse(), "s_gray_reverse"},
      {RstColorType::s_rgb(), "s_rgb"},
      {RstColorType::s_ycbcr(), "s_ycbcr"},
      {RstColorType::s_cmyk(), "s_cmyk"},
      {RstColorType::ntsc_rgb(), "ntsc_rgb"},
      {RstColorType::icc_lab(), "icc_lab"},
      {RstColorType::icc_lstar(), "icc_lstar"},
      {RstColorType::itu_lab(), "itu_lab"},
  };
  for (const auto& entry : table)
    if (entry.type == t) return entry.name;
  return "Unknown";
}
