// Transforms from ICC profile files: the header and tag table, the curve
// and colorant tags of matrix profiles and the lut8 / lut16 tables of input
// profiles (see color_transform.h). A profile is a file the user chose:
// every count, offset and size in it is checked against the file and the tag
// before it is used.
#include <cmath>
#include <cstring>

#include "graphics_driver/core/color_transform.h"
#include "platform/win/crt_io.h"

namespace {

const double kPcsWhite[3] = {0.9642, 1.0, 0.8294};
constexpr size_t kHeadBytes = 132;
// One read answers its byte count as an int.
constexpr uint64_t kMaxRead = 0x7FFFFFFF;

uint32_t Be32(const BYTE* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Be16(const BYTE* p) { return uint16_t(p[0] << 8 | p[1]); }
bool Is(const BYTE* p, const char* sig) { return std::memcmp(p, sig, 4) == 0; }

// The tags a transform is built from.
enum TagSlot { kRedCurve, kGreenCurve, kBlueCurve, kRedXyz, kGreenXyz, kBlueXyz, kWhite, kA2B0, kSlots };
const char* const kTagNames[kSlots] = {"rTRC", "gTRC", "bTRC", "rXYZ", "gXYZ", "bXYZ", "wtpt", "A2B0"};

struct ProfileTags {
  bool curve[3] = {};
  bool xyz[4] = {};  // red, green, blue colorants and the media white
  double values[4][3] = {};
  BYTE* lut = nullptr;  // the "A2B0" tag when it is an mft1 or mft2
  size_t lutSize = 0;
  ~ProfileTags() { FreeLocked(lut); }
};

// Reads a tag whole into a new locked block: 0, -3 read or seek failure, -8
// no memory. The caller has checked that it lies inside the file.
int ReadTag(int fd, uint32_t offset, uint32_t size, BYTE** out) {
  if (_lseeki64(fd, offset, SEEK_SET) != LONGLONG(offset)) return -3;
  auto* buffer = static_cast<BYTE*>(AllocLocked(size));
  if (!buffer) return -8;
  if (ReadFully(fd, buffer, size) != int(size)) {
    FreeLocked(buffer);
    return -3;
  }
  *out = buffer;
  return 0;
}

// Keeps what a tag gives; a tag that is too short or of another type counts
// as missing.
void UseTag(ProfileTags* tags, int slot, BYTE* data, uint32_t size, ColorTransform* t) {
  if (slot <= kBlueCurve) {
    tags->curve[slot] = ReadCurveTag(data, size, t->curve[slot]) == 1;
  } else if (slot <= kWhite) {
    const int at = slot - kRedXyz;
    tags->xyz[at] = size >= 20;
    if (tags->xyz[at])
      for (int i = 0; i < 3; ++i) tags->values[at][i] = int32_t(Be32(data + 8 + 4 * i)) / 65536.0;
  } else if (size >= 12 && (Is(data, "mft1") || Is(data, "mft2"))) {
    FreeLocked(tags->lut);
    tags->lut = data;
    tags->lutSize = size;
    return;
  }
  FreeLocked(data);
}

// Matrix mode: the colorants as columns, each row scaled so that RGB
// (1, 1, 1) gives the media white, then adapted to linear sRGB. 0, or -7
// when the numbers give no usable matrix.
int BuildMatrixTransform(ColorTransform* t, const ProfileTags& tags) {
  const double* white = tags.values[3];
  Matrix3 c;
  for (int row = 0; row < 3; ++row) {
    double sum = 0;
    for (int col = 0; col < 3; ++col) sum += c[row][col] = tags.values[col][row];
    if (sum == 0 || !std::isfinite(sum)) return -7;
    for (int col = 0; col < 3; ++col) c[row][col] *= white[row] / sum;
  }
  Matrix3 a, m;
  if (!AdaptationMatrix(white, a)) return -7;
  MultiplyMatrix3(a, c, m);
  if (!StoreTransformMatrix(m, t->matrix)) return -7;
  t->mode = kTransformMatrix;
  return 0;
}

// Steps 2 to 7 on an open file.
int LoadFromFile(ColorTransform* t, int fd) {
  const LONGLONG fileSize = _lseeki64(fd, 0, SEEK_END);
  if (fileSize < 0 || _lseeki64(fd, 0, SEEK_SET) != 0) return -3;
  BYTE head[kHeadBytes];
  if (ReadFully(fd, head, kHeadBytes) != int(kHeadBytes)) return -3;
  if (!Is(head + 36, "acsp")) return -5;
  if (!Is(head + 16, "RGB ")) return -6;
  const bool labPcs = Is(head + 20, "Lab ");
  if (!labPcs && !Is(head + 20, "XYZ ")) return -7;
  const bool scanner = Is(head + 12, "scnr");
  if (Is(head + 12, "mntr") ? labPcs : !scanner) return -6;

  // The tag table must fit the file after the head.
  const uint32_t count = Be32(head + 128);
  if (uint64_t(count) * 12 > uint64_t(fileSize) - kHeadBytes || uint64_t(count) * 12 > kMaxRead) return -3;
  auto* table = static_cast<BYTE*>(AllocLocked(size_t(count) * 12));
  if (!table) return -8;
  if (ReadFully(fd, table, count * 12) != int(count * 12)) {
    FreeLocked(table);
    return -3;
  }
  ProfileTags tags;
  int result = 0;
  for (uint32_t i = 0; i < count && result == 0; ++i) {
    const BYTE* entry = table + 12 * i;
    int slot = 0;
    while (slot < kSlots && !Is(entry, kTagNames[slot])) ++slot;
    if (slot == kSlots) continue;
    const uint32_t offset = Be32(entry + 4), size = Be32(entry + 8);
    if (uint64_t(offset) + size > uint64_t(fileSize) || size > kMaxRead) {
      result = -3;
      break;
    }
    BYTE* data = nullptr;
    result = ReadTag(fd, offset, size, &data);
    if (result == 0) UseTag(&tags, slot, data, size, t);
  }
  FreeLocked(table);
  if (result != 0) return result;

  if (tags.lut && tags.xyz[3] && scanner) {
    t->table = static_cast<uint16_t*>(AllocLocked(kTableBytes));
    if (!t->table) return -8;
    const int built = Is(tags.lut, "mft2") ? BuildLutFromLut16(t, tags.lut, tags.lutSize, tags.values[3], labPcs)
                                           : BuildLutFromLut8(t, tags.lut, tags.lutSize, tags.values[3], labPcs);
    if (built == 1) {
      t->mode = kTransformTable;
      return 0;
    }
    // A table that cannot be used counts as missing.
    FreeLocked(t->table);
    t->table = nullptr;
  }
  if (tags.xyz[0] && tags.xyz[1] && tags.xyz[2] && tags.xyz[3] && tags.curve[0] && tags.curve[1] && tags.curve[2])
    return BuildMatrixTransform(t, tags);
  return -7;
}

// Node values of a grid: 8-bit ones are taken x 256.
uint32_t Node8(const BYTE* grid, size_t at) { return uint32_t(grid[at]) << 8; }
uint32_t Node16(const BYTE* grid, size_t at) { return Be16(grid + 2 * at); }

template <uint32_t (*Node)(const BYTE*, size_t)>
void InterpolateClut(const BYTE* grid, int g, double a, double b, double c, uint16_t out[3]) {
  const double pos[3] = {(g - 1) * a, (g - 1) * b, (g - 1) * c};
  const size_t strides[3] = {size_t(g) * g * 3, size_t(g) * 3, 3};
  size_t base = 0, step[3];
  double f[3];
  for (int i = 0; i < 3; ++i) {
    int index = int(pos[i]);
    if (index > g - 1) index = g - 1;
    if (index < 0) index = 0;
    f[i] = pos[i] - index;
    step[i] = index >= g - 1 ? 0 : strides[i];
    base += size_t(index) * strides[i];
  }
  int order[3] = {0, 1, 2};
  for (int i = 1; i < 3; ++i)
    for (int j = i; j > 0 && f[order[j]] > f[order[j - 1]]; --j) {
      const int t = order[j];
      order[j] = order[j - 1];
      order[j - 1] = t;
    }
  for (int ch = 0; ch < 3; ++ch) {
    size_t at = base;
    double v = Node(grid, at + ch);
    for (int k = 0; k < 3; ++k) {
      const int axis = order[k];
      const double from = Node(grid, at + ch);
      at += step[axis];
      v += f[axis] * (double(Node(grid, at + ch)) - from);
    }
    v += 0.5;
    out[ch] = uint16_t(v < 0 ? 0 : v > 65535 ? 65535 : v);
  }
}

// Steps 2 to 6 of the table build, over input and output curves already made.
template <uint32_t (*Node)(const BYTE*, size_t)>
int FillTable(ColorTransform* t, const BYTE* grid, int g, uint16_t (*outCurves)[4096], const double white[3],
              bool labPcs) {
  Matrix3 a;
  if (!AdaptationMatrix(white, a)) return 0;
  uint16_t* node = t->table;
  for (int i = 0; i < kTableGrid; ++i)
    for (int j = 0; j < kTableGrid; ++j)
      for (int k = 0; k < kTableGrid; ++k, node += 3) {
        uint16_t s[3];
        InterpolateClut<Node>(grid, g, i / 16.0, j / 16.0, k / 16.0, s);
        for (int c = 0; c < 3; ++c) s[c] = outCurves[c][s[c] / 16];
        double xyz[3];
        if (labPcs) LabToXyz(s[0] / 652.8, s[1] / 256.0 - 128, s[2] / 256.0 - 128, kPcsWhite, xyz);
        else
          for (int c = 0; c < 3; ++c) xyz[c] = s[c] / 32768.0;
        xyz[0] *= white[0] / 0.9642;
        xyz[1] *= white[1];
        xyz[2] *= white[2] / 0.8294;
        for (int row = 0; row < 3; ++row) {
          const double v = (a[row][0] * xyz[0] + a[row][1] * xyz[1] + a[row][2] * xyz[2]) * 65535.0;
          node[row] = !(v >= 1) ? 0 : v >= 65535 ? 65535 : uint16_t(v);
        }
      }
  return 1;
}

}  // namespace

int ReadFully(int fd, void* buffer, unsigned size) {
  unsigned done = 0;
  while (done < size) {
    const int n = _read(fd, static_cast<BYTE*>(buffer) + done, size - done);
    if (n < 0) return n;
    if (n == 0) break;
    done += unsigned(n);
  }
  return int(done);
}

int LoadProfileTransform(ColorTransform* transform, const char* path) {
  if (!transform) return -8;
  transform->mode = kTransformNone;
  transform->whiteCorrection = 0;
  transform->table = nullptr;
  if (!path) return -2;
  const int fd = _open(path, _O_RDONLY | _O_BINARY);
  if (fd < 0) return -2;
  int result = LoadFromFile(transform, fd);
  if (_close(fd) != 0 && result == 0) result = -4;
  if (result != 0) FreeTransform(transform);
  return result;
}

namespace {

// A parametric curve ("para", as version 4 profiles give their curves):
// function type 0-4 with 1, 3, 4, 5 or 7 s15Fixed16 parameters.
int ReadParametricCurve(const BYTE* tag, size_t size, uint16_t out[256]) {
  static const int kParameters[5] = {1, 3, 4, 5, 7};
  const int type = Be16(tag + 8);
  if (type > 4 || size < 12 + 4 * size_t(kParameters[type])) return 0;
  double p[7] = {};
  for (int i = 0; i < kParameters[type]; ++i) p[i] = int32_t(Be32(tag + 12 + 4 * i)) / 65536.0;
  const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
  for (int i = 0; i < 256; ++i) {
    const double x = i / 255.0;
    const auto power = [&](double base) { return base > 0 ? std::pow(base, g) : 0.0; };
    double y = 0;
    switch (type) {
      case 0: y = power(x); break;
      case 1: y = a != 0 && x >= -b / a ? power(a * x + b) : 0; break;
      case 2: y = a != 0 && x >= -b / a ? power(a * x + b) + c : c; break;
      case 3: y = x >= d ? power(a * x + b) : c * x; break;
      default: y = x >= d ? power(a * x + b) + e : c * x + f; break;
    }
    y = std::isfinite(y) ? (y < 0 ? 0 : y > 1 ? 1 : y) : 0;
    out[i] = uint16_t(y * 65535);
  }
  return 1;
}

}  // namespace

int ReadCurveTag(const BYTE* tag, size_t size, uint16_t out[256]) {
  if (!tag || size < 12) return 0;
  if (Is(tag, "para")) return ReadParametricCurve(tag, size, out);
  if (!Is(tag, "curv")) return 0;
  const uint32_t n = Be32(tag + 8);
  if (n == 0) {
    for (int i = 0; i < 256; ++i) out[i] = uint16_t(i * 257);
    return 1;
  }
  if (uint64_t(n) * 2 > size - 12) return 0;
  const BYTE* values = tag + 12;
  if (n == 1) {
    const double gamma = Be16(values) / 256.0;
    for (int i = 0; i < 256; ++i) {
      double v = std::pow(i / 255.0, gamma);
      v = v < 0 ? 0 : v > 1 ? 1 : v;
      out[i] = uint16_t(v * 65535);
    }
    return 1;
  }
  ResampleCurve16(values, int(n), out, 256);
  return 1;
}

namespace {
template <uint32_t (*Entry)(const BYTE*, size_t)>
void Resample(const BYTE* in, int n, uint16_t* out, int m) {
  out[0] = uint16_t(Entry(in, 0));
  out[m - 1] = uint16_t(Entry(in, size_t(n - 1)));
  for (int k = 1; k < m - 1; ++k) {
    const double pos = double(k) * (n - 1) / double(m - 1);
    const int i = int(pos);
    if (i >= n - 1) {
      out[k] = uint16_t(Entry(in, size_t(n - 1)));
      continue;
    }
    const double a = Entry(in, size_t(i)), b = Entry(in, size_t(i) + 1);
    out[k] = uint16_t(a + (b - a) * (pos - i));
  }
}
}  // namespace

void ResampleCurve8(const BYTE* in, int n, uint16_t* out, int m) {
  if (in && out && n > 0 && m > 1) Resample<Node8>(in, n, out, m);
}

void ResampleCurve16(const BYTE* in, int n, uint16_t* out, int m) {
  if (in && out && n > 0 && m > 1) Resample<Node16>(in, n, out, m);
}

void InterpolateClut8(const BYTE* grid, int g, double a, double b, double c, uint16_t out[3]) {
  InterpolateClut<Node8>(grid, g, a, b, c, out);
}

void InterpolateClut16(const BYTE* grid, int g, double a, double b, double c, uint16_t out[3]) {
  InterpolateClut<Node16>(grid, g, a, b, c, out);
}

int BuildLutFromLut8(ColorTransform* transform, const BYTE* tag, size_t size, const double white[3], bool labPcs) {
  if (!transform || !transform->table || !tag || size < 48 || tag[8] != 3 || tag[9] != 3) return 0;
  const int g = tag[10];
  const uint64_t grid = uint64_t(g) * g * g * 3;
  if (g == 0 || 48 + 768 + grid + 768 > size) return 0;
  const BYTE* in = tag + 48;
  const BYTE* nodes = in + 768;
  const BYTE* outTables = nodes + grid;
  static thread_local uint16_t outCurves[3][4096];
  for (int c = 0; c < 3; ++c) {
    ResampleCurve8(outTables + 256 * c, 256, outCurves[c], 4096);
    ResampleCurve8(in + 256 * c, 256, transform->curve[c], 256);
  }
  return FillTable<Node8>(transform, nodes, g, outCurves, white, labPcs);
}

int BuildLutFromLut16(ColorTransform* transform, const BYTE* tag, size_t size, const double white[3], bool labPcs) {
  if (!transform || !transform->table || !tag || size < 52 || tag[8] != 3 || tag[9] != 3) return 0;
  const int g = tag[10];
  const int n = Be16(tag + 48), m = Be16(tag + 50);
  const uint64_t grid = uint64_t(g) * g * g * 3;
  if (g == 0 || n == 0 || m == 0 || 52 + 6 * uint64_t(n) + 2 * grid + 6 * uint64_t(m) > size) return 0;
  const BYTE* in = tag + 52;
  const BYTE* nodes = in + 6 * size_t(n);
  const BYTE* outTables = nodes + 2 * grid;
  static thread_local uint16_t outCurves[3][4096];
  for (int c = 0; c < 3; ++c) {
    ResampleCurve16(outTables + 2 * size_t(m) * c, m, outCurves[c], 4096);
    ResampleCurve16(in + 2 * size_t(n) * c, n, transform->curve[c], 256);
  }
  return FillTable<Node16>(transform, nodes, g, outCurves, white, labPcs);
}
