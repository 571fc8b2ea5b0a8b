// Builds Exif structures for the tests: a primary IFD with resolution and the
// two Exif pointers, an optional thumbnail IFD with its JPEG stream, the Exif
// private IFD with an interoperability IFD, and a GPS IFD; every offset can be
// overridden to make hostile layouts. Also wraps a structure into a JPEG APP1.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/codecs/jpeg_stream_builder.h"
#include "tiff_builder.h"

struct ExifLayout {
  bool big_endian = false;
  bool thumbnail = false;
  std::vector<TiffEntry> private_entries{TiffEntry::rational(33434, 1, 125), TiffEntry::shorts(40961, {1})};
  uint32_t first_ifd = 0;      // 0: the primary IFD as built
  uint32_t exif_ifd = 0;       // 0: the private IFD as built
  uint32_t gps_ifd = 0;        // 0: the GPS IFD as built
  uint32_t interop_ifd = 0;    // 0: the interoperability IFD as built
  bool interop_self = false;   // the interoperability pointer names the private IFD
  uint32_t thumb_next = 0;     // next-IFD offset of the thumbnail IFD
  uint32_t thumb_offset = 0;   // 0: the thumbnail stream as built
  uint16_t private_count = 0;  // 0: the private IFD's entry count as built
};

inline Bytes exif_cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes exif_thumbnail_stream() { return JpegBytes().soi().tables().frame_and_scan(120, 160, 3).b; }

inline Bytes exif_tiff(const ExifLayout& l) {
  TiffBuilder b(l.big_endian);
  auto value_at = [](uint32_t ifd, uint32_t index) { return ifd + 2 + 12 * index + 8; };
  uint32_t primary =
      b.add_ifd({TiffEntry::rational(282, 300, 1), TiffEntry::rational(283, 300, 1), TiffEntry::shorts(296, {2}),
                 TiffEntry::raw_entry(34665, 4, 1, 0), TiffEntry::raw_entry(34853, 4, 1, 0)});
  uint32_t primary_next = b.last_next_field;
  Bytes thumb = exif_thumbnail_stream();
  uint32_t thumb_ifd = 0;
  if (l.thumbnail) {
    thumb_ifd = b.add_ifd({TiffEntry::shorts(259, {6}), TiffEntry::raw_entry(513, 4, 1, 0),
                           TiffEntry::longs(514, {uint32_t(thumb.size())}), TiffEntry::rational(282, 72, 1),
                           TiffEntry::rational(283, 72, 1), TiffEntry::shorts(296, {2})},
                          l.thumb_next);
    b.patch32(primary_next, thumb_ifd);
  }
  std::vector<TiffEntry> private_entries = l.private_entries;
  private_entries.push_back(TiffEntry::raw_entry(40965, 4, 1, 0));
  uint32_t exif = b.add_ifd(private_entries);
  uint32_t interop = b.add_ifd({TiffEntry::ascii(1, std::string("R98\0", 4)), TiffEntry::make(2, 7, 4, {})});
  uint32_t gps =
      b.add_ifd({TiffEntry::ascii(1, std::string("N\0", 2)), TiffEntry::typed(2, 5, {48, 1, 51, 1, 1234, 100}),
                 TiffEntry::ascii(3, std::string("E\0", 2))});
  uint32_t stream = b.add_bytes(thumb);
  b.patch32(value_at(primary, 3), l.exif_ifd ? l.exif_ifd : exif);
  b.patch32(value_at(primary, 4), l.gps_ifd ? l.gps_ifd : gps);
  b.patch32(value_at(exif, uint32_t(private_entries.size() - 1)),
            l.interop_self ? exif : (l.interop_ifd ? l.interop_ifd : interop));
  if (l.thumbnail) b.patch32(value_at(thumb_ifd, 1), l.thumb_offset ? l.thumb_offset : stream);
  if (l.first_ifd) b.set_first_ifd(l.first_ifd);
  if (l.private_count) {
    b.bytes[exif] = uint8_t(l.private_count);
    b.bytes[exif + 1] = uint8_t(l.private_count >> 8);
  }
  return b.bytes;
}

// The APP1 payload: "Exif", two zero bytes, the structure.
inline Bytes exif_payload(const Bytes& tiff) { return exif_cat({'E', 'x', 'i', 'f', 0, 0}, tiff); }

// A 16 x 16 three-component JPEG stream with the Exif APP1, after a JFIF APP0
// of 72 dpi when asked.
inline Bytes exif_jpeg(const Bytes& tiff, bool jfif) {
  JpegBytes j;
  j.soi();
  if (jfif) j.jfif(1, 72, 72);
  return j.segment(0xE1, exif_payload(tiff)).tables().frame_and_scan(16, 16, 3).b;
}
