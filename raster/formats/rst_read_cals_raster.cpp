// The CALS raster reader: header records, the probe and the node chain.
#include "raster/formats/rst_read_cals_raster.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_decode_ccitt.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_probe_checks.h"

namespace {

constexpr int32_t kRecord = RstCALSRasterHeader::kRecordBytes;

// The keywords the records begin with, in record order; only the first two
// are tested, the others are taken by position.
constexpr const char* kKeywords[11] = {"srcdocid: ", "dstdocid: ", "txtfilid: ", "figid: ",   "srcgph: ", "doccls: ",
                                       "rtype: ",    "rorient: ",  "rpelcnt: ",  "rdensty: ", "notes: "};
constexpr size_t kKeywordTested = 10;
constexpr const char kUpSentence[] = "This file is written by up bit ordering in a byte.";
constexpr const char kDownSentence[] = "This file is written by down bit ordering in a byte.";

bool contains(const uint8_t* bytes, const char* text) {
  const uint8_t* end = bytes + kRecord;
  const uint8_t* first = reinterpret_cast<const uint8_t*>(text);
  return std::search(bytes, end, first, first + std::strlen(text)) != end;
}

std::string record_text(const uint8_t* record) { return std::string(reinterpret_cast<const char*>(record), kRecord); }

bool is_space(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

}  // namespace

void RstCALSRasterHeader::rst_header(RstHeader& out) const {
  out.width = pels;
  out.height = lines;
  out.bits_per_sample = 1;
  out.samples_per_pixel = 1;
  out.sample_kind = RstSampleKind::unsigned_int;
  out.data_form = RstDataForm::mmr;
  out.colormap = RstCountedPtr<RstColormap>();
  out.color_type = RstColorType::default_gray_reverse();
}

RstReadCALSRasterHeader::RstReadCALSRasterHeader(InputStorage* storage, int32_t mode) { read(storage, mode); }

int32_t RstReadCALSRasterHeader::value(const uint8_t* record, int n) {
  const uint8_t* end = record + kRecord;
  const uint8_t* p = std::find(record, end, ':');
  if (p == end) {
    p = record;
  } else {
    ++p;
    for (int i = 0; i < n; ++i) {
      const uint8_t* comma = std::find(p, end, ',');
      if (comma == end) {
        p = record;
        break;
      }
      p = comma + 1;
    }
  }
  while (p < end && is_space(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  int64_t number = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) number = std::min<int64_t>(number * 10 + (*p - '0'), INT32_MAX);
  return int32_t(negative ? -number : number);
}

int32_t RstReadCALSRasterHeader::notes_bit_order(const uint8_t* notes) {
  if (contains(notes, kUpSentence)) return kBitOrderUp;
  if (contains(notes, kDownSentence)) return kBitOrderDown;
  return kBitOrderUnsaid;
}

void RstReadCALSRasterHeader::read(InputStorage* storage, int32_t mode) {
  uint8_t records[16][kRecord];
  // Records 1 and 2 say whether this is a CALS file at all.
  if (!rst_is_valid_storage(storage) || storage->read(records[0], 2 * kRecord) != 2 * kRecord ||
      std::memcmp(records[0], kKeywords[0], kKeywordTested) != 0 ||
      std::memcmp(records[1], kKeywords[1], kKeywordTested) != 0) {
    status = RstCode::not_this_format;
    return;
  }
  srcdocid = record_text(records[0]);
  dstdocid = record_text(records[1]);
  // The rest of the header must all be there: no field is taken from bytes
  // the storage did not supply.
  constexpr int32_t rest = kHeaderBytes - 2 * kRecord;
  if (storage->read(records[2], rest) != rest) {
    status = RstCode::bad_tile_strip;
    return;
  }
  txtfilid = record_text(records[2]);
  figid = record_text(records[3]);
  srcgph = record_text(records[4]);
  doccls = record_text(records[5]);
  rtype = value(records[6], 0);
  if (rtype < 1 || rtype > 4) {
    status = RstCode::bad_tile_strip;
    return;
  }
  pel_path = value(records[7], 0);
  line_progression = value(records[7], 1);
  if ((pel_path != 0 && pel_path != 90 && pel_path != 180 && pel_path != 270) ||
      (line_progression != 90 && line_progression != 270)) {
    status = RstCode::bad_tile_strip;
    return;
  }
  pels = value(records[8], 0);
  lines = value(records[8], 1);
  density = value(records[9], 0);
  notes = record_text(records[10]);
  bit_order = mode == 3 ? notes_bit_order(records[10]) : mode;
  // A page needs a line and a pixel, and its run lines must fit a buffer.
  if (!rst_bilevel_size_fits(pels, lines)) status = RstCode::bad_tile_strip;
}

RstReadCALSRasterHeader* RstReadCALSRaster::private_header(InputStorage* storage) {
  const char* where = "RstReadCALSRaster";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstReadCALSRasterHeader* header = rst_new<RstReadCALSRasterHeader>(storage, 3);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return rst_probe_result(header, header->status, where);
}

RstRead* RstReadCALSRaster::create(InputStorage* storage, RstCALSRasterHeader* header, int32_t mode) {
  const char* where = "RstReadCALSRaster::create()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!header) {
    std::unique_ptr<RstReadCALSRasterHeader, PrivateRelease> own(private_header(storage));
    if (!own) {
      rst_report(RstCode::not_this_format, where);
      return nullptr;
    }
    return create(storage, own.get(), mode);
  }
  return rst_paint_run_lines([&] { return RstReadCALSRasterAndConvertToRLE::create(storage, header, mode); }, where);
}

RstRead* RstReadCALSRasterAndConvertToRLE::create(InputStorage* storage, RstCALSRasterHeader* header, int32_t mode) {
  const char* where = "RstReadCALSRasterAndConvertToRLE::create()";
  int32_t order = mode == 3 && header ? header->bit_order : mode;
  if (order == RstCALSRasterHeader::kBitOrderUnsaid && mode == 3) order = RstCALSRasterHeader::kBitOrderDown;
  if (!rst_is_valid_storage(storage) || !header || header->status < RstCode::good ||
      (order != RstCALSRasterHeader::kBitOrderDown && order != RstCALSRasterHeader::kBitOrderUp)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader coded;
  header->rst_header(coded);
  RstOwner<RstRead> code(RstReadCode::create(storage, coded, order == RstCALSRasterHeader::kBitOrderUp));
  if (!code) return nullptr;
  RstMMROption option(1, 0);
  RstRead* decoder = RstDecodeMMR::create(code.get(), &option);
  if (!decoder) return nullptr;
  code.release();  // held by the decoder
  return decoder;
}
