// Reading the IMS/IMT object image: header, records with their derived image
// headers, and the end record, every field checked as it is read.
#include "raster/mrc/rst_read_ims_header.h"

#include <cmath>
#include <cstring>
#include <new>

#include "raster/core/rst_status_context.h"

namespace {

constexpr int32_t kLittleEndian = 1;
constexpr int32_t kRecordChecked = 13;  // warning: a field out of range

bool read_word(DataInput<InputStorage>& in, uint32_t* value) {
  *value = 0;
  return in.read_value(value, 4);
}

// Appends a record; false (and -1 reported) when the list cannot grow.
bool append(std::vector<RstIMSObject>& list, const RstIMSObject& object) {
  try {
    list.push_back(object);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstReadIMSHeaderCore::first_object()");
    return false;
  }
  return true;
}

}  // namespace

RstIMSObject::RstIMSObject(const RstIMSRecord& r) : record(r) {
  header.width = static_cast<int32_t>(r.pixel_width);
  header.height = static_cast<int32_t>(r.pixel_height);
  color_space(r.color_space, &header.color_type, &header.bits_per_sample, &header.samples_per_pixel);
  header.sample_kind = RstSampleKind::unsigned_int;
  header.data_form = data_form(r.compression);
}

bool RstIMSObject::color_space(uint32_t code, RstColorType** type, int32_t* bits, int32_t* samples) {
  RstColorType* t = nullptr;
  switch (code) {
    case 1: t = RstColorType::default_gray_reverse(); break;
    case 2: t = RstColorType::default_gray(); break;
    case 16: t = RstColorType::default_gray(); break;
    case 18: t = RstColorType::s_gray(); break;
    case 19:
    case 20: t = RstColorType::icc_lstar(); break;
    case 32: t = RstColorType::default_rgb(); break;
    case 33: t = RstColorType::s_rgb(); break;
    case 35: t = RstColorType::itu_lab(); break;
    case 36: t = RstColorType::icc_lab(); break;
    case 38: t = RstColorType::default_ycbcr(); break;
    case 39: t = RstColorType::s_ycbcr(); break;
    default: break;
  }
  *type = t;
  *bits = t ? (code <= 2 ? 1 : 8) : 0;
  *samples = t ? t->channels() : 0;
  return t != nullptr;
}

int32_t RstIMSObject::data_form(uint32_t compression) {
  switch (compression) {
    case 1:
    case 2:
    case 3: return RstDataForm::raw;
    case 16: return RstDataForm::mh;
    case 17: return RstDataForm::mmr;
    case 32: return RstDataForm::jpeg;
    default: return -1;
  }
}

bool RstIMSObject::is_image() const {
  uint32_t cs = record.color_space, cp = record.compression;
  bool raw_or_jpeg = cp == 1 || cp == 2 || cp == 3 || cp == 32;
  if (cs == 16 || cs == 18 || cs == 19 || cs == 20) return raw_or_jpeg;
  if (cs == 32 || cs == 33 || cs == 35 || cs == 36 || cs == 38 || cs == 39) return cp == 1 || cp == 32;
  return false;
}

bool RstIMSObject::is_mask() const {
  uint32_t cs = record.color_space, cp = record.compression;
  return (cs == 1 || cs == 2) && (cp == 1 || cp == 2 || cp == 3 || cp == 16 || cp == 17);
}

bool RstIMSObject::is_masked_color() const {
  uint32_t cp = record.compression;
  return cp == 1 || cp == 2 || cp == 3 || cp == 16 || cp == 17;
}

RstReadIMSHeaderCore::RstReadIMSHeaderCore(InputStorage* storage) : in_(storage, kLittleEndian) {}

int32_t RstReadIMSHeaderCore::remaining() const { return in_.size() - in_.tell(); }

void RstReadIMSHeaderCore::placement(const RstIMSRecord& r, uint32_t* left, uint32_t* right, uint32_t* top,
                                     uint32_t* bottom) const {
  if (!is_imt()) {
    *left = r.x;
    *right = r.x + r.width - 1;
    *top = r.y;
    *bottom = r.y + r.height - 1;
    return;
  }
  // The sums are taken in single precision, as the page converter wrote them.
  float columns = std::trunc(r.a + 0.5f);
  float rows = std::trunc(std::fabs(r.d) + 0.5f);
  auto as_word = [](float v) {
    // A value outside the 32-bit range (or not a number) covers nothing.
    return std::isfinite(v) && v >= 0.0f && v < 4294967296.0f ? static_cast<uint32_t>(v) : 0u;
  };
  uint32_t x0 = static_cast<uint32_t>(r.x_origin), y0 = static_cast<uint32_t>(r.y_origin);
  *left = x0;
  *right = x0 + as_word(columns) - 1;
  *top = y0 - as_word(rows);
  *bottom = y0 - 1;
}

