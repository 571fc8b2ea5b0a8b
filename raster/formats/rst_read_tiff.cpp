// TIFF page entry: private headers under the format enables, and the page
// node with its conversions.
#include "raster/formats/rst_read_tiff.h"

#include <memory>
#include <vector>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_tiff_mrc.h"
#include "raster/formats/rst_read_tiff_strips.h"

namespace {

const char* const kHeaderWhere = "RstReadTIFF::private_header()";
const char* const kCreateWhere = "RstReadTIFF::create()";

bool enabled(int byte) {
  RstStatusContext* context = RstStatusContext::instance();
  return !context || context->format_enables.bytes[byte] != 0;
}

bool usable(InputStorage* input) { return input && !input->is_closed(); }

struct HeaderRelease {
  void operator()(RstReadTIFFHeader* h) const { rst_release(h); }
};
using HeaderHolder = std::unique_ptr<RstReadTIFFHeader, HeaderRelease>;

// A checked header, or none (the header released).
RstReadTIFFHeader* checked(HeaderHolder header) {
  if (!header) {
    rst_report(RstCode::no_memory, kHeaderWhere);
    return nullptr;
  }
  if (!RstReadTIFF::check_page(header.get(), kHeaderWhere)) return nullptr;
  return header.release();
}

// node = make(node) when make succeeds; a failing step keeps the node.
template <class F>
void wrap(RstOwner<RstRead>& node, F make) {
  RstRead* made = make(node.get());
  if (!made) return;
  node.release();
  node.attach(made);
}

}  // namespace

bool RstReadTIFF::check_page(RstReadTIFFHeader* header, const char* where) {
  if (!enabled(RstFormatEnables::tiff)) return false;
  if (header->is_profile_m()) {
    if (!enabled(RstFormatEnables::tiff_fx_mrc)) return false;
  } else if (header->is_profile_l()) {
    if (!enabled(RstFormatEnables::tiff_jbig_color)) return false;
  } else if (header->is_profile_j()) {
    if (!enabled(RstFormatEnables::tiff_jbig)) return false;
  }
  int32_t status = header->status;
  if (status == 1) return true;
  if (status >= 2) {
    rst_report(status, where);
    return true;
  }
  if (status == RstCode::not_this_format || status == -206) return false;
  rst_report(status, where);
  return false;
}

RstReadTIFFHeader* RstReadTIFF::private_header(InputStorage* input, int32_t level) {
  if (!usable(input)) {
    rst_report(RstCode::bad_argument, kHeaderWhere);
    return nullptr;
  }
  return checked(HeaderHolder(rst_new<RstReadTIFFHeader>(input, level)));
}

RstReadTIFFHeader* RstReadTIFF::private_header(InputStorage* input, uint32_t page, int32_t level) {
  if (page == 0) return private_header(input, level);
  if (!usable(input)) {
    rst_report(RstCode::bad_argument, kHeaderWhere);
    return nullptr;
  }
  return checked(HeaderHolder(rst_new<RstReadTIFFHeader>(input, page, true, level)));
}

RstRead* RstReadTIFF::create(InputStorage* input, RstReadTIFFHeader* header, bool keep_rle) {
  if (!enabled(RstFormatEnables::tiff)) return nullptr;
  if (!usable(input)) {
    rst_report(RstCode::bad_argument, kCreateWhere);
    return nullptr;
  }
  if (!header) {
    HeaderHolder own(private_header(input, 3));
    if (!own) {
      rst_report(RstCode::not_this_format, kCreateWhere);
      return nullptr;
    }
    return create(input, own.get(), false);
  }
  // A mixed raster content page is composed by its own reader, whole.
  if (header->is_mrc_mask()) {
    if (!enabled(RstFormatEnables::tiff_fx_mrc)) return nullptr;
    return RstReadTIFFMRC::create(input, header, 0);
  }
  RstOwner<RstRead> node(RstReadTIFFOneIFD::create(input, header));
  if (!node) return nullptr;
  RstFormatCreators& creators = rst_format_creators();
  RstHeader h(node.get());
  if (h.data_form == RstDataForm::rle && !keep_rle) {
    if (!creators.decode_rle) {
      rst_report(RstCode::unsupported_option, kCreateWhere);
      return nullptr;
    }
    wrap(node, creators.decode_rle);
    h = RstHeader(node.get());
  }
  if (h.bits_per_sample == 1 && (h.samples_per_pixel == 3 || h.samples_per_pixel == 4)) {
    if (!creators.convert_bits_1_to_8) {
      rst_report(RstCode::unsupported_option, kCreateWhere);
      return nullptr;
    }
    wrap(node, [&](RstRead* source) { return creators.convert_bits_1_to_8(source, 0, 255); });
    h = RstHeader(node.get());
  }
  // CIE L*a*b*: a* and b* are signed bytes, re-centred at 128; L* and extra
  // samples pass unchanged. A one-sample page (L* only) needs no step.
  if (header->photometric_interpretation == 8 && h.samples_per_pixel > 1) {
    if (h.bits_per_sample != 8 || h.samples_per_pixel > 255 || !creators.transform_color_lut) {
      rst_report(RstCode::unsupported_option, kCreateWhere);
      return nullptr;
    }
    std::vector<uint8_t> table(size_t(h.samples_per_pixel) * 256);
    for (size_t c = 0; c < size_t(h.samples_per_pixel); ++c)
      for (size_t i = 0; i < 256; ++i) table[c * 256 + i] = uint8_t(c == 1 || c == 2 ? i + 128 : i);
    RstRead* lab = creators.transform_color_lut(node.get(), table.data());
    // A page that cannot be re-centred is not delivered with signed a and b.
    if (!lab) return nullptr;
    node.release();
    node.attach(lab);
  }
  return node.release();
}

RstRead* RstReadTIFF::create(InputStorage* input, RstReadTIFFHeader* header) {
  if (!header) {
    rst_report(RstCode::bad_argument, kCreateWhere);
    return nullptr;
  }
  RstOwner<RstRead> node(RstReadTIFFOneIFD::create(input, header));
  if (!node) return nullptr;
  if (RstHeader(node.get()).data_form == RstDataForm::rle) {
    RstFormatCreators& creators = rst_format_creators();
    if (!creators.decode_rle) {
      rst_report(RstCode::unsupported_option, kCreateWhere);
      return nullptr;
    }
    wrap(node, creators.decode_rle);
  }
  return node.release();
}
