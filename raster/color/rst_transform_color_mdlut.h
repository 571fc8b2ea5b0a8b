// RstTransformColorMDLUTLinear::create converts every pixel of a node through
// a caller's multi-dimensional lookup table. Grids of N - 1 a power of two
// over sources of two channels or more take the stage route (the integer
// table stage behind a creator node); every other grid the transformer route
// (a CtMDLUTLinear in a colour transformation node). The table is reordered
// when the route reads the other node order.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "raster/codecs/rst_read_tolvane.h"
#include "raster/color/rst_mdlut_stage.h"
#include "raster/color/rst_transform_color.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

// A reading node that puts the stage its creator makes behind its source: the
// node's own stage describes the source's header and reads its lines, and
// the node reads the made stage's lines. Each reset makes a fresh stage.
template <class Creator, class Arg>
class RstReadTolvaneCreator : public RstReadTolvane {
 public:
  // Takes over arg (and what it owns).
  RstReadTolvaneCreator(RstRead* source, Creator creator, Arg&& arg)
      : RstReadTolvane(source), creator_(creator), arg_(std::move(arg)) {}
  ~RstReadTolvaneCreator() override {
    close_stage();
    rst_free(source_line_);
  }

  bool initiate() override { return make_stage(); }
  void reset() override {
    close_stage();
    static_cast<RstRead*>(source())->reset();
    make_stage();
  }

  int32_t info(TolvaneImageInfo* info) override {
    RstHeaderTolvane source_header(source());
    if (info) *info = source_header.image_info();
    return RstCode::good;
  }
  int32_t line(uint8_t* buffer) override {
    auto* src = static_cast<RstRead*>(source());
    if (!source_line_) return src->read(buffer) > 0 ? RstCode::good : 0;
    if (src->read(source_line_) <= 0) return 0;
    std::memcpy(buffer, source_line_, size_t(packed_));
    return RstCode::good;
  }
  int32_t close() override { return RstReadTolvane::close(); }

 private:
  bool make_stage() {
    close_stage();
    auto* src = static_cast<RstRead*>(source());
    if (!src) return false;
    // A source whose lines are longer than their packed samples reads into
    // a line of its own.
    packed_ = RstHeaderTolvane::packed_line_bytes(RstHeader(src));
    int size = src->line_size();
    if (size > packed_ && !source_line_) {
      source_line_ = static_cast<uint8_t*>(rst_malloc(size_t(size)));
      if (!source_line_) {
        rst_report(RstCode::no_memory, "RstReadTolvaneCreator::initiate()");
        return false;
      }
    }
    stage_ = creator_(static_cast<RstInstanceTolvane*>(this), arg_);
    if (!stage_) {
      rst_report(RstCode::no_memory, "RstReadTolvaneCreator::initiate()");
      return false;
    }
    if (stage_->status <= 0) {
      rst_report(stage_->status, "RstReadTolvaneCreator::initiate()");
      close_stage();
      return false;
    }
    return true;
  }

  Creator creator_;
  Arg arg_;
  uint8_t* source_line_ = nullptr;
  int32_t packed_ = 0;
};

// The argument of the table stage's creator node: the parameters, the
// reordered table copy they point at (or none when the caller's table is
// used), and the colour code the stage announces.
struct MDLUTLinearArg_ {
  RstOwner<uint8_t> owned_table;
  MDLUTLinearParam param;
  uint16_t color_code = 0xFFFF;
};

struct MDLUTLinearCreator_ {
  RstInstanceTolvane* operator()(RstInstanceTolvane* previous, const MDLUTLinearArg_& arg) const {
    return rstCreateInstanceMDLUTLinear(previous, &arg.param, arg.color_code);
  }
};

class RstTransformColorMDLUTLinear : public RstTransformColor {
 public:
  // table: N^K x M samples of the source's depth (K its channels), in stage
  // order (last input channel fastest) when stage_order is true, else in
  // transformer order. color_type null keeps the source's. Null after a
  // report "RstTransformColorMDLUTLinear::create()": -2 no source, M 0, N
  // below 2 or no table, and on the stage route a colour type without stage
  // colour code or of other than M channels, or N, M above 255; -3 below 2
  // bits or not unsigned samples; -50 depths other than 8 and 16, and on the
  // transformer route 2 or more than 4 channels; -1 a reordered copy not
  // made. Only on the stage route with stage_order true does the node keep
  // the caller's table (copied at each stage it makes).
  static RstRead* create(RstRoot* source, unsigned outputs, unsigned grid_points, const void* table,
                         RstColorType* color_type, uint8_t stage_order);

  // A CtMDLUTLinear of the attributes' depth and channel count, or null after
  // -50 (or -1 when memory ran out) "RstTransformColorMDLUTLinear::create()".
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes, unsigned outputs,
                                                    unsigned grid_points, const void* table);

  // The copy of a table of K = 3 or 4 inputs in the other node order
  // ((b x N^K x M + 7) / 8 bytes from rst_malloc), or null for other K or
  // when memory ran out.
  static uint8_t* reverse_axes(const void* table, int bits, int inputs, unsigned outputs, unsigned grid_points);

  RstTransformColorMDLUTLinear(RstRead* source, unsigned outputs, unsigned grid_points, const void* table,
                               RstColorType* color_type);
};
