// PDF reader test support.
#include "pdf_session.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_operators.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

namespace pdf_test {

std::string temp_path(const std::string& name) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("pdf_core_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

PdfSession::PdfSession(const std::string& bytes, const std::string& name) : path(temp_path(name)) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  pool = pdf_pool_create();
  file = pool == 0 ? pdf_file_open(path.c_str()) : -1;
  begin = file == 0 ? pdf_core_begin() : -1;
}

PdfSession::~PdfSession() {
  pdf_core_end();
  pdf_file_close();
  pdf_pool_free();
  std::remove(path.c_str());
}

std::string describe(const PdfValue* v) {
  char buf[64];
  switch (v->kind) {
    case PdfKind::op: return std::string("op:") + static_cast<const PdfOperatorEntry*>(v->value.pointer)->name;
    case PdfKind::boolean: return v->value.integer ? "true" : "false";
    case PdfKind::integer: return std::to_string(v->value.integer);
    case PdfKind::real: std::snprintf(buf, sizeof buf, "%g", double(v->value.real)); return buf;
    case PdfKind::string:
    case PdfKind::name: {
      std::string s = v->kind == PdfKind::name ? "/" : "(";
      for (int32_t i = 0; i < v->length; ++i) {
        auto c = uint8_t(v->value.bytes[i]);
        if (c >= 32 && c < 127) {
          s += char(c);
        } else {
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          s += buf;
        }
      }
      return v->kind == PdfKind::name ? s : s + ")";
    }
    case PdfKind::array:
    case PdfKind::dictionary: {
      bool dict = v->kind == PdfKind::dictionary;
      std::string s = dict ? "<<" : "[";
      for (const PdfList* e = v->value.list; e; e = e->next) {
        if (e != v->value.list) s += " ";
        if (dict) s += "/" + std::string(e->key) + " ";
        s += describe(e->value);
      }
      return s + (dict ? ">>" : "]");
    }
    case PdfKind::stream: return "stream";
    case PdfKind::null: return "null";
    case PdfKind::reference: {
      const auto* r = static_cast<const PdfRef*>(v->value.pointer);
      return std::to_string(r->number) + " " + std::to_string(r->generation) + " R";
    }
    case PdfKind::bracket: return "mark";
    default: return "end";
  }
}

PdfValue* I(int32_t v) { return pdf_new_integer(v); }
PdfValue* Real(float v) { return pdf_new_real(v); }
PdfValue* N(const char* name) { return pdf_new_name(name); }

PdfValue* A(std::initializer_list<PdfValue*> items) {
  PdfList* list = nullptr;
  for (auto it = std::rbegin(items); it != std::rend(items); ++it) list = pdf_list_prepend(list, *it);
  return pdf_new_list_value(PdfKind::array, list);
}

PdfValue* D(std::initializer_list<std::pair<const char*, PdfValue*>> entries) {
  PdfList* list = nullptr;
  for (auto it = std::rbegin(entries); it != std::rend(entries); ++it) {
    list = pdf_dict_prepend(list, it->first, int32_t(std::char_traits<char>::length(it->first)), it->second);
  }
  return pdf_new_list_value(PdfKind::dictionary, list);
}

PdfList* dictionary_for(const FilterSpec& filter, int64_t length) {
  PdfList* list = nullptr;
  if (!filter.parms.empty()) {
    PdfList* parms = nullptr;
    for (const auto& [k, v] : filter.parms) parms = pdf_dict_prepend(parms, k.c_str(), int32_t(k.size()), I(v));
    list = pdf_dict_prepend(list, "DecodeParms", 11, pdf_new_list_value(PdfKind::dictionary, parms));
  }
  if (!filter.name.empty()) {
    PdfValue* name = N(filter.name.c_str());
    list =
        pdf_dict_prepend(list, "Filter", 6,
                         filter.as_array ? pdf_new_list_value(PdfKind::array, pdf_list_prepend(nullptr, name)) : name);
  }
  return pdf_dict_prepend(list, "Length", 6, I(int32_t(length)));
}

int32_t read_stream_data(int64_t after_keyword, const std::function<PdfList*()>& dictionary, std::string* out,
                         bool by_byte) {
  out->clear();
  // A failed entry released the core's memory; each read starts afresh.
  if (!pdf_state().core_live && pdf_core_begin() != 0) return -1;
  return pdf_core_run([&] {
    PdfStream* file = pdf_stream_new(after_keyword, -1);
    PdfStream* data = pdf_open_stream_data(file, dictionary());
    if (by_byte) {
      for (int32_t c; (c = pdf_stream_get(data)) >= 0;) out->push_back(char(c));
    } else {
      uint8_t buf[1000];
      for (int32_t n; (n = pdf_stream_read(data, buf, sizeof buf)) > 0;)
        out->append(reinterpret_cast<char*>(buf), size_t(n));
    }
    pdf_stream_close(data);
  });
}

}  // namespace pdf_test
