// The Sun raster reader: header checks, colour map, raw and byte-encoded rows.
#include "raster/formats/rst_read_sunras.h"

#include <cstring>
#include <memory>

#include "raster/codecs/rst_byte_decode.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"

namespace {

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

int64_t row_bytes(const RstSunrasHeader& h) { return (int64_t{h.width} * h.depth + 7) / 8; }

}  // namespace

RstSunrasHeader::RstSunrasHeader(InputStorage* storage) {
  uint8_t b[kHeaderBytes] = {};
  int32_t got = storage->read(b, kHeaderBytes);
  uint32_t w[8] = {};
  for (int i = 0; i < 8; ++i) w[i] = uint32_t(b[4 * i]) << 24 | b[4 * i + 1] << 16 | b[4 * i + 2] << 8 | b[4 * i + 3];
  if (got < 4 || w[0] != kMagic) {
    status = RstCode::not_this_format;
    return;
  }
  width = int32_t(w[1]);
  height = int32_t(w[2]);
  depth = int32_t(w[3]);
  data_length = int32_t(w[4]);
  map_type = int32_t(w[6]);
  uint32_t map = w[7];
  if (got < kHeaderBytes) {
    status = RstCode::bad_tile_strip;
  } else if (width <= 0) {
    status = -201;
  } else if (height <= 0) {
    status = -202;
  } else if (depth != 1 && depth != 8 && depth != 24 && depth != 32) {
    status = RstCode::tiff_header_convert;
  } else if (map != 0 && (map_type != 1 || depth != 8 || map % 3 != 0 || map > uint32_t(kMaxMapBytes))) {
    status = RstCode::bad_tile_strip;
  } else if (w[5] > 3) {
    status = RstCode::unsupported_variant;
  }
  map_length = int32_t(map > uint32_t(kMaxMapBytes) ? 0 : map);
  if (status != RstCode::good) return;
  raster_type = int32_t(w[5]);
  int64_t row = row_bytes(*this);
  if (row > INT32_MAX) {
    status = RstCode::bad_tile_strip;
    return;
  }
  if (raster_type == 0) {
    int64_t length = (row + 1) / 2 * 2 * height;
    if (length > INT32_MAX) {
      status = RstCode::bad_tile_strip;
      return;
    }
    data_length = int32_t(length);
  } else if (w[4] > uint32_t(INT32_MAX)) {
    data_length = INT32_MAX;
  }
}

RstSunrasHeader* RstReadSunras::private_header(InputStorage* storage) {
  const char* where = "RstReadSunras::private_header()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstSunrasHeader* header = rst_new<RstSunrasHeader>(storage);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  int32_t status = header->status;
  if (status == RstCode::good) return header;
  rst_release(header);
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

RstRead* RstReadSunras::create(InputStorage* storage, RstSunrasHeader* header) {
  const char* where = "RstReadSunras::create()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!header) {
    std::unique_ptr<RstSunrasHeader, PrivateRelease> own(private_header(storage));
    if (!own) {
      rst_report(RstCode::not_this_format, where);
      return nullptr;
    }
    return create(storage, own.get());
  }
  if (header->raster_type < 0 || header->raster_type > 3 || header->status != RstCode::good) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstRead* (*reverse)(RstRead*) = rst_format_creators().reverse_channel;
  if (header->raster_type != 3 && !reverse) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  RstOwner<RstRead> node;
  if (header->raster_type == 2) {
    node.attach(RstReadSunrasEncode::create(storage, header));
    if (!node) return nullptr;
    RstRead* decoded = RstByteDecode::create(node.get());
    if (!decoded) return nullptr;
    node.release();
    node.attach(decoded);
  } else {
    node.attach(RstReadSunrasRaw::create(storage, header));
    if (!node) return nullptr;
  }
  if (header->raster_type != 3) {
    RstRead* reversed = reverse(node.get());
    if (!reversed) return nullptr;
    if (reversed != node.get()) node.release();
    node.attach(reversed);
  }
  return node.release();
}

RstReadSunras::RstReadSunras(InputStorage* storage, const RstSunrasHeader& header) : storage_(storage), file_(header) {}

RstReadSunras::~RstReadSunras() { delete window_; }

