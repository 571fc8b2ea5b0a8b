// The page rendering bridge (see rst_interface.h).
#include "preview/rst_interface.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <utility>

#include "platform/win/win_codepage.h"
#include "platform/win/win_path.h"
#include "preview/preview_failure.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/color/rst_apply_colormap.h"
#include "raster/color/rst_convert_bits.h"
#include "raster/color/rst_reverse_channel.h"
#include "raster/color/rst_transform_color_lut.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/formats/rst_write_tiff_mrc.h"
#include "raster/formats/rst_write_tiff_multi_page_manager.h"
#include "raster/formats/rst_write_tiff_option.h"
#include "raster/geometry/rst_mirror_x.h"
#include "raster/geometry/rst_mirror_y.h"
#include "raster/geometry/rst_rotate90.h"
#include "raster/geometry/rst_scale_command.h"

namespace {

// Runs one entry of the bridge: a report or any other exception becomes
// false, with what the library reported kept in failure.
template <class F>
bool contained(CRstInterface::Failure& failure, F body) {
  failure = CRstInterface::Failure();
  PreviewFailureWatch watch;
  bool ok = false;
  try {
    ok = body();
  } catch (...) {
    ok = false;
  }
  if (!ok && watch.reported()) {
    failure.reported = true;
    failure.code = watch.last_code();
    try {
      failure.where = watch.last_where();
    } catch (...) {
    }
  }
  return ok;
}

// The orientation term of the rotation: the turn that shows the stored page
// upright.
int orientation_turn(int orientation) {
  switch (orientation) {
    case 3: return 180;
    case 5:
    case 8: return -90;
    case 6:
    case 7: return 90;
    default: return 0;
  }
}

// Puts the next stage on top of the pipeline an owner holds; false when the
// stage was not built (the owner keeps the pipeline and ends it).
bool stage(RstOwner<RstRead>& top, RstRead* next) {
  if (!next) return false;
  if (next != top.get()) {
    top.release();
    top.attach(next);
  }
  return true;
}

// 4-bit TIFF pages widened to 8 bits. Without a colormap the values 0 to 15
// are levels and are spread over 0 to 255; with one they stay indexes.
bool widen_four_bits(RstOwner<RstRead>& top, const RstImageInfo& info) {
  if (info.bits_per_sample != 4 || !info.format.is_tiff()) return true;
  if (!stage(top, RstConvertBits4To8NoRangeConversion::create(top.get()))) return false;
  RstHeader wide(top.get());
  if (wide.colormap || wide.samples_per_pixel != 1) return true;
  uint8_t table[256];
  for (int v = 0; v < 256; ++v) table[v] = uint8_t(v < 16 ? v * 17 : 255);
  return stage(top, RstTransformColorLUT::create(top.get(), table, nullptr));
}

// The host file a path names, as the storages open it: a drive letter (or,
// outside host-path mode, a backslash) makes it a path in the machine root.
bool host_file(const char* path, std::string* host) {
  std::string p(path);
  bool drive = p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
  if (!drive && (p.find('\\') == std::string::npos || PkHostPathMode())) {
    *host = p;
    return true;
  }
  int n = MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, nullptr, 0);
  if (n <= 0) return false;
  std::u16string wide(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, wide.data(), n);
  return PkResolveWindowsPath(wide.c_str(), nullptr, host) == 0;
}

