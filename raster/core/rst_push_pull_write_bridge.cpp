// The bridge that drives a push writer as a pulled sink node.
#include "raster/core/rst_push_pull_write_bridge.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

RstPushPullWriteBridge::RstPushPullWriteBridge(RstRead* source, RstPushWrite* push_writer, OutputStorage* target)
    : RstWrite(source), line_size_(source->line_size()), push_writer_(push_writer), target_(target) {}

RstPushPullWriteBridge::~RstPushPullWriteBridge() {
  rst_free(line_);
  if (push_writer_) {
    // A destructor lets no report escape: it has reached the status context.
    try {
      push_writer_->end();
    } catch (const RstStatus&) {
    }
  }
}

RstPushPullWriteBridge* RstPushPullWriteBridge::create(RstRead* source, RstPushWrite* push_writer,
                                                       OutputStorage* target) {
  RstCreateGuard guard(source);
  if (!source || !push_writer || !target) {
    rst_report(RstCode::bad_argument, "RstPushPullWriteBridge::create()");
    return nullptr;
  }
  auto* bridge = rst_new<RstPushPullWriteBridge>(source, push_writer, target);
  // A bridge that fails gives the push writer back before it is torn down
  // with the source, so the writer has one owner whatever happens.
  try {
    if (rst_create_end(bridge, guard)) return bridge;
  } catch (...) {
    if (bridge) bridge->push_writer_ = nullptr;
    throw;
  }
  if (bridge) bridge->push_writer_ = nullptr;
  return nullptr;
}

void RstPushPullWriteBridge::header(RstHeader& h) {
  if (push_writer_) push_writer_->header(h);
}

bool RstPushPullWriteBridge::initiate() {
  line_ = line_size_ > 0 ? static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(line_size_))) : nullptr;
  if (!line_) {
    rst_report(RstCode::no_memory, "RstPushPullWriteBridge::initiate()");
    return false;
  }
  return true;
}

int RstPushPullWriteBridge::write() {
  if (!line_ || !push_writer_) return 0;
  int32_t start = target_->tell();
  RstRead* src = source();
  int n = src->read(line_);
  while (n == line_size_) {
    if (!push_writer_->write(line_)) {
      // Dropping the line would end the image short as if it were finished.
      set_status(RstCode::io_failure);
      rst_report(RstCode::io_failure, "RstPushPullWriteBridge::write()");
      return 0;
    }
    if (target_->tell() != start) break;
    n = src->read(line_);
  }
  return target_->tell() - start;
}
