// Reading the Exif structure in both containers, the tag readers made on
// demand, and the Exif probes.
#include "raster/formats/rst_read_exif.h"

#include <algorithm>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_jpeg.h"
#include "raster/formats/rst_read_tiff.h"

namespace {

// Makes a tag reader once into its counted holder; none when either cannot
// be allocated (the holder then deletes the reader).
template <class Reader, class... Args>
Reader* make_reader(RstCountedPtr<Reader>& holder, const char* where, Args... args) {
  if (!holder) {
    Reader* made = rst_new<Reader>(args...);
    holder.reset(made);
    if (!holder) rst_report(RstCode::no_memory, where);
  }
  return holder.get();
}

// An Exif thumbnail may itself hold Exif; nesting stops here so that a
// crafted file cannot recurse without end.
constexpr int max_exif_nesting = 4;
thread_local int exif_nesting = 0;

struct NestingGuard {
  NestingGuard() { ++exif_nesting; }
  ~NestingGuard() { --exif_nesting; }
  bool too_deep() const { return exif_nesting > max_exif_nesting; }
};

uint32_t dots(int64_t dpi) { return uint32_t(std::clamp<int64_t>(dpi, 0, 0xFFFFFFFF)); }

bool usable(InputStorage* storage) { return storage && !storage->is_closed(); }

}  // namespace

RstTIFFIFDReader* RstReadExifInteroperability::reader() {
  return make_reader(reader_, "RstReadExifInteroperability::reader()", &ifd);
}

RstTIFFIFDReader* RstReadExifGPSInfo::reader() { return make_reader(reader_, "RstReadExifGPSInfo::reader()", &ifd); }

RstTIFFIFDReader* RstReadExifPrivateTags::reader() {
  return make_reader(reader_, "RstReadExifPrivateTags::reader()", static_cast<RstExif22PrivateTags*>(this), &ifd);
}

RstTIFFIFDReader* RstReadExifTIFFHeader::reader() {
  return make_reader(reader_, "RstReadExifTIFFHeader::reader()", static_cast<RstExifTIFFHeader*>(this), &ifd,
                     is_thumbnail());
}

RstReadTIFFHeaderBase* RstReadExifTIFFHeader::new_header() { return rst_new<RstReadExifThumbHeader>(); }

RstReadExifTIFFHeader::RstReadExifTIFFHeader(InputStorage* storage, int32_t mode) { read_structure(storage, mode); }

uint32_t RstReadExifTIFFHeader::read_structure(InputStorage* storage, int32_t mode) {
  int32_t& state = RstTIFF6Header::status;
  if (!storage) {
    state = -12;
    return 0;
  }
  position_ = storage->tell();
  read_chain(storage, mode);
  // A primary IFD that could not be read leaves no entries.
  if (state <= 0 || ifd.entries.empty()) {
    if (state > 0) state = -12;
    return 0;
  }
  if (exif_ifd == 0) {
    state = -12;
    return 0;
  }
  // The private IFD must lie inside the data and be another IFD than the
  // primary one.
  if (!rst_tiff_ifd_offset_usable(*storage, exif_ifd) ||
      private_tags.RstReadTIFFTagsBase::read(storage, byte_order, exif_ifd, mode) == 0) {
    state = -12;
    return 0;
  }
  // The interoperability and GPS IFDs are walked for their structure only;
  // a broken one is passed over.
  uint32_t interop = private_tags.interoperability_ifd;
  if (interop != 0 && rst_tiff_ifd_offset_usable(*storage, interop))
    private_tags.interoperability.read(storage, byte_order, interop, mode);
  if (gps_ifd != 0 && rst_tiff_ifd_offset_usable(*storage, gps_ifd)) gps_info.read(storage, byte_order, gps_ifd, mode);
  int64_t moved = int64_t{storage->tell()} - position_;
  return moved > 0 ? uint32_t(moved) : 1;
}

RstRead* RstReadExifTIFFHeader::create_reader(InputStorage* storage) {
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, "RstReadExifTIFFHeader::create_reader()");
    return nullptr;
  }
  storage->seek(position_);
  return RstReadTIFF::create(storage, nullptr, false);
}

