// Scaling by command (see rst_scale_command.h).
#include "raster/geometry/rst_scale_command.h"

#include <new>

#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_lightness.h"

namespace {

// Each command pins its source for the time of the build.
template <class Build>
RstRead* build(RstRead* source, Build make) {
  RstCreateGuard guard(source);
  RstRead* node = make();
  if (!node) return nullptr;
  return rst_create_end(node, guard);
}

}  // namespace

RstRead* RstScale::NearestNeighbor::scale(RstRead* source, int32_t width, int32_t height) {
  return build(source, [&] { return RstScaleNN::create(source, width, height); });
}

RstScale::ScaleCommand* RstScale::NearestNeighbor::clone() const { return new (std::nothrow) NearestNeighbor; }

RstRead* RstScale::Linear::scale(RstRead* source, int32_t width, int32_t height) {
  return build(source, [&]() -> RstRead* {
    // The colour nodes are reached through the creators their folder
    // registers.
    RstFormatCreators& creators = rst_format_creators();
    if (!creators.convert_bits_1_to_8 || !creators.apply_colormap) {
      rst_report(RstCode::unsupported_option, "RstScale::Linear::scale()");
      return nullptr;
    }
    // One owner holds the top of the chain built so far (none: the source).
    RstOwner<RstRead> held;
    RstRead* top = source;
    for (int stage = 0; stage < 2; ++stage) {
      RstRead* next = stage == 0 ? creators.convert_bits_1_to_8(top, 0, 255) : creators.apply_colormap(top);
      if (!next) return nullptr;
      if (next != top) {
        held.release();
        held.attach(next);
        top = next;
      }
    }
    RstRead* scaled = RstScaleLI::create(top, width, height);
    if (!scaled) return nullptr;
    held.release();
    return scaled;
  });
}

RstScale::ScaleCommand* RstScale::Linear::clone() const { return new (std::nothrow) Linear; }

RstRead* RstScale::MinLightness::scale(RstRead* source, int32_t width, int32_t height) {
  return build(source, [&] { return RstScaleLightness::create(source, width, height, true); });
}

RstScale::ScaleCommand* RstScale::MinLightness::clone() const { return new (std::nothrow) MinLightness; }

RstRead* RstScale::BinaryOr::scale(RstRead* source, int32_t width, int32_t height) {
  return build(source, [&] { return RstScaleOR::create(source, width, height); });
}

RstScale::ScaleCommand* RstScale::BinaryOr::clone() const { return new (std::nothrow) BinaryOr; }

RstRead* RstScale::create(RstRead* source, int32_t width, int32_t height, ScaleCommand& command) {
  if (!source || width == 0 || height == 0) {
    rst_report(RstCode::bad_argument, "RstScale::create()");
    return nullptr;
  }
  return command.scale(source, width, height);
}
