// libtiff for the benchmarks, loaded at run time, and a TIFF kept in memory
// (TIFFClientOpen over a growing byte vector), so that the peer's times hold
// no file input or output.
#pragma once

#include <dlfcn.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

struct BenchTiff {
  decltype(&TIFFOpen) open;
  decltype(&TIFFClientOpen) client_open;
  decltype(&TIFFClose) close;
  decltype(&TIFFSetField) set_field;
  decltype(&TIFFGetField) get_field;
  decltype(&TIFFGetFieldDefaulted) get_field_defaulted;
  decltype(&TIFFWriteEncodedStrip) write_encoded_strip;
  decltype(&TIFFReadEncodedStrip) read_encoded_strip;
  decltype(&TIFFReadRawStrip) read_raw_strip;
  decltype(&TIFFNumberOfStrips) number_of_strips;
  decltype(&TIFFStripSize) strip_size;
  bool ok = false;
};

inline const BenchTiff& bench_tiff() {
  static BenchTiff t = [] {
    BenchTiff x;
    void* lib = dlopen("libtiff.so.6", RTLD_NOW);
    if (!lib) return x;
    auto load = [&](auto& f, const char* name) { f = reinterpret_cast<std::decay_t<decltype(f)>>(dlsym(lib, name)); };
    load(x.open, "TIFFOpen");
    load(x.client_open, "TIFFClientOpen");
    load(x.close, "TIFFClose");
    load(x.set_field, "TIFFSetField");
    load(x.get_field, "TIFFGetField");
    load(x.get_field_defaulted, "TIFFGetFieldDefaulted");
    load(x.write_encoded_strip, "TIFFWriteEncodedStrip");
    load(x.read_encoded_strip, "TIFFReadEncodedStrip");
    load(x.read_raw_strip, "TIFFReadRawStrip");
    load(x.number_of_strips, "TIFFNumberOfStrips");
    load(x.strip_size, "TIFFStripSize");
    x.ok = x.open && x.client_open && x.close && x.set_field && x.get_field && x.get_field_defaulted &&
           x.write_encoded_strip && x.read_encoded_strip && x.read_raw_strip && x.number_of_strips && x.strip_size;
    return x;
  }();
  return t;
}

// A TIFF file in memory: write it, then open it again to read.
class MemoryTiff {
 public:
  TIFF* open(const char* mode) {
    position_ = 0;
    return bench_tiff().client_open("memory", mode, this, &read, &write, &seek, &close_proc, &size, &map, &unmap);
  }
  std::vector<uint8_t> bytes;

 private:
  static MemoryTiff* self(thandle_t h) { return static_cast<MemoryTiff*>(h); }
  static tmsize_t read(thandle_t h, void* buf, tmsize_t n) {
    MemoryTiff* m = self(h);
    tmsize_t k = std::min<tmsize_t>(n, static_cast<tmsize_t>(m->bytes.size()) - static_cast<tmsize_t>(m->position_));
    if (k <= 0) return 0;
    std::memcpy(buf, m->bytes.data() + m->position_, static_cast<size_t>(k));
    m->position_ += static_cast<size_t>(k);
    return k;
  }
  static tmsize_t write(thandle_t h, void* buf, tmsize_t n) {
    MemoryTiff* m = self(h);
    if (m->position_ + static_cast<size_t>(n) > m->bytes.size()) m->bytes.resize(m->position_ + static_cast<size_t>(n));
    std::memcpy(m->bytes.data() + m->position_, buf, static_cast<size_t>(n));
    m->position_ += static_cast<size_t>(n);
    return n;
  }
  static toff_t seek(thandle_t h, toff_t off, int whence) {
    MemoryTiff* m = self(h);
    size_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position_ : m->bytes.size();
    m->position_ = base + static_cast<size_t>(off);
    return m->position_;
  }
  static int close_proc(thandle_t) { return 0; }
  static toff_t size(thandle_t h) { return self(h)->bytes.size(); }
  static int map(thandle_t, void**, toff_t*) { return 0; }
  static void unmap(thandle_t, void*, toff_t) {}

  size_t position_ = 0;
};
