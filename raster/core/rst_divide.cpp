// Fan-out of one source node to several readers, with its five buffer
// policies.
#include "raster/core/rst_divide.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

// --- BlockBuffer ---

BlockBuffer* BlockBuffer::create(int32_t size, const char* record_where) {
  BlockBuffer* block = rst_new<BlockBuffer>();
  if (!block) {
    rst_report(RstCode::no_memory, record_where);
    return nullptr;
  }
  block->data = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(std::max(size, 1))));
  if (!block->data) {
    delete block;
    rst_report(RstCode::no_memory, "BlockBuffer::BlockBuffer()");
    return nullptr;
  }
  return block;
}

BlockBuffer::~BlockBuffer() { rst_free(data); }

// --- RstDivide ---

RstDivide::RstDivide(RstRead* source) : line_size_(source->line_size()) { add_source(source); }

RstDivide* RstDivide::create(RstRead* source, int mode, int n) {
  RstCreateGuard guard(source);
  // Callers ask for readers next, so anything but a divide would be misused.
  if (!source || mode < 0 || mode > 4) {
    rst_report(RstCode::bad_argument, "RstDivide::create()");
    return nullptr;
  }
  RstDivide* node = nullptr;
  switch (mode) {
    case 0: node = RstDivideNoBuffer::create(source); break;
    case 1: node = RstDivideOneBuffer::create(source); break;
    case 2:
      if (n == 0) node = RstDivideNoBuffer::create(source);
      else if (n == 1) node = RstDivideOneBuffer::create(source);
      else node = RstDivideNBuffer::create(source, n);
      break;
    case 3: node = RstDivideFullBuffer::create(source); break;
    default: node = RstDividePageBuffer::create(source); break;
  }
  if (!node) return nullptr;  // the variant has reported
  return rst_create_end(node, guard);
}

RstRead* RstDivide::source_node() const {
  return sources().empty() ? nullptr : static_cast<RstRead*>(sources().front());
}

void RstDivide::header(RstHeader& h) {
  if (RstRead* src = source_node()) src->header(h);
}

RstDivideReader* RstDivide::create_reader() { return RstDivideReader::create(this); }

void RstDivide::reset(RstDivideReader* reader) { reader->line_ = 0; }

void RstDivide::set_line(RstDivideReader* reader, int32_t line) { reader->line_ = line; }

int32_t RstDivide::line_of(RstDivideReader* reader) { return reader->line_; }

bool RstDivide::position_source(int32_t line) {
  RstRead* src = source_node();
  if (!src) return false;
  if (source_position_ == line) return true;
  if (line < source_position_) {
    src->reset();
    source_position_ = 0;
  }
  source_position_ += src->skip(line - source_position_);
  return source_position_ == line;
}

int RstDivide::skip(int n, RstDivideReader* reader) {
  if (n <= 0) return 0;
  RstRead* src = source_node();
  int32_t from = reader->line_;
  int64_t target = int64_t{from} + n;
  if (src && source_position_ < target) {
    int64_t ahead = target - source_position_;
    source_position_ += src->skip(static_cast<int>(std::min<int64_t>(ahead, std::numeric_limits<int>::max())));
    reader->line_ = source_position_;
    return std::max(0, source_position_ - from);
  }
  reader->line_ = static_cast<int32_t>(std::min<int64_t>(target, std::numeric_limits<int32_t>::max()));
  return reader->line_ - from;
}

bool RstDivide::release_source() {
  RstRead* src = source_node();
  if (!src) return true;
  if (src->mode() == RstRoot::mode_pinned || src->mode() == RstRoot::mode_ended_pinned) return false;
  end_sources();
  return true;
}

// --- RstDivideReader ---

RstDivideReader::RstDivideReader(RstDivide* divide) { add_source(divide); }

RstDivideReader* RstDivideReader::create(RstDivide* divide) {
  RstCreateGuard guard(divide);
  if (!divide) {
    rst_report(RstCode::bad_argument, "RstDivideReader::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstDivideReader>(divide), guard);
}

RstDivide* RstDivideReader::divide() const { return static_cast<RstDivide*>(source()); }

void RstDivideReader::header(RstHeader& h) { divide()->header(h); }

int RstDivideReader::read(uint8_t* line) { return divide()->read(line, this); }

int RstDivideReader::skip(int n) { return divide()->skip(n, this); }

void RstDivideReader::reset() { divide()->reset(this); }

int RstDivideReader::line_size() { return divide()->line_size(); }

// --- RstDivideNoBuffer ---

RstDivideNoBuffer* RstDivideNoBuffer::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstDivideNoBuffer::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstDivideNoBuffer>(source), guard);
}

