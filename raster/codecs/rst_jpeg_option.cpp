// The JPEG coding options.
#include "raster/codecs/rst_jpeg_option.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstJPEGOption::RstJPEGOption(const RstJPEGTables* source, RstColorType* color_type) : color_type(color_type) {
  if (!source) return;
  RstJPEGTables* copy = rst_new<RstJPEGTables>(*source);
  // A set whose count could not be made is deleted by its holder.
  tables.reset(copy);
  if (tables.has_count()) return;
  rst_report(-1, "RstJPEGOption::RstJPEGOption()");
}

RstCodingOption* RstJPEGOption::clone() const {
  RstJPEGOption* copy = rst_new<RstJPEGOption>(tables.get(), color_type);
  // A copy that lost its tables would code with other tables than asked.
  if (copy && tables && !copy->tables) {
    delete copy;
    copy = nullptr;
  }
  if (!copy) rst_report(-1, "RstJPEGOption::clone()");
  return copy;
}

RstCodingOption* RstEncodeJPEGOption::clone() const { return rst_clone_option(*this, "RstEncodeJPEGOption::clone()"); }

namespace RstJPEGSampling {

const Entry* find(uint32_t code) {
  for (const Entry& e : table)
    if (e.code == code) return &e;
  return nullptr;
}

const Entry* find(int32_t horizontal, int32_t vertical) {
  for (const Entry& e : table)
    if (e.horizontal == horizontal && e.vertical == vertical) return &e;
  return nullptr;
}

}  // namespace RstJPEGSampling
