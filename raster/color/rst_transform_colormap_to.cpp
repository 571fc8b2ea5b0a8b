// Colour conversion of indexed images through their colormap.
#include "raster/color/rst_transform_colormap_to.h"

#include "raster/color/rst_transform_color_to.h"
#include "raster/color/rst_write_colormap.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

RstRead* RstTransformColormapTo::create(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  if (!source || !RstHeader(source).colormap) {
    rst_report(RstCode::bad_argument, "RstTransformColormapTo::create()");
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstTransformColormapTo>(source, target, range), guard);
}

bool RstTransformColormapTo::initiate() {
  const char* where = "RstTransformColormapTo::initiate()";
  RstHeader h(source());
  if (!h.colormap) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  RstOwner<RstRead> held(RstReadColormap::create(h));
  if (!held) return false;
  RstRead* converted = RstTransformColorTo::create(held.get(), color_type_, range_);
  if (!converted) return false;
  if (converted != held.get()) {
    held.release();
    held.attach(converted);
  }
  RstWriteMemory* writer = RstWriteColormap::create(held.get(), converted_);
  if (!writer || !converted_) {
    // Not made, or without colormap: nothing to drive.
    if (writer) writer->end();
    rst_report(RstCode::no_memory, where);
    return false;
  }
  held.release();
  RstOwner<RstWriteMemory> writing(writer);
  while (writing->write() > 0) {
  }
  return true;
}

void RstTransformColormapTo::header(RstHeader& h) {
  RstProcess::header(h);
  h.colormap = converted_;
  h.color_type = color_type_;
}
