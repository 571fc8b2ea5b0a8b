// The JFIF and JFXX application segments and the JFIF header.
#include "raster/codecs/rst_read_jfif_header.h"

#include <cstring>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

bool RstReadJFIFAppMarker::keep_thumbnail(const uint8_t* from, int32_t count, const char* where) {
  thumbnail.reset();
  // A list of one block holding exactly the bytes (an empty one for none).
  MemoryBlockListPtr list;
  MemoryBlockList* blocks = count > 0 ? MemoryBlockList::create(count, from) : MemoryBlockList::create(1);
  list.reset(blocks);
  if (!list.has_count()) blocks = nullptr;  // deleted with its count
  if (blocks) thumbnail.reset(rst_new<MemoryInputStorage>(list));
  if (!thumbnail) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  return true;
}

bool RstReadJFIFAppMarker::read_JFIF_segment(const uint8_t* bytes, int32_t count) {
  const char* where = "RstReadJFIFAppMarker::read_JFIF_segment()";
  ByteArrayInputStorage storage(bytes, count > 0 ? count : 0);
  RstJPEGDataInput in(&storage, rst_jpeg_byte_order);
  int32_t major = in.get();
  if (major != 1) return false;
  int32_t minor = in.get();
  int32_t unit = in.get();
  if (minor < 0 || unit < 0) return false;
  major_version = uint8_t(major);
  minor_version = uint8_t(minor);
  if (unit > 2) return false;
  // Units 0 give the aspect ratio only: no resolution, a warning.
  if (unit == 0) rst_report(RstCode::jfif_segment, where);
  units = uint8_t(unit);
  uint16_t x = 0, y = 0;
  bool read = in.read_value(&x, 2) && in.read_value(&y, 2);
  int32_t w = read ? in.get() : -1;
  int32_t h = w >= 0 ? in.get() : -1;
  x_density = x;
  y_density = y;
  thumbnail.reset();
  if (h < 0) return false;
  thumbnail_width = uint8_t(w);
  thumbnail_height = uint8_t(h);
  if (w == 0) {
    thumbnail_kind = 0;
    return true;
  }
  thumbnail_kind = 0x13;
  return keep_thumbnail(bytes + in.tell(), count - in.tell(), where);
}

bool RstReadJFIFAppMarker::read_JFXX_segment(const uint8_t* bytes, int32_t count) {
  const char* where = "RstReadJFIFAppMarker::read_JFXX_segment()";
  ByteArrayInputStorage storage(bytes, count > 0 ? count : 0);
  int32_t kind = storage.get();
  if (kind != 0x10 && kind != 0x11 && kind != 0x13) return false;
  thumbnail_kind = kind;
  if (kind != 0x10) {
    int32_t w = storage.get();
    int32_t h = w >= 0 ? storage.get() : -1;
    if (h < 0) return false;
    thumbnail_width = uint8_t(w);
    thumbnail_height = uint8_t(h);
  }
  if (kind == 0x11) {
    uint8_t entries[256 * 3];
    if (storage.read(entries, int32_t(sizeof entries)) != int32_t(sizeof entries)) return false;
    RstColormap* map = rst_new<RstColormap>(8, 3, 256, entries);
    if (map && map->size() != int32_t(sizeof entries)) {
      delete map;
      map = nullptr;
    }
    RstCountedPtr<RstColormap> held(map);
    if (!map || !held.has_count()) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
    palette = held;
  }
  return keep_thumbnail(bytes + storage.tell(), count - storage.tell(), where);
}

bool RstReadJFIFAppMarker::set(const RstReadJPEGMarkerApplicationArray& applications) {
  bool result = false;
  for (const auto& record : applications.records) {
    const std::vector<uint8_t>& p = record->payload;
    if (p.size() < 4) continue;
    bool jfif = std::memcmp(p.data(), "JFIF", 4) == 0;
    bool jfxx = std::memcmp(p.data(), "JFXX", 4) == 0;
    if (!jfif && !jfxx) continue;
    marker_code = record->marker_code;
    length = record->length;
    // Identifier and zero byte; a payload of the identifier alone has no more.
    const uint8_t* rest = p.data() + (p.size() >= 5 ? 5 : p.size());
    int32_t count = int32_t(p.size()) - int32_t(rest - p.data());
    result = jfif ? read_JFIF_segment(rest, count) : read_JFXX_segment(rest, count);
  }
  return result;
}

RstReadJFIFHeader::RstReadJFIFHeader(InputStorage* storage) : RstReadJPEGHeader(storage, true) {
  // A broken or foreign stream keeps its status; the segment decides the rest.
  if (parse_status() != RstCode::not_this_format && parse_status() != RstCode::bad_argument &&
      !app_marker.set(applications()))
    set_status(RstCode::not_this_format);
}

uint32_t RstReadJFIFHeader::resolution(uint16_t density) const {
  if (app_marker.units == 1) return density;
  if (app_marker.units == 2) return (uint32_t(density) * 254 + 50) / 100;
  return 0;
}

RstColorType* RstReadJFIFHeader::rst_color_type() const {
  return frame_header().component_count == 1 ? RstColorType::default_gray() : RstColorType::default_ycbcr();
}
