// The LZW reader node.
#include "raster/codecs/rst_read_lzw.h"

#include "raster/codecs/rst_lzw_decoder.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

RstHeader as_raw(const RstHeader& header) {
  RstHeader h(header);
  h.data_form = RstDataForm::raw;
  return h;
}

}  // namespace

RstReadLZW23::RstReadLZW23(InputStorage* storage, const RstHeader& header, int32_t line_bytes, int32_t code_size,
                           int32_t lsb_first, int32_t tiff_variant)
    : RstReadRasterTolvane(storage),
      header_lzw_(as_raw(header)),
      line_bytes_(line_bytes),
      code_size_(code_size),
      lsb_first_(lsb_first),
      tiff_variant_(tiff_variant) {}

RstReadLZW23* RstReadLZW23::create(InputStorage* storage, const RstHeader& header, int32_t line_bytes,
                                   int32_t code_size, int32_t lsb_first, int32_t tiff_variant) {
  const char* where = "RstReadLZW23::create()";
  int64_t raw_bytes = (int64_t{header.width} * header.bits_per_sample * header.samples_per_pixel + 7) / 8;
  if (!storage || storage->is_closed() || line_bytes < 1 || line_bytes < raw_bytes || code_size < 1 || code_size > 8 ||
      (lsb_first != 0 && lsb_first != 1)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (header.width < 1 || header.height < 1 || header.bits_per_sample < 1 || header.samples_per_pixel < 1 ||
      !header.color_type || (header.data_form != RstDataForm::lzw && header.data_form != RstDataForm::lzw_2)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstOwner<RstReadLZW23> owner(rst_new<RstReadLZW23>(storage, header, line_bytes, code_size, lsb_first, tiff_variant));
  return rst_create_end(owner);
}

bool RstReadLZW23::describe() {
  described_ = true;
  return true;
}

RstInstanceTolvane* RstReadLZW23::create_stage() {
  TolvaneImageInfo info = header_lzw_.image_info();
  return rst_lzw_create_decoder(stream(), 0, 0x7fffffff, &info, line_bytes_, code_size_,
                                tiff_variant_ ? RstLzwVariant::tiff : RstLzwVariant::gif, lsb_first_ == 1 ? 1 : 0);
}
