// The TIFF-FX profile M page writer and its creates.
#include "raster/formats/rst_write_tiff_mrc.h"

#include <algorithm>
#include <new>
#include <utility>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/core/rst_status_context.h"
#include "raster/core/rst_write_raw.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_write_tiff.h"
#include "raster/formats/rst_write_tiff_file_structure.h"

namespace {

constexpr int32_t kChildHeightWarning = 202;
constexpr int32_t kInvalidCompression = 0;

bool usable(RstRead* source, RstWriteTIFFMultiPageManager* manager) {
  return source && manager && manager->storage && !manager->storage->is_closed();
}

// Ends the nodes of a list that nobody took.
void end_all(std::vector<RstRead*>& nodes) {
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) RstOwner<RstRead> drop(*it);
  nodes.clear();
}

void end_records(std::vector<RstMRCChildRecord>& records) {
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    RstOwner<RstRead> drop(it->source);
    it->source = nullptr;
  }
}

// A layer image is counted in its child manager when its writer is done.
// The writer node itself may outlive the page writer, as it shares the
// page's layer buffers, so it is detached from the manager first.
void detach(RstWrite* writer) {
  auto* base = dynamic_cast<RstWriteTIFFBase*>(writer);
  if (!base || !base->manager) return;
  base->manager->count_page();
  base->manager = nullptr;
}

// (x + 0.5) truncated: the rounding of the layer sizes.
int32_t rounded(double x) { return int32_t(x + 0.5); }

// The layer images of one layer: each stripe reduced by scale, placed at its
// top edge and numbered {layer, i + 1}. The stripes go into the records (or
// are ended on failure); false after a report.
bool create_children_vector(std::vector<RstRead*>& stripes, double scale, RstWriteTIFFMRCOption& page,
                            const std::vector<uint32_t>& row_counts, const RstCodingOption* layer_option,
                            uint32_t layer, std::vector<RstMRCChildRecord>& out) {
  static const char* const where = "RstWriteTIFFMRC::create_children_vector()";
  RstWriteTIFFMRCChildOption pattern(200, 200, layer_option);
  if (pattern.image_layer.size() != 2) {
    end_all(stripes);
    rst_report(RstCode::no_memory, where);
    return false;
  }
  double y_dpi = page.y_resolution.to_double();
  pattern.x_resolution = RstRational::from_double(page.x_resolution.to_double() * scale);
  pattern.y_resolution = RstRational::from_double(y_dpi * scale);
  pattern.x_position = RstRational{0, 1};
  pattern.y_position = RstRational{0, 1};
  try {
    out.reserve(stripes.size());
  } catch (const std::bad_alloc&) {
    end_all(stripes);
    rst_report(RstCode::no_memory, where);
    return false;
  }
  uint64_t top = 0;
  bool ok = true;
  for (size_t i = 0; i < stripes.size(); ++i) {
    RstRead* image = stripes[i];
    stripes[i] = nullptr;
    RstHeader h(image);
    if (ok && scale != 1.0) {
      int32_t w = std::max(rounded(h.width * scale), 1);
      int32_t ht = std::max(rounded(h.height * scale), 1);
      RstRead* (*scale_nn)(RstRead*, int32_t, int32_t) = rst_format_creators().scale_nn;
      RstRead* scaled = scale_nn ? scale_nn(image, w, ht) : nullptr;
      if (!scale_nn) rst_report(RstCode::unsupported_option, where);
      if (!scaled) {
        ok = false;
      } else {
        image = scaled;
        if (rounded(ht / scale) != h.height)
          rst_report(kChildHeightWarning,
                     "create_children_vector() in writetiffmrc - child's height will not be the same as original.");
      }
    }
    RstMRCChildRecord record;
    record.source = image;
    if (ok) {
      record.option.reset(rst_new<RstWriteTIFFOption>(pattern));
      if (!record.option) {
        rst_report(RstCode::no_memory, where);
        ok = false;
      } else {
        record.option->y_position = RstRational::from_double(double(top) / y_dpi);
        record.option->image_layer[0] = layer;
        record.option->image_layer[1] = uint32_t(i + 1);
      }
    }
    top += i < row_counts.size() ? row_counts[i] : 0;
    out.push_back(std::move(record));
  }
  if (!ok) end_records(out);
  return ok;
}

}  // namespace

