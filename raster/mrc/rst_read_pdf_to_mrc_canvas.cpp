// Reading a PDF page into an IMT object image, and the canvas made from it.
#include "raster/mrc/rst_read_pdf_to_mrc_canvas.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "raster/core/consecutive_input_storage.h"
#include "raster/core/namable.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/rst_pdf_document.h"
#include "raster/mrc/rst_read_imt_to_mrc_canvas.h"

static_assert(std::endian::native == std::endian::little, "the page list's words are read as little-endian");

namespace {

const char kCreate[] = "RstReadPDFToMRCCanvasImpl::create()";
const char kInitiate[] = "RstReadPDFToMRCCanvasImpl::initiate()";
const char kMake[] = "RstReadPDFToMRCCanvasImpl::make()";
const char kModImt[] = "RstReadPDFToMRCCanvasImpl::mod_imt()";
const char kAddStrg[] = "RstReadPDFToMRCCanvasImpl::add_strg()";

// The largest canvas the page may ask for.
constexpr int64_t kMaxSide = 65535;
constexpr int64_t kMaxPixels = int64_t(1) << 30;

float as_float(uint32_t w) {
  float f;
  std::memcpy(&f, &w, 4);
  return f;
}

uint32_t as_word(float f) {
  uint32_t w;
  std::memcpy(&w, &f, 4);
  return w;
}

bool is_end(const PdfPageNode* n) { return !n || n->words[0] == kPdfEndTag; }

// Tags of objects that are placed on the canvas.
bool is_placed(uint32_t tag) { return tag == 1 || tag == 2 || tag == 3 || tag == 7 || tag == 9; }

// The nearest integer, halves away from zero; false for a value that is no
// number or outside the 32-bit range.
bool nearest(double v, int64_t* out) {
  if (!std::isfinite(v)) return false;
  double r = std::round(v);
  if (r < -2147483648.0 || r > 2147483647.0) return false;
  *out = int64_t(r);
  return true;
}

// trunc(v + 0.5) for a resolution or page size, within 32 bits.
bool rounded(double v, int64_t* out) {
  if (!std::isfinite(v)) return false;
  double r = std::trunc(v + 0.5);
  if (r < 0.0 || r > 2147483647.0) return false;
  *out = int64_t(r);
  return true;
}

// The PDF mutex held and the document closed again on every way out.
class Session {
 public:
  explicit Session(bool* open) : open_(open) { rst_pdf_mutex().lock(); }
  ~Session() {
    if (*open_ && pdf_close_document() == 0) *open_ = false;
    rst_pdf_mutex().unlock();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  bool* open_;
};

}  // namespace

RstReadPDFToMRCCanvasImpl* RstReadPDFToMRCCanvasImpl::create(InputStorage* source, uint32_t page_number) {
  if (!source || page_number == 0) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  if (!dynamic_cast<Namable*>(source)) return nullptr;
  RstOwner<RstReadPDFToMRCCanvasImpl> owner(new (std::nothrow) RstReadPDFToMRCCanvasImpl(source, page_number));
  return rst_create_end(owner);
}

RstReadPDFToMRCCanvasImpl::~RstReadPDFToMRCCanvasImpl() {
  imt_storage_.reset();
  pieces_.clear();
  if (document_open_) {
    rst_pdf_mutex().lock();
    if (pdf_close_document() == 0) document_open_ = false;
    rst_pdf_mutex().unlock();
  }
}

bool RstReadPDFToMRCCanvasImpl::initiate() {
  const auto* named = dynamic_cast<const Namable*>(source_);
  if (!named) return false;
  const std::string name = named->name();
  if (name.empty()) return false;
  Session session(&document_open_);
  // Whatever the open managed to set up is closed again by the session.
  int32_t s = rst_pdf_status(pdf_open_document(name.c_str()));
  document_open_ = true;
  if (s != 1) {
    rst_report(s, kInitiate);
    if (s < 1) return false;
  }
  PdfDocInfo info{};
  s = rst_pdf_status(pdf_get_document_info(&info));
  if (s != 1) {
    rst_report(s, kInitiate);
    if (s < 1) return false;
  }
  if (info.page_count < 0 || uint32_t(info.page_count) < page_number_) {
    rst_report(RstCode::pdf_page_beyond, kInitiate);
    return false;
  }
  PdfPageNode* head = nullptr;
  s = rst_pdf_status(pdf_get_page(int32_t(page_number_), &head));
  if (s != 1) {
    rst_report(s, kInitiate);
    if (s < 1) return false;
  }
  return build(head);
}

bool RstReadPDFToMRCCanvasImpl::build(PdfPageNode* head) {
  if (mod_imt(head, pdf_file_size()) != 1) return false;
  pieces_.clear();
  if (!add_strg(head->words, RstIMS::header_bytes)) return false;
  int32_t rotation = int32_t(head->words[7]);
  page_rotation_ = rotation == -1 ? 0 : rotation;
  const PdfPageNode* n = head->next;
  for (; !is_end(n); n = n->next) {
    if (!add_strg(n->words, RstIMS::record_bytes)) return false;
  }
  if (n && !add_strg(n->words, RstIMS::end_record_bytes)) return false;
  std::vector<InputStorage*> parts;
  int64_t total = 0;
  try {
    for (const auto& p : pieces_) {
      parts.push_back(p.get());
      total += p->size();
    }
    imt_bytes_.assign(size_t(total), 0);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kInitiate);
    return false;
  }
  ConsecutiveInputStorage all(parts);
  if (total > 0 && all.read(imt_bytes_.data(), int32_t(total)) != int32_t(total)) {
    rst_report(RstCode::io_failure, kInitiate);
    return false;
  }
  // The pieces lie over the core's page list, which goes with the document.
  pieces_.clear();
  imt_storage_.reset(new (std::nothrow) ByteArrayInputStorage(imt_bytes_.data(), int32_t(total)));
  if (!imt_storage_) {
    rst_report(RstCode::no_memory, kInitiate);
    return false;
  }
  return true;
}

