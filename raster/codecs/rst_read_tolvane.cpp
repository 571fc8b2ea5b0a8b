// Reader nodes over codec stages.
#include "raster/codecs/rst_read_tolvane.h"

#include <algorithm>

#include "raster/core/rst_status_context.h"

RstReadTolvane::RstReadTolvane() = default;

RstReadTolvane::RstReadTolvane(RstRoot* source) {
  if (source) add_source(source);
}

RstReadTolvane::~RstReadTolvane() { close_stage(); }

void RstReadTolvane::close_stage() {
  if (stage_) stage_->close();
  stage_ = nullptr;
}

bool RstReadTolvane::describe() {
  if (described_) return !description_failed_;
  if (!stage_) return false;
  described_ = true;
  TolvaneImageInfo info;
  int32_t status = stage_->info(&info);
  if (status < 1) {
    // A failed description leaves nothing to size or count lines by.
    description_failed_ = true;
    header_ = RstHeaderTolvane();
    rst_report(status, "RstReadTolvane::read()");
    return false;
  }
  RstHeaderTolvane described(info);
  if (!described.usable()) {
    description_failed_ = true;
    header_ = RstHeaderTolvane();
    rst_report(RstCode::unsupported_form, "RstReadTolvane::read()");
    return false;
  }
  header_ = described;
  return true;
}

void RstReadTolvane::header(RstHeader& h) {
  describe();
  h = header_;
}

int RstReadTolvane::read(uint8_t* line) {
  if (!describe()) return 0;
  if (header_.height < 0 || lines_delivered_ >= static_cast<uint32_t>(header_.height)) return 0;
  ++lines_delivered_;
  int32_t status = stage_->line(line);
  if (status != RstCode::good) rst_report(status, "RstReadTolvane::read()");
  return status > 0 ? line_size() : 0;
}

void RstReadTolvane::reset() { rst_report(RstCode::unsupported_operation, "RstReadTolvane::reset()"); }

int RstReadTolvane::line_size() {
  describe();
  return RstHeaderTolvane::packed_line_bytes(header_);
}

int32_t RstReadTolvane::info(TolvaneImageInfo* info) {
  stage_view_ = RstHeaderTolvane(static_cast<RstRoot*>(this));
  if (info) *info = stage_view_.image_info();
  return RstCode::good;
}

int32_t RstReadTolvane::line(uint8_t* buffer) { return read(buffer) > 0 ? 1 : 0; }

int32_t RstReadTolvane::close() {
  described_ = false;
  description_failed_ = false;
  lines_delivered_ = 0;
  return RstCode::good;
}

RstReadRasterTolvane::RstReadRasterTolvane(InputStorage* storage)
    : window_(storage, storage ? storage->size() - storage->tell() : 0) {}

RstReadRasterTolvane::~RstReadRasterTolvane() {
  // The stage may still use the stream while it closes.
  close_stage();
  if (stream_) stream_->close();
}

bool RstReadRasterTolvane::init() {
  lines_left_ = 0;
  if (!stream_) {
    window_.rewind();
    stream_ = rstCreateStreamByBrenvoldInputStorage(&window_);
    if (!stream_) {
      rst_report(RstCode::no_memory, "RstRead23::init()");
      return false;
    }
  }
  stream_->seek(0, 0);
  close_stage();
  stage_ = create_stage();
  if (!stage_) {
    rst_report(RstCode::no_memory, "RstReadRasterTolvane::init()");
    return false;
  }
  if (stage_->status < 1) {
    rst_report(stage_->status, "RstReadRasterTolvane::init()");
    return false;
  }
  last_status_ = RstCode::good;
  if (describe()) lines_left_ = std::max(RstHeader(static_cast<RstRoot*>(this)).height, 0);
  return true;
}

int RstReadRasterTolvane::read(uint8_t* line) {
  if (lines_left_ <= 0) return 0;
  --lines_left_;
  if (last_status_ > 0) {
    int32_t status = stage_->line(line);
    if (status == RstCode::unsupported_form) status = RstCode::invalid_code;
    last_status_ = status;
    if (status > 0) {
      if (status != RstCode::good) rst_report(status, "RstReadTolvane::read()");
      return line_size();
    }
  }
  // The line is missing: announce it by a warning. A failure whose negation
  // is no warning (0, or -1 for memory) is announced as a recoverable one.
  int32_t warning = -last_status_;
  if (warning <= RstCode::good) warning = RstCode::recoverable_decode;
  rst_report(warning, "RstReadTolvane::read()");
  return line_size();
}

int RstReadRasterTolvane::skip(int n) { return RstRead::skip(std::min(n, lines_left_)); }
