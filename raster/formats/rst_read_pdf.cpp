// The PDF reader front over the PDF module's registered calls.
#include "raster/formats/rst_read_pdf.h"

#include <cstring>
#include <memory>

#include "platform/win/win_codepage.h"
#include "raster/core/namable.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_mutex.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"

namespace {

const char kProbe[] = "RstReadPDF::private_header()";
const char kInitialize[] = "RstReadPDFHeader::initialize()";
const char kNext[] = "RstReadPDFHeader::next()";
const char kCreate[] = "RstReadPDF::create()";

constexpr size_t kStringBuffer = 1024;

bool pdf_enabled() {
  RstStatusContext* context = RstStatusContext::instance();
  return !context || context->format_enables.bytes[RstFormatEnables::pdf] != 0;
}

bool hooks_registered() {
  const RstFormatCreators& c = rst_format_creators();
  return c.pdf_mutex && c.pdf_open_document && c.pdf_document_info && c.pdf_close_document && c.pdf_page_objects;
}

// Holds the PDF mutex; on the way out (also when a report throws) closes the
// document if the header still holds it open, so that no failure leaves the
// module's one document open.
class DocumentLock {
 public:
  explicit DocumentLock(bool& open) : mutex_(rst_format_creators().pdf_mutex()), open_(open) { mutex_.lock(); }
  ~DocumentLock() {
    if (open_) {
      open_ = false;
      rst_format_creators().pdf_close_document();
    }
    mutex_.unlock();
  }
  DocumentLock(const DocumentLock&) = delete;
  DocumentLock& operator=(const DocumentLock&) = delete;

 private:
  RstMutex& mutex_;
  bool& open_;
};

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

// UTF-16 text after its signature, to code page 932: whole characters only
// while they fit before the terminator.
std::string utf16_to_932(const uint8_t* bytes, bool big_endian) {
  std::u16string units;
  // The module ends every string in zero bytes; the text ends at the first
  // whole pair of them.
  for (size_t i = 0;; i += 2) {
    uint8_t a = bytes[i];
    if (a == 0 && bytes[i + 1] == 0) break;
    uint8_t b = bytes[i + 1];
    units.push_back(big_endian ? char16_t(a << 8 | b) : char16_t(b << 8 | a));
  }
  std::string out;
  char piece[8];
  for (size_t i = 0; i < units.size();) {
    // A surrogate pair is one character.
    int n = (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
             units[i + 1] < 0xE000)
                ? 2
                : 1;
    int got = WideCharToMultiByte(932, 0, reinterpret_cast<LPCWSTR>(units.data() + i), n, piece, int(sizeof piece),
                                  nullptr, nullptr);
    if (got <= 0 || out.size() + size_t(got) > kStringBuffer - 1) break;
    out.append(piece, size_t(got));
    i += size_t(n);
  }
  return out;
}

}  // namespace

std::string RstReadPDFHeader::info_string(const char* value) {
  if (!value) return std::string();
  const auto* bytes = reinterpret_cast<const uint8_t*>(value);
  if (bytes[0] == 0xFE && bytes[1] == 0xFF) return utf16_to_932(bytes + 2, true);
  if (bytes[0] == 0xFF && bytes[1] == 0xFE) return utf16_to_932(bytes + 2, false);
  return std::string(value, strnlen(value, kStringBuffer - 1));
}

void RstReadPDFHeader::release() {
  if (document_open && rst_format_creators().pdf_mutex) {
    DocumentLock lock(document_open);
  }
  delete this;
}

RstReadPDFHeader::~RstReadPDFHeader() {
  RstReadPDFHeader* chain = next_page;
  next_page = nullptr;
  while (chain) {
    RstReadPDFHeader* after = chain->next_page;
    chain->next_page = nullptr;
    chain->release();
    chain = after;
  }
}

bool RstReadPDFHeader::read_document() {
  // The module reads the file itself, by its name.
  auto* named = dynamic_cast<Namable*>(storage);
  if (!named) return false;
  RstFormatCreators& pdf = rst_format_creators();
  DocumentLock lock(document_open);
  std::string name = named->name();
  if (name.empty() || pdf.pdf_open_document(name.c_str()) != 0) return false;
  document_open = true;
  int32_t page_count = 0;
  int32_t version = 13;  // a document without information keeps PDF 1.3
  const char* strings[8] = {};
  if (pdf.pdf_document_info(&page_count, &version, strings) != 0 || page_count < 0 || uint32_t(page_count) < page)
    return false;
  RstPDFDocumentInfo* record = rst_new<RstPDFDocumentInfo>();
  if (record) {
    info.reset(record);
    if (!info.has_count()) record = nullptr;  // deleted with its count
  }
  if (!record) {
    rst_report(RstCode::no_memory, kInitialize);
    return false;
  }
  record->page_count = page_count;
  record->version = version * 10;
  std::string* fields[8] = {&record->title,   &record->author,   &record->subject,       &record->keywords,
                            &record->creator, &record->producer, &record->creation_date, &record->mod_date};
  for (int i = 0; i < 8; ++i) {
    std::string text = info_string(strings[i]);
    if (!text.empty()) *fields[i] = std::move(text);
  }
  document_open = false;
  if (pdf.pdf_close_document() != 0) {
    rst_report(0, kInitialize);
    return false;
  }
  return true;
}

