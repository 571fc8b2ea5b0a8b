// Test support for PDF pages as MRC canvases: a page converted from a file
// with its object image read back, the canvas composed, small PNM files read,
// and the peer tools run.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../mrc_support.h"
#include "pdf_session.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/rst_pdf_document.h"
#include "raster/mrc/rst_read_pdf_to_mrc_canvas.h"

namespace pdf_test {

inline bool have_tool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string run_output(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

inline std::string file_bytes(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

inline bool save_bytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// A PNM file (P4, P5 or P6) as 8-bit samples: P4 bits become 0 (black) and
// 255 (white).
struct Pnm {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> samples;
};

inline bool read_pnm(const std::string& path, Pnm& out) {
  std::string b = file_bytes(path);
  size_t at = 0;
  auto field = [&]() {
    while (at < b.size() && (std::isspace(uint8_t(b[at])) || b[at] == '#')) {
      if (b[at] == '#') {
        while (at < b.size() && b[at] != '\n') ++at;
      } else {
        ++at;
      }
    }
    std::string t;
    while (at < b.size() && !std::isspace(uint8_t(b[at]))) t += b[at++];
    return t;
  };
  std::string magic = field();
  out.width = std::atoi(field().c_str());
  out.height = std::atoi(field().c_str());
  int max = magic == "P4" ? 1 : std::atoi(field().c_str());
  ++at;
  if (max != 1 && max != 255) return false;
  out.channels = magic == "P6" ? 3 : 1;
  if (magic == "P4") {
    size_t stride = size_t(out.width + 7) / 8;
    if (b.size() < at + stride * size_t(out.height)) return false;
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x)
        out.samples.push_back((uint8_t(b[at + size_t(y) * stride + size_t(x) / 8]) >> (7 - x % 8)) & 1 ? 0 : 255);
    return true;
  }
  size_t n = size_t(out.width) * size_t(out.height) * size_t(out.channels);
  if (b.size() < at + n) return false;
  out.samples.assign(b.begin() + long(at), b.begin() + long(at + n));
  return true;
}

// A composed page as 8-bit samples of 1 (gray) or 3 (RGB) channels: bilevel
// pages by their colour type, YCbCr converted as JFIF does.
inline Pnm as_pnm(const Page& p, int channels) {
  Pnm out;
  out.width = p.header.width;
  out.height = int(p.lines.size());
  out.channels = channels;
  const bool bilevel = p.header.bits_per_sample == 1;
  const bool reverse = p.header.color_type == RstColorType::default_gray_reverse();
  const bool ycbcr =
      p.header.color_type == RstColorType::default_ycbcr() || p.header.color_type == RstColorType::s_ycbcr();
  auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : int(v + 0.5)); };
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      uint8_t rgb[3];
      if (bilevel) {
        int bit = p.at(x, y);
        rgb[0] = rgb[1] = rgb[2] = uint8_t((bit != 0) != reverse ? 255 : 0);
      } else if (p.header.samples_per_pixel == 1) {
        rgb[0] = rgb[1] = rgb[2] = uint8_t(p.at(x, y));
      } else if (ycbcr) {
        double Y = p.at(x, y, 0), cb = p.at(x, y, 1) - 128.0, cr = p.at(x, y, 2) - 128.0;
        rgb[0] = clamp(Y + 1.402 * cr);
        rgb[1] = clamp(Y - 0.344136 * cb - 0.714136 * cr);
        rgb[2] = clamp(Y + 1.772 * cb);
      } else {
        for (int c = 0; c < 3; ++c) rgb[c] = uint8_t(p.at(x, y, c));
      }
      if (channels == 1) {
        out.samples.push_back(rgb[0]);
      } else {
        out.samples.insert(out.samples.end(), rgb, rgb + 3);
      }
    }
  }
  return out;
}

// The largest difference between two images of the same size; -1 when the
// sizes differ.
inline int worst_difference(const Pnm& a, const Pnm& b) {
  if (a.width != b.width || a.height != b.height || a.channels != b.channels || a.samples.size() != b.samples.size())
    return -1;
  int worst = 0;
  for (size_t i = 0; i < a.samples.size(); ++i)
    worst = std::max(worst, std::abs(int(a.samples[i]) - int(b.samples[i])));
  return worst;
}

// One page of a PDF file converted: the node, its object image read back and
// the canvas made once. The file storage outlives the canvas.
struct ConvertedPage {
  FileInputStorage file;
  RstOwner<RstReadPDFToMRCCanvasImpl> node;
  RstIMSFileHeader header{};
  std::vector<RstIMSRecord> records;
  RstIMSEndRecord end{};

  // True when the node was made; the object image is then parsed.
  bool open(const std::string& path, uint32_t page) {
    file.open(path);
    node.attach(RstReadPDFToMRCCanvasImpl::create(&file, page));
    if (!node) return false;
    InputStorage* s = node->imt_storage();
    std::vector<uint8_t> bytes(size_t(s->size()));
    s->rewind();
    s->read(bytes.data(), int32_t(bytes.size()));
    s->rewind();
    if (bytes.size() < sizeof header) return true;
    std::memcpy(&header, bytes.data(), sizeof header);
    size_t at = sizeof header;
    while (at + 8 <= bytes.size()) {
      uint32_t tag;
      std::memcpy(&tag, bytes.data() + at, 4);
      if (tag == RstIMS::end_tag) {
        std::memcpy(&end, bytes.data() + at, 8);
        break;
      }
      if (at + sizeof(RstIMSRecord) > bytes.size()) break;
      RstIMSRecord r;
      std::memcpy(&r, bytes.data() + at, sizeof r);
      records.push_back(r);
      at += sizeof r;
    }
    return true;
  }
  // The canvas composed at 1.0 with linear scaling; an empty page when the
  // canvas or the composition cannot be made.
  Page compose_page() {
    RstMRCCanvas* c = node ? node->make() : nullptr;
    if (!c) return Page();
    RstScale::Linear linear;
    return compose(c, 1.0, linear);
  }
};

}  // namespace pdf_test
