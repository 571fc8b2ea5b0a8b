// The PNG reader. libpng leaves its error paths by longjmp straight through
// our frames, so every arm point and every libpng call that can fail sits in
// a small function below whose locals are trivially destructible, and
// nothing reports (a report may throw) between an arm point and its return.
#include "raster/formats/rst_read_png.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

using Context = RstReadPNGHeader::RstReadPNGInfo;

namespace {

Context* context_of(png_structp png) { return static_cast<Context*>(png_get_error_ptr(png)); }

// Straight to the arm point, which sets the status of its step (libpng's
// own fallback would print the message first).
void on_error(png_structp png, png_const_charp) {
  context_of(png)->status = 0;
  png_longjmp(png, 1);
}

// Benign for valid files (old sRGB profiles, for instance): told, not fatal.
void on_warning(png_structp, png_const_charp) { rst_report(RstCode::recoverable_decode, "RstReadPNG"); }

// A short read ends libpng's parse at once; the arm point's status stands.
void on_read(png_structp png, png_bytep data, size_t length) {
  Context* c = static_cast<Context*>(png_get_io_ptr(png));
  size_t got = 0;
  while (got < length) {
    int32_t want = length - got > 0x40000000 ? 0x40000000 : int32_t(length - got);
    int32_t n = c->window.read(data + got, want);
    if (n <= 0) break;
    got += size_t(n);
  }
  if (got < length) {
    c->status = RstCode::io_failure;
    png_error(png, "short read");
  }
}

int32_t read_header_chunks(Context* c) {
  if (setjmp(png_jmpbuf(c->png))) return c->status = RstCode::not_this_format;
  png_set_read_fn(c->png, c, on_read);
  png_read_info(c->png, c->info);
  return c->status;
}

int32_t set_transformations(Context* c) {
  if (setjmp(png_jmpbuf(c->png))) return c->status = RstCode::unsupported_variant;
  png_structp png = c->png;
  png_infop info = c->info;
  int depth = png_get_bit_depth(png, info);
  int type = png_get_color_type(png, info);
  png_set_strip_16(png);
  if (depth == 2 || depth == 4 || (depth == 1 && type == PNG_COLOR_TYPE_PALETTE)) png_set_packing(png);
  if (depth == 2 || depth == 4) png_set_expand(png);
  png_color_16p file_background = nullptr;
  if (png_get_bKGD(png, info, &file_background)) {
    png_set_background(png, file_background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
  } else {
    png_color_16 white;
    white.index = 0;
    white.red = white.green = white.blue = white.gray = 255;
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
  }
  int intent = 0;
  double file_gamma = 0.45455;
  if (!png_get_sRGB(png, info, &intent)) {
    double g = 0;
    if (png_get_gAMA(png, info, &g)) file_gamma = g;
  }
  png_set_gamma(png, 2.2, file_gamma);
  // libpng runs the passes itself; png_read_image then has nothing to warn.
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return c->status;
}

int32_t read_one_row(Context* c, uint8_t* line) {
  if (setjmp(png_jmpbuf(c->png))) return c->status = RstCode::invalid_code;
  png_read_row(c->png, line, nullptr);
  return c->status;
}

int32_t read_all_rows(Context* c, uint8_t** rows) {
  if (setjmp(png_jmpbuf(c->png))) return c->status = RstCode::invalid_code;
  png_read_image(c->png, rows);
  return c->status;
}

}  // namespace

// ---- context ----

Context::RstReadPNGInfo(InputStorage* storage) : window(storage, storage ? storage->size() - storage->tell() : 0) {
  open();
}

Context::~RstReadPNGInfo() { close(); }

void Context::open() {
  status = RstCode::good;
  png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, on_error, on_warning);
  if (!png) {
    status = RstCode::no_memory;
    return;
  }
  info = png_create_info_struct(png);
  if (!info) {
    status = RstCode::no_memory;
    return;
  }
  if (read_header_chunks(this) < 1) return;
  set_transformations(this);
}

void Context::close() {
  if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  png = nullptr;
  info = nullptr;
}

void Context::reopen() {
  close();
  window.rewind();
  open();
}

