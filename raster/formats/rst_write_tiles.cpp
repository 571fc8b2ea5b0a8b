// Walking a page's strips, one chain per strip.
#include "raster/formats/rst_write_tiles.h"

#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {
// The failure a node reported last, or out of memory when none is known.
int32_t failure_code() {
  RstStatusContext* context = RstStatusContext::instance();
  int32_t code = context ? context->last_status : RstCode::no_memory;
  return code < 1 ? code : RstCode::no_memory;
}
}  // namespace

RstNestedProcess* RstWriteTiles::make_window(RstRead* source, const RstTileSpecArray& specs) {
  RstHeader h(source);
  uint32_t rows = specs.size() ? specs[0].rows : 0;
  uint32_t bytes = specs.size() ? specs[0].byte_count : 0;
  if (h.data_form == RstDataForm::raw || h.data_form == RstDataForm::rle)
    return RstNestedProcessRaw::create(source, rows);
  return RstNestedProcessCode::create(source, bytes);
}

RstWriteTiles::RstWriteTiles(RstNestedProcess* window, OutputStorage* out, const RstCountedPtr<RstTileSpecArray>& s)
    : RstWrite(window) {
  output = out;
  specs = s;
}

int RstWriteTiles::write() {
  if (status() < 1) return 0;
  if (!chain && !next_tile()) return 0;
  // A chain may hold its whole strip until it ends (the JBIG writers do):
  // a step without bytes ends the page only when no strip is left.
  for (;;) {
    int n = chain->write();
    if (n != 0) return n;
    // A strip whose chain failed ends the page with the chain's failure; so
    // does a source that failed under a chain that took its end as the
    // strip's end.
    int32_t s = chain->status();
    auto* raw = dynamic_cast<RstNestedProcessRaw*>(window());
    if (s >= 1 && raw && raw->source_failed) s = failure_code();
    if (s < 1) {
      fail(s);
      end_tile();
      return 0;
    }
    if (!next_tile()) return 0;
  }
}

bool RstWriteTiles::next_tile() {
  end_tile();
  if (!specs || next_index >= specs->size()) return false;
  const RstTileSpec& spec = (*specs)[next_index++];
  bool lines = dynamic_cast<RstNestedProcessRaw*>(window()) != nullptr;
  if (!window()->set_window(lines ? spec.rows : spec.byte_count)) {
    // Strips are planned from the header's height: a window that cannot open
    // means the source ended early.
    fail(failure_code());
    return false;
  }
  chain = create_encoder(window(), output);
  if (!chain) fail(-1);  // the page cannot go on without its strip
  return chain != nullptr;
}

void RstWriteTiles::end_tile() {
  if (!chain) return;
  RstWrite* ending = chain;
  chain = nullptr;
  ending->end();
}

void RstWriteTiles::end(RstRoot* user) {
  if (user == this) end_tile();
  RstWrite::end(user);
}