RstWrite* RstWriteTIFFMRC::create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                  const RstWriteTIFFMRCOption* option) {
  static const char* const where = "RstWriteTIFFMRC::create()";
  RstCreateGuard guard(source);
  if (!usable(source, manager) || (option && option->tile_width != 0)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 3 || h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, "RstWriteTIFFMRC::create().");
    return nullptr;
  }
  // The layer makers work in ITU Lab.
  RstRead* (*transform)(RstRead*, RstColorType*) = rst_format_creators().transform_color_to;
  if (!transform) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  RstRead* lab = transform(source, RstColorType::itu_lab());
  if (!lab) return nullptr;
  RstEncodeAndWriteTIFFMRC* node = RstEncodeAndWriteTIFFMRC::create(lab, manager, option);
  if (!node) {
    if (lab != source) RstOwner<RstRead> drop(lab);
    return nullptr;
  }
  guard.disarm();
  return node;
}

RstWrite* rst_write_tiff_mrc_create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                    const RstWriteTIFFMRCOption* option) {
  return RstWriteTIFFMRC::create(source, manager, option);
}

RstWriteTIFFMRC::~RstWriteTIFFMRC() { release_layers(); }

void RstWriteTIFFMRC::release_layers() {
  for (RstWrite** w : {&background_writer, &foreground_writer}) {
    if (!*w) continue;
    detach(*w);
    RstOwner<RstWrite> drop(*w);
    *w = nullptr;
  }
  // The layer images no writer took go first: a writer that failed is still
  // linked to its image and leaves with it, while its manager exists.
  end_images(foreground_images);
  end_images(background_images);
  // Deleting a child manager ends its chain with a next-IFD pointer of 0;
  // a failure there has been reported and must not leave the destructor.
  for (RstWriteTIFFChildMultiPageManager** m : {&background_manager, &foreground_manager}) {
    if (!*m) continue;
    try {
      delete *m;
    } catch (const RstStatus&) {
    }
    *m = nullptr;
  }
}

void RstWriteTIFFMRC::end_images(std::vector<RstMRCChildRecord>& images) { end_records(images); }

bool RstEncodeAndWriteTIFFMRC::hold_images() {
  bool ok = true;
  for (std::vector<RstMRCChildRecord>* images : {&background_images, &foreground_images})
    for (RstMRCChildRecord& record : *images) {
      if (!record.source) continue;
      if (ok) add_source(record.source);
      if (ok && std::find(held().begin(), held().end(), record.source) != held().end()) continue;
      ok = false;
      RstOwner<RstRead> drop(record.source);
      record.source = nullptr;
    }
  return ok;
}

void RstEncodeAndWriteTIFFMRC::end_images(std::vector<RstMRCChildRecord>& images) {
  // An image that left this node's inputs has been ended by the graph above
  // it; only those still held are let go here.
  for (auto it = images.rbegin(); it != images.rend(); ++it) {
    RstRead* image = std::exchange(it->source, nullptr);
    if (image && std::find(held().begin(), held().end(), image) != held().end()) image->end(this);
  }
}

bool RstEncodeAndWriteTIFFMRC::has_mask_encoder(uint32_t compression) {
  return compression == 1 || rst_tiff_bilevel_strip_compression(compression);
}

