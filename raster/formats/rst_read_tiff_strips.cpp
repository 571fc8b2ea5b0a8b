// The node of one ordinary TIFF page and its decoder chain.
#include "raster/formats/rst_read_tiff_strips.h"

#include <limits>

#include "raster/codecs/rst_decode_ccitt.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/codecs/rst_read_jbig.h"
#include "raster/codecs/rst_read_lzw.h"
#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_drop_extra_samples.h"
#include "raster/formats/rst_swap_samples_16.h"
#include "raster/formats/rst_undiff_horizontal.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/formats/rst_read_jpeg.h"
#include "raster/formats/rst_upsample_chroma.h"

namespace {

constexpr uint64_t kMaxBytes = std::numeric_limits<int32_t>::max();
const char* const kStripOutside = "RstReadAndDecodeCodeTiles::next_link() - strip lies outside the file.";
const char* const kStripInvalid = "RstReadAndDecodeCodeTiles::next_link() -  header of tile or strip is invalid.";

bool known_compression(uint32_t c) {
  switch (c) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 9:
    case 10:
    case 32773: return true;
    default: return false;
  }
}

// The page's sizes and sample layout, checked before anything is sized from them.
bool page_readable(const RstTIFF6Header& h, const char* where) {
  if (!known_compression(h.compression.value())) {
    rst_report(RstCode::tiff_compression, where);
    return false;
  }
  if (h.image_width == 0 || h.image_length == 0 || h.image_width > kMaxBytes || h.image_length > kMaxBytes ||
      h.bytes_per_row() > kMaxBytes || h.run_line_bound() > kMaxBytes) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  uint32_t bits = h.bits_per_sample.empty() ? 0 : h.bits_per_sample[0];
  bool bits_ok = bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
  if (!bits_ok || h.samples_per_pixel == 0 || h.samples_per_pixel > 4 + h.extra_samples.size()) {
    rst_report(RstCode::unsupported_option, where);
    return false;
  }
  return true;
}

bool subsampled(const std::vector<uint16_t>& s) { return s.size() >= 2 && !(s[0] == 1 && s[1] == 1); }

}  // namespace

RstRead* RstReadTIFFOneIFD::create(InputStorage* input, RstReadTIFFHeader* header) {
  const char* where = "RstReadTIFFOneIFD::create()";
  if (!input || !header) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!page_readable(*header, where)) return nullptr;
  RstOwner<RstRead> node;
  bool raw = header->compression.value() == 1 &&
             (header->ycbcr_subsampling.size() != 2 || !subsampled(header->ycbcr_subsampling));
  if (raw) node.attach(RstReadTIFFRaw::create(input, header));
  else node.attach(RstReadAndDecodeTIFFCode::create(input, header));
  if (!node) return nullptr;
  RstHeader decoded(node.get());
  if (!header->is_little_endian() && decoded.data_form == RstDataForm::raw && decoded.bits_per_sample == 16) {
    // A big-endian file stores 16-bit samples most significant byte first;
    // the library's lines hold them in host order.
    RstRead* swapped = RstSwapSamples16::create(node.get());
    if (!swapped) return nullptr;
    node.release();
    node.attach(swapped);
  }
  if (header->predictor == 2) {
    // Rows left differenced would be wrong pixels under a header that says
    // otherwise: a page whose predictor cannot be undone is not delivered.
    RstRead* undone = RstUndiffHorizontal::create(node.get());
    if (!undone) return nullptr;
    node.release();
    node.attach(undone);
  }
  if (header->stores_extra_samples()) {
    // The picture without the extra samples (an alpha channel is not shown).
    RstRead* kept = RstDropExtraSamples::create(node.get(), int32_t(header->samples_needed()));
    if (!kept) return nullptr;
    node.release();
    node.attach(kept);
  }
  return node.release();
}