uint32_t RstReadExifTIFFHeader::x_resolution() const { return dots(x_resolution_dpi()); }
uint32_t RstReadExifTIFFHeader::y_resolution() const { return dots(y_resolution_dpi()); }

RstColorType* rst_exif_detail::JPEGSide::rst_color_type() const {
  return frame_header().component_count == 3 ? RstColorType::default_ycbcr() : RstColorType::default_gray();
}

RstReadExifJPEGHeader::RstReadExifJPEGHeader(InputStorage* storage) : JPEGSide(storage) {
  NestingGuard nesting;
  const RstJPEGMarkerApplication* found = nullptr;
  for (const auto& record : applications().records) {
    const std::vector<uint8_t>& p = record->payload;
    if (p.size() >= 4 && p[0] == 'E' && p[1] == 'x' && p[2] == 'i' && p[3] == 'f') {
      found = record.get();
      break;
    }
  }
  // Without Exif this is not the flavour, whatever the JPEG parse said: the
  // other JPEG probes report a broken stream.
  if (!found || found->payload.size() < 7 || nesting.too_deep()) {
    set_status(-12);
    return;
  }
  if (parse_status() != 1) return;
  app_marker.application.length = found->length;
  std::vector<uint8_t> payload(found->payload.begin() + 6, found->payload.end());
  app_marker.payload.reset(rst_new<ByteArrayInputStorage>(payload));
  if (!app_marker.payload || app_marker.payload->is_closed()) {
    set_status(-1);
    return;
  }
  app_marker.exif_tiff_header.read_structure(app_marker.payload.get(), 0);
  if (*app_marker.exif_tiff_header.status() <= 0) set_status(-12);
}

RstRead* RstReadExifJPEGHeader::create_reader(InputStorage* storage) { return RstReadJPEG::create(storage, this); }

uint32_t RstReadExifJPEGHeader::exif_x_resolution() const { return app_marker.exif_tiff_header.x_resolution(); }
uint32_t RstReadExifJPEGHeader::exif_y_resolution() const { return app_marker.exif_tiff_header.y_resolution(); }

namespace {

// A probe's header by its status: kept when it reads (warnings reported),
// dropped otherwise, silently when the data are simply not of the format.
template <class Header>
Header* settled(Header* header, const char* where) {
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  int32_t status = *header->status();
  if (status == 1) return header;
  if (status >= 2) {
    rst_report(status, where);
    return header;
  }
  delete header;
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

}  // namespace

RstReadExifJPEGHeader* RstReadExifJPEG::private_header(InputStorage* storage) {
  const char* where = "RstReadExifJPEG::private_header()";
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  int32_t position = storage->tell();
  RstReadExifJPEGHeader* header = rst_new<RstReadExifJPEGHeader>(storage);
  storage->seek(position);
  return settled(header, where);
}

RstReadExifTIFFHeader* RstReadExifTIFF::private_header(InputStorage* input) {
  const char* where = "RstReadExifTIFF::private_header()";
  if (!usable(input)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  int32_t position = input->tell();
  RstReadExifTIFFHeader* header = rst_new<RstReadExifTIFFHeader>(input, 3);
  input->seek(position);
  return settled(header, where);
}

RstReadExifHeader* RstReadExif::private_header(InputStorage* storage) {
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, "RstReadExif::private_header");
    return nullptr;
  }
  int32_t position = storage->tell();
  if (RstReadExifJPEGHeader* jpeg = RstReadExifJPEG::private_header(storage)) return jpeg;
  storage->seek(position);
  RstReadExifTIFFHeader* tiff = RstReadExifTIFF::private_header(storage);
  storage->seek(position);
  return tiff;
}

RstRead* RstReadExif::create(InputStorage* storage, RstReadExifHeader* header) {
  const char* where = "RstReadExif::create()";
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (header) return header->create_reader(storage);
  RstReadExifHeader* found = private_header(storage);
  if (!found) {
    rst_report(RstCode::not_this_format, where);
    return nullptr;
  }
  struct Release {
    void operator()(RstReadExifHeader* h) const { rst_release(h); }
  };
  std::unique_ptr<RstReadExifHeader, Release> held(found);
  return create(storage, held.get());
}
