// The EDMICS RLC reader: the header in its two forms, the probe and the node
// chain.
#include "raster/formats/rst_read_edmics_rlc.h"

#include <memory>

#include "raster/codecs/rst_decode_rlc_to_rle.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/data_input.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_probe_checks.h"

namespace {

// Big-endian numbers from the storage; each read says whether it was whole.
class BigEndianReader {
 public:
  explicit BigEndianReader(InputStorage* storage) : data_(storage, 0) {}
  bool u16(uint16_t& v) { return data_.read_value(&v, 2); }
  bool u32(uint32_t& v) { return data_.read_value(&v, 4); }
  // Passes over n bytes; false, without moving, when fewer are left. The
  // count is 64-bit so that a table of 2^32 entries cannot wrap.
  bool skip(int64_t n) {
    int64_t left = int64_t(data_.size()) - data_.tell();
    if (n > left) return false;
    return data_.move(int32_t(n)) == n;
  }

 private:
  DataInput<> data_;
};

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

}  // namespace

RstReadEdmicsRLCHeader::RstReadEdmicsRLCHeader(InputStorage* storage) { read(storage); }

void RstReadEdmicsRLCHeader::read(InputStorage* storage) {
  if (!rst_is_valid_storage(storage)) {
    status = RstCode::not_this_format;
    return;
  }
  BigEndianReader in(storage);
  uint32_t magic = 0;
  if (!in.u32(magic) || (magic != kMagicSane && magic != kMagicRLC)) {
    status = RstCode::not_this_format;
    return;
  }
  bool whole;
  if (magic == kMagicSane) {
    uint16_t dpi = 0;
    whole = in.u16(lines) && in.u16(pels) && in.skip(262) && in.u16(dpi) && in.skip(252);
    resolution = dpi;
  } else {
    uint32_t word = 0;
    whole = in.u32(header_word2) && in.u16(lines) && in.u16(pels) && in.u32(word);
    // Only the low half of the resolution word counts.
    resolution = word & 0xFFFF;
    whole = whole && in.u32(entry_count) && in.skip(int64_t{8} * entry_count) && in.u32(header_word1);
  }
  if (!whole) status = RstCode::io_failure;
  else if (lines < 1 || pels < 1) status = RstCode::bad_tile_strip;
}

void RstReadEdmicsRLCHeader::rst_header(RstHeader& out) const {
  out.width = pels;
  out.height = lines;
  out.bits_per_sample = 1;
  out.samples_per_pixel = 1;
  out.sample_kind = RstSampleKind::unsigned_int;
  out.data_form = RstDataForm::rlc;
  out.colormap = RstCountedPtr<RstColormap>();
  out.color_type = RstColorType::default_gray_reverse();
}

RstReadEdmicsRLCHeader* RstReadEdmicsRLC::private_header(InputStorage* storage) {
  const char* where = "RstReadEdmicsRLC";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstReadEdmicsRLCHeader* header = rst_new<RstReadEdmicsRLCHeader>(storage);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return rst_probe_result(header, header->status, where);
}

RstRead* RstReadEdmicsRLC::create(InputStorage* storage, RstReadEdmicsRLCHeader* header) {
  const char* where = "RstReadEdmicsRLC::create()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!header) {
    std::unique_ptr<RstReadEdmicsRLCHeader, PrivateRelease> own(private_header(storage));
    if (!own) {
      rst_report(RstCode::not_this_format, where);
      return nullptr;
    }
    return create(storage, own.get());
  }
  return rst_paint_run_lines([&] { return RstReadEdmicsRLCAndConvertToRLE::create(storage, header); }, where);
}

RstRead* RstReadEdmicsRLCAndConvertToRLE::create(InputStorage* storage, RstReadEdmicsRLCHeader* header) {
  if (!rst_is_valid_storage(storage) || !header || header->status < RstCode::good) {
    rst_report(RstCode::bad_argument, "RstReadEdmicsRLCAndConvertToRLE::create()");
    return nullptr;
  }
  RstHeader coded;
  header->rst_header(coded);
  RstOwner<RstRead> code(RstReadCode::create(storage, coded, false));
  if (!code) return nullptr;
  RstRead* decoder = RstDecodeRLCToRLE::create(code.get());
  if (!decoder) return nullptr;
  code.release();  // held by the decoder
  return decoder;
}
