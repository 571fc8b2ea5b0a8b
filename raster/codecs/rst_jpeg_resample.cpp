// The plane resamplers of the JPEG core.
#include "raster/codecs/rst_jpeg_resample.h"

namespace {

int32_t shift_of(int32_t factor) { return factor / 2; }

void set_size(JpegPlane& t, const JpegPlane& s, int32_t width, int32_t rows) {
  t.start = s.start;
  t.row = s.start;
  t.stride = s.stride;
  t.width = width;
  t.rows = rows;
}

}  // namespace

void rst_jpeg_replicate_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  for (int32_t y = rows - 1; y >= 0; --y) {
    const uint8_t* in = src.start + int64_t{y} * src.stride;
    uint8_t* out = t.start + int64_t{y} * t.stride;
    for (int32_t x = width - 1; x >= 0; --x) out[x] = in[x / h];
  }
}

void rst_jpeg_replicate_v(const JpegPlane& s, JpegPlane& t, int32_t, int32_t v, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  for (int32_t y = rows - 1; y >= 0; --y) {
    const uint8_t* in = src.start + int64_t{y / v} * src.stride;
    uint8_t* out = t.start + int64_t{y} * t.stride;
    if (in != out)
      for (int32_t x = 0; x < width; ++x) out[x] = in[x];
  }
}

void rst_jpeg_replicate_hv(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows) {
  JpegPlane mid;
  rst_jpeg_replicate_h(s, mid, h, 1, width, (rows + v - 1) / v);
  rst_jpeg_replicate_v(mid, t, 1, v, width, rows);
}

void rst_jpeg_average_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  int32_t shift = shift_of(h);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* in = src.start + int64_t{y} * src.stride;
    uint8_t* out = t.start + int64_t{y} * t.stride;
    for (int32_t x = 0; x < width; ++x) {
      int32_t sum = 0;
      for (int32_t i = 0; i < h; ++i) sum += in[x * h + i];
      out[x] = uint8_t(sum >> shift);
    }
  }
}

void rst_jpeg_average_v(const JpegPlane& s, JpegPlane& t, int32_t, int32_t v, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  int32_t shift = shift_of(v);
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* out = t.start + int64_t{y} * t.stride;
    for (int32_t x = 0; x < width; ++x) {
      int32_t sum = 0;
      for (int32_t i = 0; i < v; ++i) sum += src.start[int64_t{y * v + i} * src.stride + x];
      out[x] = uint8_t(sum >> shift);
    }
  }
}

void rst_jpeg_average_hv(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  int32_t shift = shift_of(h) * 2;  // h x h samples, h of 2 or 4
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* out = t.start + int64_t{y} * t.stride;
    for (int32_t x = 0; x < width; ++x) {
      int32_t sum = 0;
      for (int32_t j = 0; j < v; ++j)
        for (int32_t i = 0; i < h; ++i) sum += src.start[int64_t{y * v + j} * src.stride + x * h + i];
      out[x] = uint8_t(sum >> shift);
    }
  }
}

void rst_jpeg_average_v_replicate_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width,
                                    int32_t rows) {
  JpegPlane mid;
  rst_jpeg_average_v(s, mid, 1, v, (width + h - 1) / h, rows);
  rst_jpeg_replicate_h(mid, t, h, 1, width, rows);
}

void rst_jpeg_average_8(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* out = t.start + int64_t{y} * t.stride;
    for (int32_t x = 0; x < width; ++x) {
      int32_t sum = 0;
      for (int32_t j = 0; j < v; ++j)
        for (int32_t i = 0; i < h; ++i) sum += src.start[int64_t{y * v + j} * src.stride + x * h + i];
      out[x] = uint8_t(sum >> 3);
    }
  }
}

void rst_jpeg_pick_hv(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows) {
  JpegPlane src = s;
  set_size(t, src, width, rows);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* in = src.start + int64_t{y * v} * src.stride;
    uint8_t* out = t.start + int64_t{y} * t.stride;
    for (int32_t x = 0; x < width; ++x) out[x] = in[x * h];
  }
}

void rst_jpeg_pick_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t, int32_t width, int32_t rows) {
  rst_jpeg_pick_hv(s, t, h, 1, width, rows);
}

void rst_jpeg_select_resamplers(JpegCodecContext* c, int32_t encoding, int32_t mode) {
  for (int32_t i = 0; i < c->components && i < 4; ++i) {
    JpegComponent& comp = c->comp[i];
    comp.resampler = nullptr;
    comp.resample_h = comp.resample_v = 1;
    if (encoding) {
      if (i > 2) continue;
      int32_t h = c->divisors[i];
      int32_t v = c->divisors[3 + i];
      bool pick = mode == 0 || mode == 2;
      comp.resample_h = h;
      comp.resample_v = v;
      if (h == v) {
        if (h != 1) comp.resampler = pick ? rst_jpeg_pick_hv : rst_jpeg_average_hv;
      } else if (v == 1) {
        comp.resampler = pick ? rst_jpeg_pick_h : rst_jpeg_average_h;
      } else if (h == 1) {
        comp.resampler = rst_jpeg_average_v;
      } else {
        comp.resampler = rst_jpeg_average_8;
      }
      continue;
    }
    // Decoding: the plane's samples per MCU against the first component's.
    int32_t have_h = comp.h * 8 / comp.out_scale;
    int32_t have_v = comp.v * 8 / comp.out_scale;
    int32_t want_h = c->hmax * 8 / c->scale;
    int32_t want_v = c->vmax * 8 / c->scale;
    bool up_h = have_h < want_h, up_v = have_v < want_v;
    bool down_v = have_v > want_v;
    int32_t fh = up_h ? want_h / have_h : 1;
    if (have_h > want_h) fh = have_h / want_h;
    int32_t fv = up_v ? want_v / have_v : down_v ? have_v / want_v : 1;
    comp.resample_h = fh;
    comp.resample_v = fv;
    if (fh == 1 && fv == 1) continue;
    if (down_v && up_h) {
      comp.resampler = rst_jpeg_average_v_replicate_h;
    } else if (down_v && fh == 1) {
      comp.resampler = rst_jpeg_average_v;
    } else if (up_h && up_v) {
      comp.resampler = rst_jpeg_replicate_hv;
    } else if (up_h && fv == 1) {
      comp.resampler = rst_jpeg_replicate_h;
    } else if (up_v && fh == 1) {
      comp.resampler = rst_jpeg_replicate_v;
    } else if (have_h > want_h && fv == 1) {
      comp.resampler = rst_jpeg_average_h;
    } else {
      comp.resampler = rst_jpeg_average_hv;
    }
  }
}
