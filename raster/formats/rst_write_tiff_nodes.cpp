// The TIFF writer nodes and their creates.
#include "raster/formats/rst_write_tiff_nodes.h"

#include <cmath>
#include <memory>

#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/codecs/rst_push_write_jbig.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/codecs/rst_write_jpeg.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/core/rst_write_code.h"
#include "raster/core/rst_write_raw.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_swap_samples_16.h"
#include "raster/formats/rst_write_jbig.h"
#include "raster/formats/rst_write_tiff_file_structure.h"

RstWriteTIFFBridge::RstWriteTIFFBridge(RstNestedProcess* window, RstWriteTIFFMultiPageManager* m,
                                       const RstWriteTIFFOption& page)
    : RstWriteTiles(window, m->storage, page.strip_specs) {
  RstWriteTIFFBase::header = page;
  RstWriteTIFFBase::header.byte_order = m->byte_order;
  manager = m;
  RstWriteTIFFBase::output = m->storage;
  coding_option = page.coding_option;
}

RstWriteTIFFBridge::~RstWriteTIFFBridge() {
  if (manager) manager->count_page();
}

bool RstWriteTIFFBridge::initiate() {
  // A single-page file is no page of a multi-page document.
  if (!RstWriteTIFFBase::header.is_mrc_mask())
    RstWriteTIFFBase::header.new_subfile_type &= manager->expected_pages == 1 ? 0xFFFFFFFDu : 2u;
  return write_header() > 0;
}

uint32_t RstWriteTIFFBridge::write_header() {
  int32_t start = RstWriteTIFFBase::output->tell();
  if (manager->pages_written == 0 && manager->writes_header) {
    if (RstWriteTIFFImageFileHeader(manager->byte_order).write(RstWriteTIFFBase::output) != 8) {
      rst_report(RstCode::io_failure, "RstWriteTIFF::write_header() - can't write IFH");
      return 0;
    }
  }
  manager->page_start();
  if (RstWriteTIFFBase::header.write(RstWriteTIFFBase::output) == 0) return 0;
  manager->set_link(RstWriteTIFFBase::header.next_ifd_offset(), RstWriteTIFFBase::header.next_ifd_slot_position());
  return uint32_t(RstWriteTIFFBase::output->tell() - start);
}

bool RstWriteTIFFBridge::begin_strip() {
  if (RstWriteTIFFBase::header.record_strip_offset(RstWriteTIFFBase::output)) return true;
  fail(RstCode::io_failure);
  return false;
}

bool RstWriteTIFFBridge::end_strip() {
  if (first_strip) {
    first_strip = 0;
    return true;
  }
  if (RstWriteTIFFBase::header.record_strip_byte_count(RstWriteTIFFBase::output)) return true;
  fail(RstCode::io_failure);
  return false;
}

bool RstWriteTIFFBridge::next_tile() {
  end_tile();
  if (!end_strip()) return false;
  if (!specs || next_index >= specs->size()) return false;
  if (!begin_strip()) return false;
  return RstWriteTiles::next_tile();
}

