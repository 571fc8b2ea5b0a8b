// The T.85 and T.43 code writers.
#include "raster/formats/rst_write_jbig.h"

#include "raster/codecs/rst_push_write_jbig.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_push_pull_write_bridge.h"
#include "raster/core/rst_status_context.h"

namespace {

template <class PushWriter, class Option>
RstWrite* create_writer(RstRead* source, OutputStorage* output, const Option* option, bool bit_reverse,
                        const char* where) {
  // The writer codes lines; code is refused before anything else is looked at.
  if (dynamic_cast<RstReadCode*>(source)) {
    rst_report(RstCode::unsupported_operation, where);
    return nullptr;
  }
  if (!source || !output || output->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  RstHeader header(source);
  PushWriter* writer = PushWriter::create(output, header, option, bit_reverse);
  if (!writer) return nullptr;
  RstPushPullWriteBridge* bridge = RstPushPullWriteBridge::create(source, writer, output);
  if (!bridge) {
    writer->end();
    return nullptr;
  }
  guard.disarm();
  return bridge;
}

}  // namespace

RstWrite* RstWriteJBIGT85::create(RstRead* source, OutputStorage* output, const RstEncodeJBIGT85Option* option,
                                  bool bit_reverse) {
  return create_writer<RstPushWriteT85>(source, output, option, bit_reverse, "RstWriteJBIGT85::create()");
}

RstWrite* RstWriteJBIGT43::create(RstRead* source, OutputStorage* output, const RstEncodeJBIGT43Option* option,
                                  bool bit_reverse) {
  return create_writer<RstPushWriteT43>(source, output, option, bit_reverse, "RstWriteJBIGT43::create()");
}
