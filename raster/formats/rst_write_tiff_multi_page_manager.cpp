// Linking the pages of a TIFF file into one chain of IFDs.
#include "raster/formats/rst_write_tiff_multi_page_manager.h"

#include "raster/core/data_output.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstWriteTIFFMultiPageManager* RstWriteTIFFMultiPageManager::create(OutputStorage* output, uint32_t expected_pages,
                                                                   uint32_t byte_order) {
  static const char* const where = "RstWriteTIFFMultiPageManager* RstWriteTIFFMultiPageManager()";
  if (!output || output->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  // The constructor is not public, so rst_new cannot reach it.
  if (RstAllocFault::next_fails()) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  auto* manager = new (std::nothrow) RstWriteTIFFMultiPageManager(output, expected_pages, byte_order);
  if (!manager) rst_report(RstCode::no_memory, where);
  return manager;
}

RstWriteTIFFMultiPageManager::~RstWriteTIFFMultiPageManager() {
  try {
    terminate_chain();
  } catch (const RstStatus&) {
    // Reported already; a destructor lets nothing escape.
  }
}

void RstWriteTIFFMultiPageManager::close() {
  try {
    terminate_chain();
  } catch (...) {
    delete this;
    throw;
  }
  delete this;
}

bool RstWriteTIFFMultiPageManager::write_word(uint32_t value) {
  DataOutput<> out(storage, byte_order == 0x4D4D ? 0 : 1);
  return out.write_value(&value, 4);
}

void RstWriteTIFFMultiPageManager::page_start() {
  // Every IFD starts at an even offset: a zero byte before an odd position.
  int32_t p = storage->tell();
  if (p & 1) {
    if (storage->skip(1) != 1) {
      rst_report(RstCode::io_failure, "RstWriteTIFFMultiPageManager::page_start() - can't seek forward.");
      return;
    }
    p = storage->tell();
  }
  // The first IFD is found through the file header or the page's SubIFDs.
  if (pages_written == 0) return;
  if (uint32_t(p) == link_value) return;
  if (storage->seek(int32_t(link_slot)) != int32_t(link_slot)) {
    rst_report(RstCode::io_failure, "RstWriteTIFFMultiPageManager::page_start() - can't seek backward.");
    return;
  }
  if (!write_word(uint32_t(p)) || storage->seek(p) != p) {
    rst_report(RstCode::io_failure, "RstWriteTIFFMultiPageManager::page_start() - can't write link.");
    return;
  }
  link_value = uint32_t(p);
}

void RstWriteTIFFMultiPageManager::set_link(uint32_t value, uint32_t slot) {
  link_value = value;
  link_slot = slot;
}

void RstWriteTIFFMultiPageManager::terminate_chain() {
  if (link_value == 0) return;
  link_value = 0;
  int32_t back = storage->tell();
  if (storage->seek(int32_t(link_slot)) != int32_t(link_slot)) {
    rst_report(RstCode::io_failure,
               "RstWriteTIFFMultiPageManager::~RstWriteTIFFMultiPageManager() - can't seek backward.");
    return;
  }
  if (!write_word(0) || storage->seek(back) != back)
    rst_report(RstCode::io_failure, "RstWriteTIFFMultiPageManager::terminate_chain()");
}
