// Building an MRC canvas from object image records: one canvas object per
// record (a mask record joins the image record after it), each reading its
// coded data through a window over the data storage.
#include "raster/mrc/rst_read_imt_to_mrc_canvas.h"

#include <limits>
#include <memory>

#include "raster/codecs/rst_read_code.h"
#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_input_owning_read.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/mrc/rst_compose_mrc_canvas.h"

namespace {

const char kConvert[] = "RstReadIMSToMRCCanvasCore::convert_to_canvas()";
const char kObjectReader[] = "RstReadIMSToMRCCanvasCore::create_object_reader()";

constexpr uint32_t kSizeLimit = uint32_t(std::numeric_limits<int32_t>::max());

// An object header within 32-bit signed sizes, not empty.
bool sized(const RstIMSRecord& r) {
  return r.pixel_width != 0 && r.pixel_height != 0 && r.pixel_width <= kSizeLimit && r.pixel_height <= kSizeLimit;
}

// The header of a mask of tags 3 and 4: 1 bit, 1 sample, 1 = black.
RstHeader mask_header(const RstHeader& h) {
  RstHeader m = h;
  m.bits_per_sample = 1;
  m.samples_per_pixel = 1;
  m.color_type = RstColorType::default_gray_reverse();
  return m;
}

// The colour of tags 3 and 4.
RstMRCCanvas::ConstantColor record_color(const RstIMSObject& o) {
  std::vector<uint8_t> values(size_t(std::max(o.header.samples_per_pixel, 0)), 0);
  if (!values.empty()) values[0] = uint8_t(o.record.color[0]);
  if (values.size() == 3) {
    values[1] = uint8_t(o.record.color[1]);
    values[2] = uint8_t(o.record.color[2]);
  }
  return RstMRCCanvas::ConstantColor(values, o.header.color_type, 8);
}

// The mask decoded and inverted: its clear bits are the ones to paint.
RstRead* inverted_mask(RstRead* mask) {
  RstOwner<RstRead> held(mask);
  RstRead* node = held.get();
  bool decoded = RstComposeMRCCanvas::MRCObjectVisitor::decode(node);
  if (node != held.get()) {
    held.release();
    held.attach(node);
  }
  if (!decoded) return nullptr;
  RstRead* inverted = RstPixelNot::create(held.get());
  if (inverted) held.release();
  return inverted;
}

}  // namespace

RstMRCCanvas* RstReadIMTToMRCCanvas::create(InputStorage* header_storage, InputStorage* data_storage,
                                            RstReadIMTHeader* header) {
  if (!rst_is_valid_storage(header_storage) || !rst_is_valid_storage(data_storage)) {
    rst_report(RstCode::bad_argument, "RstReadIMTToMRCCanvas::create()");
    return nullptr;
  }
  if (header) return RstReadIMSToMRCCanvasCore::convert_to_canvas(data_storage, header);
  std::unique_ptr<RstReadIMTHeader> own(private_header(header_storage));
  if (!own) {
    rst_report(RstCode::not_this_format, "RstReadIMTToMRCCanvas::create()");
    return nullptr;
  }
  return RstReadIMSToMRCCanvasCore::convert_to_canvas(data_storage, own.get());
}

