// write_mrc [options] OUT IN...: writes every page of the input files, read
// through format detection, as one TIFF-FX profile M file through the
// profile M page writer, taking the writer's options as they are:
//   --mode N            layer mode: 0 three layers, 1 mask and foreground,
//                       2 mask and background (default 0)
//   --mask KIND         none, mh, mr, mmr or t85 (default mmr)
//   --mr-k K            the MR option's K (default 4)
//   --t85 L0,MX,OPTS    the T.85 option (default 128,0,0)
//   --bg-jpeg Q,S       background layer as JPEG of quality Q, sampling code
//   --fg-jpeg Q,S       S (hex, e.g. 0x12201220); raw without these
//   --bg-reduction N    1, 2, 4 or 8 (default 1)
//   --fg-reduction N
//   --rows N            rows per strip (default 0: one strip)
//   --order II|MM       byte order (default II)
// A page of other form than 8-bit three-sample colour is converted to sRGB
// first; pages without resolution are taken at 72 dpi. Errors are printed
// with their code and where-text and end the program with exit code 2.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_write_tiff_mrc.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/mrc/rst_mrc_creators.h"

namespace {

class Messager : public RstMessager {
 public:
  void message(void*, const int32_t* code, const char* where) override {
    last_where = where ? where : "";
    if (*code > 0) std::fprintf(stderr, "warning %d: %s\n", int(*code), last_where.c_str());
  }
  std::string last_where;
};

int fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  return 2;
}

struct Options {
  uint32_t mode = 0;
  std::string mask = "mmr";
  uint32_t mr_k = 4;
  uint32_t t85[3] = {128, 0, 0};
  bool bg_jpeg = false, fg_jpeg = false;
  uint32_t bg_quality = 75, fg_quality = 75;
  uint32_t bg_sampling = 0x12201220, fg_sampling = 0x12201220;
  uint32_t bg_reduction = 1, fg_reduction = 1;
  uint32_t rows = 0;
  uint32_t order = 0x4949;
};

bool pair(const char* text, uint32_t& a, uint32_t& b) {
  char* end = nullptr;
  a = uint32_t(std::strtoul(text, &end, 0));
  if (!end || *end != ',') return false;
  b = uint32_t(std::strtoul(end + 1, &end, 0));
  return end && *end == 0;
}

// The page as 8-bit three-sample colour; none after a report.
RstRead* colour_page(RstRead* page) {
  RstHeader h(page);
  if (h.bits_per_sample == 8 && h.samples_per_pixel == 3 && !h.colormap) return page;
  RstFormatCreators& c = rst_format_creators();
  RstRead* node = page;
  if (h.bits_per_sample == 1 && !h.colormap) {
    node = c.convert_bits_1_to_8(page, 0, 255);
    if (!node) return nullptr;
  }
  if (h.colormap) node = c.apply_colormap(node);
  if (!node) return nullptr;
  RstHeader now(node);
  if (now.bits_per_sample == 8 && now.samples_per_pixel == 3) return node;
  return c.transform_color_to(node, RstColorType::s_rgb());
}