RstRead* RstReadTIFFRaw::create(InputStorage* input, RstReadTIFFHeader* header) {
  if (!input || !header || header->compression.value() != 1) {
    rst_report(RstCode::bad_argument, "RstReadTIFFRaw::create()");
    return nullptr;
  }
  RstCountedPtr<RstTileSpecArray> specs = header->tile_specs();
  if (!specs) return nullptr;  // reported by the header
  return RstReadRawTiles::create(input, *header->rst_header_ptr(), specs, header->fill_order == 2);
}

RstReadAndDecodeCodeTiles::RstReadAndDecodeCodeTiles(InputStorage* input, const RstHeader& header,
                                                     const RstCountedPtr<RstTileSpecArray>& specs,
                                                     const RstCountedPtr<RstCodingOption>& option, bool reverse_bits)
    : RstReadTilesAndAlignX(input, header, specs, reverse_bits), option_(option) {}

void RstReadAndDecodeCodeTiles::header(RstHeader& h) {
  h = header_;
  switch (h.data_form) {
    case RstDataForm::mh:
    case RstDataForm::mr:
    case RstDataForm::mmr: h.data_form = RstDataForm::rle; break;
    case RstDataForm::raw:
    case RstDataForm::jpeg:
    case RstDataForm::jbig:
    case RstDataForm::jbig_color:
    case RstDataForm::packbits:
    case RstDataForm::lzw_2: h.data_form = RstDataForm::raw; break;
    default:
      h.data_form = RstDataForm::raw;
      rst_report(RstCode::tiff_compression, "RstReadAndDecodeCodeTiles::header()");
      break;
  }
}

int RstReadAndDecodeCodeTiles::line_size() {
  if (line_size_ > 0) return line_size_;
  RstRead* link = current_link();
  int n = link ? link->line_size() : 0;
  if (n > 0) {
    line_size_ = n;
    return n;
  }
  // No strip could be decoded yet: the bound of the page's own lines, so
  // that whoever sizes a buffer from it is never short for a later strip.
  RstHeader h;
  header(h);
  if (h.data_form == RstDataForm::rle) return rst_rle_line_bound(h.width);
  return int(rst_raw_line_bytes(h));
}

RstRead* RstReadAndDecodeCodeTiles::next_link() {
  if (!next_tile_spec()) return nullptr;
  return decoder(tile_header());
}

RstRead* RstReadAndDecodeCodeTiles::decoder(const RstHeader& expected) {
  InputStorage* window = strip_window(kStripOutside);
  if (!window) return nullptr;
  int32_t line_bytes = int32_t(rst_raw_line_bytes(expected));
  RstOwner<RstRead> node;
  switch (expected.data_form) {
    case RstDataForm::raw: node.attach(RstReadRaw::create(window, expected, line_bytes, false, false)); break;
    case RstDataForm::lzw_2: node.attach(RstReadLZW23::create(window, expected, line_bytes, 8, 0, 1)); break;
    case RstDataForm::mh:
    case RstDataForm::mr:
    case RstDataForm::mmr:
    case RstDataForm::packbits: {
      // The decoder pulls the strip's code through a code reader over the window.
      RstOwner<RstRead> code(RstReadCode::create(window, expected, false));
      if (!code) return nullptr;
      RstRead* made = nullptr;
      switch (expected.data_form) {
        case RstDataForm::mh: made = RstDecodeMH::create(code.get(), dynamic_cast<RstMHOption*>(option_.get())); break;
        case RstDataForm::mr: made = RstDecodeMR::create(code.get(), dynamic_cast<RstMROption*>(option_.get())); break;
        case RstDataForm::mmr: made = RstDecodeMMR::create(code.get(), nullptr); break;
        default: made = RstUnPackBits::create(code.get()); break;
      }
      if (!made) return nullptr;
      code.release();  // held by the decoder
      node.attach(made);
      break;
    }
    case RstDataForm::jpeg: {
      // Strips of new-style pages may leave their tables to the page's
      // JPEGTables, which the option carries; an old-style page's one tile
      // is the interchange stream with its own tables.
      node.attach(RstReadJPEG::create(window, nullptr, dynamic_cast<RstJPEGOption*>(option_.get())));
      if (node && RstHeader(node.get()).height == 0) {
        RstRead* sized = RstReinterpret::create(node.get(), expected);
        if (!sized) return nullptr;
        node.release();
        node.attach(sized);
      }
      break;
    }
    // JBIG strips carry their own header; the private header is read here.
    case RstDataForm::jbig: node.attach(RstReadJBIGT85::create(window, nullptr)); break;
    case RstDataForm::jbig_color: node.attach(RstReadJBIGT43::create(window, nullptr)); break;
    default: rst_report(RstCode::tiff_compression, "RstReadAndDecodeCodeRects::next_link()"); return nullptr;
  }
  if (!node) return nullptr;
  // What the decoder delivers must be the strip the page announces.
  RstHeader got(node.get());
  if (got.width != expected.width || got.bits_per_sample != expected.bits_per_sample ||
      got.samples_per_pixel != expected.samples_per_pixel ||
      (got.height != expected.height && expected.data_form != RstDataForm::jbig &&
       expected.data_form != RstDataForm::jbig_color)) {
    rst_report(RstCode::unsupported_form, kStripInvalid);
    return nullptr;
  }
  if ((expected.data_form != RstDataForm::jbig && got.color_type != expected.color_type) ||
      got.sample_kind != expected.sample_kind)
    rst_report(RstCode::end_of_input, kStripInvalid);
  return node.release();
}

