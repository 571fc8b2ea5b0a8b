// Reading nodes over one source, and the forwarding decorator.
#include "raster/core/rst_process.h"

#include "raster/core/rst_header.h"

RstProcess::RstProcess(RstRead* source) {
  if (source) add_source(source);
}

RstRead* RstProcess::source() const {
  // Sources of a reading node are reading nodes.
  return sources().empty() ? nullptr : static_cast<RstRead*>(sources().front());
}

void RstProcess::header(RstHeader& h) {
  if (RstRead* src = source()) src->header(h);
  else h = RstHeader();
}

int RstReadDecorator::read(uint8_t* line) { return source()->read(line); }

int RstReadDecorator::skip(int n) { return source()->skip(n); }

void RstReadDecorator::reset() { source()->reset(); }

int RstReadDecorator::line_size() { return source()->line_size(); }
