// Format detection over the probes of the formats built so far. Each format's
// probe takes its row of the two tables below.
#include "raster/formats/rst_read_raster.h"

#include "raster/core/rst_color_type.h"

#include <cstring>
#include <memory>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_cals_raster.h"
#include "raster/formats/rst_read_edmics_mmr.h"
#include "raster/formats/rst_read_edmics_rlc.h"
#include "raster/formats/rst_read_exif.h"
#include "raster/formats/rst_read_gif.h"
#include "raster/formats/rst_read_jpeg.h"
#include "raster/formats/rst_read_bmp.h"
#include "raster/formats/rst_read_pdf.h"
#include "raster/formats/rst_read_png.h"
#include "raster/formats/rst_read_sunras.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_tiff.h"

namespace {

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};
template <class T>
using PrivateHolder = std::unique_ptr<T, PrivateRelease>;

// Puts the storage back where the caller had it when the scope ends, also when
// a report throws on the way.
class PositionKeeper {
 public:
  explicit PositionKeeper(InputStorage* storage) : storage_(storage), position_(storage->tell()) {}
  ~PositionKeeper() {
    if (storage_) storage_->seek(position_);
  }
  PositionKeeper(const PositionKeeper&) = delete;
  PositionKeeper& operator=(const PositionKeeper&) = delete;
  int32_t position() const { return position_; }
  // Leaves the storage where it is now.
  void dismiss() { storage_ = nullptr; }

 private:
  InputStorage* storage_;
  int32_t position_;
};

// No format's signature fits in fewer than four bytes, so data that short is
// nobody's: no probe runs over it, and none reports the end it would meet
// inside its signature. A storage of unknown size is probed as usual.
constexpr int32_t kShortestImage = 4;
bool too_short(const InputStorage* storage, int32_t from) {
  int32_t size = storage->size();
  return size >= 0 && size - from < kShortestImage;
}

RstFormatEnables enables() {
  RstFormatEnables copy;
  std::memset(copy.bytes, 1, sizeof copy.bytes);
  if (RstStatusContext* context = RstStatusContext::instance()) copy = context->format_enables;
  return copy;
}

bool usable(InputStorage* storage) { return storage && !storage->is_closed(); }

// The TIFF image file header's first four bytes at the position.
bool tiff_signature(InputStorage* storage, int32_t position) {
  uint8_t b[4] = {};
  if (storage->seek(position) != position || storage->read(b, 4) != 4) return false;
  static const uint8_t little[4] = {'I', 'I', 42, 0}, big[4] = {'M', 'M', 0, 42};
  return std::memcmp(b, little, 4) == 0 || std::memcmp(b, big, 4) == 0;
}

int32_t to_dpi(int64_t dpi) { return dpi > INT32_MAX ? INT32_MAX : int32_t(dpi); }

// The info of a probe's private header; the info takes the header over.
template <class H>
RstImageInfo* make_info(InputStorage* storage, PositionKeeper& keeper, PrivateHolder<H>& holder,
                        const RstHeader& header, int32_t x_dpi, int32_t y_dpi, int32_t format) {
  RstImageInfo* info =
      rst_new<RstImageInfo>(storage, keeper.position(), header, x_dpi, y_dpi, RstImageFormat(format), holder.get());
  if (!info) {
    rst_report(RstCode::no_memory, "RstImageInfo::create()");
    return nullptr;
  }
  holder.release();
  keeper.dismiss();
  return info;
}

// The image information of a JPEG probe's header (none: none), the
// resolution taken from the header or 0. The info owns the header.
RstImageInfo* jpeg_info(InputStorage* storage, RstReadJPEGHeader* found, int32_t format, bool resolution,
                        PositionKeeper& keeper) {
  PrivateHolder<RstReadJPEGHeader> header(found);
  if (!header) return nullptr;
  RstHeader copy = *header->rst_header();
  int32_t x = resolution ? to_dpi(header->x_resolution()) : 0;
  int32_t y = resolution ? to_dpi(header->y_resolution()) : 0;
  return make_info(storage, keeper, header, copy, x, y, format);
}

}  // namespace