namespace {

// The checks every create makes first; false after reporting -2.
bool usable(RstRead* source, RstWriteTIFFMultiPageManager* manager, const char* where) {
  if (!source || !manager || !manager->storage || manager->storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  return true;
}

// The node over a window for the page option; none when something failed
// (reported). The window is let go again on failure; the source stays the
// caller's through the guard.
template <class Node>
Node* build(RstRead* source, RstWriteTIFFMultiPageManager* manager, std::unique_ptr<RstWriteTIFFOption> page,
            RstCreateGuard& guard) {
  if (!page) return nullptr;
  RstCountedPtr<RstTileSpecArray>& specs = page->tile_specs();
  if (!specs || specs->size() == 0) return nullptr;
  RstNestedProcess* window = RstWriteTiles::make_window(source, *specs);
  if (!window) return nullptr;
  Node* node = rst_new<Node>(window, manager, *page);
  if (!node) {
    window->end();
    rst_report(RstCode::no_memory, "rst_create_end()");
    return nullptr;
  }
  return rst_create_end(node, guard);
}

bool zero_height(RstRead* source, const char* where) {
  RstHeader h(source);
  if (h.height > 0) return false;
  rst_report(RstCode::unsupported_form, where);
  return true;
}

}  // namespace

RstWriteTIFFCode* RstWriteTIFFCode::create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                           const RstWriteTIFFOption* option) {
  static const char* const where = "RstWriteTIFFCode::create()";
  RstCreateGuard guard(source);
  if (!usable(source, manager, where)) return nullptr;
  if (!option) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (zero_height(source, where)) return nullptr;
  RstHeader h(source);
  std::unique_ptr<RstWriteTIFFOption> page(RstWriteTIFFOption::for_source(h, option, RstWriteTIFFOption::Data::copied));
  return build<RstWriteTIFFCode>(source, manager, std::move(page), guard);
}

RstWrite* RstWriteTIFFCode::create_encoder(RstRead* window, OutputStorage* out) {
  return RstWriteCode::create(window, out, false);
}

RstWriteTIFFRaw* RstWriteTIFFRaw::create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                         const RstWriteTIFFOption* option) {
  static const char* const where = "RstWriteTIFFRaw::create()";
  RstCreateGuard guard(source);
  if (!usable(source, manager, where)) return nullptr;
  if (option && option->compression.value() != 1) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form != RstDataForm::raw || dynamic_cast<RstCodeSource*>(source)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (zero_height(source, where)) return nullptr;
  std::unique_ptr<RstWriteTIFFOption> page(
      RstWriteTIFFOption::for_source(h, option, RstWriteTIFFOption::Data::new_coded));
  return build<RstWriteTIFFRaw>(source, manager, std::move(page), guard);
}

void RstWriteTIFFRaw::header(RstHeader& h) { static_cast<RstTIFF6Header&>(RstWriteTIFFBase::header).rst_header(h); }

RstWrite* RstWriteTIFFRaw::create_encoder(RstRead* window, OutputStorage* out) {
  RstHeader h(window);
  int64_t stride = (int64_t{h.samples_per_pixel} * h.width * h.bits_per_sample + 7) / 8;
  bool reverse = RstWriteTIFFBase::header.fill_order == 2;
  if (h.bits_per_sample != 16 || RstWriteTIFFBase::header.is_little_endian())
    return RstWriteRaw::create(window, out, int32_t(stride), false, reverse);
  // 16-bit samples go most significant byte first into a big-endian file.
  RstRead* swapped = RstSwapSamples16::create(window);
  if (!swapped) return nullptr;
  RstWrite* writer = RstWriteRaw::create(swapped, out, int32_t(stride), false, reverse);
  if (!writer) swapped->end();
  return writer;
}

namespace {

// T.43 codes 8-bit gray as L*: reverse gray is turned into gray, gray into
// L*. input becomes the last node made; false when one cannot be made
// (reported by its create, or here when no creator is registered).
bool jbig_color_input(RstRead* source, RstRead*& input, const char* where) {
  RstHeader h(input);
  if (!h.color_type || h.colormap) return true;
  if (h.color_type->is_gray_reverse()) {
    RstRead* (*reverse)(RstRead*) = rst_format_creators().reverse_gray;
    if (!reverse) {
      rst_report(RstCode::unsupported_option, where);
      return false;
    }
    input = reverse(input);
    if (!input) return false;
    h = RstHeader(input);
  }
  if (!h.color_type || !h.color_type->is_gray() || h.color_type->is_lstar()) return true;
  RstRead* (*transform)(RstRead*, RstColorType*) = rst_format_creators().transform_color_to;
  RstRead* converted = transform ? transform(input, RstColorType::default_lstar()) : nullptr;
  if (!transform) rst_report(RstCode::unsupported_option, where);
  if (!converted) {
    if (input != source) input->end();
    return false;
  }
  input = converted;
  return true;
}

}  // namespace

