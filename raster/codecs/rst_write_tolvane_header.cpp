// Header records of the encoding stages.
#include "raster/codecs/rst_write_tolvane_header.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

int32_t rst_tolvane_compression_word(int32_t data_form, int32_t bits_per_sample) {
  switch (data_form) {
    case RstDataForm::raw: return 0;
    case RstDataForm::mh: return 0x8000;
    case RstDataForm::mr: return 0x10000;
    case RstDataForm::mmr: return 256;
    case RstDataForm::jpeg: return 32;
    case RstDataForm::jbig: return 0x20000;
    case RstDataForm::jbig_color: return 0x40000;
    case RstDataForm::byte_encode: return 1;
    case RstDataForm::packbits: return 16;
    case RstDataForm::lzw:
    case RstDataForm::lzw_2: return 2048;
    case RstDataForm::flate: return 8192;
    case RstDataForm::windows_rle: return bits_per_sample == 4 ? 512 : 1024;
    default: return -1;
  }
}

RstWriteTolvaneHeader::RstWriteTolvaneHeader(const RstHeader& header, uint32_t flags)
    : RstWriteTolvaneHeaderBase(header), flags_(flags) {
  init();
}

void RstWriteTolvaneHeader::init() {
  const char* where = "RstWriteTolvaneHeader::init()";
  if (!RstHeaderTolvane::colormap_fits(*this)) {
    rst_report(RstCode::unsupported_form, where);
    return;
  }
  auto* r = rst_new<TolvaneHeaderRecord>();
  if (!r) {
    rst_report(RstCode::no_memory, where);
    return;
  }
  r->info = tolvane_.image_info();
  if (r->info.colormap) {
    std::memcpy(r->planar, r->info.colormap, sizeof r->planar);
    r->info.colormap = r->planar;
  }
  r->flags = flags_;
  r->compression = rst_tolvane_compression_word(data_form, bits_per_sample);
  record_.reset(r);
}
