// The TIFF writer's entry and the checks of a TIFF page option.
#include "raster/formats/rst_write_tiff.h"

#include "raster/core/rst_code_source.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_write_tiff_mrc.h"
#include "raster/formats/rst_write_tiff_nodes.h"

RstWrite* RstWriteTIFF::create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                               const RstWriteTIFFOption* option) {
  static const char* const where = "RstWriteTIFF::create()";
  RstCreateGuard guard(source);
  if (!source || !manager || !manager->storage || manager->storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (option && option->is_mrc_mask()) {
    // A mask page is written as a profile M page of mask and foreground.
    RstWriteTIFFMRCOption mrc(static_cast<const RstWriteTIFFHeader&>(*option));
    RstWrite* node = RstWriteTIFFMRC::create(source, manager, &mrc);
    if (node) guard.disarm();
    return node;
  }
  RstHeader h(source);
  RstWrite* node = nullptr;
  if (h.data_form == RstDataForm::raw) {
    if (dynamic_cast<RstCodeSource*>(source)) node = RstWriteTIFFCode::create(source, manager, option);
    else if (option && option->compression.value() != 1) node = RstEncodeAndWriteTIFF::create(source, manager, option);
    else node = RstWriteTIFFRaw::create(source, manager, option);
  } else if (h.data_form == RstDataForm::rle) {
    uint32_t c = option ? option->compression.value() : 0;
    if (c < 2 || c > 4) {
      rst_report(RstCode::unsupported_form, "RstWriteTIFF::create() - link's encode type is invalid.");
      return nullptr;
    }
    node = RstEncodeAndWriteTIFF::create(source, manager, option);
  } else {
    node = RstWriteTIFFCode::create(source, manager, option);
  }
  if (node) guard.disarm();
  return node;
}

RstWrite* rst_write_tiff_create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                const RstWriteTIFFOption* option) {
  return RstWriteTIFF::create(source, manager, option);
}

bool RstWriteTIFF::valid_option(RstWriteTIFFHeader& h, int32_t& status, std::string* message) {
  status = 1;
  auto fail = [&](int32_t code, const char* reason) {
    status = code;
    if (message) *message = std::string("RstWriteTIFF::valid_option() - ") + reason;
    return false;
  };
  uint32_t c = h.compression.value();
  if (!h.validate_attributes()) return fail(-2, "invalid parameters.");
  if (h.tile_width != 0) return fail(-50, "tiling is not supported.");
  if ((c == 3 && (h.t4_options & 2)) || (c == 4 && (h.t6_options & 2)))
    return fail(-50, "not supported UncompressedMode in G3 or G4 compression.");
  if (c == 6 && h.strip_count() != 1)
    return fail(-50, "not supported multiple strips in JPEG compression(Compression=6).");
  size_t n = h.ycbcr_subsampling.size();
  if (n != 0 && n != 2) return fail(-2, "sub-sampling's size is illegal.");
  if (c != 6 && c != 7 && n == 2 && (h.ycbcr_subsampling[0] != 1 || h.ycbcr_subsampling[1] != 1))
    return fail(-50, "not supported sub-sampling for non-jpeg.");
  return true;
}