int write_file(const Options& o, const std::string& out_path, const std::vector<std::string>& inputs) {
  RstMHOption mh(1, 0, 1, 0, 0);
  RstMROption mr(1, 0, 0, 0, o.mr_k);
  RstMMROption mmr(1, 0);
  RstEncodeJBIGT85Option t85(o.t85[0], o.t85[1], o.t85[2]);
  const RstCodingOption* mask = nullptr;
  if (o.mask == "mh") mask = &mh;
  else if (o.mask == "mr") mask = &mr;
  else if (o.mask == "mmr") mask = &mmr;
  else if (o.mask == "t85") mask = &t85;
  else if (o.mask != "none") return fail("unknown mask coding " + o.mask);
  RstEncodeJPEGOption bg(o.bg_quality, o.bg_sampling), fg(o.fg_quality, o.fg_sampling);

  FileOutputStorage out;
  if (!out.open(out_path)) return fail("cannot create " + out_path);
  std::unique_ptr<RstWriteTIFFMultiPageManager> manager(RstWriteTIFFMultiPageManager::create(&out, 0, o.order));
  if (!manager) return fail("no manager");
  for (const std::string& path : inputs) {
    FileInputStorage in;
    if (!in.open(path.c_str())) return fail("cannot open " + path);
    RstOwner<RstImageInfo> info(RstImageInfo::create(&in, 1));
    if (!info) return fail("not a recognised image file: " + path);
    uint32_t count = info->page_count();
    for (uint32_t p = 1; p <= count; ++p) {
      RstOwner<RstImageInfo> page_info(RstImageInfo::create(&in, p));
      uint32_t dpi = page_info && page_info->x_resolution > 0 ? uint32_t(page_info->x_resolution) : 72;
      RstWriteTIFFMRCOption option(o.mode, dpi, dpi, o.rows, mask, o.bg_jpeg ? &bg : nullptr, o.fg_jpeg ? &fg : nullptr,
                                   o.bg_reduction, o.fg_reduction);
      RstRead* page = RstReadRaster::create(&in, p);
      if (!page) return fail("cannot read page " + std::to_string(p) + " of " + path);
      RstRead* colour = colour_page(page);
      if (!colour) {
        page->end();
        return fail("cannot convert page " + std::to_string(p) + " of " + path);
      }
      RstWrite* writer = RstWriteTIFFMRC::create(colour, manager.get(), &option);
      if (!writer) {
        colour->end();
        return fail("cannot write page " + std::to_string(p) + " of " + path);
      }
      while (writer->write() != 0) {
      }
      int32_t status = writer->status();
      writer->end();
      if (status < 1) return fail("page " + std::to_string(p) + " of " + path + " failed");
    }
  }
  manager.reset();
  out.close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  rst_register_color_creators();
  rst_register_geometry_creators();
  rst_register_mrc_creators();
  RstStatusContext* context = RstStatusContext::instance();
  Messager messager;
  struct Restore {
    RstStatusContext* context;
    RstMessager* old;
    ~Restore() { context->set_messager(old); }
  } restore{context, context->set_messager(&messager)};
  Options o;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
    auto number = [&]() { return uint32_t(std::strtoul(value(), nullptr, 0)); };
    if (a == "--mode") o.mode = number();
    else if (a == "--mask") o.mask = value();
    else if (a == "--mr-k") o.mr_k = number();
    else if (a == "--t85") {
      uint32_t rest = 0;
      std::string v = value();
      size_t comma = v.find(',');
      if (comma == std::string::npos || !pair(v.substr(comma + 1).c_str(), o.t85[1], rest))
        return fail("--t85 L0,MX,OPTIONS");
      o.t85[0] = uint32_t(std::strtoul(v.c_str(), nullptr, 0));
      o.t85[2] = rest;
    } else if (a == "--bg-jpeg") {
      o.bg_jpeg = pair(value(), o.bg_quality, o.bg_sampling);
      if (!o.bg_jpeg) return fail("--bg-jpeg QUALITY,SAMPLING");
    } else if (a == "--fg-jpeg") {
      o.fg_jpeg = pair(value(), o.fg_quality, o.fg_sampling);
      if (!o.fg_jpeg) return fail("--fg-jpeg QUALITY,SAMPLING");
    } else if (a == "--bg-reduction") o.bg_reduction = number();
    else if (a == "--fg-reduction") o.fg_reduction = number();
    else if (a == "--rows") o.rows = number();
    else if (a == "--order") o.order = std::string(value()) == "MM" ? 0x4D4D : 0x4949;
    else files.push_back(a);
  }
  if (files.size() < 2) return fail("usage: write_mrc [options] OUT IN...");
  try {
    return write_file(o, files[0], std::vector<std::string>(files.begin() + 1, files.end()));
  } catch (const RstStatus& status) {
    std::fprintf(stderr, "error %d: %s\n", int(status.code()), messager.last_where.c_str());
    return 2;
  }
}