RstEncodeAndWriteTIFFMRC* RstEncodeAndWriteTIFFMRC::create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                                           const RstWriteTIFFMRCOption* given) {
  static const char* const where = "RstEncodeAndWriteTIFFMRC::create()";
  static const char* const layers_where = "RstEncodeAndWriteTIFFMRC::create_option_and_layers()";
  RstCreateGuard guard(source);
  if (!usable(source, manager)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  std::unique_ptr<RstWriteTIFFMRCOption> option;
  if (given) option.reset(rst_new<RstWriteTIFFMRCOption>(*given));
  else option.reset(rst_new<RstWriteTIFFMRCOption>(1, 200, 200, 0, nullptr, nullptr, nullptr, 1, 1));
  if (!option) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  if (option->x_resolution != option->y_resolution) {
    rst_report(RstCode::bad_argument, "RstEncodeAndWriteTIFFMRC::create() - X resolution != Y resolution.");
    return nullptr;
  }
  // A mode without mask, or a mask Compression without chain, could only be
  // found after the page IFD went out: refused before anything is written.
  if (option->layer_mode > 2 || option->image_layer.size() != 2) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!has_mask_encoder(option->compression.value())) {
    rst_report(kInvalidCompression, "RstEncodeAndWriteTIFFMRC::create_encoder() - invalid compression is specified");
    return nullptr;
  }

  // The page's number and height, and the rows of each strip.
  RstHeader h(source);
  option->image_layer[1] = manager->pages_written + 1;
  option->image_length = uint32_t(h.height);
  option->image_width = uint32_t(h.width);
  option->validate_strip_attrs();
  std::vector<uint32_t> rows;
  try {
    if (!option->strip_row_counts.empty()) {
      rows = option->strip_row_counts;
    } else {
      uint32_t n = option->strip_count();
      uint32_t each = option->effective_rows_per_strip();
      rows.assign(n, each);
      if (n >= 2) rows.back() = option->image_length - each * (n - 1);
    }
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, layers_where);
    return nullptr;
  }
  if (rows.empty()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }

  // The layers by mode; the mask becomes the page's source.
  const RstFormatCreators& c = rst_format_creators();
  std::vector<RstRead*> layers;
  int background = -1, foreground = -1;
  switch (option->layer_mode) {
    case 0:
      if (c.make_mrc_3layers_white_bg)
        layers = c.make_mrc_3layers_white_bg(source, int32_t(option->effective_rows_per_strip()));
      background = 1;
      foreground = 2;
      break;
    case 1:
      if (c.make_mrc_2layers_fore) layers = c.make_mrc_2layers_fore(source);
      foreground = 1;
      break;
    default:
      if (c.make_mrc_2layers_back) layers = c.make_mrc_2layers_back(source);
      background = 1;
      break;
  }
  if (!c.make_mrc_3layers_white_bg || !c.make_mrc_2layers_fore || !c.make_mrc_2layers_back || !c.stripe) {
    end_all(layers);
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  size_t expected = option->layer_mode == 0 ? 3 : 2;
  if (layers.size() != expected) {
    end_all(layers);
    return nullptr;
  }
  // A set mask bit selects the foreground, whatever the maker called its
  // colours: the mask page is stored WhiteIsZero, bit for bit.
  RstHeader mask_header(layers[0]);
  if (mask_header.color_type != RstColorType::default_gray_reverse()) {
    mask_header.color_type = RstColorType::default_gray_reverse();
    RstRead* relabelled = RstReinterpret::create(layers[0], mask_header);
    if (!relabelled) {
      end_all(layers);
      return nullptr;
    }
    layers[0] = relabelled;
  }
  RstOwner<RstRead> mask(layers[0]);
  RstOwner<RstRead> background_layer(background > 0 ? layers[size_t(background)] : nullptr);
  RstOwner<RstRead> foreground_layer(foreground > 0 ? layers[size_t(foreground)] : nullptr);

  std::vector<RstMRCChildRecord> background_images, foreground_images;
  auto cut = [&](RstOwner<RstRead>& layer, uint32_t reduction, const RstCountedPtr<RstCodingOption>& layer_option,
                 uint32_t number, std::vector<RstMRCChildRecord>& images) {
    if (!layer) return true;
    std::vector<RstRead*> stripes = c.stripe(layer.get(), rows, 3, 8);
    if (stripes.empty()) return false;
    layer.release();  // the stripes hold it
    if (!create_children_vector(stripes, 1.0 / double(reduction), *option, rows, layer_option.get(), number, images))
      return false;
    size_t before = option->children.size();
    option->add_child(RstHeader(images[0].source), *images[0].option);
    return option->children.size() == before + 1;
  };
  bool ok = cut(background_layer, option->background_reduction, option->background_option, 1, background_images) &&
            cut(foreground_layer, option->foreground_reduction, option->foreground_option, 3, foreground_images);
  std::unique_ptr<RstWriteTIFFOption> page;
  if (ok) {
    RstHeader mh(mask.get());
    page.reset(RstWriteTIFFOption::for_source(mh, option.get(), RstWriteTIFFOption::Data::new_coded));
    ok = page != nullptr;
  }
  RstNestedProcess* window = nullptr;
  if (ok) {
    static_cast<RstWriteTIFFHeader&>(*option) = *page;
    RstCountedPtr<RstTileSpecArray>& specs = option->tile_specs();
    ok = option->status >= 1 && specs && specs->size() != 0;
    if (ok) window = RstWriteTiles::make_window(mask.get(), *specs);
    ok = window != nullptr;
  }
  if (!ok) {
    end_records(foreground_images);
    end_records(background_images);
    return nullptr;
  }
  mask.release();  // the window holds it
  RstEncodeAndWriteTIFFMRC* node = nullptr;
  try {
    node = new RstEncodeAndWriteTIFFMRC(window, manager, *option, std::move(background_images),
                                        std::move(foreground_images));
  } catch (const std::bad_alloc&) {
    node = nullptr;
  }
  if (!node) {
    RstOwner<RstRead> drop(window);
    end_records(foreground_images);
    end_records(background_images);
    rst_report(RstCode::no_memory, "rst_create_end()");
    return nullptr;
  }
  if (!node->hold_images()) {
    node->end();
    return nullptr;
  }
  return rst_create_end(node, guard);
}

