// Sink nodes: linked to their one source, with its header.
#include "raster/core/rst_write.h"

#include "raster/core/rst_header.h"

RstWrite::RstWrite(RstRead* source) {
  if (source) add_source(source);
}

RstRead* RstWrite::source() const { return sources().empty() ? nullptr : static_cast<RstRead*>(sources().front()); }

void RstWrite::header(RstHeader& h) {
  if (RstRead* src = source()) src->header(h);
  else h = RstHeader();
}