RstHeader& Context::rst_header(RstHeader& out) {
  out = RstHeader();
  if (!png || !info) return out;
  out.width = int32_t(png_get_image_width(png, info));
  out.height = int32_t(png_get_image_height(png, info));
  out.bits_per_sample = png_get_bit_depth(png, info);
  out.samples_per_pixel = png_get_channels(png, info);
  out.sample_kind = RstSampleKind::unsigned_int;
  out.data_form = RstDataForm::flate;
  int type = png_get_color_type(png, info);
  out.color_type = (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) ? RstColorType::default_gray()
                                                                                      : RstColorType::default_rgb();
  if (type == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) && palette && entries > 0) {
      RstColormap* map = rst_new<RstColormap>(8, 3, entries);
      if (!map || map->size() < 3 * entries) {
        delete map;
        rst_report(RstCode::no_memory, "RstReadPNGHeader::RstReadPNGInfo::rst_header()");
      } else {
        uint8_t* d = map->data();
        for (int i = 0; i < entries; ++i) {
          d[3 * i] = palette[i].red;
          d[3 * i + 1] = palette[i].green;
          d[3 * i + 2] = palette[i].blue;
        }
        out.colormap.reset(map);
      }
    }
  }
  return out;
}

// ---- private header ----

RstReadPNGHeader::RstReadPNGHeader(InputStorage* storage) {
  RstReadPNGInfo* made = rst_new<RstReadPNGInfo>(storage);
  context.reset(made);
  if (!made || !context.has_count()) {
    rst_report(RstCode::no_memory, "RstReadPNGHeader::RstReadPNGHeader()");
  }
}

namespace {

int32_t dpi(png_structp png, png_infop info, bool x) {
  if (!png || !info) return 0;
  png_uint_32 px = 0, py = 0;
  int unit = 0;
  if (!png_get_pHYs(png, info, &px, &py, &unit) || unit != PNG_RESOLUTION_METER) return 0;
  double v = double(x ? px : py) * 0.0254 + 0.5;
  return v >= 2147483647.0 ? 2147483647 : int32_t(v);
}

}  // namespace

int32_t RstReadPNGHeader::x_resolution() const { return context ? dpi(context->png, context->info, true) : 0; }
int32_t RstReadPNGHeader::y_resolution() const { return context ? dpi(context->png, context->info, false) : 0; }

void RstReadPNGHeader::rst_header(RstHeader& out) {
  if (context) context->rst_header(out);
  else out = RstHeader();
}

bool RstReadPNGHeader::interlaced() const {
  return context && context->png && context->info &&
         png_get_interlace_type(context->png, context->info) != PNG_INTERLACE_NONE;
}

// ---- reader nodes ----