RstEncodeAndWriteTIFFMRC::RstEncodeAndWriteTIFFMRC(RstNestedProcess* window, RstWriteTIFFMultiPageManager* manager,
                                                   const RstWriteTIFFOption& page,
                                                   std::vector<RstMRCChildRecord> background,
                                                   std::vector<RstMRCChildRecord> foreground)
    : RstWriteTIFFBridge(window, manager, page) {
  background_images = std::move(background);
  foreground_images = std::move(foreground);
  page_manager = manager;
}

RstEncodeAndWriteTIFFMRC::~RstEncodeAndWriteTIFFMRC() { release_layers(); }

void RstEncodeAndWriteTIFFMRC::header(RstHeader& h) {
  static_cast<RstTIFF6Header&>(RstWriteTIFFBase::header).rst_header(h);
}

bool RstEncodeAndWriteTIFFMRC::initiate() {
  if (!RstWriteTIFFBridge::initiate()) return false;
  const RstWriteTIFFHeader& hd = RstWriteTIFFBase::header;
  // The page IFD starts where its next-IFD slot says, behind the entries.
  ifd_start_ = hd.next_ifd_slot_position() - 2 - 12 * uint32_t(hd.directory.entries.size());
  try {
    planned_sub_ifds = hd.sub_ifds;
    actual_sub_ifds.assign(hd.sub_ifds.size(), 0);
    background_manager = new RstWriteTIFFChildMultiPageManager(
        page_manager->storage, uint32_t(background_images.size()), page_manager->byte_order);
    foreground_manager = new RstWriteTIFFChildMultiPageManager(
        page_manager->storage, uint32_t(foreground_images.size()), page_manager->byte_order);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstWriteTIFFMRC::initialize()");
    return false;
  }
  return true;
}

RstWrite* RstEncodeAndWriteTIFFMRC::create_encoder(RstRead* window, OutputStorage* out) {
  const RstWriteTIFFHeader& hd = RstWriteTIFFBase::header;
  uint32_t compression = hd.compression.value();
  if (compression == 1) {
    RstHeader h(window);
    int32_t stride = int32_t((int64_t{h.samples_per_pixel} * h.width * h.bits_per_sample + 7) / 8);
    return RstWriteRaw::create(window, out, stride, false, hd.fill_order == 2);
  }
  if (rst_tiff_bilevel_strip_compression(compression))
    return rst_tiff_bilevel_strip_writer(hd, coding_option.get(), window, out);
  rst_report(kInvalidCompression, "RstEncodeAndWriteTIFFMRC::create_encoder() - invalid compression is specified");
  return nullptr;
}