int RstDivideNoBuffer::read(uint8_t* line, RstDivideReader* reader) {
  if (!position_source(line_of(reader))) return 0;
  int n = source_node()->read(line);
  if (n) {
    ++source_position_;
    set_line(reader, source_position_);
  }
  return n;
}

// --- RstDivideOneBuffer ---

RstDivideOneBuffer* RstDivideOneBuffer::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstDivideOneBuffer::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstDivideOneBuffer>(source), guard);
}

RstDivideOneBuffer::~RstDivideOneBuffer() { delete cache_; }

bool RstDivideOneBuffer::initiate() {
  cache_ = BlockBuffer::create(line_size_, "RstDivideOneBuffer::initiate()");
  return cache_ != nullptr;
}

int RstDivideOneBuffer::read(uint8_t* line, RstDivideReader* reader) {
  int32_t wanted = line_of(reader);
  if (cache_->line == wanted) {
    std::memcpy(line, cache_->data, static_cast<size_t>(cache_->count));
    set_line(reader, wanted + 1);
    return cache_->count;
  }
  if (!position_source(wanted)) return 0;
  int n = source_node()->read(cache_->data);
  cache_->count = n;
  if (n == 0) {
    cache_->line = -1;
    return 0;
  }
  std::memcpy(line, cache_->data, static_cast<size_t>(n));
  cache_->line = wanted;
  ++source_position_;
  set_line(reader, wanted + 1);
  return n;
}

// --- RstDivideNBuffer ---

RstDivideNBuffer* RstDivideNBuffer::create(RstRead* source, int n) {
  RstCreateGuard guard(source);
  if (!source || n <= 0) {
    rst_report(RstCode::bad_argument, "RstDivideNBuffer::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstDivideNBuffer>(source, n), guard);
}

RstDivideNBuffer::~RstDivideNBuffer() {
  for (BlockBuffer* block : cache_) delete block;
}

int RstDivideNBuffer::read(uint8_t* line, RstDivideReader* reader) {
  int32_t wanted = line_of(reader);
  for (BlockBuffer* block : cache_) {
    if (block->line == wanted) {
      std::memcpy(line, block->data, static_cast<size_t>(block->count));
      set_line(reader, wanted + 1);
      return block->count;
    }
  }
  if (!position_source(wanted)) return 0;
  RstRead* src = source_node();
  if (static_cast<int>(cache_.size()) < capacity_) {
    BlockBuffer* block = BlockBuffer::create(line_size_, "RstDivideNBuffer::read()");
    if (!block) return 0;
    int n = src->read(block->data);
    if (n == 0) {
      delete block;
      return 0;
    }
    try {
      cache_.push_back(block);
    } catch (const std::bad_alloc&) {
      delete block;
      rst_report(RstCode::no_memory, "RstDivideNBuffer::read()");
      return 0;
    }
    block->line = wanted;
    block->count = n;
  } else {
    BlockBuffer* oldest = cache_.front();
    int n = src->read(oldest->data);
    if (n == 0) {
      // Its bytes may have been touched: it holds no line any more.
      oldest->line = -1;
      return 0;
    }
    oldest->line = wanted;
    oldest->count = n;
    std::rotate(cache_.begin(), cache_.begin() + 1, cache_.end());
  }
  ++source_position_;
  BlockBuffer* newest = cache_.back();
  std::memcpy(line, newest->data, static_cast<size_t>(newest->count));
  set_line(reader, wanted + 1);
  return newest->count;
}

// --- RstDivideFullBuffer ---

RstDivideFullBuffer::RstDivideFullBuffer(RstRead* source)
    : RstDivide(source), header_(source), raw_(header_.data_form == 0) {}

RstDivideFullBuffer* RstDivideFullBuffer::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstDivideFullBuffer::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstDivideFullBuffer>(source), guard);
}

RstDivideFullBuffer::~RstDivideFullBuffer() {
  for (BlockBuffer* block : lines_) delete block;
}

bool RstDivideFullBuffer::cache_next(const char* where) {
  BlockBuffer* block = BlockBuffer::create(line_size_, where);
  if (!block) return false;
  int n = source_node()->read(block->data);
  if (n == 0) {
    delete block;
    // The source has no more lines: the upstream nodes can go.
    source_open_ = false;
    if (!release_source()) source_open_ = true;
    return false;
  }
  try {
    lines_.push_back(block);
  } catch (const std::bad_alloc&) {
    delete block;
    rst_report(RstCode::no_memory, where);
    return false;
  }
  block->line = static_cast<int32_t>(lines_.size()) - 1;
  block->count = n;
  ++source_position_;
  return true;
}

