// The strip loop of the TIFF-FX mixed raster content page node and its
// factory.
#include "raster/mrc/rst_read_and_decode_tiff_mrc.h"

#include <vector>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_select_plane_mask.h"
#include "raster/mrc/rst_read_tiff_mrc_child.h"

RstRead* RstReadAndDecodeTIFFMRC::create(InputStorage* input, RstReadTIFFHeader* header, bool mask_referenced) {
  if (!RstReadTIFFMRC::is_mrc(input, header)) {
    rst_report(RstCode::bad_argument, "RstReadTIFFMRC::create()");
    return nullptr;
  }
  if (!header->tile_specs()) return nullptr;  // reported by the header
  RstOwner<RstReadAndDecodeTIFFMRC> owner(rst_new<RstReadAndDecodeTIFFMRC>(input, header, mask_referenced));
  if (owner && owner->foreground_storages().empty()) owner.reset();  // reported by the front
  return rst_create_end(owner);
}

RstReadAndDecodeTIFFMRC::RstReadAndDecodeTIFFMRC(InputStorage* input, RstReadTIFFHeader* header, bool mask_referenced)
    : RstReadTIFFMRC(input, header),
      RstReadAndDecodeCodeTiles(input, *header->rst_header_ptr(), header->tile_specs(), header->coding_option(),
                                header->fill_order == 2),
      mask_referenced_(mask_referenced) {}

void RstReadAndDecodeTIFFMRC::header(RstHeader& h) {
  RstReadAndDecodeCodeTiles::header(h);
  h.bits_per_sample = 8;
  h.samples_per_pixel = 3;
  h.sample_kind = 0;
  h.color_type = RstColorType::itu_lab();
  h.colormap.reset();
  h.data_form = RstDataForm::raw;
}

void RstReadAndDecodeTIFFMRC::reset() {
  rewind();
  RstReadAndDecodeCodeTiles::reset();
}

RstRead* RstReadAndDecodeTIFFMRC::next_link() {
  // 1. The next strip of the mask; none at the end of the page.
  RstOwner<RstRead> mask(RstReadAndDecodeCodeTiles::next_link());
  if (!mask) return nullptr;
  // 2. Run lines painted into 1-bit rows.
  if (RstHeader(mask.get()).data_form == RstDataForm::rle) {
    RstRead* raw = RstDecodeRLE::create(mask.get());
    if (!raw) return nullptr;
    mask.release();
    mask.attach(raw);
  }
  int32_t strip_height = RstHeader(mask.get()).height;
  // 3. The mask fanned out; the first reader selects.
  RstDivide* divide = RstDivide::create(mask.get(), 0, 8);
  if (!divide) return nullptr;
  mask.release();
  RstOwner<RstDivide> fan(divide);
  RstOwner<RstRead> select(divide->create_reader());
  if (!select) return nullptr;
  fan.release();  // the readers hold it now

  // 4. The strip's page rows.
  if (!strip_.empty) strip_.bottom = strip_.top + strip_height - 1;
  RstRect strip;
  if (!strip_.empty && strip_.bottom >= strip_.top)
    strip.set(uint32_t(strip_.left), uint32_t(strip_.top), uint32_t(strip_.right), uint32_t(strip_.bottom));
  double x_resolution = double(x_resolution_.numerator) / double(x_resolution_.denominator);
  double y_resolution = double(y_resolution_.numerator) / double(y_resolution_.denominator);

  // 5. and 6. The layers: from the children that meet the strip, or the
  // default layer when none does.
  auto layer = [&](bool background) -> RstRead* {
    ChildList children;
    // A layer that may lack a child is not composed.
    if (!(background ? next_background_headers(children) : next_foreground_headers(children))) return nullptr;
    if (children.empty()) return RstReadTIFFMRCChild::create(strip, background);
    RstRead* layer_mask = nullptr;
    if (mask_referenced_) {
      layer_mask = divide->create_reader();
      if (!layer_mask) return nullptr;
    }
    return RstReadTIFFMRCChild::create(background ? background_storages_ : foreground_storages_, children, strip,
                                       layer_mask, x_resolution, y_resolution, mask_referenced_);
  };
  RstOwner<RstRead> background(layer(true));
  if (!background) return nullptr;
  RstOwner<RstRead> foreground(layer(false));
  if (!foreground) return nullptr;

  // 7. The next strip starts below this one.
  if (!strip_.empty) {
    strip_.top += strip_height;
    strip_.bottom += strip_height;
  }

  // 8. Foreground where the mask bit is set, background elsewhere.
  std::vector<RstRead*> inputs;
  if (!rst_resize(inputs, 3, static_cast<RstRead*>(nullptr))) {
    rst_report(RstCode::no_memory, "RstReadAndDecodeTIFFMRC::next_link()");
    return nullptr;
  }
  inputs = {select.get(), background.get(), foreground.get()};
  RstRead* composed = RstSelectPlaneMask::create(inputs);
  if (!composed) return nullptr;
  select.release();
  background.release();
  foreground.release();
  return composed;
}