RstReadIMTHeader* RstReadIMTToMRCCanvas::private_header(InputStorage* storage) {
  const char* where = "RstReadIMTToMRCCanvas::private_header()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  std::unique_ptr<RstReadIMTHeader> header(rst_new<RstReadIMTHeader>(storage));
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  int32_t status = header->status();
  if (status == RstCode::good) return header.release();
  if (status > RstCode::good) {
    rst_report(status, where);
    return header.release();
  }
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

RstRead* RstReadIMSToMRCCanvasCore::create_code_reader(InputStorage* window, const RstHeader& header,
                                                       int32_t data_length) {
  RstReadCode* reader = RstReadCodeSpec(header, data_length, false).create_reader(window);
  if (!reader) return nullptr;
  return RstInputOwningRead<RstReadCode>::wrap(reader, window);
}

RstRead* RstReadIMSToMRCCanvasCore::create_object_reader(InputStorage* data_storage, const RstIMSRecord& record,
                                                         const RstHeader& header) {
  // Offset and length come from outside: the window must lie inside the data.
  int64_t end = int64_t{record.data_offset} + record.data_length;
  if (!data_storage || end > data_storage->size()) {
    rst_report(RstCode::unsupported_form, kObjectReader);
    return nullptr;
  }
  std::unique_ptr<InputStorage> window(rst_new<SharedParentWindow>(MoveInMoveOutInputStorage<>(data_storage, 0),
                                                                   int32_t(record.data_offset), int32_t(end)));
  if (!window) {
    rst_report(RstCode::no_memory, kObjectReader);
    return nullptr;
  }
  RstRead* node = nullptr;
  switch (header.data_form) {
    case RstDataForm::raw: {
      int64_t stride = record.bytes_per_line;
      if (stride == 0) stride = (int64_t{header.width} * header.bits_per_sample * header.samples_per_pixel + 7) / 8;
      if (stride > std::numeric_limits<int32_t>::max()) {
        rst_report(RstCode::unsupported_form, kObjectReader);
        break;
      }
      node = RstInputOwningRead<RstReadRaw>::create(window.get(), header, int32_t(stride), false, false);
      break;
    }
    case RstDataForm::mh:
    case RstDataForm::mmr:
    case RstDataForm::jpeg: node = create_code_reader(window.get(), header, int32_t(record.data_length)); break;
    default: break;
  }
  if (node) window.release();  // the reader node owns it
  return node;
}

RstMRCCanvas* RstReadIMSToMRCCanvasCore::convert_to_canvas(InputStorage* data_storage,
                                                           const RstReadIMSHeaderCore* header) {
  if (!header || header->objects().empty() || !header->objects().back().is_end()) {
    // No records, or a list cut short before its end record.
    rst_report(RstCode::unsupported_form, kConvert);
    return nullptr;
  }
  const std::vector<RstIMSObject>& objects = header->objects();
  std::unique_ptr<RstMRCCanvas> canvas(
      RstMRCCanvas::create(header->file_header().page_width, header->file_header().page_height,
                           RstMRCCanvas::ConstantColor({255}, RstColorType::default_gray(), 8)));
  if (!canvas) return nullptr;
  size_t count = objects.size() - 1;
  auto refuse = [](int32_t code) {
    rst_report(code, kConvert);
    return nullptr;
  };
  for (size_t i = 0; i < count; ++i) {
    const RstIMSObject& o = objects[i];
    if (o.is_end()) return refuse(RstCode::unsupported_form);
    RstMRCCanvas::Rect rect;
    header->placement(o.record, &rect.left, &rect.right, &rect.top, &rect.bottom);
    RstMRCCanvas::MRCObject* object = nullptr;
    switch (o.record.tag) {
      case RstIMS::tag_image:
      case RstIMS::tag_bilevel: {
        bool fits = o.record.tag == RstIMS::tag_image ? o.is_image() : o.is_mask();
        if (!fits || !sized(o.record)) return refuse(RstCode::unsupported_form);
        RstOwner<RstRead> image(create_object_reader(data_storage, o.record, o.header));
        if (!image) return nullptr;
        object = RstMRCCanvas::UnmaskedImage::create(image.get(), rect);
        if (!object) return nullptr;
        image.release();
        break;
      }
      case RstIMS::tag_mask: {
        if (!o.is_mask() || !sized(o.record) || i + 1 >= count) return refuse(RstCode::unsupported_form);
        const RstIMSObject& next = objects[i + 1];
        if (!next.is_image() || !sized(next.record)) return refuse(RstCode::unsupported_form);
        RstOwner<RstRead> mask(create_object_reader(data_storage, o.record, o.header));
        if (!mask) return nullptr;
        RstOwner<RstRead> image(create_object_reader(data_storage, next.record, next.header));
        if (!image) return nullptr;
        object = RstMRCCanvas::MaskedImage::create(image.get(), mask.get(), rect);
        if (!object) return nullptr;
        image.release();
        mask.release();
        ++i;
        break;
      }
      case RstIMS::tag_masked_color: {
        if (!o.is_masked_color() || !sized(o.record)) return refuse(RstCode::unsupported_form);
        RstOwner<RstRead> mask(create_object_reader(data_storage, o.record, mask_header(o.header)));
        if (!mask) return nullptr;
        if (o.record.reserved[0] == 1) {
          RstRead* inverted = inverted_mask(mask.release());
          if (!inverted) return nullptr;
          mask.attach(inverted);
        }
        object = RstMRCCanvas::MaskedColor::create(record_color(o), mask.get(), rect);
        if (!object) return nullptr;
        mask.release();
        break;
      }
      case RstIMS::tag_filled_rect: {
        if (!sized(o.record)) return refuse(RstCode::unsupported_form);
        RstHeader h = mask_header(o.header);
        h.data_form = RstDataForm::raw;
        const uint8_t set = 1;
        RstOwner<RstRead> mask(RstGenerateConstantColorRaster::create(h, &set));
        if (!mask) return nullptr;
        object = RstMRCCanvas::MaskedColor::create(record_color(o), mask.get(), rect);
        if (!object) return nullptr;
        mask.release();
        break;
      }
      case RstIMS::tag_ignored: continue;
      default: return refuse(RstCode::unsupported_option);
    }
    if (!canvas->append(object)) return refuse(RstCode::no_memory);
  }
  if (!canvas->objects().empty() && objects[0].record.tag == RstIMS::tag_bilevel) {
    if (objects[0].record.color_space == 1) {
      canvas->set_background(RstMRCCanvas::ConstantColor({0}, RstColorType::default_gray_reverse(), 1));
    } else {
      canvas->set_background(RstMRCCanvas::ConstantColor({1}, RstColorType::default_gray(), 1));
    }
  }
  return canvas.release();
}