bool RstReadPDFToMRCCanvasImpl::add_strg(const void* bytes, int32_t length) {
  std::unique_ptr<ByteArrayInputStorage> piece(new (std::nothrow) ByteArrayInputStorage(bytes, length));
  if (piece) {
    try {
      pieces_.push_back(std::move(piece));
      return true;
    } catch (const std::bad_alloc&) {
    }
  }
  rst_report(RstCode::no_memory, kAddStrg);
  return false;
}

RstMRCCanvas* RstReadPDFToMRCCanvasImpl::make() {
  if (make_count_++ > 0) {
    rst_report(0, kMake);
    return nullptr;
  }
  return RstReadIMTToMRCCanvas::create(imt_storage_.get(), source_, nullptr);
}

int32_t RstReadPDFToMRCCanvasImpl::mod_imt(PdfPageNode* head, int64_t file_size) {
  auto fail = [](int32_t code) {
    rst_report(code, kModImt);
    return code;
  };
  if (!head || is_end(head->next)) return fail(RstCode::pdf_convert_failed);
  uint32_t* hw = head->words;
  const double page_w = hw[2], page_h = hw[3], x_res = hw[4], y_res = hw[5];

  // The reference object: the first mask, else the first image.
  PdfPageNode* ref = nullptr;
  for (PdfPageNode* n = head->next; !is_end(n) && !ref; n = n->next) {
    if (n->words[0] == 2 || n->words[0] == 3) ref = n;
  }
  for (PdfPageNode* n = head->next; !is_end(n) && !ref; n = n->next) {
    uint32_t t = n->words[0];
    if (t == 1 || t == 7 || t == 9) ref = n;
  }
  if (!ref) return fail(RstCode::unsupported_form);
  const double ra = as_float(ref->words[18]), rd = as_float(ref->words[21]);
  if (ra == 0.0 || rd == 0.0 || !std::isfinite(ra) || !std::isfinite(rd)) return fail(RstCode::unsupported_form);
  const double sx = double(ref->words[5]) / std::fabs(ra);
  const double sy = double(ref->words[6]) / std::fabs(rd);
  int64_t pw = 0, ph = 0;
  if (!rounded(page_w * sx, &pw) || !rounded(page_h * sy, &ph)) return fail(RstCode::unsupported_form);
  page_width_ = int32_t(pw);
  page_height_ = int32_t(ph);

  // First pass: the bounding box of everything placed, at the reference's
  // density.
  bool have = false;
  int64_t box_l = 0, box_r = 0, box_t = 0, box_b = 0;
  for (PdfPageNode* n = head->next; !is_end(n); n = n->next) {
    const uint32_t* w = n->words;
    if (!is_placed(w[0])) continue;
    if (as_float(w[19]) != 0.0f || as_float(w[20]) != 0.0f) return fail(RstCode::unsupported_form);
    int64_t left, width, bottom, height;
    if (!nearest(double(int32_t(w[22])) * sx, &left) || !nearest(double(as_float(w[18])) * sx, &width) ||
        !nearest(double(int32_t(w[23])) * sy, &bottom) || !nearest(double(as_float(w[21])) * sy, &height)) {
      return fail(RstCode::unsupported_form);
    }
    const int64_t right = left + width, top = bottom + height;
    if (!have) {
      box_l = left, box_r = right, box_t = top, box_b = bottom;
      have = true;
    } else {
      box_l = std::min(box_l, left);
      box_t = std::min(box_t, top);
      box_r = std::max(box_r, right);
      box_b = std::max(box_b, bottom);
    }
  }

  // Header: the canvas spans the bounding box; a canvas of absurd size is
  // refused rather than allocated.
  const int64_t canvas_w = box_r - box_l, canvas_h = box_b - box_t;
  int64_t xr = 0, yr = 0;
  if (canvas_w < 1 || canvas_h < 1 || canvas_w > kMaxSide || canvas_h > kMaxSide || canvas_w * canvas_h > kMaxPixels ||
      !rounded(x_res * sx, &xr) || !rounded(y_res * sy, &yr)) {
    return fail(RstCode::unsupported_form);
  }
  hw[2] = uint32_t(canvas_w);
  hw[3] = uint32_t(canvas_h);
  hw[4] = uint32_t(xr);
  hw[5] = uint32_t(yr);
  box_left_ = int32_t(box_l);
  box_top_ = int32_t(box_t);

  // Second pass: line lengths, colour spaces, tags and placement.
  for (PdfPageNode* n = head->next; !is_end(n); n = n->next) {
    uint32_t* w = n->words;
    const uint32_t tag = w[0], compression = w[8];
    uint32_t& space = w[9];
    if ((tag == 1 || tag == 6) && compression == 1) {
      const uint64_t width = w[5];
      if (space == 16) w[7] = uint32_t(std::min<uint64_t>((width * 8 + 7) / 8, UINT32_MAX));
      if (space == 32 || space == 33) w[7] = uint32_t(std::min<uint64_t>((width * 24 + 7) / 8, UINT32_MAX));
    }
    if (compression == 1) {
      const uint64_t need = uint64_t(w[7]) * uint64_t(w[6]);
      if (need != w[16] || int64_t(w[17]) + int64_t(w[16]) > file_size) return fail(RstCode::unsupported_option);
    }
    if ((tag == 1 || tag == 2 || tag == 6) && compression == 32 && (space == 32 || space == 33)) space = 38;
    if (tag == 8) w[0] = 6;
    if (tag == 9) w[0] = 7;
    if (space == 16) {
      const bool raw = compression == 1, ccitt = compression == 16 || compression == 17;
      if (tag == 7 || tag == 8) {
        if (raw) space = 2;
        if (ccitt) space = 1;
      } else if (tag == 9) {
        if (raw) space = 1;
        if (ccitt) space = 2;
      }
    }
    if (is_placed(tag)) {
      int64_t x, y;
      if (!nearest(double(int32_t(w[22])) * sx - double(box_l), &x) ||
          !nearest(double(int32_t(w[23])) * sy - double(box_t), &y)) {
        return fail(RstCode::unsupported_form);
      }
      w[18] = as_word(float(double(as_float(w[18])) * sx));
      w[21] = as_word(float(double(as_float(w[21])) * sy));
      w[22] = uint32_t(int32_t(x));
      w[23] = uint32_t(int32_t(y));
    }
  }
  return 1;
}