bool RstEncodeAndWriteTIFF::has_encoder(uint32_t compression) {
  return compression == 2 || compression == 3 || compression == 4 || compression == 6 || compression == 7 ||
         compression == 9 || compression == 10 || compression == 32773;
}

namespace {

// The chroma sampling of a JPEG page: the coding option's, else 4:2:0. Only
// YCbCr and Lab pages sub-sample: other three-channel data would have two of
// its colour channels halved, which no TIFF reader undoes.
uint32_t jpeg_page_sampling(const RstCodingOption* option, const RstColorType* type) {
  if (!type || (!type->is_ycbcr() && !type->is_lab())) return RstJPEGSampling::s444;
  if (const auto* jpeg = dynamic_cast<const RstEncodeJPEGOption*>(option)) return jpeg->sampling;
  return RstJPEGSampling::s420;
}

// Dots per inch of a resolution field (200 without unit).
int32_t page_dpi(const RstWriteTIFFHeader& hd, const RstRational& resolution) {
  if (hd.resolution_unit == 2) return int32_t(std::lround(resolution.to_double()));
  if (hd.resolution_unit == 3) return int32_t(std::lround(resolution.to_double() * 2.54));
  return 200;
}

}  // namespace

RstEncodeAndWriteTIFF* RstEncodeAndWriteTIFF::create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                                     const RstWriteTIFFOption* option) {
  static const char* const where = "RstEncodeAndWriteTIFF::create()";
  RstCreateGuard guard(source);
  if (!usable(source, manager, where)) return nullptr;
  if (!option || option->compression.value() == 1) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  RstWriteTIFFHeader check;
  check = *option;
  if ((h.data_form != RstDataForm::raw && h.data_form != RstDataForm::rle) || !check.can_write(h)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (zero_height(source, where)) return nullptr;
  // A Compression without encoder is refused before anything is written.
  uint32_t c = option->compression.value();
  if (!has_encoder(c)) {
    rst_report(RstCode::unsupported_option, "RstEncodeAndWriteTIFF::create_encoder()");
    return nullptr;
  }
  // The CCITT encoders take reverse gray (0 white).
  RstRead* input = source;
  if (h.color_type && h.color_type->is_gray() && (c == 2 || c == 3 || c == 4)) {
    RstRead* (*reverse)(RstRead*) = rst_format_creators().reverse_gray;
    if (!reverse) {
      rst_report(RstCode::unsupported_option, where);
      return nullptr;
    }
    input = reverse(source);
    if (!input) return nullptr;
  }
  if (c == 10 && !jbig_color_input(source, input, where)) return nullptr;
  RstHeader ih(input);
  if (c == 10 && !RstPushWriteT43::accepts(ih)) {
    // A form T.43 has no coding for would end the page at its first strip.
    rst_report(RstCode::unsupported_form, where);
    if (input != source) input->end();
    return nullptr;
  }
  std::unique_ptr<RstWriteTIFFOption> page(
      RstWriteTIFFOption::for_source(ih, option, RstWriteTIFFOption::Data::new_coded));
  if (page && (c == 6 || c == 7) && page->ycbcr_subsampling.size() == 2) {
    // YCbCrSubSampling says how the JPEG data is sampled.
    if (const RstJPEGSampling::Entry* e =
            RstJPEGSampling::find(jpeg_page_sampling(page->coding_option.get(), ih.color_type))) {
      page->ycbcr_subsampling[0] = uint16_t(e->horizontal);
      page->ycbcr_subsampling[1] = uint16_t(e->vertical);
    }
  }
  RstEncodeAndWriteTIFF* node = build<RstEncodeAndWriteTIFF>(input, manager, std::move(page), guard);
  if (!node && input != source) input->end();
  return node;
}

void RstEncodeAndWriteTIFF::header(RstHeader& h) {
  static_cast<RstTIFF6Header&>(RstWriteTIFFBase::header).rst_header(h);
}

bool rst_tiff_bilevel_strip_compression(uint32_t compression) {
  return compression == 3 || compression == 4 || compression == 9;
}

RstWrite* rst_tiff_bilevel_strip_writer(const RstWriteTIFFHeader& hd, const RstCodingOption* coding, RstRead* window,
                                        OutputStorage* out) {
  bool reverse = hd.fill_order == 2;
  // K by the vertical resolution in dots per inch (200 without unit).
  double dpi = 200;
  if (hd.resolution_unit == 2) dpi = std::round(hd.y_resolution.to_double());
  if (hd.resolution_unit == 3) dpi = std::round(hd.y_resolution.to_double() * 2.54);
  uint8_t fill = (hd.t4_options >> 2) & 1;
  RstRead* encoder = nullptr;
  switch (hd.compression.value()) {
    case 3:
      if (hd.t4_options & 1) {
        RstMROption o(1, 0, 0, fill, dpi <= 100 ? 2 : 4);
        encoder = RstEncodeMR::create(window, &o);
      } else {
        RstMHOption o(1, 0, 1, 0, fill);
        encoder = RstEncodeMH::create(window, &o);
      }
      break;
    case 4: {
      RstMMROption o(1, 0);
      encoder = RstEncodeMMR::create(window, &o);
      break;
    }
    case 9: {
      // The JBIG writers write the strip themselves, bit-reversed for FillOrder 2.
      RstEncodeJBIGT85Option fallback(128, 0, 0);
      auto* o = dynamic_cast<const RstEncodeJBIGT85Option*>(coding);
      return RstWriteJBIGT85::create(window, out, o ? o : &fallback, reverse);
    }
    default: return nullptr;
  }
  if (!encoder) return nullptr;
  RstWrite* writer = RstWriteCode::create(encoder, out, reverse);
  if (!writer) encoder->end();
  return writer;
}

RstWrite* RstEncodeAndWriteTIFF::create_encoder(RstRead* window, OutputStorage* out) {
  const RstWriteTIFFHeader& hd = RstWriteTIFFBase::header;
  bool reverse = hd.fill_order == 2;
  RstRead* encoder = nullptr;
  switch (hd.compression.value()) {
    case 2: {
      RstMHOption o(0, 0, 0, 0, 1);
      encoder = RstEncodeMH::create(window, &o);
      break;
    }
    case 3:
    case 4:
    case 9: return rst_tiff_bilevel_strip_writer(hd, coding_option.get(), window, out);
    case 10: {
      RstEncodeJBIGT43Option fallback(128, 0, 200, 0);
      auto* o = dynamic_cast<RstEncodeJBIGT43Option*>(coding_option.get());
      return RstWriteJBIGT43::create(window, out, o ? o : &fallback, reverse);
    }
    case 6:
    case 7: {
      RstWriteJPEGOption o(page_dpi(hd, hd.x_resolution), page_dpi(hd, hd.y_resolution), 75, RstJPEGSampling::s420);
      if (const auto* jpeg = dynamic_cast<const RstEncodeJPEGOption*>(coding_option.get())) o.quality = jpeg->quality;
      RstHeader wh(window);
      o.sampling = jpeg_page_sampling(coding_option.get(), wh.color_type);
      return RstWriteJPEG::create(window, out, &o, reverse);
    }
    case 32773: encoder = RstPackBits::create(window); break;
    default: rst_report(RstCode::unsupported_option, "RstEncodeAndWriteTIFF::create_encoder()"); return nullptr;
  }
  if (!encoder) return nullptr;
  RstWrite* writer = RstWriteCode::create(encoder, out, reverse);
  if (!writer) encoder->end();
  return writer;
}
