// What the preview tells about a failure of the raster library: the code and
// where-text of the last error report. A watch records them while it lives
// (it passes every report on to the messager it replaced), so the preview's
// messages and its guard can name them; the default observer still throws.
#pragma once

#include <cstdint>
#include <string>

#include "raster/core/rst_status.h"

class RstStatusContext;

class PreviewFailureWatch : public RstMessager {
 public:
  PreviewFailureWatch();
  ~PreviewFailureWatch() override;
  PreviewFailureWatch(const PreviewFailureWatch&) = delete;
  PreviewFailureWatch& operator=(const PreviewFailureWatch&) = delete;

  void message(void* reserved, const int32_t* code, const char* where) override;
  // True once an error (code at or below zero) was reported.
  bool reported() const { return reported_; }
  int32_t last_code() const { return last_code_; }
  const std::string& last_where() const { return last_where_; }

 private:
  RstStatusContext* context_;
  RstMessager* previous_;
  bool reported_ = false;
  int32_t last_code_ = 0;
  std::string last_where_;
};
