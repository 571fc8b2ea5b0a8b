// Walking a page's strips, one chain per strip.
#include "raster/formats/rst_write_tiles.h"

#include "raster/core/rst_header.h"

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
    // A strip whose chain failed ends the page with the chain's failure.
    if (chain->status() < 1) {
      fail(chain->status());
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
  if (!window()->set_window(lines ? spec.rows : spec.byte_count)) return false;
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