void RstDivideFullBuffer::end_source_when_complete() {
  if (source_open_ && raw_ && cached_lines() == header_.height && release_source()) source_open_ = false;
}

int RstDivideFullBuffer::read(uint8_t* line, RstDivideReader* reader) {
  int32_t wanted = line_of(reader);
  // A raw image's lines beyond its height are never asked of the source.
  while (wanted >= cached_lines() && source_open_ && !(raw_ && cached_lines() >= header_.height)) {
    if (!cache_next("RstDivideFullBuffer::read()")) break;
  }
  end_source_when_complete();
  if (wanted >= cached_lines()) return 0;
  BlockBuffer* block = lines_[static_cast<size_t>(wanted)];
  std::memcpy(line, block->data, static_cast<size_t>(block->count));
  set_line(reader, wanted + 1);
  return block->count;
}

int RstDivideFullBuffer::skip(int n, RstDivideReader* reader) {
  if (n <= 0) return 0;
  int32_t from = line_of(reader);
  int64_t target = int64_t{from} + n;
  if (target < cached_lines()) {
    set_line(reader, static_cast<int32_t>(target));
    return n;
  }
  while (cached_lines() < target && source_open_ && !(raw_ && cached_lines() >= header_.height)) {
    if (!cache_next("RstDivideFullBuffer::skip()")) break;
  }
  end_source_when_complete();
  int32_t to = static_cast<int32_t>(std::min<int64_t>(target, cached_lines()));
  set_line(reader, std::max(from, to));
  return line_of(reader) - from;
}

// --- RstDividePageBuffer ---

RstDividePageBuffer::RstDividePageBuffer(RstRead* source) : RstDivide(source), header_(source) {}

RstDividePageBuffer* RstDividePageBuffer::create(RstRead* source) {
  RstCreateGuard guard(source);
  const char* where = "RstDividePageBuffer::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  int64_t page = int64_t{std::max(h.height, 0)} * std::max(source->line_size(), 0);
  if (h.data_form != 0 || h.height < 0 || page > std::numeric_limits<int32_t>::max()) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstDividePageBuffer>(source), guard);
}

RstDividePageBuffer::~RstDividePageBuffer() {
  rst_free(block_);
  rst_free(table_);
}

bool RstDividePageBuffer::initiate() {
  int32_t height = header_.height;
  size_t page = static_cast<size_t>(height) * static_cast<size_t>(line_size_);
  block_ = static_cast<uint8_t*>(rst_malloc(std::max<size_t>(page, 1)));
  table_ = static_cast<LineEntry*>(rst_malloc(sizeof(LineEntry) * std::max<size_t>(height, 1)));
  if (!block_ || !table_) {
    rst_report(RstCode::no_memory, "RstDividePageBuffer::initiate()");
    return false;
  }
  RstRead* src = source_node();
  int32_t start = 0;
  for (int32_t y = 0; y < height; ++y) {
    int n = src->read(block_ + start);
    if (n != line_size_) return false;  // a short page: no page at all
    table_[y] = {start, n};
    start += n;
  }
  page_read_ = true;
  release_when_read();
  return true;
}

void RstDividePageBuffer::release_when_read() {
  if (page_read_ && source_open_ && release_source()) source_open_ = false;
}

RstDivideReader* RstDividePageBuffer::create_reader() {
  release_when_read();
  return RstDivide::create_reader();
}

int RstDividePageBuffer::read(uint8_t* line, RstDivideReader* reader) {
  release_when_read();
  int32_t wanted = line_of(reader);
  if (wanted < 0 || wanted >= header_.height) return 0;
  const LineEntry& entry = table_[wanted];
  std::memcpy(line, block_ + entry.start, static_cast<size_t>(entry.count));
  set_line(reader, wanted + 1);
  return entry.count;
}

int RstDividePageBuffer::skip(int n, RstDivideReader* reader) {
  release_when_read();
  if (n <= 0) return 0;
  int32_t from = line_of(reader);
  int32_t to = static_cast<int32_t>(std::min<int64_t>(int64_t{from} + n, header_.height));
  set_line(reader, std::max(from, to));
  return line_of(reader) - from;
}
