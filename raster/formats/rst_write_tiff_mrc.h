// The TIFF-FX profile M page writer: the page is turned into ITU Lab, split
// into a bilevel mask and background and foreground layers, each colour layer
// cut into stripes that match the mask's strips (and reduced on request),
// and written as a mask page whose SubIFDs lead to the layer images. Per
// strip the file holds the strip's layer IFDs, the mask strip, then the
// layer images' data.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/formats/rst_write_tiff_nodes.h"

// One layer image (one stripe of one layer): its source, not owned once a
// writer has taken it, and its option, which shares the layer's coding option.
// Once the page writer is made it holds the source as one of its inputs.
struct RstMRCChildRecord {
  RstRead* source = nullptr;
  std::unique_ptr<RstWriteTIFFOption> option;
};

class RstWriteTIFFMRC {
 public:
  // The writer of one profile M page of an 8-bit, 3-sample raw source,
  // initiated (page IFD written), or none. No manager, source or open output,
  // or a tiled option: -2 "RstWriteTIFFMRC::create()"; another source form:
  // -3 "RstWriteTIFFMRC::create().".
  static RstWrite* create(RstRead* source, RstWriteTIFFMultiPageManager* manager, const RstWriteTIFFMRCOption* option);

  virtual ~RstWriteTIFFMRC();

  uint32_t background_index = 0;
  uint32_t foreground_index = 0;
  std::vector<RstMRCChildRecord> foreground_images;
  std::vector<RstMRCChildRecord> background_images;
  RstWrite* background_writer = nullptr;
  RstWrite* foreground_writer = nullptr;
  RstWriteTIFFChildMultiPageManager* foreground_manager = nullptr;  // owned
  RstWriteTIFFChildMultiPageManager* background_manager = nullptr;  // owned
  RstWriteTIFFMultiPageManager* page_manager = nullptr;             // not owned

 protected:
  // Ends the current layer writers, deletes the child managers (which ends
  // their chains) and ends the layer images no writer took.
  void release_layers();
  // Ends the layer images of a list that are still this writer's.
  virtual void end_images(std::vector<RstMRCChildRecord>& images);
};

class RstEncodeAndWriteTIFFMRC : public RstWriteTIFFBridge, public RstWriteTIFFMRC {
 public:
  // The page writer over an ITU Lab source. No manager, source or open
  // output, or a layer mode other than 0, 1, 2: -2
  // "RstEncodeAndWriteTIFFMRC::create()"; resolutions that differ: -2
  // "RstEncodeAndWriteTIFFMRC::create() - X resolution != Y resolution."; a
  // Compression without mask chain: 0 "RstEncodeAndWriteTIFFMRC::
  // create_encoder() - invalid compression is specified". Nothing is written
  // on refusal.
  static RstEncodeAndWriteTIFFMRC* create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                          const RstWriteTIFFMRCOption* option);

  RstEncodeAndWriteTIFFMRC(RstNestedProcess* window, RstWriteTIFFMultiPageManager* manager,
                           const RstWriteTIFFOption& page, std::vector<RstMRCChildRecord> background,
                           std::vector<RstMRCChildRecord> foreground);
  ~RstEncodeAndWriteTIFFMRC() override;

  void header(RstHeader& h) override;
  // The page IFD, then the two child managers; -1 "RstWriteTIFFMRC::initialize()".
  bool initiate() override;
  // The mask strip's chain.
  RstWrite* create_encoder(RstRead* window, OutputStorage* output) override;
  // Ends the mask strip and the previous stripe's layer images, then starts
  // the next stripe's layer images and mask strip.
  bool next_tile() override;

  // Links every layer image to this node as one of its inputs, so that the
  // image is ended once, by whoever lets go of it last: this node, the layer
  // writer that takes it, or the end of the page's graph above it. An image
  // that cannot be linked is ended; false then (reported).
  bool hold_images();

  // Whether the mask strips have a chain for this Compression.
  static bool has_mask_encoder(uint32_t compression);

  // Where the first image of each layer was planned and where it went
  // (background first); the SubIFDs value holds the actual offset.
  std::vector<uint32_t> planned_sub_ifds;
  std::vector<uint32_t> actual_sub_ifds;

 private:
  // Starts the layer image i of a layer: its writer (IFD written), and the
  // SubIFDs value for the first one. False when the page cannot go on.
  bool start_image(std::vector<RstMRCChildRecord>& images, uint32_t& index, RstWrite*& writer,
                   RstWriteTIFFChildMultiPageManager* manager, size_t sub_ifd);
  // Writes the rest of a layer image and ends its writer; false when it failed.
  bool finish_image(RstWrite*& writer);
  // Writes the actual offset of child k's IFD into the page's SubIFDs.
  bool patch_sub_ifd(size_t k, uint32_t offset);
  // Lets go of this node's hold on the layer images that it still holds.
  void end_images(std::vector<RstMRCChildRecord>& images) override;

  uint32_t ifd_start_ = 0;
};

// The library's public way to the profile M page writer.
RstWrite* rst_write_tiff_mrc_create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                    const RstWriteTIFFMRCOption* option);
