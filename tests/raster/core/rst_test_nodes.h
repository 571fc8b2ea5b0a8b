// Small image nodes for tests of the node graph and the create protocol:
// each delivers a few one-byte lines, can fail its initiate, records its
// deletion in a shared log, and links any number of sources.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"

struct RstTestLog {
  std::vector<std::string> deleted;
  int initiates = 0;
  bool was_deleted(const std::string& name) const {
    return std::find(deleted.begin(), deleted.end(), name) != deleted.end();
  }
};

class RstTestNode : public RstRead {
 public:
  RstTestNode(std::string name, RstTestLog* log, std::initializer_list<RstRoot*> sources = {}, int lines = 5)
      : name_(std::move(name)), log_(log), lines_(lines) {
    for (RstRoot* s : sources) add_source(s);
  }
  ~RstTestNode() override { log_->deleted.push_back(name_); }

  void header(RstHeader& h) override {
    h = RstHeader();
    h.width = 8;
    h.height = lines_;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = data_form;
  }
  bool initiate() override {
    ++log_->initiates;
    if (initiate_report != 1) rst_report(initiate_report, "RstTestNode::initiate()");
    return initiate_ok;
  }
  int read(uint8_t* line) override {
    ++reads;
    if (pos_ >= lines_) return 0;
    line[0] = uint8_t(pos_++);
    return 1;
  }
  void reset() override { pos_ = 0; }
  int position() const { return pos_; }

  bool initiate_ok = true;
  int32_t initiate_report = 1;  // reported by initiate when not 1
  int32_t data_form = 0;
  int reads = 0;

 private:
  std::string name_;
  RstTestLog* log_;
  int lines_;
  int pos_ = 0;
};

// A factory over three inputs following the create protocol.
class RstTestTriple : public RstTestNode {
 public:
  static bool fail_initiate;
  static RstTestTriple* create(RstTestLog* log, RstRoot* a, RstRoot* b, RstRoot* c) {
    RstCreateGuard guard(a, b, c);
    if (!a || !b || !c) {
      rst_report(RstCode::bad_argument, "RstTestTriple::create()");
      return nullptr;
    }
    RstHeader h(a);
    if (h.height <= 0) {
      rst_report(RstCode::unsupported_form, "RstTestTriple::create()");
      return nullptr;
    }
    auto* node = rst_new<RstTestTriple>(log, a, b, c);
    if (node) node->initiate_ok = !fail_initiate;
    return rst_create_end(node, guard);
  }
  RstTestTriple(RstTestLog* log, RstRoot* a, RstRoot* b, RstRoot* c) : RstTestNode("triple", log, {a, b, c}) {}
};
inline bool RstTestTriple::fail_initiate = false;
