// Status reporting: the default observer and messager and the process-wide
// status context.
#include "raster/core/rst_status.h"

#include <cstring>
#include <mutex>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_mutex.h"
#include "raster/core/rst_status_context.h"

void RstObserver::notify(void*, const int32_t* code, const char*) { throw RstStatus(code ? *code : 0); }

RstObserver* RstObserver::create() {
  RstObserver* o = rst_new<RstObserver>();
  if (!o) rst_report(RstCode::no_memory, "RstObserver::create()");
  return o;
}

void RstMessager::message(void*, const int32_t*, const char*) {}

RstMessager* RstMessager::create() {
  RstMessager* m = rst_new<RstMessager>();
  if (!m) rst_report(RstCode::no_memory, "RstMessager::create()");
  return m;
}

namespace {
// The status mutex lives from start-up to exit.
RstMutex& status_mutex() {
  static RstMutex mutex;
  return mutex;
}
// Made at start-up, before any raster function can run.
[[maybe_unused]] RstMutex& g_status_mutex_at_startup = status_mutex();
RstStatusContext* g_context = nullptr;
}  // namespace

RstStatusContext::RstStatusContext() {
  // The defaults are made directly: a report from their create() would need
  // the context that is being made.
  observer_ = new (std::nothrow) RstObserver;
  messager_ = new (std::nothrow) RstMessager;
  std::memset(format_enables.bytes, 1, sizeof format_enables.bytes);
}

RstStatusContext* RstStatusContext::instance() {
  std::lock_guard<RstMutex> lock(status_mutex());
  if (!g_context) g_context = new (std::nothrow) RstStatusContext;
  return g_context;
}

void RstStatusContext::report(void* reserved, const int32_t* code, const char* where) {
  if (messager_) messager_->message(reserved, code, where);
  last_status = *code;
  if (*code <= 0 && observer_) observer_->notify(reserved, code, where);
}

int32_t RstStatusContext::exchange_status(int32_t value) {
  std::lock_guard<RstMutex> lock(status_mutex());
  int32_t old = last_status;
  last_status = value;
  return old;
}

RstObserver* RstStatusContext::set_observer(RstObserver* observer) {
  RstObserver* old = observer_;
  observer_ = observer;
  return old;
}

RstMessager* RstStatusContext::set_messager(RstMessager* messager) {
  RstMessager* old = messager_;
  messager_ = messager;
  return old;
}

void rst_report(int32_t code, const char* where) {
  if (RstStatusContext* context = RstStatusContext::instance()) context->report(nullptr, &code, where);
}
