// Building TIFF write options and a writer's page option.
#include "raster/formats/rst_write_tiff_option.h"

#include <string>

#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_write_tiff.h"

namespace {

RstCountedPtr<RstCodingOption> clone_of(const RstCodingOption* option) {
  RstCountedPtr<RstCodingOption> p;
  if (option) p.reset(option->clone());
  return p;
}

bool two_values(std::vector<uint32_t>& list) { return rst_resize(list, 2, 0u) && list.size() == 2; }

}  // namespace

RstWriteTIFFOption::RstWriteTIFFOption(uint32_t x_res, uint32_t y_res, int32_t encode_type, uint32_t rows,
                                       const RstCodingOption* option)
    : coding_option(clone_of(option)) {
  bool known = encode_type == 0 || encode_type == 1 || encode_type == 2 || encode_type == 3 || encode_type == 4 ||
               encode_type == 6 || encode_type == 7 || encode_type == 10;
  if (x_res == 0 || y_res == 0 || !known || (option && option->encode_type() != encode_type)) {
    rst_report(RstCode::bad_argument, "RstWriteTIFFOption::RstWriteTIFFOption()");
    return;
  }
  x_resolution = RstRational::from_double(x_res);
  y_resolution = RstRational::from_double(y_res);
  rows_per_strip = rows;
  set_encode_type(encode_type);
  coding_option = clone_of(option);
  const auto* jpeg = dynamic_cast<const RstEncodeJPEGOption*>(option);
  if (compression.value() == 6 || jpeg) {
    if (!rst_resize(ycbcr_subsampling, 2, uint16_t(1))) {
      rst_report(RstCode::no_memory, "RstWriteTIFFOption::RstWriteTIFFOption()");
      return;
    }
    if (jpeg)
      if (const RstJPEGSampling::Entry* e = RstJPEGSampling::find(jpeg->sampling)) {
        ycbcr_subsampling[0] = uint16_t(e->horizontal);
        ycbcr_subsampling[1] = uint16_t(e->vertical);
      }
  }
}

RstWriteTIFFOption::RstWriteTIFFOption(const RstWriteTIFFHeader& header) : RstWriteTIFFHeader(header) {}

RstWriteTIFFOption::RstWriteTIFFOption(const RstWriteTIFFOption& other)
    : RstWriteTIFFHeader(other), coding_option(other.coding_option) {}

RstWriteTIFFOption::~RstWriteTIFFOption() = default;

RstWriteTIFFOption* RstWriteTIFFOption::for_source(const RstHeader& source, const RstWriteTIFFOption* option,
                                                   Data data) {
  RstWriteTIFFOption page(200, 200, 0, 0, nullptr);
  if (option) {
    static_cast<RstWriteTIFFHeader&>(page) = *option;
    page.coding_option = option->coding_option;
  }
  if (data == Data::new_coded) {
    page.strip_byte_counts.clear();
    page.tile_byte_counts.clear();
    page.jpeg_interchange_format_length = 0;
  }
  bool ok = page.rst_header(source, true);
  if (ok && data == Data::copied) {
    // The page declares what the copied data is; MH data under Modified
    // Huffman and JPEG data under old-style JPEG keep the option's Compression.
    uint32_t c = page.compression.value();
    int32_t form = source.data_form;
    if (!(c == 2 && form == RstDataForm::mh) && !(c == 6 && form == RstDataForm::jpeg)) {
      switch (form) {
        case RstDataForm::raw:
        case RstDataForm::mh:
        case RstDataForm::mr:
        case RstDataForm::mmr:
        case RstDataForm::jpeg:
        case RstDataForm::jbig:
        case RstDataForm::jbig_color:
        case RstDataForm::packbits:
        case RstDataForm::lzw:
        case RstDataForm::lzw_2: page.set_encode_type(form); break;
        default:
          // A coding TIFF cannot declare.
          rst_report(RstCode::bad_argument, "RstWriteRasterOptionTIFF");
          ok = false;
      }
    }
  }
  if (ok) {
    int32_t status = 1;
    std::string message;
    if (!RstWriteTIFF::valid_option(page, status, &message)) {
      rst_report(status, message.c_str());
      ok = false;
    }
  }
  if (!ok) return nullptr;
  RstWriteTIFFOption* made = rst_new<RstWriteTIFFOption>(page);
  if (!made) rst_report(RstCode::no_memory, "RstWriteTIFFOption::RstWriteTIFFOption()");
  return made;
}

RstWriteTIFFMRCOption::RstWriteTIFFMRCOption(uint32_t layer_mode, uint32_t x_res, uint32_t y_res, uint32_t rows,
                                             const RstCodingOption* mask, const RstCodingOption* background,
                                             const RstCodingOption* foreground, uint32_t background_reduction,
                                             uint32_t foreground_reduction)
    : RstWriteTIFFOption(x_res, y_res, mask ? mask->encode_type() : 0, rows, mask),
      background_reduction(background_reduction),
      foreground_reduction(foreground_reduction),
      layer_mode(layer_mode),
      foreground_option(clone_of(foreground)),
      background_option(clone_of(background)) {
  static const char* const where = "RstWriteTIFFMRCOption::RstWriteTIFFMRCOption()";
  auto reduction = [](uint32_t r) { return r == 1 || r == 2 || r == 4 || r == 8; };
  auto layer = [](const RstCodingOption* o) { return !o || o->encode_type() == RstDataForm::jpeg; };
  if (!layer(background) || !layer(foreground) || !reduction(background_reduction) ||
      !reduction(foreground_reduction)) {
    rst_report(RstCode::bad_argument, where);
    return;
  }
  new_subfile_type = 18;
  if (!two_values(image_layer)) {
    rst_report(RstCode::no_memory, where);
    return;
  }
  image_layer[0] = 2;
}

RstWriteTIFFMRCOption::RstWriteTIFFMRCOption(const RstWriteTIFFHeader& header) : RstWriteTIFFOption(header) {}

RstWriteTIFFMRCChildOption::RstWriteTIFFMRCChildOption(uint32_t x_res, uint32_t y_res, const RstCodingOption* option)
    : RstWriteTIFFOption(x_res, y_res, option ? option->encode_type() : 0, 0, option) {
  new_subfile_type = 16;
  if (!two_values(image_layer))
    rst_report(RstCode::no_memory, "RstWriteTIFFMRCChildOption::RstWriteTIFFMRCChildOption()");
}