RstImageInfo* RstImageInfo::create(InputStorage* storage, uint32_t page) {
  const char* where = "RstImageInfo::create()";
  if (!usable(storage) || page == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  PositionKeeper keeper(storage);
  if (too_short(storage, 0)) return nullptr;
  RstFormatEnables on = enables();

  // 1. TIFF.
  if (on.bytes[RstFormatEnables::tiff]) {
    storage->rewind();
    PrivateHolder<RstReadTIFFHeader> tiff(RstReadTIFF::private_header(storage, page, 3));
    if (tiff) {
      RstHeader header;
      tiff->rst_header(header);
      if (tiff->is_mrc_mask()) {
        // A mixed raster content page is read composed, at the mask's size.
        header.bits_per_sample = 8;
        header.samples_per_pixel = 3;
        header.color_type = RstColorType::itu_lab();
        header.colormap.reset();
      }
      RstImageInfo* info =
          rst_new<RstImageInfo>(storage, keeper.position(), header, to_dpi(tiff->x_resolution_dpi()),
                                to_dpi(tiff->y_resolution_dpi()), RstImageFormat(RstImageFormat::tiff), tiff.get());
      if (!info) {
        rst_report(RstCode::no_memory, where);
        return nullptr;
      }
      tiff.release();    // the info owns it now
      keeper.dismiss();  // the info has put the storage back
      return info;
    }
  }
  // 2. PDF, the document's page count known at once.
  if (on.bytes[RstFormatEnables::pdf]) {
    storage->rewind();
    PrivateHolder<RstReadPDFHeader> pdf(RstReadPDF::private_header(storage, page));
    if (pdf) {
      RstHeader header(pdf->header);
      int32_t pages = pdf->info ? pdf->info->page_count : 0;
      RstImageInfo* info =
          make_info(storage, keeper, pdf, header, pdf->x_resolution, pdf->y_resolution, RstImageFormat::pdf);
      if (info) info->cached_page_count = pages;
      return info;
    }
  }
  // Only TIFF and PDF files have more than one page.
  if (page > 1) return nullptr;
  // 3. JFIF, with the resolution of its APP0 segment.
  if (on.bytes[RstFormatEnables::jpeg]) {
    storage->rewind();
    if (RstImageInfo* info =
            jpeg_info(storage, RstReadJFIF::private_header(storage), RstImageFormat::jfif, true, keeper))
      return info;
  }
  // 4. BMP, with the info header's pixels per metre in dots per inch.
  if (on.bytes[RstFormatEnables::bmp]) {
    storage->rewind();
    PrivateHolder<RstBMPHeader> bmp(RstReadBMP::private_header(storage));
    if (bmp) {
      RstHeader header(*bmp->rst_header());
      auto dpi = [](int32_t per_metre) { return per_metre > 0 ? to_dpi(int64_t(per_metre * 0.0254 + 0.5)) : 0; };
      return make_info(storage, keeper, bmp, header, dpi(bmp->x_pels_per_meter), dpi(bmp->y_pels_per_meter),
                       RstImageFormat::windows_bitmap);
    }
  }
  // 5. Exif, in a JPEG stream or a TIFF structure, with the resolution of its
  // primary IFD.
  if (on.bytes[RstFormatEnables::exif]) {
    storage->rewind();
    PrivateHolder<RstReadExifHeader> exif(RstReadExif::private_header(storage));
    if (exif) {
      RstHeader copy = *exif->rst_header();
      return make_info(storage, keeper, exif, copy, to_dpi(exif->x_resolution()), to_dpi(exif->y_resolution()),
                       RstImageFormat::exif);
    }
  }
  // 6. JPEG fax, with the G3FAX resolution on both axes.
  if (on.bytes[RstFormatEnables::jpeg]) {
    storage->rewind();
    if (RstImageInfo* info =
            jpeg_info(storage, RstReadJPEGFax::private_header(storage), RstImageFormat::jpeg_fax, true, keeper))
      return info;
  }
  // 7. PNG.
  if (on.bytes[RstFormatEnables::png]) {
    storage->rewind();
    PrivateHolder<RstReadPNGHeader> png(RstReadPNG::private_header(storage));
    if (png) {
      RstHeader header;
      png->rst_header(header);
      return make_info(storage, keeper, png, header, png->x_resolution(), png->y_resolution(), RstImageFormat::png);
    }
  }
  // 8. Sun raster: the header of a short-lived reader (it knows the colour
  // map), byte-encoded data shown as such.
  if (on.bytes[RstFormatEnables::sun_raster]) {
    storage->rewind();
    PrivateHolder<RstSunrasHeader> sun(RstReadSunras::private_header(storage));
    if (sun) {
      RstOwner<RstRead> reader(RstReadSunras::create(storage, sun.get()));
      if (!reader) {
        rst_report(RstCode::no_memory, where);
        return nullptr;
      }
      RstHeader header(reader.get());
      reader.reset();
      if (sun->raster_type == 2) header.data_form = RstDataForm::byte_encode;
      return make_info(storage, keeper, sun, header, 0, 0, RstImageFormat::sun_raster);
    }
  }
  // 9. EDMICS MMR, with the image block's resolution on both axes.
  if (on.bytes[RstFormatEnables::edmics_mmr]) {
    storage->rewind();
    PrivateHolder<RstReadEdmicsMMRHeader> mmr(RstReadEdmicsMMR::private_header(storage));
    if (mmr) {
      RstHeader header;
      mmr->rst_header(header);
      int32_t dpi = mmr->resolution();
      return make_info(storage, keeper, mmr, header, dpi, dpi, RstImageFormat::edmics_mmr);
    }
  }
  // 10. EDMICS RLC, with its 16-bit resolution on both axes.
  if (on.bytes[RstFormatEnables::edmics_rlc]) {
    storage->rewind();
    PrivateHolder<RstReadEdmicsRLCHeader> rlc(RstReadEdmicsRLC::private_header(storage));
    if (rlc) {
      RstHeader header;
      rlc->rst_header(header);
      int32_t dpi = int32_t(rlc->resolution & 0xFFFF);
      return make_info(storage, keeper, rlc, header, dpi, dpi, RstImageFormat::edmics_rlc);
    }
  }
  // 11. CALS, with its density on both axes (a negative one is none).
  if (on.bytes[RstFormatEnables::cals]) {
    storage->rewind();
    PrivateHolder<RstReadCALSRasterHeader> cals(RstReadCALSRaster::private_header(storage));
    if (cals) {
      RstHeader header;
      cals->rst_header(header);
      int32_t dpi = cals->density > 0 ? cals->density : 0;
      return make_info(storage, keeper, cals, header, dpi, dpi, RstImageFormat::cals_raster_type1);
    }
  }
  // 12. GIF.
  if (on.bytes[RstFormatEnables::gif]) {
    storage->rewind();
    PrivateHolder<RstReadGIFHeader> gif(RstReadGIF::private_header(storage));
    if (gif) {
      RstHeader header(gif->header);
      return make_info(storage, keeper, gif, header, 0, 0, RstImageFormat::gif);
    }
  }
  // 13. Any other JPEG stream, without a resolution.
  if (on.bytes[RstFormatEnables::jpeg]) {
    storage->rewind();
    if (RstImageInfo* info =
            jpeg_info(storage, RstReadJPEG::private_header(storage), RstImageFormat::jfif, false, keeper))
      return info;
  }
  return nullptr;
}

uint32_t RstImageInfo::page_count() {
  if (cached_page_count != 0) return uint32_t(cached_page_count);
  if (!usable(storage)) return 1;
  uint32_t count = 1;
  {
    PositionKeeper keeper(storage);
    storage->rewind();
    RstFormatEnables on = enables();
    if (on.bytes[RstFormatEnables::tiff]) {
      PrivateHolder<RstReadTIFFHeader> tiff(RstReadTIFF::private_header(storage, 3));
      if (tiff)
        for (RstReadTIFFHeaderBase* next = tiff->next_page; next; next = next->next_page) ++count;
    }
    // A PDF document's own count replaces it.
    if (enables().bytes[RstFormatEnables::pdf]) {
      storage->rewind();
      PrivateHolder<RstReadPDFHeader> pdf(RstReadPDF::private_header(storage, 1));
      if (pdf && pdf->info) count = uint32_t(pdf->info->page_count);
    }
  }
  cached_page_count = int32_t(count);
  return count;
}

RstRead* RstReadRaster::create(InputStorage* storage, uint32_t page) {
  const char* where = "RstReadRaster::create()";
  if (!usable(storage) || page == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  PositionKeeper keeper(storage);
  if (too_short(storage, keeper.position())) {
    rst_report(RstCode::not_this_format, where);
    return nullptr;
  }

  // 1. TIFF: the first probe that recognises the file decides.
  storage->seek(keeper.position());
  PrivateHolder<RstReadTIFFHeader> tiff(RstReadTIFF::private_header(storage, page, 3));
  if (tiff) {
    RstOwner<RstRead> reader(RstReadTIFF::create(storage, tiff.get(), false));
    // Decode values: the samples are re-encoded to the default Lab range.
    // A page that cannot be is not delivered under the wrong ranges, and the
    // reader is ended even when a report throws.
    if (reader && !tiff->decode.empty()) {
      RstRead* (*convert)(RstRead*, const uint32_t*, const int32_t*, int32_t) = rst_format_creators().convert_lab_range;
      if (!convert) {
        rst_report(RstCode::unsupported_option, where);
        return nullptr;
      }
      RstTIFFFXHeader::DecodeRange range = tiff->decode_range();
      RstRead* converted = convert(reader.get(), range.range, range.offset, range.bits);
      if (!converted) return nullptr;
      if (converted != reader.get()) {
        reader.release();
        reader.attach(converted);
      }
    }
    if (reader) keeper.dismiss();
    return reader.release();
  }
  // A TIFF file while TIFF reading is switched off: recognised, and refused
  // without a report, as the TIFF reader refuses it.
  if (!enables().bytes[RstFormatEnables::tiff] && tiff_signature(storage, keeper.position())) return nullptr;
  // 2. JPEG: JFIF, JPEG fax or a bare stream.
  storage->seek(keeper.position());
  PrivateHolder<RstReadJPEGHeader> jpeg(RstReadJPEG::private_header(storage));
  if (jpeg) {
    RstRead* reader = RstReadJPEG::create(storage, jpeg.get(), nullptr);
    if (reader) keeper.dismiss();
    return reader;
  }
  // 3. BMP, rows delivered top to bottom.
  storage->seek(keeper.position());
  PrivateHolder<RstBMPHeader> bmp(RstReadBMP::private_header(storage));
  if (bmp) {
    RstRead* reader = RstReadBMP::create(storage, bmp.get(), 1);
    if (reader) keeper.dismiss();
    return reader;
  }
  // 4. Exif: a TIFF-structured Exif stream the TIFF probe did not take.
  if (enables().bytes[RstFormatEnables::exif]) {
    storage->seek(keeper.position());
    PrivateHolder<RstReadExifHeader> exif(RstReadExif::private_header(storage));
    if (exif) {
      RstRead* reader = RstReadExif::create(storage, exif.get());
      if (reader) keeper.dismiss();
      return reader;
    }
  }
  // 5. PDF, by the storage's file name.
  storage->seek(keeper.position());
  PrivateHolder<RstReadPDFHeader> pdf(RstReadPDF::private_header(storage, page));
  if (pdf) {
    RstRead* reader = RstReadPDF::create(storage, pdf.get());
    if (reader) keeper.dismiss();
    return reader;
  }
  // 6. PNG.
  storage->seek(keeper.position());
  PrivateHolder<RstReadPNGHeader> png(RstReadPNG::private_header(storage));
  if (png) {
    RstRead* reader = RstReadPNG::create(storage, png.get());
    if (reader) keeper.dismiss();
    return reader;
  }
  // 7. Sun raster.
  storage->seek(keeper.position());
  PrivateHolder<RstSunrasHeader> sun(RstReadSunras::private_header(storage));
  if (sun) {
    RstRead* reader = RstReadSunras::create(storage, sun.get());
    if (reader) keeper.dismiss();
    return reader;
  }
  // 8. CALS, the bit order taken from its notes.
  storage->seek(keeper.position());
  PrivateHolder<RstReadCALSRasterHeader> cals(RstReadCALSRaster::private_header(storage));
  if (cals) {
    RstRead* reader = RstReadCALSRaster::create(storage, cals.get(), 3);
    if (reader) keeper.dismiss();
    return reader;
  }
  // 9. EDMICS MMR.
  storage->seek(keeper.position());
  PrivateHolder<RstReadEdmicsMMRHeader> mmr(RstReadEdmicsMMR::private_header(storage));
  if (mmr) {
    RstRead* reader = RstReadEdmicsMMR::create(storage, mmr.get());
    if (reader) keeper.dismiss();
    return reader;
  }
  // 10. EDMICS RLC.
  storage->seek(keeper.position());
  PrivateHolder<RstReadEdmicsRLCHeader> rlc(RstReadEdmicsRLC::private_header(storage));
  if (rlc) {
    RstRead* reader = RstReadEdmicsRLC::create(storage, rlc.get());
    if (reader) keeper.dismiss();
    return reader;
  }
  // 11. GIF.
  storage->seek(keeper.position());
  PrivateHolder<RstReadGIFHeader> gif(RstReadGIF::private_header(storage));
  if (gif) {
    RstRead* reader = RstReadGIF::create(storage, gif.get());
    if (reader) keeper.dismiss();
    return reader;
  }
  rst_report(RstCode::not_this_format, where);
  return nullptr;
}
