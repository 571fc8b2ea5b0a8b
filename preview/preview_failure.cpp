// The preview's record of raster library errors (see preview_failure.h).
#include "preview/preview_failure.h"

#include "raster/core/rst_status_context.h"

PreviewFailureWatch::PreviewFailureWatch() : context_(RstStatusContext::instance()), previous_(nullptr) {
  if (context_) previous_ = context_->set_messager(this);
}

PreviewFailureWatch::~PreviewFailureWatch() {
  if (context_) context_->set_messager(previous_);
}

void PreviewFailureWatch::message(void* reserved, const int32_t* code, const char* where) {
  if (previous_) previous_->message(reserved, code, where);
  if (!code || *code > 0) return;
  reported_ = true;
  last_code_ = *code;
  try {
    last_where_ = where ? where : "";
  } catch (...) {
    last_where_.clear();
  }
}
