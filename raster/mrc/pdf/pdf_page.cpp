// Page set-up, the thumbnail record and the contents runner.
#include "raster/mrc/pdf/pdf_page.h"

#include <cmath>
#include <limits>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_page_table.h"
#include "raster/mrc/pdf/pdf_stack.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

namespace {

// Pixels at 600 dpi of a size in points, truncated; saturated beyond 32 bits.
int32_t device_pixels(float points) {
  double v = std::trunc(double(points) * double(kPdfDeviceScale));
  if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
  return int32_t(v);
}

int32_t required_integer(const PdfList* d, const char* key) {
  const PdfValue* v = pdf_dict_get(d, key);
  if (!v) pdf_raise(PdfError::missing);
  if (v->kind != PdfKind::integer) pdf_raise(PdfError::type);
  return v->value.integer;
}

// The thumbnail as a record of kind 6 (8 bits) or 8 (1 bit) when it is
// DeviceGray or DeviceRGB data the canvas can read from the file.
void record_thumbnail(const PdfValue* raw) {
  if (!raw) return;
  if (raw->kind != PdfKind::reference) pdf_raise(PdfError::type);
  PdfParserState& st = pdf_state();
  st.compression_kind = PdfCompression::raw;
  PdfValue* t = pdf_resolve_value(const_cast<PdfValue*>(raw));
  const int32_t compression_kind = st.compression_kind;
  if (!t || t->kind != PdfKind::stream || !t->stream) pdf_raise(PdfError::type);
  struct Closer {
    PdfValue* v;
    ~Closer() { pdf_stream_close(v->stream); }
  } closer{t};
  const PdfList* d = t->value.list;
  int32_t width = required_integer(d, "Width");
  int32_t height = required_integer(d, "Height");
  int32_t bits = required_integer(d, "BitsPerComponent");
  if (bits != 1 && bits != 8) return;
  PdfValue* space = pdf_dict_get(d, "ColorSpace");
  if (!space) pdf_raise(PdfError::missing);
  if (pdf_select_color_space(space, PdfColorSpace::selectable) != 0) pdf_raise(PdfError::syntax);
  const int32_t code = pdf_gstate()->color_space;
  if (code != PdfColorSpace::gray && code != PdfColorSpace::rgb) return;
  if (width < 1 || height < 1) return;
  // A thumbnail whose data is Flate-coded or the like gives no record.
  if (!pdf_take_image_data(t, compression_kind)) return;
  pdf_page_list_add(bits == 8 ? PdfObjectKind::thumbnail_8 : PdfObjectKind::thumbnail_1, width, height, 0);
}

// Makes an arena current for a while, the one before current again on every
// way out.
struct ArenaSwitch {
  PdfArena* saved;
  explicit ArenaSwitch(PdfArena* a) : saved(pdf_state().arena) { pdf_state().arena = a; }
  ~ArenaSwitch() { pdf_state().arena = saved; }
};

void run_one(PdfValue* stream, int32_t* open) {
  *open = pdf_run_content_stream(stream, *open);
  pdf_stream_close(stream->stream);
}

void run_contents(PdfValue* raw) {
  PdfParserState& st = pdf_state();
  st.content_depth = 0;
  st.in_compatibility = 0;
  PdfArena* page_arena = st.arena;
  PdfValue* contents = pdf_resolve_value(raw);
  int32_t open = 1;
  if (!contents || contents->kind == PdfKind::null) return;
  if (contents->kind == PdfKind::array) {
    for (const PdfList* e = contents->value.list; e; e = e->next) {
      PdfValue* v = nullptr;
      {
        // Elements are resolved in the page's arena, not in an operand arena
        // that an operation left open across streams.
        ArenaSwitch in_page(page_arena);
        v = pdf_resolve_value(e->value);
      }
      if (v && v->kind == PdfKind::stream && v->stream) run_one(v, &open);
    }
  } else if (contents->kind == PdfKind::stream && contents->stream) {
    run_one(contents, &open);
  } else {
    pdf_raise(PdfError::type);
  }
  if (!open) {
    pdf_operands_clear();
    pdf_arena_pop();
  }
  st.operand_arena_open = 0;
}

void read_page(int32_t n) {
  PdfParserState& st = pdf_state();
  const PdfPageRecord* page = pdf_page_record(n);
  if (!page) pdf_raise(PdfError::range);
  pdf_arena_push();
  const PdfNodeAttributes& a = page->attributes;
  if (!a.has_media_box) pdf_raise(PdfError::missing);
  float box[4] = {a.media_box[0], a.media_box[1], a.media_box[2], a.media_box[3]};
  if (a.has_crop_box) {
    box[0] = std::fmax(box[0], a.crop_box[0]);
    box[1] = std::fmax(box[1], a.crop_box[1]);
    box[2] = std::fmin(box[2], a.crop_box[2]);
    box[3] = std::fmin(box[3], a.crop_box[3]);
  }
  if (!(box[0] < box[2] && box[1] < box[3])) pdf_raise(PdfError::range);
  if (a.rotation != -1) {
    int32_t r = a.rotation % 360;
    if (r < 0) r += 360;
    if (r % 90 != 0) pdf_raise(PdfError::rotation);
  }
  st.page_width = box[2] - box[0];
  st.page_height = box[3] - box[1];
  const float k = kPdfDeviceScale;
  const float start[6] = {k, 0, 0, k, 0, 0};
  pdf_gstate_start(start);
  pdf_page_list_begin(device_pixels(st.page_width), device_pixels(st.page_height), a.rotation);
  // The page origin: the box's top left corner (x0, y1) goes to device (0, 0)
  // with y growing downwards.
  float* ctm = pdf_gstate()->ctm;
  ctm[4] = -k * box[0];
  ctm[5] = k * st.page_height + k * box[1];
  ctm[2] = -ctm[2];
  ctm[3] = -ctm[3];
  if (a.has_annotations) pdf_gsave();
  if (!a.resources) pdf_raise(PdfError::missing);
  record_thumbnail(page->thumbnail);
  pdf_resource_push(a.resources);
  run_contents(page->contents);
  pdf_resource_pop();
  pdf_page_list_end();
  pdf_arena_pop();
}

}  // namespace

int32_t pdf_core_read_page(int32_t page_number, PdfPageNode** head) {
  PdfParserState& st = pdf_state();
  if (!head) return PdfError::missing;
  *head = nullptr;
  if (!st.core_live || !st.document) return PdfError::missing;
  // A page starts outside any text object or compatibility section.
  st.in_text_object = 0;
  st.in_compatibility = 0;
  st.content_depth = 0;
  st.compression_kind = PdfCompression::raw;
  st.operand_arena_open = 0;
  int32_t count = 0;
  const PdfOperatorEntry* table = pdf_content_operators(&count);
  pdf_set_operator_table(table, count);
  int32_t code = pdf_core_run([&] { read_page(page_number); });
  pdf_set_operator_table(nullptr, 0);
  st.in_text_object = 0;
  st.in_compatibility = 0;
  if (code == 0) *head = static_cast<PdfPageNode*>(st.page_objects);
  return code;
}

void pdf_page_size(float* width, float* height) {
  *width = pdf_state().page_width;
  *height = pdf_state().page_height;
}