bool RstReadPDFHeader::read_page() {
  RstFormatCreators::PDFPageObjects page_objects;
  if (!rst_format_creators().pdf_page_objects(storage, page ? page : 1, page_objects)) return false;
  x_resolution = page_objects.x_resolution;
  y_resolution = page_objects.y_resolution;
  header.width = page_objects.width;
  header.height = page_objects.height;
  header.sample_kind = 0;
  const auto& objects = page_objects.objects;
  object_count = int32_t(objects.size());
  if (objects.size() > 1) {
    // Pictures and masks count; the deepest picture describes the page.
    object_count = 0;
    bool first = true;
    for (const auto& o : objects) {
      if (o.kind == 1 || o.kind == 3 || o.kind == 7) {
        ++object_count;
        if (first) {
          header.bits_per_sample = o.header.bits_per_sample;
          header.samples_per_pixel = o.header.samples_per_pixel;
          header.color_type = o.header.color_type;
          header.data_form = o.header.data_form;
          first = false;
        } else if (o.header.bits_per_sample > header.bits_per_sample ||
                   o.header.samples_per_pixel > header.samples_per_pixel) {
          if (o.header.bits_per_sample > header.bits_per_sample) header.bits_per_sample = o.header.bits_per_sample;
          if (o.header.samples_per_pixel > header.samples_per_pixel)
            header.samples_per_pixel = o.header.samples_per_pixel;
          header.color_type = o.header.color_type;
        }
      } else if (o.kind == 2) {
        ++object_count;
      }
    }
    if (object_count > 1) header.data_form = RstDataForm::mrc;
  } else if (objects.size() == 1) {
    const auto& o = objects[0];
    if (o.kind == 6) {
      object_count = 0;
    } else {
      header.data_form = o.header.data_form;
      header.bits_per_sample = o.header.bits_per_sample;
      header.samples_per_pixel = o.header.samples_per_pixel;
      header.sample_kind = o.header.sample_kind;
      header.color_type = o.header.color_type;
    }
  }
  if (object_count <= 0) {
    status = -3;
  } else if (page == 0) {
    page = 1;
    for (RstReadPDFHeader* h = this; (h = h->next()) != nullptr;) {
    }
  }
  return true;
}

bool RstReadPDFHeader::initialize() {
  if (!hooks_registered()) return false;
  if (!info && !read_document()) return false;
  return read_page();
}

RstReadPDFHeader* RstReadPDFHeader::next() {
  if (next_page) return next_page;
  if (!info || page >= uint32_t(info->page_count)) return nullptr;
  RstReadPDFHeader* following = rst_new<RstReadPDFHeader>(storage, page + 1);
  if (!following) {
    rst_report(RstCode::no_memory, kNext);
    return nullptr;
  }
  next_page = following;
  following->info = info;
  if (following->initialize()) return following;
  // A page that cannot be read ends the chain here.
  next_page = nullptr;
  following->release();
  return nullptr;
}

RstReadPDFHeader* RstReadPDF::private_header(InputStorage* storage, uint32_t page) {
  if (!pdf_enabled()) return nullptr;
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, kProbe);
    return nullptr;
  }
  std::unique_ptr<RstReadPDFHeader, PrivateRelease> header(rst_new<RstReadPDFHeader>(storage, page));
  if (!header) {
    rst_report(RstCode::no_memory, kProbe);
    return nullptr;
  }
  if (!header->initialize()) return nullptr;
  return header.release();
}

RstRead* RstReadPDF::create(InputStorage* storage, RstReadPDFHeader* header) {
  if (!pdf_enabled()) return nullptr;
  return create(storage, header ? header->page : 1u);
}

RstRead* RstReadPDF::create(InputStorage* storage, uint32_t page) {
  if (!pdf_enabled()) return nullptr;
  if (!storage || storage->is_closed() || page == 0) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstRead* (*read_page)(InputStorage*, uint32_t) = rst_format_creators().read_pdf_page;
  return read_page ? read_page(storage, page) : nullptr;
}
