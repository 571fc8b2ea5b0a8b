// Shared pieces of the TIFF writing tests: a page written through the page
// header and the multi-page manager in the order the writer nodes use, an
// output storage that fails every write and seek after a number of bytes,
// image headers, and what tiffdump lists of a file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "raster/core/output_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/core/stream_decorator.h"
#include "raster/formats/rst_write_tiff_file_structure.h"
#include "raster/formats/rst_write_tiff_header.h"
#include "raster/formats/rst_write_tiff_multi_page_manager.h"

// An output that takes `budget` bytes in all (rewrites count too); once they
// are spent every write, put and skip falls short and no seek or move works.
class FailingStorage : public StreamDecorator<OutputStorage> {
 public:
  FailingStorage(OutputStorage* inner, int64_t budget) : StreamDecorator<OutputStorage>(inner), left_(budget) {}
  int32_t write(const void* buffer, int32_t count) override {
    int32_t n = int32_t(std::min<int64_t>(count, std::max<int64_t>(left_, 0)));
    n = StreamDecorator<OutputStorage>::write(buffer, n);
    left_ -= n;
    return n;
  }
  int32_t put(int32_t byte) override {
    if (left_ <= 0) return -1;
    --left_;
    return StreamDecorator<OutputStorage>::put(byte);
  }
  int32_t skip(int32_t count) override {
    int32_t n = int32_t(std::min<int64_t>(count, std::max<int64_t>(left_, 0)));
    n = StreamDecorator<OutputStorage>::skip(n);
    left_ -= n;
    return n;
  }
  int32_t move(int32_t offset) override { return spent() ? 0 : StreamDecorator<OutputStorage>::move(offset); }
  int32_t seek(int32_t position) override { return spent() ? -1 : StreamDecorator<OutputStorage>::seek(position); }
  bool rewind() override { return !spent() && StreamDecorator<OutputStorage>::rewind(); }
  bool seek_end() override { return !spent() && StreamDecorator<OutputStorage>::seek_end(); }
  bool spent() const { return left_ <= 0; }

 private:
  int64_t left_;
};

// Writes one page in the writer nodes' order: the file header for the first
// page, the link, the IFD, then per strip its offset, its bytes and its byte
// count; the page is counted at the end. False when any step failed.
inline bool write_test_page(RstWriteTIFFMultiPageManager& manager, RstWriteTIFFHeader& header,
                            const std::vector<std::vector<uint8_t>>& strips) {
  OutputStorage* out = manager.storage;
  bool ok = true;
  if (manager.pages_written == 0 && manager.writes_header)
    ok = RstWriteTIFFImageFileHeader(manager.byte_order).write(out) == 8;
  if (ok) {
    manager.page_start();
    ok = header.write(out) > 0;
    manager.set_link(header.next_ifd_offset(), header.next_ifd_slot_position());
  }
  for (size_t i = 0; ok && i < strips.size(); ++i) {
    ok = header.record_strip_offset(out);
    int32_t n = int32_t(strips[i].size());
    // A short strip is reported as the strip writers report it.
    if (ok && out->write(strips[i].data(), n) != n) {
      rst_report(RstCode::io_failure, "write_test_page() - strip data");
      ok = false;
    }
    if (ok) ok = header.record_strip_byte_count(out);
  }
  manager.count_page();
  return ok;
}

// An image header: width, height, bits, samples, colour type, data form.
inline RstHeader image_header(int32_t width, int32_t height, int32_t bits, int32_t samples, RstColorType* type,
                              int32_t form = RstDataForm::raw) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = samples;
  h.color_type = type;
  h.data_form = form;
  return h;
}

// One directory as tiffdump lists it: its offset and its entries' tags.
struct DumpedIFD {
  uint32_t offset = 0;
  std::vector<uint32_t> tags;
};

// The directories of a file as tiffdump lists them (none when it fails).
inline std::vector<DumpedIFD> tiffdump(const std::string& path) {
  std::vector<DumpedIFD> ifds;
  FILE* p = popen(("tiffdump '" + path + "' 2>&1").c_str(), "r");
  if (!p) return ifds;
  std::string text;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) text.append(buffer, n);
  if (pclose(p) != 0) return {};
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    size_t paren = line.find(" (");
    if (line.rfind("Directory ", 0) == 0) {
      size_t o = line.find("offset ");
      if (o != std::string::npos) ifds.push_back({uint32_t(std::stoul(line.substr(o + 7))), {}});
    } else if (!ifds.empty() && paren != std::string::npos && line.find('<') != std::string::npos) {
      // "Name (tag) TYPE (n) count<...>", or "tag (0xhex) TYPE ..." for a tag libtiff does not name.
      bool unnamed = line.compare(paren + 2, 2, "0x") == 0;
      ifds.back().tags.push_back(uint32_t(std::stoul(unnamed ? line : line.substr(paren + 2))));
    }
  }
  return ifds;
}

// The tags of a header's built entries, in order.
inline std::vector<uint32_t> entry_tags(const RstWriteTIFFHeader& header) {
  std::vector<uint32_t> tags;
  for (const RstWriteTIFFIFDEntry& e : header.directory.entries) tags.push_back(e.tag);
  return tags;
}
