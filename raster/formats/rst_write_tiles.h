// The strip-by-strip writer: walks a page's tile specs, opens a window over
// the page's source for each strip and has a fresh chain, built by the
// subclass, write that strip.
#pragma once

#include <cstdint>

#include "raster/core/output_storage.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_write.h"
#include "raster/formats/rst_nested_process.h"
#include "raster/formats/rst_tile_spec.h"

class RstWriteTilesBase {
 public:
  virtual ~RstWriteTilesBase() = default;
  virtual bool next_tile() = 0;
  virtual void end_tile() = 0;

  OutputStorage* output = nullptr;  // not owned
  uint32_t next_index = 0;
  RstCountedPtr<RstTileSpecArray> specs;
  RstWrite* chain = nullptr;
};

class RstWriteTiles : public RstWrite, public RstWriteTilesBase {
 public:
  // The window for a source's strips: lines for raw or run lines, code bytes
  // for coded data; none when it cannot be made (reported).
  static RstNestedProcess* make_window(RstRead* source, const RstTileSpecArray& specs);

  RstWriteTiles(RstNestedProcess* window, OutputStorage* output, const RstCountedPtr<RstTileSpecArray>& specs);

  // Bytes written by the current strip's chain; 0 when the page is done or
  // a chain failed (status() then holds the failure).
  int write() override;
  // Ends the current strip's chain with the writer.
  void end(RstRoot* user) override;
  using RstWrite::end;

  // The chain that writes one strip shown by the window.
  virtual RstWrite* create_encoder(RstRead* window, OutputStorage* output) = 0;
  bool next_tile() override;
  void end_tile() override;

  RstNestedProcess* window() const { return static_cast<RstNestedProcess*>(source()); }

 protected:
  void fail(int32_t code) { set_status(code); }
};