RstReadAndDecodeTIFFCode* RstReadAndDecodeTIFFCode::create(InputStorage* input, RstReadTIFFHeader* header) {
  if (!input || !header) {
    rst_report(RstCode::bad_argument, "RstReadAndDecodeTIFFCode::create()");
    return nullptr;
  }
  RstCountedPtr<RstTileSpecArray> specs = header->tile_specs();
  if (!specs) return nullptr;  // reported by the header
  RstOwner<RstReadAndDecodeTIFFCode> owner(
      rst_new<RstReadAndDecodeTIFFCode>(input, *header->rst_header_ptr(), specs, header->coding_option(),
                                        header->fill_order == 2, header->ycbcr_subsampling));
  return rst_create_end(owner);
}

RstReadAndDecodeTIFFCode::RstReadAndDecodeTIFFCode(InputStorage* input, const RstHeader& header,
                                                   const RstCountedPtr<RstTileSpecArray>& specs,
                                                   const RstCountedPtr<RstCodingOption>& option, bool reverse_bits,
                                                   const std::vector<uint16_t>& ycbcr_subsampling)
    : RstReadAndDecodeCodeTiles(input, header, specs, option, reverse_bits), ycbcr_subsampling_(ycbcr_subsampling) {}

RstRead* RstReadAndDecodeTIFFCode::next_link() {
  if (!next_tile_spec()) return nullptr;
  RstHeader expected = tile_header();
  bool chroma = expected.data_form == RstDataForm::raw && subsampled(ycbcr_subsampling_) && expected.color_type &&
                (expected.color_type->is_ycbcr() || expected.color_type->is_lab());
  if (!chroma) return decoder(expected);
  uint32_t sampling = 0;
  uint16_t h = ycbcr_subsampling_[0], v = ycbcr_subsampling_[1];
  if (h == 2 && v == 1) sampling = RstUpsampleChroma::sampling_422;
  else if (h == 2 && v == 2) sampling = RstUpsampleChroma::sampling_420;
  else if (h == 4 && v == 1) sampling = RstUpsampleChroma::sampling_411;
  else {
    rst_report(RstCode::unsupported_option, "RstReadAndDecodeTIFFCode::next_link()");
    return nullptr;
  }
  InputStorage* window = strip_window(kStripOutside);
  if (!window) return nullptr;
  RstOwner<RstRead> code(RstReadCode::create(window, expected, false));
  if (!code) return nullptr;
  RstRead* up = RstUpsampleChroma::create(code.get(), sampling);
  if (!up) return nullptr;
  code.release();  // held by the upsampler
  return up;
}
