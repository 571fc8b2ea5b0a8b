// The JPEG reader node.
#include "raster/codecs/rst_read_jpeg23.h"

#include <vector>

#include "raster/codecs/rst_jpeg_decoder.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

RstReadJPEG23::RstReadJPEG23(InputStorage* storage, const RstJPEGOption* option)
    : RstReadRasterTolvane(storage), option_(option) {}

RstReadJPEG23::~RstReadJPEG23() {
  // The stage borrows the holder's tables: it goes first.
  close_stage();
  rst_jpeg_free_preloaded_huffman(holder_);
}

RstReadJPEG23* RstReadJPEG23::create(InputStorage* storage, RstReadJPEGHeader*, const RstJPEGOption* option) {
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, "RstReadJPEG23::create()");
    return nullptr;
  }
  RstOwner<RstReadJPEG23> owner(rst_new<RstReadJPEG23>(storage, option));
  return rst_create_end(owner);
}

JpegHuffmanInfo* RstReadJPEG23::create_huffman_info(int32_t count, const RstHuffmanTableArray& tables, int32_t slots) {
  const char* where = "RstReadJPEG23::create_huffman_info()";
  if (count <= 0) return nullptr;
  auto* infos = static_cast<JpegHuffmanInfo*>(rst_calloc(size_t(count) * sizeof(JpegHuffmanInfo)));
  if (!infos) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  for (int32_t i = 0; i < count; ++i) new (&infos[i]) JpegHuffmanInfo();
  auto drop = [&](int32_t code) {
    for (int32_t i = 0; i < count; ++i) rst_jpeg_free_huffman_info(&infos[i]);
    rst_free(infos);
    rst_report(code, where);
    return nullptr;
  };
  for (int32_t i = 0; i < count && i < tables.slot_count(); ++i) {
    const RstCountedPtr<RstHuffmanTable>& table = tables[i];
    if (!table || table->bits().size() != 16) continue;
    std::vector<uint8_t> values;
    for (int32_t l = 0; l < 16; ++l) values.insert(values.end(), table->huffval(l).begin(), table->huffval(l).end());
    if (values.empty()) values.push_back(0);
    int32_t status = rst_jpeg_build_huffman_info(&infos[i], table->bits().data(), values.data(), slots);
    if (status < 1) return drop(status);
  }
  return infos;
}

JpegCodecContext* RstReadJPEG23::create_jpeg_tables(const RstJPEGOption* option) {
  const char* where = "RstReadJPEG23::create_jpeg_tables()";
  if (!option || !option->tables) return nullptr;
  const RstJPEGTables& set = *option->tables;
  JpegCodecContext* holder = rst_jpeg_context_new();
  if (!holder) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  int32_t q = set.quantization.slot_count();
  if (q > 0) {
    holder->qtables = static_cast<int32_t(*)[65]>(rst_calloc(size_t(q) * sizeof(int32_t[65])));
    if (!holder->qtables) {
      rst_jpeg_context_free(holder);
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    holder->qtable_count = q;
    for (int32_t i = 0; i < q; ++i) {
      const RstCountedPtr<RstJPEGQTable>& t = set.quantization[i];
      if (!t || !t->ok()) continue;
      for (int32_t k = 0; k < 64; ++k) holder->qtables[i][k] = int32_t(t->values()[k]);
      holder->qtables[i][64] = 1;
    }
  }
  auto any = [](const RstHuffmanTableArray& a) {
    for (int32_t i = 0; i < a.slot_count(); ++i)
      if (a[i]) return true;
    return false;
  };
  if (any(set.dc)) {
    holder->dc_tables = create_huffman_info(set.dc.slot_count(), set.dc, 16);
    if (!holder->dc_tables) {
      rst_jpeg_context_free(holder);
      return nullptr;
    }
    holder->dc_count = set.dc.slot_count();
  }
  if (any(set.ac)) {
    holder->ac_tables = create_huffman_info(set.ac.slot_count(), set.ac, 256);
    if (!holder->ac_tables) {
      rst_jpeg_context_free(holder);
      return nullptr;
    }
    holder->ac_count = set.ac.slot_count();
  }
  return holder;
}

RstInstanceTolvane* RstReadJPEG23::create_stage() {
  if (!holder_made_) {
    holder_made_ = true;
    holder_ = create_jpeg_tables(option_);
    // The option may be gone by a later reset.
    if (option_ && option_->color_type) color_code_ = TolvaneColorCode::from_color_type(option_->color_type);
  }
  BrenvoldStream* s = stream();
  int32_t at = s->tell();
  s->seek(0, 2);
  int64_t size = int64_t{s->tell()} - at;
  s->seek(at, 0);
  return rst_jpeg_create_decoder(s, 0, holder_, color_code_, 0xFFFF, 0, 8, size, 0, 1);
}
