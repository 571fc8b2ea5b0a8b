// The JPEG writers: RstPushWriteJPEG, a push writer over the JPEG encoder
// stage, and RstWriteJPEG::create, the writer node that pulls a source into
// it through a push bridge, optionally after low-pass filtering the two
// chroma channels.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_codec_creators.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/codecs/rst_push_write_tolvane.h"
#include "raster/codecs/rst_write_jpeg_tolvane_header.h"

class RstRead;
class RstWrite;

class RstPushWriteJPEG : public RstPushWriteTolvane {
 public:
  // Null or closed storage, or a sampling code outside the four: -2; a
  // colormap, coded data, bits other than 8, samples other than 1 or 3: -3;
  // each "RstPushWriteJPEG::create()", null. Without option: 4:4:4 at
  // quality 75, 200 dpi, application header by colour type.
  static RstPushWriteJPEG* create(OutputStorage* storage, const RstHeader& header, const RstWriteJPEGOption* option,
                                  bool bit_reverse);

  RstPushWriteJPEG(OutputStorage* storage, const RstHeader& header, const RstWriteJPEGOption& option, bool bit_reverse);

  // The image header with data form JPEG.
  void header(RstHeader& out) override;

  const RstWriteJPEGOption& option() const { return option_; }
  const RstWriteJPEGTolvaneHeader& header_record() const { return record_; }
  // The application header the stage writes: JFIF for gray and YCbCr,
  // G3FAX for Lab and L*, none otherwise or with the header flag 0.
  static int32_t header_kind(const RstHeader& header, const RstWriteJPEGOption& option);

 protected:
  RstInstanceTolvane* create_stage() override;
  int32_t send_header() override;

 private:
  RstWriteJPEGOption option_;
  RstWriteJPEGTolvaneHeader record_;
};

class RstWriteJPEG {
 public:
  // No source, no or a closed storage, or a sampling code outside the four:
  // -2; a coded source: -5; down-sampling mode 2 with sub-sampling while no
  // chroma filter nodes are registered: -50; each "RstWriteJPEG::create()",
  // null. A failing chroma filter step makes no writer either.
  static RstWrite* create(RstRead* source, OutputStorage* storage, const RstWriteJPEGOption* option, bool bit_reverse);

  // The low-pass kernel of a sampling code: 3 x 1 [1 2 1] / 4 for
  // horizontal-only sub-sampling, 3 x 3 for 4:2:0; without weights for 4:4:4
  // and unknown codes.
  static RstCodecKernel chroma_kernel(uint32_t sampling);
};
