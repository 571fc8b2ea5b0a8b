// The grid-sampled conversion of Lab images to sRGB.
#include "raster/color/rst_transform_color_by_mdlut.h"

#include <memory>
#include <new>

#include "raster/color/rst_transform_color_lab.h"
#include "raster/color/rst_transform_color_mdlut.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_context.h"
#include "raster/core/rst_write_memory.h"

namespace {

const char* const kWhere = "RstTransformColorByMDLUT<T,MDLUT>::create()";

RstRead* convert(RstTransformColorITULABToSRGB*, RstRead* source, const RstLabConversionParam& p) {
  return RstTransformColorITULABToSRGB::create(source, &p.range, p.white, p.color_type);
}

}  // namespace

template <class T, class MDLUT>
RstRead* RstTransformColorByMDLUT<T, MDLUT>::create(RstRead* source, const RstLabConversionParam& param,
                                                    int grid_points) {
  RstCreateGuard guard(source);
  const int n = grid_points;
  if (!source || n < 2 || n > 255) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  RstHeader h(source);
  if (h.sample_kind != RstSampleKind::unsigned_int || h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, kWhere);
    return nullptr;
  }
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 3) {
    rst_report(RstCode::unsupported_option, kWhere);
    return nullptr;
  }
  if (h.colormap) {
    RstRead* direct = convert(static_cast<T*>(nullptr), source, param);
    if (!direct) return nullptr;
    return rst_create_end(direct, guard);
  }
  // The grid colours, channel 0 fastest: g(i) = 255 i / (N - 1) rounded up.
  const int entries = n * n * n;
  auto* grid = rst_new<RstColormap>(8, 3, entries);
  if (!grid || !grid->data()) {
    delete grid;
    rst_report(RstCode::no_memory, kWhere);
    return nullptr;
  }
  RstCountedPtr<RstColormap> held(grid);
  if (!held.has_count()) {
    rst_report(RstCode::no_memory, kWhere);
    return nullptr;
  }
  uint8_t* e = grid->data();
  for (int i2 = 0; i2 < n; ++i2)
    for (int i1 = 0; i1 < n; ++i1)
      for (int i0 = 0; i0 < n; ++i0) {
        *e++ = uint8_t((255 * i0 + n - 2) / (n - 1));
        *e++ = uint8_t((255 * i1 + n - 2) / (n - 1));
        *e++ = uint8_t((255 * i2 + n - 2) / (n - 1));
      }
  RstHeader grid_header = h;
  grid_header.colormap = held;
  RstOwner<RstRead> sampled(RstReadColormap::create(grid_header));
  if (!sampled) return nullptr;
  RstHeader reader_header(sampled.get());
  RstRead* t = convert(static_cast<T*>(nullptr), sampled.get(), param);
  if (!t) return nullptr;
  sampled.release();
  sampled.attach(t);
  RstHeader out(t);
  if (out.width != reader_header.width || out.height != reader_header.height ||
      out.data_form != reader_header.data_form || out.colormap) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  const int64_t line = (int64_t(out.samples_per_pixel) * out.bits_per_sample * out.width + 7) / 8;
  RstOwner<uint8_t> table(static_cast<uint8_t*>(rst_malloc(size_t(line > 0 ? line : 1))));
  if (!table || line > INT32_MAX) {
    rst_report(RstCode::no_memory, kWhere);
    return nullptr;
  }
  RstRead* t_node = sampled.release();
  RstOwner<RstWriteMemory> writer(RstWriteMemory::create(t_node, table.get(), int32_t(line), int32_t(line)));
  if (!writer) {
    t_node->end();
    return nullptr;
  }
  while (writer->write() > 0) {
  }
  writer.reset();
  RstColorType* announced = out.color_type;
  RstRead* converted = MDLUT::create(source, unsigned(out.samples_per_pixel), unsigned(n), table.get(), announced, 0);
  if (!converted) return nullptr;
  return rst_create_end(converted, guard);
}

template class RstTransformColorByMDLUT<RstTransformColorITULABToSRGB, RstTransformColorMDLUTLinear>;
