#include "jbig_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "raster/codecs/rst_jbig_decoder.h"
#include "raster/codecs/rst_jbig_encoder.h"

void JbigSink::put(JbigCodecContext*, uint8_t byte, void* user) { static_cast<JbigSink*>(user)->bytes.push_back(byte); }

uint8_t JbigSource::get(JbigCodecContext* ctx, void* user) {
  auto* s = static_cast<JbigSource*>(user);
  ++s->calls;
  if (s->pos >= s->size) {
    rst_jbig_set_error(ctx, kJbigIoFailed);
    return 0;
  }
  return s->data[s->pos++];
}

std::unique_ptr<JbigCodecContext> jbig_new_context() { return std::make_unique<JbigCodecContext>(); }

JbigBytes jbig_encode(const JbigImage& image, const JbigEncodeParams& params) {
  auto ctx = jbig_new_context();
  JbigSink sink;
  rst_jbig_enc_init(ctx.get(), params.mode, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_set_size(ctx.get(), image.xd, image.yd);
  rst_jbig_enc_set_output(ctx.get(), JbigSink::put, &sink);
  rst_jbig_set_planes(ctx.get(), static_cast<uint32_t>(image.planes.size()));
  rst_jbig_set_l0(ctx.get(), params.l0);
  rst_jbig_set_order(ctx.get(), params.order);
  rst_jbig_set_options(ctx.get(), params.options);
  rst_jbig_enc_write_header(ctx.get());
  rst_jbig_enc_start(ctx.get());
  while (!rst_jbig_error(ctx.get()) && rst_jbig_line(ctx.get()) < image.yd)
    rst_jbig_enc_line(ctx.get(), image.line(rst_jbig_plane(ctx.get()), rst_jbig_line(ctx.get())));
  if (rst_jbig_enc_finish(ctx.get())) sink.bytes.clear();
  return sink.bytes;
}

JbigDecoded jbig_decode(const JbigBytes& data, int32_t mode) {
  JbigDecoded out;
  auto ctx = jbig_new_context();
  JbigSource source{data.data(), data.size()};
  rst_jbig_dec_init(ctx.get(), mode, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_dec_set_input(ctx.get(), JbigSource::get, &source);
  if (rst_jbig_dec_read_header(ctx.get()) || rst_jbig_dec_start(ctx.get())) {
    out.error = rst_jbig_error(ctx.get());
    return out;
  }
  uint32_t yd = rst_jbig_height(ctx.get());
  out.image.xd = rst_jbig_width(ctx.get());
  out.image.yd = yd;
  out.image.planes.assign(rst_jbig_planes(ctx.get()), JbigBytes(size_t(yd) * out.image.line_bytes()));
  JbigBytes line(out.image.line_bytes());
  while (rst_jbig_line(ctx.get()) < rst_jbig_height(ctx.get())) {
    uint32_t plane = rst_jbig_plane(ctx.get());
    uint32_t y = rst_jbig_line(ctx.get());
    if (rst_jbig_dec_line(ctx.get(), line.data())) break;
    std::copy(line.begin(), line.end(), out.image.line(plane, y));
    ++out.lines;
  }
  rst_jbig_dec_finish(ctx.get());
  out.error = ctx->error;
  if (!out.error && rst_jbig_height(ctx.get()) < yd) {
    out.image.yd = rst_jbig_height(ctx.get());
    for (auto& p : out.image.planes) p.resize(size_t(out.image.yd) * out.image.line_bytes());
  }
  return out;
}

JbigImage jbig_random_image(uint32_t xd, uint32_t yd, uint32_t planes, uint32_t seed) {
  std::mt19937 rng(seed);
  JbigImage image;
  image.xd = xd;
  image.yd = yd;
  image.planes.assign(planes, JbigBytes(size_t(yd) * image.line_bytes()));
  for (uint32_t p = 0; p < planes; ++p) {
    for (uint32_t y = 0; y < yd; ++y) {
      uint8_t* row = image.line(p, y);
      uint32_t kind = rng() % 6;
      if (kind == 0) continue;  // blank
      if (kind == 1 && y > 0) {
        std::copy(image.line(p, y - 1), image.line(p, y - 1) + image.line_bytes(), row);
        continue;
      }
      bool black = rng() & 1;
      for (uint32_t x = 0; x < xd;) {
        uint32_t run = 1 + rng() % (kind == 2 ? 3 : 40);
        for (uint32_t i = 0; i < run && x < xd; ++i, ++x)
          if (black) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
        black = !black;
      }
    }
  }
  return image;
}

bool jbig_read_pbm(const std::string& path, JbigImage* image) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  uint32_t w = 0, h = 0;
  if (!(f >> magic >> w >> h) || magic != "P4") return false;
  f.get();
  image->xd = w;
  image->yd = h;
  image->planes.assign(1, JbigBytes(size_t(h) * image->line_bytes()));
  f.read(reinterpret_cast<char*>(image->planes[0].data()), static_cast<std::streamsize>(image->planes[0].size()));
  return bool(f);
}

bool jbig_write_pbm(const std::string& path, const JbigImage& image) {
  std::ofstream f(path, std::ios::binary);
  f << "P4\n" << image.xd << " " << image.yd << "\n";
  f.write(reinterpret_cast<const char*>(image.planes[0].data()), static_cast<std::streamsize>(image.planes[0].size()));
  return bool(f);
}

JbigBytes jbig_read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return JbigBytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool jbig_write_file(const std::string& path, const JbigBytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bool(f);
}

bool jbig_run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

std::string jbig_temp_dir() {
  static std::string dir = [] {
    char templ[] = "/tmp/jbig_peer_XXXXXX";
    const char* made = mkdtemp(templ);
    return std::string(made ? made : "/tmp");
  }();
  return dir;
}