// Whether writing the output would overwrite the input: the same file (also
// through a link) or the same canonical path.
bool same_file(const char* input, const char* output) {
  std::string in, out;
  if (!host_file(input, &in) || !host_file(output, &out)) return false;
  struct stat a {
  }, b{};
  if (::stat(in.c_str(), &a) == 0 && ::stat(out.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    return true;
  std::error_code e1, e2;
  auto ci = std::filesystem::weakly_canonical(in, e1), co = std::filesystem::weakly_canonical(out, e2);
  return !e1 && !e2 && ci == co;
}

// The JPEG sampling code of a subsampling choice.
uint32_t sampling_code(int choice) {
  switch (choice) {
    case 0: return 0x11101110;
    case 1: return 0x12201110;
    case 3: return 0x14401110;
    default: return 0x12201220;
  }
}

}  // namespace

CRstInterface::MrcCoding::MrcCoding() = default;
CRstInterface::MrcCoding::~MrcCoding() = default;
CRstInterface::MrcCoding::MrcCoding(MrcCoding&&) noexcept = default;
CRstInterface::MrcCoding& CRstInterface::MrcCoding::operator=(MrcCoding&&) noexcept = default;

CRstInterface::CRstInterface() = default;

CRstInterface::~CRstInterface() { release(); }

void CRstInterface::release() {
  delete image_info_;
  image_info_ = nullptr;
  rst_free(pixels_);
  pixels_ = nullptr;
}

void CRstInterface::Swap(CRstInterface& other) {
  std::swap(page_count_, other.page_count_);
  std::swap(image_info_, other.image_info_);
  std::swap(page_height_, other.page_height_);
  std::swap(page_width_, other.page_width_);
  std::swap(row_stride_, other.row_stride_);
  std::swap(bitmap_width_, other.bitmap_width_);
  std::swap(bitmap_height_, other.bitmap_height_);
  std::swap(x_resolution_, other.x_resolution_);
  std::swap(y_resolution_, other.y_resolution_);
  std::swap(pixels_, other.pixels_);
  std::swap(orientation_, other.orientation_);
  software_.swap(other.software_);
  std::swap(export_page_number_, other.export_page_number_);
  std::swap(export_failed_page_, other.export_failed_page_);
  std::swap(export_hit_input_, other.export_hit_input_);
  std::swap(failure_, other.failure_);
  std::swap(last_target_width_, other.last_target_width_);
  std::swap(last_target_height_, other.last_target_height_);
}

bool CRstInterface::OpenPage(const char* path, uint32_t page) {
  return contained(failure_, [&] { return open_page(path, page); });
}

bool CRstInterface::RenderPage(const char* path, int zoom, int mode, int angle, uint32_t page) {
  return contained(failure_, [&] { return render_page(path, zoom, mode, angle, page); });
}

bool CRstInterface::open_page(const char* path, uint32_t page) {
  FileInputStorage storage;
  if (!path || !storage.open(path)) return false;
  RstOwner<RstImageInfo> info(RstImageInfo::create(&storage, page));
  if (!info) return false;
  // A page without pixels cannot be shown or fitted.
  if (info->width <= 0 || info->height <= 0) return false;
  uint32_t count = info->page_count();
  // Orientation and Software belong to this file: a later file of another
  // format must not inherit them.
  int orientation = 1;
  std::string software;
  if (info->format.is_tiff()) {
    RstOwner<RstReadTIFFHeader> tiff(RstReadTIFF::private_header(&storage, 3));
    if (tiff) {
      if (tiff->orientation >= 1 && tiff->orientation <= 8) orientation = int(tiff->orientation);
      software = tiff->software;
    }
  }
  delete image_info_;
  image_info_ = info.release();
  x_resolution_ = image_info_->x_resolution > 0 ? uint32_t(image_info_->x_resolution) : 72;
  y_resolution_ = image_info_->y_resolution > 0 ? uint32_t(image_info_->y_resolution) : 72;
  page_width_ = uint32_t(image_info_->width);
  page_height_ = uint32_t(image_info_->height);
  page_count_ = int(count);
  orientation_ = orientation;
  software_.swap(software);
  return true;
}

bool CRstInterface::render_page(const char* path, int zoom, int mode, int angle, uint32_t page) {
  if (!image_info_ || page_width_ == 0 || page_height_ == 0 || zoom <= 0) return false;
  FileInputStorage storage;
  if (!path || !storage.open(path)) return false;

  // Target size, in 64 bits: large pages at large zooms must not wrap.
  const uint64_t w = page_width_, h = page_height_, z = uint64_t(zoom);
  const uint64_t xr = x_resolution_, yr = y_resolution_;
  uint64_t tw = 0, th = 0;
  switch (mode) {
    case 0:
      tw = (w * z + 50) / 100;
      th = (h * z + 50) / 100;
      break;
    case 1:
      tw = (w * z * 72 + xr * 50) / (xr * 100);
      th = (h * z * 72 + yr * 50) / (yr * 100);
      break;
    case 2:
      tw = yr > xr ? (w * yr * z + xr * 50) / (xr * 100) : (w * z + 50) / 100;
      th = xr > yr ? (h * xr * z + yr * 50) / (yr * 100) : (h * z + 50) / 100;
      break;
    default:
      // Another mode keeps the size of the last render.
      tw = last_target_width_;
      th = last_target_height_;
      break;
  }
  if (tw == 0) tw = 1;
  if (th == 0) th = 1;
  const int turn = rst_normalize_angle(angle + orientation_turn(orientation_));
  const bool quarter = turn == 90 || turn == 270;
  const uint64_t out_w = quarter ? th : tw, out_h = quarter ? tw : th;
  const uint64_t stride = ((out_w * 24 + 31) / 32) * 4;
  // A bitmap beyond 2^31 - 1 bytes is refused like a failed allocation,
  // before anything is built.
  const uint64_t limit = uint64_t(std::numeric_limits<int32_t>::max());
  if (out_w > limit || out_h > limit || stride > limit / out_h) return false;

  RstOwner<RstRead> top(RstReadRaster::create(&storage, page));
  if (!top) return false;
  if (!widen_four_bits(top, *image_info_)) return false;

  // Scaling on the page as read. Below half size the page is halved first;
  // both stages keep the darkest pixels, so thin strokes stay visible.
  const uint64_t half_w = w / 2 ? w / 2 : 1, half_h = h / 2 ? h / 2 : 1;
  if (tw < half_w || th < half_h) {
    RstScale::MinLightness first, second;
    if (!stage(top, RstScale::create(top.get(), int32_t(half_w), int32_t(half_h), first))) return false;
    if (!stage(top, RstScale::create(top.get(), int32_t(tw), int32_t(th), second))) return false;
  } else {
    RstScale::NearestNeighbor nearest;
    if (!stage(top, RstScale::create(top.get(), int32_t(tw), int32_t(th), nearest))) return false;
  }

  switch (orientation_) {
    case 2:
    case 5:
    case 7:
      if (!stage(top, RstMirrorX::create(top.get()))) return false;
      break;
    case 4:
      if (!stage(top, RstMirrorY::create(top.get()))) return false;
      break;
    default: break;
  }
  if (turn != 0 && !stage(top, RstRotate90::create(top.get(), turn, true))) return false;

  if (!stage(top, RstConvertBits1To8::create(top.get(), 0, 255))) return false;
  if (!stage(top, RstApplyColormap::create(top.get()))) return false;
  if (!stage(top, RstTransformColorTo::create(top.get(), RstColorType::s_rgb()))) return false;
  if (!stage(top, RstReverseChannel::create(top.get(), nullptr))) return false;

  RstHeader last(top.get());
  const int line = top->line_size();
  if (last.bits_per_sample != 8 || last.samples_per_pixel != 3 || last.data_form != RstDataForm::raw ||
      uint64_t(last.width) != out_w || uint64_t(last.height) != out_h || uint64_t(line) != 3 * out_w)
    return false;

  uint8_t* bits = static_cast<uint8_t*>(rst_malloc(size_t(stride * out_h)));
  if (!bits) return false;
  // The first line (the top of the image) is the last row of the bitmap.
  for (uint64_t y = 0; y < out_h; ++y) {
    uint8_t* row = bits + (out_h - 1 - y) * stride;
    int got = 0;
    try {
      got = top->read(row);
    } catch (...) {
      rst_free(bits);
      throw;
    }
    if (got != line) {
      rst_free(bits);
      return false;
    }
  }
  rst_free(pixels_);
  pixels_ = bits;
  bitmap_width_ = int(out_w);
  bitmap_height_ = int(out_h);
  row_stride_ = int(stride);
  last_target_width_ = tw;
  last_target_height_ = th;
  return true;
}

BITMAPINFOHEADER* CRstInterface::MakeBitmapInfo() const {
  BITMAPINFOHEADER* info = new (std::nothrow) BITMAPINFOHEADER;
  if (!info) return nullptr;
  std::memset(info, 0, sizeof *info);
  info->biSize = sizeof(BITMAPINFOHEADER);
  info->biWidth = bitmap_width_;
  info->biHeight = bitmap_height_;
  info->biPlanes = 1;
  info->biBitCount = 24;
  info->biCompression = 0;
  info->biSizeImage = 0;
  info->biXPelsPerMeter = 3780;
  info->biYPelsPerMeter = 3780;
  return info;
}

CRstInterface::MrcCoding CRstInterface::MapMrcOptions(int documentType, int maskCompression, int fgCompression,
                                                      int bgCompression, int fgReduction, int bgReduction,
                                                      int fgSubsampling, int bgSubsampling, int fgQuality,
                                                      int bgQuality, uint32_t y_resolution) {
  MrcCoding c;
  c.mode = documentType == 0 ? 1 : documentType == 1 ? 2 : 0;
  c.k = y_resolution > 100 ? 4 : 2;
  switch (maskCompression) {
    case 1: c.mask.reset(new RstMHOption(1, 0, 1, 0, 0)); break;
    case 2: c.mask.reset(new RstMROption(1, 0, 0, 0, c.k)); break;
    case 3: c.mask.reset(new RstMMROption(1, 0)); break;
    case 4: c.mask.reset(new RstEncodeJBIGT85Option(128, 0, 0)); break;
    default: break;
  }
  // "JBIG(T.43)" has no layer coder: the layer is written as with none.
  if (fgCompression == 1) c.foreground.reset(new RstEncodeJPEGOption(fgQuality, sampling_code(fgSubsampling)));
  if (bgCompression == 1) c.background.reset(new RstEncodeJPEGOption(bgQuality, sampling_code(bgSubsampling)));
  c.foreground_reduction = uint32_t(fgReduction + 1);
  c.background_reduction = uint32_t(bgReduction + 1);
  return c;
}

bool CRstInterface::ExportMrc(const char* inputPath, const char* outputPath, int documentType, int maskCompression,
                              int fgCompression, int bgCompression, int fgReduction, int bgReduction, int fgSubsampling,
                              int bgSubsampling, int fgQuality, int bgQuality, int pageCount) {
  export_failed_page_ = 0;
  export_hit_input_ = false;
  return contained(failure_, [&] {
    if (!inputPath || !outputPath || !*outputPath) return false;
    if (same_file(inputPath, outputPath)) {
      export_hit_input_ = true;
      return false;
    }
    MrcCoding coding = MapMrcOptions(documentType, maskCompression, fgCompression, bgCompression, fgReduction,
                                     bgReduction, fgSubsampling, bgSubsampling, fgQuality, bgQuality, y_resolution_);
    return export_mrc(inputPath, outputPath, coding, pageCount);
  });
}

bool CRstInterface::export_mrc(const char* input, const char* output, const MrcCoding& coding, int pageCount) {
  FileOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = nullptr;
  // Where the chain stood after the last complete page.
  uint32_t done_slot = 0, done_pages = 0;
  bool opened = false;
  // Every exit, a report thrown included, ends the chain at the last
  // complete page and closes the output, so the file holds exactly the pages
  // written; a file opened without a complete page is removed.
  struct Finish {
    FileOutputStorage& out;
    RstWriteTIFFMultiPageManager*& manager;
    uint32_t& slot;
    uint32_t& pages;
    const bool& opened;
    const char* path;
    ~Finish() {
      if (manager) {
        if (manager->pages_written != pages || manager->link_value != 0) {
          manager->pages_written = pages;
          manager->link_slot = slot;
          // Nonzero, so that the chain's end is written at that slot.
          manager->link_value = pages ? 0xFFFFFFFFu : 0;
        }
        try {
          manager->close();
        } catch (...) {
        }
      }
      out.close();
      if (opened && pages == 0) {
        try {
          std::string host;
          if (host_file(path, &host)) {
            std::error_code e;
            auto file = std::filesystem::weakly_canonical(host, e);
            std::filesystem::remove(e ? std::filesystem::path(host) : file, e);
          }
        } catch (...) {
        }
      }
    }
  } finish{out, manager, done_slot, done_pages, opened, output};

  for (int page = 1; page <= pageCount; ++page) {
    export_page_number_ = page;
    export_failed_page_ = page;
    FileInputStorage in;
    if (!in.open(input)) return false;
    // The page's own description: the bridge keeps describing the shown page.
    RstOwner<RstImageInfo> info(RstImageInfo::create(&in, uint32_t(page)));
    if (!info) return false;
    const uint32_t xr = info->x_resolution > 0 ? uint32_t(info->x_resolution) : 72;
    const uint32_t yr = info->y_resolution > 0 ? uint32_t(info->y_resolution) : 72;
    bool refused = false;
    std::unique_ptr<RstWriteTIFFMRCOption> option;
    {
      PreviewFailureWatch watch;
      option.reset(new RstWriteTIFFMRCOption(coding.mode, xr, yr, 0, coding.mask.get(), coding.background.get(),
                                             coding.foreground.get(), coding.background_reduction,
                                             coding.foreground_reduction));
      refused = watch.reported();
    }
    if (refused) return false;
    // The output is opened only once the first page's option stands: a
    // refused choice leaves an existing file as it was.
    if (!manager) {
      if (!out.open(output)) return false;
      opened = true;
      manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
      if (!manager) return false;
    }

    RstOwner<RstRead> top(RstReadRaster::create(&in, uint32_t(page)));
    if (!top) return false;
    // The page as it is shown: 4-bit levels spread, colormaps expanded (the
    // page writer takes no colormapped page).
    if (!widen_four_bits(top, *info)) return false;
    if (RstHeader(top.get()).colormap && !stage(top, RstApplyColormap::create(top.get()))) return false;
    RstHeader h(top.get());
    if (h.bits_per_sample == 1 && h.samples_per_pixel == 1) {
      if (!stage(top, RstConvertBits1To8::create(top.get(), 0, 255))) return false;
      if (!stage(top, RstTransformColorTo::create(top.get(), RstColorType::itu_lab()))) return false;
    } else if (h.bits_per_sample == 8 && (h.samples_per_pixel == 1 || h.samples_per_pixel == 4)) {
      if (!stage(top, RstTransformColorTo::create(top.get(), RstColorType::itu_lab()))) return false;
    }

    RstOwner<RstWrite> writer(RstWriteTIFFMRC::create(top.get(), manager, option.get()));
    if (!writer) return false;
    top.release();  // the writer ends the pipeline
    while (writer->write() != 0) {
    }
    const int32_t status = writer->status();
    writer.reset();
    if (status < 1) return false;
    done_pages = manager->pages_written;
    done_slot = manager->link_slot;
  }
  export_failed_page_ = 0;
  return true;
}
