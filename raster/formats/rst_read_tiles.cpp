// Strip switching, strip windows and raw strips of the TIFF reading chain.
#include "raster/formats/rst_read_tiles.h"

#include <algorithm>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"

uint64_t rst_raw_line_bytes(const RstHeader& h) {
  return (uint64_t(uint32_t(h.width)) * uint32_t(h.samples_per_pixel) * uint32_t(h.bits_per_sample) + 7) / 8;
}

RstReadTiles::RstReadTiles(InputStorage* input, const RstHeader& header, const RstCountedPtr<RstTileSpecArray>& specs)
    : specs_(specs), input_(input), header_(header) {}

RstReadTiles::~RstReadTiles() = default;

int RstReadTiles::read(uint8_t* line) { return link_ ? link_->read(line) : 0; }

const RstTileSpec* RstReadTiles::next_tile_spec() {
  if (!specs_) return nullptr;
  while (specs_used_ < specs_->size()) {
    const RstTileSpec& spec = (*specs_)[specs_used_++];
    if (spec.rows == 0) continue;
    spec_ = spec;
    return &spec_;
  }
  return nullptr;
}

RstHeader RstReadTiles::tile_header() const {
  RstHeader h(header_);
  h.width = int32_t(spec_.width);
  h.height = int32_t(spec_.rows);
  return h;
}

RstReadTilesAndAlignX::RstReadTilesAndAlignX(InputStorage* input, const RstHeader& header,
                                             const RstCountedPtr<RstTileSpecArray>& specs, bool reverse_bits)
    : RstReadTiles(input, header, specs), reverse_bits_(reverse_bits) {}

RstReadTilesAndAlignX::~RstReadTilesAndAlignX() {
  // The band node reads from the windows and the reverser: it goes first.
  link_.reset();
  windows_.clear();
}

bool RstReadTilesAndAlignX::initiate() {
  if (!reverse_bits_) return true;
  reverser_.reset(rst_new<BitReverseInput<>>(input_));
  if (!reverser_) {
    rst_report(RstCode::no_memory, "RstReadTilesAndAlignX::initiate()");
    return false;
  }
  return true;
}

void RstReadTilesAndAlignX::end_link() {
  link_.reset();
  windows_.clear();
}

int RstReadTilesAndAlignX::read(uint8_t* line) {
  if (rows_left_ == 0) {
    if (failed_) return 0;
    end_link();
    link_.attach(next_aligned_link());
    failed_ = !link_;
  }
  int n = RstReadTiles::read(line);
  if (n != 0 && rows_left_ > 0) --rows_left_;
  return n;
}

int RstReadTilesAndAlignX::skip(int n) {
  int skipped = 0;
  while (skipped < n) {
    if (rows_left_ == 0) {
      if (failed_) break;
      end_link();
      link_.attach(next_aligned_link());
      failed_ = !link_;
    }
    if (!link_ || link_->skip(1) == 0) break;
    if (rows_left_ > 0) --rows_left_;
    ++skipped;
  }
  return skipped;
}

void RstReadTilesAndAlignX::reset() {
  rows_left_ = 0;
  specs_used_ = 0;
  failed_ = false;
}

RstRead* RstReadTilesAndAlignX::current_link() {
  if (!link_ && !failed_) {
    link_.attach(next_aligned_link());
    failed_ = !link_;
  }
  return link_.get();
}

RstRead* RstReadTilesAndAlignX::next_aligned_link() {
  const char* where = "RstReadTilesAndAlignX::next_aligned_link()";
  rows_left_ = 0;
  // Strips of one band, left to right, until they cover the page width.
  std::vector<RstOwner<RstRead>> nodes;
  uint64_t width = 0;
  uint32_t rows = 0;
  while (width < uint64_t(uint32_t(header_.width)) || nodes.empty()) {
    RstOwner<RstRead> node(next_link());
    if (!node) return nullptr;
    width += spec_.width;
    rows = spec_.rows;
    try {
      nodes.push_back(std::move(node));
    } catch (const std::bad_alloc&) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    if (spec_.width == 0) break;
  }
  if (nodes.size() == 1) {
    rows_left_ = rows;
    return nodes.front().release();
  }
  // Tiles of one band: joined, and cut to the page width when they overhang.
  RstFormatCreators& creators = rst_format_creators();
  if (!creators.align_x || !creators.clip_width) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  std::vector<RstRead*> inputs;
  try {
    for (auto& n : nodes) inputs.push_back(n.get());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  RstOwner<RstRead> band(creators.align_x(inputs));
  if (!band) return nullptr;
  for (auto& n : nodes) n.release();  // held by the band now
  if (width > uint64_t(uint32_t(header_.width))) {
    RstRead* clipped = creators.clip_width(band.get(), 0, header_.width);
    if (!clipped) return nullptr;
    band.release();
    band.attach(clipped);
  }
  rows_left_ = rows;
  return band.release();
}

InputStorage* RstReadTilesAndAlignX::strip_window(const char* where) {
  InputStorage* in = input();
  int64_t size = in->size();
  int64_t offset = spec_.offset;
  if (offset >= size || in->seek(int32_t(offset)) != offset) {
    rst_report(RstCode::io_failure, where);
    return nullptr;
  }
  int64_t length = size - offset;
  if (spec_.byte_count != 0) length = std::min<int64_t>(length, spec_.byte_count);
  // The strips of a band are read side by side, line by line: each window
  // keeps its own position in the shared input.
  int32_t end = int32_t(std::min<int64_t>(offset + length, INT32_MAX));
  std::unique_ptr<SharedParentWindow> window(
      rst_new<SharedParentWindow>(MoveInMoveOutInputStorage<>(in, 0), int32_t(offset), end));
  if (!window) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  try {
    windows_.push_back(std::move(window));
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return windows_.back().get();
}

RstReadRawTiles* RstReadRawTiles::create(InputStorage* input, const RstHeader& header,
                                         const RstCountedPtr<RstTileSpecArray>& specs, bool reverse_bits) {
  if (!input || !specs || specs->size() == 0 || header.data_form != RstDataForm::raw) {
    rst_report(RstCode::bad_argument, "RstReadRawTiles::create()");
    return nullptr;
  }
  RstOwner<RstReadRawTiles> owner(rst_new<RstReadRawTiles>(input, header, specs, reverse_bits));
  return rst_create_end(owner);
}

RstRead* RstReadRawTiles::next_link() {
  if (!next_tile_spec()) return nullptr;
  RstHeader h = tile_header();
  InputStorage* window = strip_window("RstReadRawTiles::next_link()");
  if (!window) return nullptr;
  return RstReadRaw::create(window, h, int32_t(rst_raw_line_bytes(h)), false, false);
}
