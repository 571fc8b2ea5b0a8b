// libtiff loaded with dlopen, so that the test program links only the raster
// library.
#include "tiff_peer.h"

#include <dlfcn.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>

struct TiffPeer::Api {
  decltype(&TIFFOpen) open;
  decltype(&TIFFClose) close;
  decltype(&TIFFSetField) set_field;
  decltype(&TIFFGetField) get_field;
  decltype(&TIFFGetFieldDefaulted) get_field_defaulted;
  decltype(&TIFFWriteRawStrip) write_raw_strip;
  decltype(&TIFFWriteEncodedStrip) write_encoded_strip;
  decltype(&TIFFReadEncodedStrip) read_encoded_strip;
  decltype(&TIFFReadRawStrip) read_raw_strip;
  decltype(&TIFFNumberOfStrips) number_of_strips;
  decltype(&TIFFStripSize) strip_size;
  decltype(&TIFFSetErrorHandler) set_error_handler;
  decltype(&TIFFSetWarningHandler) set_warning_handler;
};

namespace {

// The fields of a white-is-zero bilevel image in the given coding.
template <class Api>
void set_bilevel_fields(const Api& api, TIFF* t, uint32_t width, uint32_t height, uint16_t compression,
                        uint32_t t4_options, uint32_t rows_per_strip) {
  api.set_field(t, TIFFTAG_IMAGEWIDTH, width);
  api.set_field(t, TIFFTAG_IMAGELENGTH, height);
  api.set_field(t, TIFFTAG_BITSPERSAMPLE, 1);
  api.set_field(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  api.set_field(t, TIFFTAG_COMPRESSION, compression);
  api.set_field(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  api.set_field(t, TIFFTAG_ROWSPERSTRIP, rows_per_strip);
  if (compression == COMPRESSION_CCITTFAX3) api.set_field(t, TIFFTAG_GROUP3OPTIONS, t4_options);
}

template <class F>
bool load(void* lib, const char* name, F& f) {
  f = reinterpret_cast<F>(dlsym(lib, name));
  return f != nullptr;
}

void quiet(const char*, const char*, va_list) {}

}  // namespace

TiffPeer* TiffPeer::get() {
  static TiffPeer* peer = []() -> TiffPeer* {
    void* lib = dlopen("libtiff.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib) lib = dlopen("libtiff.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return nullptr;
    auto* api = new Api;
    bool ok = load(lib, "TIFFOpen", api->open) && load(lib, "TIFFClose", api->close) &&
              load(lib, "TIFFSetField", api->set_field) && load(lib, "TIFFGetField", api->get_field) &&
              load(lib, "TIFFGetFieldDefaulted", api->get_field_defaulted) &&
              load(lib, "TIFFWriteRawStrip", api->write_raw_strip) &&
              load(lib, "TIFFWriteEncodedStrip", api->write_encoded_strip) &&
              load(lib, "TIFFReadEncodedStrip", api->read_encoded_strip) &&
              load(lib, "TIFFReadRawStrip", api->read_raw_strip) &&
              load(lib, "TIFFNumberOfStrips", api->number_of_strips) && load(lib, "TIFFStripSize", api->strip_size) &&
              load(lib, "TIFFSetErrorHandler", api->set_error_handler) &&
              load(lib, "TIFFSetWarningHandler", api->set_warning_handler);
    if (!ok) return nullptr;
    api->set_error_handler(quiet);
    api->set_warning_handler(quiet);
    auto* p = new TiffPeer;
    p->api_ = api;
    return p;
  }();
  return peer;
}

bool TiffPeer::write_raw(const std::string& path, uint32_t width, uint32_t height, uint16_t compression,
                         uint32_t t4_options, const std::vector<uint8_t>& strip, uint16_t fill_order) {
  TIFF* t = api_->open(path.c_str(), "w");
  if (!t) return false;
  set_bilevel_fields(*api_, t, width, height, compression, t4_options, height);
  api_->set_field(t, TIFFTAG_FILLORDER, fill_order);
  std::vector<uint8_t> copy = strip;
  bool ok = api_->write_raw_strip(t, 0, copy.data(), static_cast<tmsize_t>(copy.size())) ==
            static_cast<tmsize_t>(copy.size());
  api_->close(t);
  return ok;
}

bool TiffPeer::write_encoded(const std::string& path, uint32_t width, const std::vector<std::vector<uint8_t>>& rows,
                             uint16_t compression, uint32_t t4_options, uint32_t rows_per_strip) {
  TIFF* t = api_->open(path.c_str(), "w");
  if (!t) return false;
  uint32_t height = static_cast<uint32_t>(rows.size());
  set_bilevel_fields(*api_, t, width, height, compression, t4_options, rows_per_strip);
  size_t row_bytes = (width + 7) / 8;
  bool ok = true;
  for (uint32_t first = 0, strip = 0; first < height && ok; first += rows_per_strip, ++strip) {
    uint32_t n = std::min(rows_per_strip, height - first);
    std::vector<uint8_t> data(row_bytes * n);
    for (uint32_t i = 0; i < n; ++i)
      if (row_bytes) std::memcpy(data.data() + i * row_bytes, rows[first + i].data(), row_bytes);
    ok = api_->write_encoded_strip(t, strip, data.data(), static_cast<tmsize_t>(data.size())) >= 0;
  }
  api_->close(t);
  return ok;
}

bool TiffPeer::read_raw(const std::string& path, TiffPeerFile& out) {
  TIFF* t = api_->open(path.c_str(), "r");
  if (!t) return false;
  api_->get_field(t, TIFFTAG_IMAGEWIDTH, &out.width);
  api_->get_field(t, TIFFTAG_IMAGELENGTH, &out.height);
  api_->get_field_defaulted(t, TIFFTAG_ROWSPERSTRIP, &out.rows_per_strip);
  api_->get_field(t, TIFFTAG_COMPRESSION, &out.compression);
  api_->get_field_defaulted(t, TIFFTAG_FILLORDER, &out.fill_order);
  api_->get_field_defaulted(t, TIFFTAG_BITSPERSAMPLE, &out.bits_per_sample);
  api_->get_field_defaulted(t, TIFFTAG_SAMPLESPERPIXEL, &out.samples_per_pixel);
  api_->get_field_defaulted(t, TIFFTAG_PREDICTOR, &out.predictor);
  if (out.compression == COMPRESSION_CCITTFAX3) api_->get_field_defaulted(t, TIFFTAG_GROUP3OPTIONS, &out.t4_options);
  if (out.compression == COMPRESSION_CCITTFAX4) api_->get_field_defaulted(t, TIFFTAG_GROUP4OPTIONS, &out.t6_options);
  uint64_t* counts = nullptr;
  api_->get_field(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
  uint32_t n = api_->number_of_strips(t);
  for (uint32_t s = 0; s < n; ++s) {
    std::vector<uint8_t> raw(counts ? counts[s] : 0);
    if (!raw.empty() && api_->read_raw_strip(t, s, raw.data(), static_cast<tmsize_t>(raw.size())) < 0) {
      api_->close(t);
      return false;
    }
    out.raw_strips.push_back(std::move(raw));
  }
  api_->close(t);
  return true;
}

bool TiffPeer::read_decoded(const std::string& path, std::vector<uint8_t>& out) {
  TIFF* t = api_->open(path.c_str(), "r");
  if (!t) return false;
  uint32_t n = api_->number_of_strips(t);
  tmsize_t size = api_->strip_size(t);
  std::vector<uint8_t> buf(static_cast<size_t>(size));
  out.clear();
  bool ok = true;
  for (uint32_t s = 0; s < n; ++s) {
    tmsize_t got = api_->read_encoded_strip(t, s, buf.data(), size);
    if (got < 0) {
      ok = false;
      break;
    }
    out.insert(out.end(), buf.begin(), buf.begin() + got);
  }
  api_->close(t);
  return ok;
}

std::string make_temp_dir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/codecs-test-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  char* made = mkdtemp(buf.data());
  return made ? std::string(made) : std::string();
}

bool run_command(const std::string& command) { return std::system(command.c_str()) == 0; }
