// The G3FAX application segment and the JPEG-fax header.
#include "raster/codecs/rst_read_jpeg_fax_header.h"

#include <cstring>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_status_context.h"

bool RstReadJPEGFAXAppMarker::set(const RstReadJPEGMarkerApplicationArray& applications) {
  if (applications.records.empty()) return false;
  const RstJPEGMarkerApplication& record = *applications.records.front();
  const std::vector<uint8_t>& p = record.payload;
  if (p.size() < 6 || std::memcmp(p.data(), "G3FAX", 5) != 0) return false;
  marker_code = record.marker_code;
  ByteArrayInputStorage storage(p.data() + 6, int32_t(p.size() - 6));
  RstJPEGDataInput in(&storage, rst_jpeg_byte_order);
  uint16_t v = 0, r = 0;
  if (!in.read_value(&v, 2) || !in.read_value(&r, 2)) return false;
  version = v;
  resolution = r;
  return version == 1994;
}

RstReadJPEGFaxHeader::RstReadJPEGFaxHeader(InputStorage* storage) : RstReadJPEGHeader(storage, true) {
  if (parse_status() != RstCode::not_this_format && parse_status() != RstCode::bad_argument &&
      !app_marker.set(applications()))
    set_status(RstCode::not_this_format);
}

RstColorType* RstReadJPEGFaxHeader::rst_color_type() const {
  if (!frame_header().was_read) return nullptr;
  return frame_header().component_count == 1 ? RstColorType::icc_lstar() : RstColorType::itu_lab();
}
