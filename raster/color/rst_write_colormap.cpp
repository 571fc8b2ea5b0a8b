// The colormap writer.
#include "raster/color/rst_write_colormap.h"

#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstWriteMemory* RstWriteColormap::create(RstRead* source, RstCountedPtr<RstColormap>& target) {
  const char* where = "RstWriteColormap::create()";
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.colormap || h.height != 1) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  const RstColormap* held = target.get();
  bool same_shape = held && held->bits() == h.bits_per_sample && held->channels() == h.samples_per_pixel &&
                    held->entries() == h.width && held->data();
  // Headers that share the colormap keep their entries: only a colormap this
  // target alone holds is overwritten.
  if (!same_shape || target.use_count() != 1) {
    auto* made = rst_new<RstColormap>(h.bits_per_sample, h.samples_per_pixel, h.width);
    if (made && !made->data()) {
      delete made;
      made = nullptr;
    }
    RstCountedPtr<RstColormap> fresh(made);
    if (!fresh.has_count()) made = nullptr;  // deleted with its count
    if (!made) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    target = fresh;
  }
  const int64_t bytes = (int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample + 7) >> 3;
  RstWriteMemory* writer = RstWriteMemory::create(source, target->data(), int32_t(bytes), int32_t(bytes));
  if (!writer) return nullptr;
  return rst_create_end(writer, guard);
}
