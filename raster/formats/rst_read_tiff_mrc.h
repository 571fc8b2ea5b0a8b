// The front of the TIFF-FX mixed raster content page reader: the check and
// factory entry, the reader's page state, the child image headers read from
// the mask page's SubIFDs and the IFDs chained after them, and the choice of
// the children a strip of the page needs. The composition of a strip lives
// with the MRC nodes, which register the factory behind this entry.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "raster/core/move_in_move_out_input_storage.h"
#include "raster/formats/rst_read_tiff.h"

class RstReadTIFFMRC : public RstReadTIFF {
 public:
  class RstReadTIFFMRCChildHeader : public RstReadTIFFHeader {
   public:
    // The one IFD at offset, at level 2, without its SubIFDs.
    RstReadTIFFMRCChildHeader(InputStorage* input, uint32_t byte_order, uint32_t offset);
    uint8_t chain_followed = 0;  // set once the IFD chained after this one is read
  };
  using ChildList = std::vector<RstReadTIFFMRCChildHeader*>;
  using Storages = std::vector<std::unique_ptr<MoveInMoveOutInputStorage<>>>;
  enum class Layer { background, foreground };

  // The page rows of the strip being built, in page pixels.
  struct StripRect {
    uint8_t empty = 0;
    int32_t left = 0, top = 0, right = 0, bottom = -1;
  };

  // Children beyond this many per page are not read: a chain of hostile
  // IFDs would otherwise fill the memory with headers.
  static constexpr size_t max_children = 4096;

  // Not an MRC mask page, or the input missing or closed: -2; a page whose
  // XResolution or YResolution is zero (either word): -3; a tiled mask or
  // no registered page reader: -50; a mask not of 1-bit samples or of a size
  // whose composed rows exceed 2^31 - 1 bytes: -3; all
  // "RstReadTIFFMRC::create()". flag selects mask-referenced layer scaling.
  static RstRead* create(InputStorage* input, RstReadTIFFHeader* header, int flag);
  // Input present and open, header a mask page.
  static bool is_mrc(InputStorage* input, RstReadTIFFHeader* header);

  RstReadTIFFMRC(InputStorage* input, RstReadTIFFHeader* header);
  ~RstReadTIFFMRC() override;

  // Whether the child meets the strip's rows and is of the layer. A child
  // that cannot be placed (a bad status, a zero resolution or denominator)
  // meets every strip, so that its strip reports it.
  bool layer_intersects(const RstReadTIFFMRCChildHeader& child, Layer which) const;
  // The children of the layer that meet the strip, reading SubIFDs and
  // chained IFDs not read yet; the storages grow to one per listed child.
  // False when memory ran out on the way (reported): the list may then lack
  // a child, and the strip is not to be composed from it.
  bool next_layer_headers(ChildList& out, Storages& storages, Layer which);
  bool next_background_headers(ChildList& out) {
    return next_layer_headers(out, background_storages_, Layer::background);
  }
  bool next_foreground_headers(ChildList& out) {
    return next_layer_headers(out, foreground_storages_, Layer::foreground);
  }
  // Back to the page's first strip.
  void rewind();

  const StripRect& strip_rect() const { return strip_; }
  const Storages& background_storages() const { return background_storages_; }
  const Storages& foreground_storages() const { return foreground_storages_; }
  size_t child_count() const { return children_.size(); }

 protected:
  // A child read at offset into the list of children, or none (reported;
  // complete false when memory ran out).
  RstReadTIFFMRCChildHeader* read_child(Storages& storages, uint32_t offset, bool& complete);
  // Appends the child to out when it meets the strip, growing the storages.
  bool list_child(ChildList& out, Storages& storages, RstReadTIFFMRCChildHeader* child, Layer which);

  InputStorage* mrc_input_;
  Storages background_storages_;
  Storages foreground_storages_;
  StripRect strip_;
  RstRational x_resolution_;
  RstRational y_resolution_;
  uint32_t byte_order_;
  uint32_t sub_ifds_read_ = 0;
  std::vector<std::unique_ptr<RstReadTIFFMRCChildHeader>> children_;
  std::vector<uint32_t> sub_ifds_;
  // Every child IFD offset is read once per page: a chain that leads back
  // ends there.
  std::unordered_set<uint32_t> offsets_read_;
};