RstReadPNGHeader* RstReadPNG::private_header(InputStorage* storage) {
  const char* where = "RstReadPNG";
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstReadPNGHeader* header = rst_new<RstReadPNGHeader>(storage);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  // No header without a context is handed out; its -1 is already reported.
  if (!header->context) {
    delete header;
    return nullptr;
  }
  int32_t status = header->status();
  if (status == RstCode::good) return header;
  if (status > RstCode::good) {
    rst_report(status, where);
    return header;
  }
  delete header;
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

RstRead* RstReadPNG::create(InputStorage* storage, RstReadPNGHeader* header) {
  const char* where = "RstReadPNG::create()";
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (header) {
    if (header->interlaced()) return RstReadPNGInterlaced::create(storage, header);
    return RstReadPNGNonInterlaced::create(storage, header);
  }
  RstReadPNGHeader* own = private_header(storage);
  if (!own) {
    rst_report(RstCode::not_this_format, where);
    return nullptr;
  }
  struct Drop {
    RstReadPNGHeader* h;
    ~Drop() { rst_release(h); }
  } drop{own};
  return create(storage, own);
}

RstReadPNG::RstReadPNG(InputStorage* storage, RstReadPNGHeader* header) : context_(header->context), storage_(storage) {
  header->rst_header(header_);
  header_.data_form = RstDataForm::raw;
  int64_t bytes = (int64_t{header_.width} * header_.samples_per_pixel * header_.bits_per_sample + 7) / 8;
  line_size_ = bytes > 0 && bytes <= INT32_MAX ? int32_t(bytes) : 0;
}

namespace {

// The checks both factories share; the row libpng writes must be one line.
bool can_make(InputStorage* storage, RstReadPNGHeader* header) {
  if (!storage || !header || !header->context) {
    rst_report(RstCode::bad_argument, "RstReadPNGNonInterlaced::create()");
    return false;
  }
  Context* c = header->context.get();
  if (c->status < 1 || !c->png || !c->info) {
    rst_report(c->status < 1 ? c->status : RstCode::bad_argument, "RstReadPNGNonInterlaced::create()");
    return false;
  }
  return true;
}

template <class T>
T* finish(InputStorage* storage, RstReadPNGHeader* header) {
  RstOwner<T> owner(rst_new<T>(storage, header));
  if (!owner) {
    rst_report(RstCode::no_memory, "RstReadPNGNonInterlaced::create()");
    return nullptr;
  }
  Context* c = header->context.get();
  if (owner->line_size() < 1 || png_get_rowbytes(c->png, c->info) != size_t(owner->line_size())) {
    rst_report(RstCode::unsupported_form, "RstReadPNGNonInterlaced::create()");
    return nullptr;
  }
  return rst_create_end(owner);
}

}  // namespace

RstReadPNGNonInterlaced* RstReadPNGNonInterlaced::create(InputStorage* storage, RstReadPNGHeader* header) {
  if (!can_make(storage, header)) return nullptr;
  return finish<RstReadPNGNonInterlaced>(storage, header);
}

int RstReadPNGNonInterlaced::read(uint8_t* line) {
  const char* where = "RstReadPNGNonInterlaced::read()";
  if (row_ >= header_.height) return 0;
  ++row_;
  Context* c = context_.get();
  if (c->status < 1) {
    rst_report(RstCode::recoverable_decode, where);
    return line_size_;
  }
  if (read_one_row(c, line) < 1) rst_report(RstCode::recoverable_decode, where);
  // libpng keeps the caller's bits past the last pixel; raw lines have them 0.
  int32_t tail_bits = int32_t((int64_t{header_.width} * header_.samples_per_pixel * header_.bits_per_sample) % 8);
  if (tail_bits) line[line_size_ - 1] &= uint8_t(0xFF00 >> tail_bits);
  return line_size_;
}

void RstReadPNGNonInterlaced::reset() {
  row_ = 0;
  context_->reopen();
}

RstReadPNGInterlaced* RstReadPNGInterlaced::create(InputStorage* storage, RstReadPNGHeader* header) {
  if (!can_make(storage, header)) return nullptr;
  return finish<RstReadPNGInterlaced>(storage, header);
}

RstReadPNGInterlaced::~RstReadPNGInterlaced() {
  for (int32_t i = 0; i < row_count_; ++i) rst_free(rows_[i]);
  rst_free(rows_);
}

bool RstReadPNGInterlaced::initiate() {
  if (rows_) return true;
  const char* where = "RstReadPNGInterlaced::initiate()";
  int32_t height = header_.height;
  if (height < 1) return true;
  if (int64_t(height) * (int64_t(line_size_) + int64_t(sizeof(uint8_t*))) > max_held_bytes) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  rows_ = static_cast<uint8_t**>(rst_calloc(size_t(height) * sizeof(uint8_t*)));
  if (!rows_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  row_count_ = height;
  for (int32_t i = 0; i < height; ++i) {
    rows_[i] = static_cast<uint8_t*>(rst_calloc(size_t(line_size_)));
    if (!rows_[i]) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
  }
  Context* c = context_.get();
  if (c->status < 1 || read_all_rows(c, rows_) < 1)
    rst_report(RstCode::recoverable_decode,
               "RstReadPNGInterlaced::RstReadPNGInterlaced() - maybe decode-error or IO-error.");
  return true;
}

int RstReadPNGInterlaced::read(uint8_t* line) {
  if (row_ >= header_.height || !rows_) return 0;
  std::memcpy(line, rows_[row_++], size_t(line_size_));
  return line_size_;
}
