// The strip reading chain of TIFF pages: a page node that walks the page's tile
// specs and reads each strip through a node of its own, made when the strip's
// first row is asked for and ended after its last. RstReadTiles keeps the specs
// and the current strip node; RstReadTilesAndAlignX switches strips, puts a
// bit-reversing layer over the input for FillOrder 2 and joins the tiles of a
// band; RstReadRawTiles reads uncompressed strips. Every strip node reads
// through a window of its strip's bytes, so a corrupt strip never runs into
// the bytes of another.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/core/bit_reverse.h"
#include "raster/core/input_storage.h"
#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/formats/rst_tile_spec.h"

class RstReadTiles : public RstRead {
 public:
  RstReadTiles(InputStorage* input, const RstHeader& header, const RstCountedPtr<RstTileSpecArray>& specs);
  ~RstReadTiles() override;

  // A copy of the page header.
  void header(RstHeader& h) override { h = header_; }
  // The current strip node's line, or 0 when there is none.
  int read(uint8_t* line) override;

  // The next spec that has rows (strips left without rows by the tag reader's
  // repairs are passed over), made the current one; none after the last.
  const RstTileSpec* next_tile_spec();
  // The page header with the current spec's width and rows.
  RstHeader tile_header() const;
  // The node of the next strip, or none at the end of the page or on failure.
  virtual RstRead* next_link() = 0;
  // The current band node, made when there is none.
  virtual RstRead* current_link() = 0;

 protected:
  uint32_t specs_used_ = 0;
  RstCountedPtr<RstTileSpecArray> specs_;
  RstOwner<RstRead> link_;
  InputStorage* input_;
  RstTileSpec spec_;
  RstHeader header_;
};

class RstReadTilesAndAlignX : public RstReadTiles {
 public:
  RstReadTilesAndAlignX(InputStorage* input, const RstHeader& header, const RstCountedPtr<RstTileSpecArray>& specs,
                        bool reverse_bits);
  ~RstReadTilesAndAlignX() override;

  // With the reverse flag, every later read of the input goes through a
  // bit-reversing layer owned by this node.
  bool initiate() override;
  // One row of the current band; at a band's end the next band is made.
  int read(uint8_t* line) override;
  int skip(int n) override;
  // Back to the first band; the old band node ends at the next read.
  void reset() override;
  RstRead* current_link() override;

  // The node of the next band: strips joined left to right until they cover
  // the page width; none when the specs run out or a strip fails.
  RstRead* next_aligned_link();

 protected:
  // The input every strip node reads from (the bit-reversing layer when set).
  InputStorage* input() const { return reverser_ ? reverser_.get() : input_; }
  // A window over the bytes of the current spec's strip, kept until the band
  // ends: from its offset for its byte count (computed in 64 bits and clipped
  // to the input's end), or to the end of the input when the count is 0. An
  // offset at or past the end reports -11 with where; none.
  InputStorage* strip_window(const char* where);
  // Ends the band node, then drops the windows it read from.
  void end_link();

  uint32_t rows_left_ = 0;
  // A band that could not be made ends the page until a reset: the bands
  // after it would be delivered in its place.
  bool failed_ = false;
  bool reverse_bits_;
  std::unique_ptr<BitReverseInput<>> reverser_;
  std::vector<std::unique_ptr<SharedParentWindow>> windows_;
};

class RstReadRawTiles : public RstReadTilesAndAlignX {
 public:
  // No storage, no spec, or a header that is not raw lines: -2
  // "RstReadRawTiles::create()", none.
  static RstReadRawTiles* create(InputStorage* input, const RstHeader& header,
                                 const RstCountedPtr<RstTileSpecArray>& specs, bool reverse_bits);

  using RstReadTilesAndAlignX::RstReadTilesAndAlignX;
  // Raw lines of the next strip; an offset outside the input: -11
  // "RstReadRawTiles::next_link()".
  RstRead* next_link() override;
};

// Bytes of one raw line of a header, in 64 bits.
uint64_t rst_raw_line_bytes(const RstHeader& h);
