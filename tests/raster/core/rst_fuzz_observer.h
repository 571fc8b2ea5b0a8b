// Test support for the fuzz targets: an observer and messager that swallow
// every report while they live; errors either return (throws == false) or
// throw as the default observer does.
#pragma once

#include <cstdint>

#include "raster/core/rst_status.h"
#include "raster/core/rst_status_context.h"

struct RstFuzzObserver : RstObserver, RstMessager {
  explicit RstFuzzObserver(bool throws = false) : throws(throws) {
    RstStatusContext* c = RstStatusContext::instance();
    old_observer = c->set_observer(this);
    old_messager = c->set_messager(this);
  }
  ~RstFuzzObserver() override {
    RstStatusContext* c = RstStatusContext::instance();
    c->set_observer(old_observer);
    c->set_messager(old_messager);
  }
  RstFuzzObserver(const RstFuzzObserver&) = delete;
  RstFuzzObserver& operator=(const RstFuzzObserver&) = delete;

  void notify(void*, const int32_t* code, const char*) override {
    if (throws) throw RstStatus(*code);
  }
  void message(void*, const int32_t*, const char*) override {}

  bool throws;
  RstObserver* old_observer;
  RstMessager* old_messager;
};
