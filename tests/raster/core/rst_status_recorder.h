// Test support for raster code: a recorder that installs an observer and a
// messager which record every report (the observer returns instead of
// throwing), sets the last status to 1, and puts everything back when it
// goes; and a GoogleTest fixture built on it that also disarms the
// allocation-failure hook.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

struct RstReport {
  int32_t code;
  std::string where;
  bool operator==(const RstReport&) const = default;
};

inline void PrintTo(const RstReport& r, std::ostream* os) { *os << r.code << " \"" << r.where << "\""; }

class RstStatusRecorder {
 public:
  RstStatusRecorder() : observer_(this), messager_(this) {
    context_ = RstStatusContext::instance();
    old_observer_ = context_->set_observer(&observer_);
    old_messager_ = context_->set_messager(&messager_);
    old_status_ = context_->exchange_status(1);
  }
  ~RstStatusRecorder() {
    context_->set_observer(old_observer_);
    context_->set_messager(old_messager_);
    context_->exchange_status(old_status_);
  }
  RstStatusRecorder(const RstStatusRecorder&) = delete;
  RstStatusRecorder& operator=(const RstStatusRecorder&) = delete;

  // Errors (codes <= 0) as the observer saw them.
  const std::vector<RstReport>& errors() const { return errors_; }
  // Every report as the messager saw it.
  const std::vector<RstReport>& messages() const { return messages_; }
  int32_t last_status() const { return context_->last_status; }
  void clear() {
    errors_.clear();
    messages_.clear();
    context_->last_status = 1;
  }

 private:
  struct Observer : RstObserver {
    explicit Observer(RstStatusRecorder* r) : r(r) {}
    void notify(void*, const int32_t* code, const char* where) override {
      r->errors_.push_back({*code, where ? where : ""});
    }
    RstStatusRecorder* r;
  };
  struct Messager : RstMessager {
    explicit Messager(RstStatusRecorder* r) : r(r) {}
    void message(void*, const int32_t* code, const char* where) override {
      r->messages_.push_back({*code, where ? where : ""});
    }
    RstStatusRecorder* r;
  };

  RstStatusContext* context_;
  Observer observer_;
  Messager messager_;
  RstObserver* old_observer_;
  RstMessager* old_messager_;
  int32_t old_status_;
  std::vector<RstReport> errors_;
  std::vector<RstReport> messages_;
};

// Each test runs with reports recorded and the allocation hook disarmed.
class RstStatusTest : public ::testing::Test {
 protected:
  RstStatusTest() { RstAllocFault::clear(); }
  ~RstStatusTest() override { RstAllocFault::clear(); }
  RstStatusRecorder status;
};
