// RstImageInfo: the header of one probed file page plus what the file adds:
// resolution, format, the storage it came from, a page-count cache and the
// format's private header (owned). Probing (create, page_count) belongs to the
// file formats; the constructor that positions the storage, to the storages.
#pragma once

#include <cstdint>
#include <string>

#include "raster/core/rst_header.h"
#include "raster/core/rst_image_format.h"
#include "raster/core/rst_private_header.h"

class InputStorage;

class RstImageInfo : public RstHeader {
 public:
  // Copies the header, stores the rest, page count 0, and seeks the storage to
  // the absolute position. Defined with the storages.
  RstImageInfo(InputStorage* storage, int32_t position, const RstHeader& header, int32_t x_resolution,
               int32_t y_resolution, const RstImageFormat& format, RstPrivateHeader* private_header);
  // Releases the private header.
  ~RstImageInfo() override;

  // The probed page `page` (1-based) of the storage, or null; the storage is
  // left where it was. Defined with the file formats.
  static RstImageInfo* create(InputStorage* storage, uint32_t page);
  // The pages of the probed file, counted on the first call.
  uint32_t page_count();
  RstImageInfo(const RstImageInfo&) = delete;
  RstImageInfo& operator=(const RstImageInfo&) = delete;

  std::string format_name() const;
  std::string compression_name() const;
  std::string color_space_name() const;

  int32_t x_resolution = 0;
  int32_t y_resolution = 0;
  RstImageFormat format;
  InputStorage* storage = nullptr;             // not owned
  int32_t cached_page_count = 0;               // 0 until counted
  RstPrivateHeader* private_header = nullptr;  // owned

 protected:
  // Everything but the storage; the storage constructor builds on it.
  RstImageInfo(const RstHeader& header, int32_t x_resolution, int32_t y_resolution, const RstImageFormat& format,
               RstPrivateHeader* private_header);
};

// Display names shared with the image-information view.
std::string rst_compression_name(int32_t data_form);
std::string rst_color_space_name(const RstHeader& header);