void RstReadSunras::header(RstHeader& h) {
  h.width = file_.width;
  h.height = file_.height;
  h.sample_kind = RstSampleKind::unsigned_int;
  h.data_form = file_.raster_type == 2 ? RstDataForm::byte_encode : RstDataForm::raw;
  h.colormap = colormap_;
  switch (file_.depth) {
    case 1:
      h.bits_per_sample = 1;
      h.samples_per_pixel = 1;
      h.color_type = RstColorType::default_gray_reverse();
      break;
    case 8:
      h.bits_per_sample = 8;
      h.samples_per_pixel = 1;
      h.color_type = file_.map_length != 0 ? RstColorType::default_rgb() : RstColorType::default_gray();
      break;
    default:
      h.bits_per_sample = 8;
      h.samples_per_pixel = file_.depth / 8;
      h.color_type = RstColorType::default_rgb();
      break;
  }
}

bool RstReadSunras::initiate() {
  const char* where = "RstReadSunras::initiate()";
  if (file_.map_length != 0) {
    int32_t entries = file_.map_length / 3;
    uint8_t runs[RstSunrasHeader::kMaxMapBytes] = {};
    if (storage_->read(runs, file_.map_length) != file_.map_length) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    // Every index reaches an entry: the map is 256 entries, zero beyond the
    // file's.
    RstColormap* map = rst_new<RstColormap>(8, 3, 256);
    if (!map || map->size() < 3 * 256) {
      delete map;
      rst_report(RstCode::no_memory, where);
      return false;
    }
    colormap_ = RstCountedPtr<RstColormap>(map);
    if (!colormap_) {  // deleted with its count
      rst_report(RstCode::no_memory, where);
      return false;
    }
    uint8_t* rgb = map->data();
    for (int32_t i = 0; i < entries; ++i)
      for (int c = 0; c < 3; ++c) rgb[3 * i + c] = runs[c * entries + i];
  }
  window_ = rst_new<NestedInputStorage>(storage_, file_.data_length);
  if (!window_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  return true;
}

int RstReadSunras::skip(int n) {
  if (n <= 0) return 0;
  int64_t step = line_size();
  if (step % 2 != 0 && file_.raster_type != 2) ++step;
  int64_t want = step * n;
  if (want > INT32_MAX) want = INT32_MAX / step * step;
  int32_t went = window_->skip(int32_t(want));
  if (went < want && window_->tell() != window_->size()) {
    rst_report(RstCode::io_failure, "RstReadSunras::skip()");
    return 0;
  }
  return int32_t((went + step - 1) / step);
}

void RstReadSunras::reset() {
  if (!window_->rewind()) rst_report(RstCode::io_failure, "RstReadSunras::reset()");
}

namespace {

template <class Node>
RstRead* make(InputStorage* storage, RstSunrasHeader* header, bool encoded, const char* where) {
  if (!rst_is_valid_storage(storage) || !header || header->status != RstCode::good ||
      (encoded ? header->raster_type != 2
               : header->raster_type != 0 && header->raster_type != 1 && header->raster_type != 3)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstOwner<Node> owner(rst_new<Node>(storage, *header));
  return rst_create_end(owner);
}

}  // namespace

RstRead* RstReadSunrasRaw::create(InputStorage* storage, RstSunrasHeader* header) {
  return make<RstReadSunrasRaw>(storage, header, false, "RstReadSunrasRaw::create()");
}

RstRead* RstReadSunrasEncode::create(InputStorage* storage, RstSunrasHeader* header) {
  return make<RstReadSunrasEncode>(storage, header, true, "RstReadSunrasEncode::create()");
}

RstReadSunrasRaw::RstReadSunrasRaw(InputStorage* storage, const RstSunrasHeader& header)
    : RstReadSunras(storage, header), row_size_(int32_t(row_bytes(header))), rows_left_(header.height) {}

int RstReadSunrasRaw::read(uint8_t* line) {
  if (rows_left_ <= 0) return 0;
  --rows_left_;
  int32_t got = window_->read(line, row_size_);
  if (got < 0) got = 0;
  if (got % 2 != 0) window_->skip(1);
  if (got == row_size_) return row_size_;
  // The data (or the file) ended inside the row: the rest is zero, as the
  // core's raw reader delivers a cut line.
  std::memset(line + got, 0, size_t(row_size_ - got));
  rst_report(RstCode::end_of_input, "RstReadSunrasRaw::read()");
  return row_size_;
}

void RstReadSunrasRaw::reset() {
  RstReadSunras::reset();
  rows_left_ = file_.height;
}

int RstReadSunrasEncode::read(uint8_t* line) {
  int32_t got = window_->read(line, 1024);
  if (got < 0) got = 0;
  if (got == 1024 || window_->tell() == window_->size()) return got;
  rst_report(RstCode::io_failure, "RstReadSunrasEncode::read()");
  return 0;
}
