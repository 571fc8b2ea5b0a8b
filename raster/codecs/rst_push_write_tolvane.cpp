// The push writer over an encoding stage.
#include "raster/codecs/rst_push_write_tolvane.h"

#include "raster/codecs/rst_header_tolvane.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

RstPushWriteTolvane::RstPushWriteTolvane(OutputStorage* target, const RstHeader& header, bool bit_reverse)
    : RstPushWrite(target, header, bit_reverse, kBufferSize),
      line_bytes_(RstHeaderTolvane::packed_line_bytes(header)),
      height_(header.height) {}

RstPushWriteTolvane::~RstPushWriteTolvane() { close_stage_and_stream(); }

int32_t RstPushWriteTolvane::close_stage_and_stream() {
  int32_t status = stage_ ? stage_->close() : RstCode::good;
  stage_ = nullptr;
  if (stream_) stream_->close();
  stream_ = nullptr;
  return status;
}

BrenvoldStream* RstPushWriteTolvane::stream() {
  if (!stream_) stream_ = rstCreateStreamByBrenvoldOutputStorage(output());
  return stream_;
}

bool RstPushWriteTolvane::initiate() {
  const char* where = "RstPushWriteTolvane::initiate()";
  if (!RstHeaderTolvane::colormap_fits(stored_header())) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  if (!RstPushWrite::initiate()) return false;
  stage_ = create_stage();
  if (!stage_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (stage_->status != RstCode::good) {
    rst_report(stage_->status, where);
    if (stage_->status < 1) return false;
  }
  int32_t status = send_header();
  if (status != RstCode::good) {
    rst_report(status, where);
    if (status < 1) return false;
  }
  return true;
}

bool RstPushWriteTolvane::write(const uint8_t* line) {
  if (!stage_ || failed_ || height_ < 0 || lines_pushed_ >= static_cast<uint32_t>(height_)) return false;
  int32_t status = stage_->line(const_cast<uint8_t*>(line));
  if (status != RstCode::good) {
    // After an error the stage takes no more lines.
    failed_ = status <= 0;
    rst_report(status, "RstPushWriteTolvane::write()");
    if (status <= 0) return false;
  }
  ++lines_pushed_;
  return true;
}

void RstPushWriteTolvane::end() {
  int32_t status = close_stage_and_stream();
  // The writer goes whatever the report does; a stream the stage could not
  // complete must not pass as written.
  RstOwner<RstPushWriteTolvane> self;
  self.attach(this);
  // A failure write() has reported is not reported twice.
  if (status < 1 && !failed_) rst_report(status, "RstPushWriteTolvane::end()");
}
