// The EDMICS MMR reader: the three header blocks read field by field, the
// probe and the node chain.
#include "raster/formats/rst_read_edmics_mmr.h"

#include <cstring>
#include <iterator>
#include <memory>

#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_decode_ccitt.h"
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

// `count` fields of `size` bytes from `offset` on: big-endian numbers of 2 or
// 4 bytes, converted, or bytes taken as stored.
struct Field {
  int16_t offset;
  int16_t size;
  int16_t count;
  bool number;
};

constexpr Field kFileDescFields[] = {
    {4, 2, 20, true}, {44, 2, 1, true}, {46, 2, 1, true}, {48, 4, 1, true}, {52, 4, 20, true}};
constexpr Field kDescriptor2Fields[] = {
    {4, 24, 1, false},    {28, 20, 1, false}, {48, 80, 1, false}, {128, 4, 3, false}, {140, 12, 1, false},
    {152, 16, 1, false},  {168, 2, 1, true},  {170, 8, 1, false}, {178, 8, 1, false}, {186, 24, 1, false},
    {210, 256, 1, false}, {466, 2, 1, true},  {468, 4, 1, true},  {472, 4, 1, true}};
constexpr Field kImageFields[] = {{4, 2, 4, true},  {12, 1, 2, false},  {14, 16, 1, false},
                                  {30, 2, 1, true}, {32, 80, 1, false}, {112, 4, 5, true}};

// What a block reader needs to know of its block.
struct BlockSpec {
  int16_t type;
  const Field* fields;
  size_t field_count;
  // Status when not even the 4 head bytes come: the first block cannot tell
  // a short file of another format from a cut-short one, later blocks can.
  int32_t head_short;
  // Reports a cut-short block itself when set.
  const char* where;
};

// Reads a block of `size` bytes into `block`: the head (type and version),
// the test of the two, then every field. The bytes read, or 0 with the status
// set.
int32_t read_block(uint8_t* block, int32_t size, int32_t& status, InputStorage* storage, const BlockSpec& spec) {
  if (!rst_is_valid_storage(storage)) {
    status = RstCode::not_this_format;
    return 0;
  }
  DataInput<> in(storage, 0);
  auto cut_short = [&](int32_t code) {
    status = code;
    if (code == RstCode::io_failure && spec.where) rst_report(code, spec.where);
    return 0;
  };
  int16_t type = 0, version = 0;
  if (!in.read_value(&type, 2) || !in.read_value(&version, 2)) return cut_short(spec.head_short);
  if (type != spec.type && version != 1) {
    status = RstCode::not_this_format;
    return 0;
  }
  std::memcpy(block, &type, 2);
  std::memcpy(block + 2, &version, 2);
  for (size_t f = 0; f < spec.field_count; ++f) {
    const Field& field = spec.fields[f];
    for (int16_t k = 0; k < field.count; ++k) {
      uint8_t* at = block + field.offset + k * field.size;
      bool whole;
      if (field.number) {
        uint8_t value[4];
        whole = in.read_value(value, field.size);
        if (whole) std::memcpy(at, value, size_t(field.size));
      } else {
        whole = in.read(at, field.size) == field.size;
      }
      if (!whole) return cut_short(RstCode::io_failure);
    }
  }
  status = RstCode::good;
  return size;
}

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

}  // namespace

int32_t RstReadEdmicsMMRFileDesc::read(InputStorage* storage) {
  static constexpr BlockSpec spec = {-1, kFileDescFields, std::size(kFileDescFields), RstCode::not_this_format,
                                     "RstReadEdmicsMMRFileDesc::read()"};
  return read_block(block, kSize, status, storage, spec);
}

int32_t RstEdmicsMMRDescriptor2::read(InputStorage* storage) {
  static constexpr BlockSpec spec = {-2, kDescriptor2Fields, std::size(kDescriptor2Fields), RstCode::io_failure,
                                     nullptr};
  return read_block(block, kSize, status, storage, spec);
}

int32_t RstEdmicsMMRDescriptor3::read(InputStorage* storage) {
  static constexpr BlockSpec spec = {-3, kImageFields, std::size(kImageFields), RstCode::io_failure, nullptr};
  return read_block(block, kSize, status, storage, spec);
}

RstReadEdmicsMMRHeader::RstReadEdmicsMMRHeader(InputStorage* storage) { read(storage); }

void RstReadEdmicsMMRHeader::read(InputStorage* storage) {
  // The first block that fails decides; no later block is read.
  if (!file_desc.read(storage)) {
    status = file_desc.status;
  } else if (!descriptor2.read(storage)) {
    status = descriptor2.status;
  } else if (!image.read(storage)) {
    status = image.status;
  } else if (!rst_bilevel_size_fits(pels(), lines())) {
    status = RstCode::bad_tile_strip;
  }
}

void RstReadEdmicsMMRHeader::rst_header(RstHeader& out) const {
  out.width = pels();
  out.height = lines();
  out.bits_per_sample = 1;
  out.samples_per_pixel = 1;
  out.sample_kind = RstSampleKind::unsigned_int;
  out.data_form = RstDataForm::mmr;
  out.colormap = RstCountedPtr<RstColormap>();
  out.color_type = RstColorType::default_gray_reverse();
}

int32_t RstReadEdmicsMMRHeader::resolution() const {
  int32_t dpi = image.get16(6);
  int32_t per_cm = image.get16(8);
  if (dpi > 0) return dpi;
  if (per_cm > 0) return int32_t(per_cm * 2.54 + 0.5);
  return 0;
}

RstReadEdmicsMMRHeader* RstReadEdmicsMMR::private_header(InputStorage* storage) {
  const char* where = "RstReadEdmicsMMR";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstReadEdmicsMMRHeader* header = rst_new<RstReadEdmicsMMRHeader>(storage);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return rst_probe_result(header, header->status, where);
}

RstRead* RstReadEdmicsMMR::create(InputStorage* storage, RstReadEdmicsMMRHeader* header) {
  const char* where = "RstReadEdmicsMMR::create()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!header) {
    std::unique_ptr<RstReadEdmicsMMRHeader, PrivateRelease> own(private_header(storage));
    if (!own) {
      rst_report(RstCode::not_this_format, where);
      return nullptr;
    }
    return create(storage, own.get());
  }
  return rst_paint_run_lines([&] { return RstReadEdmicsMMRAndConvertToRLE::create(storage, header); }, where);
}

RstRead* RstReadEdmicsMMRAndConvertToRLE::create(InputStorage* storage, RstReadEdmicsMMRHeader* header) {
  if (!rst_is_valid_storage(storage) || !header || header->status < RstCode::good) {
    rst_report(RstCode::bad_argument, "RstReadEdmicsMMRAndConvertToRLE::create()");
    return nullptr;
  }
  RstHeader coded;
  header->rst_header(coded);
  // The first code bit of every byte is its least significant one.
  RstOwner<RstRead> code(RstReadCode::create(storage, coded, true));
  if (!code) return nullptr;
  RstMMROption option(1, 0);
  RstRead* decoder = RstDecodeMMR::create(code.get(), &option);
  if (!decoder) return nullptr;
  code.release();  // held by the decoder
  return decoder;
}