void RstReadIMSHeaderCore::init() {
  const char* where = "RstReadIMSHeaderCore::init()";
  if (remaining() < RstIMS::header_bytes) rst_report(RstCode::io_failure, where);
  read_word(in_, &header_.magic);
  if (header_.magic != RstIMS::magic_ims && header_.magic != RstIMS::magic_imt) {
    status_ = RstCode::not_this_format;
    return;
  }
  read_word(in_, &header_.version);
  if (header_.version != RstIMS::version) {
    status_ = RstCode::not_this_format;
    return;
  }
  read_word(in_, &header_.page_width);
  read_word(in_, &header_.page_height);
  read_word(in_, &header_.x_resolution);
  read_word(in_, &header_.y_resolution);
  read_word(in_, &header_.kind);
  if (header_.page_width == 0 || header_.page_height == 0 || header_.x_resolution == 0 || header_.y_resolution == 0 ||
      header_.kind < 1 || header_.kind > 4) {
    status_ = kRecordChecked;
    rst_report(kRecordChecked, where);
  }
  if (!first_object()) {
    status_ = RstCode::unsupported_form;
    return;
  }
  do {
    object_hook();
  } while (first_object());
}

bool RstReadIMSHeaderCore::first_object() {
  const char* where = "RstReadIMSHeaderCore::first_object()";
  size_t count = objects_.size();
  RstIMSRecord r;
  bool tag_read = read_word(in_, &r.tag);
  if (tag_read && r.tag == RstIMS::end_tag) {
    uint32_t end_count = 0;
    if (!read_word(in_, &end_count)) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    if (uint64_t{end_count} != uint64_t{count} + 1) {
      rst_report(RstCode::unsupported_form, where);
      return false;
    }
    RstIMSRecord end;
    end.tag = RstIMS::end_tag;
    append(objects_, RstIMSObject(end));
    return false;
  }
  if (!tag_read || remaining() < 64) {
    rst_report(RstCode::io_failure, where);
    return false;
  }
  uint32_t* words = &r.x;  // words 1 to 16 follow the tag without a gap
  static_assert(offsetof(RstIMSRecord, data_length) - offsetof(RstIMSRecord, x) == 15 * 4);
  for (int i = 0; i < 16; ++i) read_word(in_, &words[i]);
  read_object_extension(r);

  bool valid = r.tag == RstIMS::tag_image || r.tag == RstIMS::tag_mask || r.tag == RstIMS::tag_masked_color ||
               r.tag == RstIMS::tag_filled_rect || r.tag == RstIMS::tag_ignored || r.tag == RstIMS::tag_bilevel;
  for (uint32_t v : r.reserved) valid = valid && v < 256;
  for (uint32_t v : r.color) valid = valid && v < 256;
  RstColorType* type;
  int32_t bits, samples;
  valid = valid && RstIMSObject::color_space(r.color_space, &type, &bits, &samples);
  valid = valid && RstIMSObject::data_form(r.compression) >= 0;
  valid = valid && r.pixel_width != 0 && r.pixel_height != 0;
  if (!valid) {
    status_ = kRecordChecked;
    rst_report(kRecordChecked, "RstReadIMSHeaderCore::init()");
  }
  return append(objects_, RstIMSObject(r));
}

RstReadIMTHeader::RstReadIMTHeader(InputStorage* storage) : RstReadIMSHeaderCore(storage) { init(); }

void RstReadIMTHeader::set_position_and_ctm(RstIMSRecord& r) {
  if (remaining() < 28) rst_report(RstCode::io_failure, "RstReadIMTHeader::set_position_and_ctm");
  read_word(in_, &r.data_offset);
  for (float* f : {&r.a, &r.b, &r.c, &r.d}) {
    uint32_t bits = 0;
    read_word(in_, &bits);
    std::memcpy(f, &bits, 4);
  }
  uint32_t x = 0, y = 0;
  read_word(in_, &x);
  read_word(in_, &y);
  r.x_origin = static_cast<int32_t>(x);
  r.y_origin = static_cast<int32_t>(y);
}