bool RstEncodeAndWriteTIFFMRC::patch_sub_ifd(size_t k, uint32_t offset) {
  RstWriteTIFFHeader& hd = RstWriteTIFFBase::header;
  if (k >= actual_sub_ifds.size()) return false;
  actual_sub_ifds[k] = offset;
  if (hd.sub_ifds[k] == offset) return true;
  // The SubIFDs value: inline for one child, else in its value block.
  uint32_t position = 0;
  const auto& entries = hd.directory.entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].tag != 330) continue;
    position =
        entries[i].values_out_of_line() ? entries[i].value + 4 * uint32_t(k) : ifd_start_ + 2 + 12 * uint32_t(i) + 8;
  }
  RstTIFFDataOutput out(RstWriteTIFFBase::output, hd.is_little_endian() ? 1 : 0);
  int32_t back = out.tell();
  bool ok = position != 0 && out.seek(int32_t(position)) == int32_t(position) && out.write_value(&offset, 4) &&
            out.seek(back) == back;
  if (!ok) {
    rst_report(RstCode::io_failure, "RstEncodeAndWriteTIFFMRC::next_tile() - can't write SubIFDs.");
    return false;
  }
  hd.sub_ifds[k] = offset;
  return true;
}

bool RstEncodeAndWriteTIFFMRC::start_image(std::vector<RstMRCChildRecord>& images, uint32_t& index, RstWrite*& writer,
                                           RstWriteTIFFChildMultiPageManager* manager, size_t sub_ifd) {
  if (index >= images.size()) return true;
  RstMRCChildRecord& record = images[index];
  RstWrite* made = RstWriteTIFF::create(record.source, manager, record.option.get());
  if (!made) {
    RstStatusContext* context = RstStatusContext::instance();
    int32_t code = context ? context->last_status : RstCode::no_memory;
    RstOwner<RstRead> drop(record.source);
    record.source = nullptr;
    fail(code < 1 ? code : RstCode::no_memory);
    return false;
  }
  // The layer writer holds the image now.
  std::exchange(record.source, nullptr)->end(this);
  writer = made;
  if (index++ == 0) {
    // Where the layer's first IFD really went.
    auto* base = dynamic_cast<RstWriteTIFFBase*>(made);
    uint32_t at =
        base ? base->header.next_ifd_slot_position() - 2 - 12 * uint32_t(base->header.directory.entries.size()) : 0;
    if (!base || !patch_sub_ifd(sub_ifd, at)) {
      fail(RstCode::io_failure);
      return false;
    }
  }
  return true;
}

bool RstEncodeAndWriteTIFFMRC::finish_image(RstWrite*& writer) {
  if (!writer) return true;
  while (writer->write() > 0) {
  }
  int32_t status = writer->status();
  detach(writer);
  RstOwner<RstWrite> drop(writer);
  writer = nullptr;
  if (status < 1) {
    fail(status);
    return false;
  }
  return true;
}

bool RstEncodeAndWriteTIFFMRC::next_tile() {
  end_tile();
  if (!end_strip()) return false;
  // The previous stripe's layer data follow its mask strip.
  bool ok = finish_image(background_writer);
  ok = finish_image(foreground_writer) && ok;
  if (!ok) return false;
  if (!specs || next_index >= specs->size()) return false;
  size_t fg_slot = background_images.empty() ? 0 : 1;
  if (!start_image(background_images, background_index, background_writer, background_manager, 0)) return false;
  if (!start_image(foreground_images, foreground_index, foreground_writer, foreground_manager, fg_slot)) return false;
  if (!begin_strip()) return false;
  return RstWriteTiles::next_tile();
}
