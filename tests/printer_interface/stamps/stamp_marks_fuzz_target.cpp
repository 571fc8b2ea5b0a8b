// The stamp and label fuzz entry, and the fixed-budget run of it in the test
// program. What the drawing reads from outside: the driver's working DEVMODE
// (texts, font records and numbers an application set), the page mark query
// and the label texts the driver answers. In a clang build configured with
// -DPK_LIBFUZZER=ON this file is the libFuzzer program `stamp_marks_fuzz`:
//   ninja -C build-fuzz stamp_marks_fuzz && build-fuzz/out/stamp_marks_fuzz -max_total_time=600 corpus/
// Input: a control byte (bit 0 the stamp, bit 1 the labels, bits 2-4 leave the
// stamp bracket, label texts or label bracket unanswered), the 44-byte query,
// the 768-byte label block, then patches of the DEVMODE: a 16-bit
// little-endian offset, a length byte and the bytes. Short parts are zero.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/printer_dc.h"
#include "printer_interface/stamps/stamp_drawing.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_layout.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Escapes answered from a table; a text measures 10 a unit by 40.
class Device : public pkgdi::PrinterDcBackEnd {
 public:
  std::vector<int> unanswered;
  LabelInfoBlock labels{};
  int Escape(int code, int, const void*, int cjOut, void* out) override {
    if (std::find(unanswered.begin(), unanswered.end(), code) != unanswered.end()) return 0;
    if (code == ESC_GET_LABEL_INFO && out && cjOut == int(sizeof labels)) std::memcpy(out, &labels, sizeof labels);
    return 1;
  }
  int StartPage() override { return 1; }
  int EndPage() override { return 1; }
  bool TextOut(const pkgdi::DcState&, POINT, const std::u16string&) override { return true; }
  bool MeasureText(const pkgdi::DcState&, const std::u16string& text, SIZE* size) override {
    size->cx = static_cast<LONG>(text.size()) * 10;
    size->cy = 40;
    return true;
  }
  bool Polygon(const pkgdi::DcState&, const std::vector<POINT>&) override { return true; }
  bool Ellipse(const pkgdi::DcState&, const RECT&) override { return true; }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return true; }
  int DeviceCaps(int) override { return 0; }
};

BYTE* Field(std::vector<uint8_t>& devMode, SettingId id) {
  const BYTE* at = nullptr;
  Check(LookupSettingField(id, nullptr, nullptr, nullptr, nullptr, devMode.data(), nullptr, &at, nullptr, nullptr) ==
        kSettingOk);
  return const_cast<BYTE*>(at);
}

// A working DEVMODE with a stamp text, fonts and a resolution.
std::vector<uint8_t> BaseDevMode() {
  std::vector<uint8_t> dm(kWorkingDevModeSize, 0);
  const int16_t dpi = 600;
  std::memcpy(Field(dm, 20), &dpi, sizeof dpi);
  std::memcpy(Field(dm, 299), u"STAMP", 12);
  LOGFONTW lf{};
  lf.lfHeight = 12;
  lf.lfWeight = FW_BOLD;
  std::memcpy(lf.lfFaceName, u"Sans", 10);
  std::memcpy(Field(dm, 304), &lf, sizeof lf);
  std::memcpy(Field(dm, 357), &lf, sizeof lf);
  return dm;
}

void stamp_marks_fuzz_one(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> base = BaseDevMode();
  if (size == 0) return;
  const uint8_t control = data[0];
  ++data, --size;
  auto take = [&](void* out, size_t n) {
    const size_t k = std::min(n, size);
    std::memcpy(out, data, k);
    data += k, size -= k;
  };
  PageMarkQuery query{};
  take(&query, sizeof query);
  // Finite areas are kept small so that the copies of a tiny text stay few.
  for (float* v : {query.stampArea, query.sheetArea})
    for (int i = 0; i < 4; ++i)
      if (std::isfinite(v[i])) v[i] = std::clamp(v[i], -500.0f, 500.0f);
  Device device;
  take(&device.labels, sizeof device.labels);
  if (control & 4) device.unanswered.push_back(ESC_STAMP_BRACKET);
  if (control & 8) device.unanswered.push_back(ESC_GET_LABEL_INFO);
  if (control & 16) device.unanswered.push_back(ESC_LABEL_BRACKET);
  std::vector<uint8_t> devMode = base;
  while (size >= 3) {
    size_t offset = data[0] | (size_t(data[1]) << 8);
    size_t n = std::min<size_t>(data[2], size - 3);
    for (size_t i = 0; i < n; ++i)
      if (offset + i < devMode.size()) devMode[offset + i] = data[3 + i];
    data += 3 + n, size -= 3 + n;
  }

  HDC hdc = pkgdi::CreatePrinterDc(&device);
  const size_t objects = pkgdi::LiveGdiObjects();
  if (control & 1) DrawStampMark(hdc, devMode.data(), &query);
  if (control & 2) DrawLabelMarks(hdc, devMode.data(), &query);
  // Nothing made is left behind and no saved state is left on the DC.
  Check(pkgdi::LiveGdiObjects() == objects);
  Check(SaveDC(hdc) == 1);
  pkgdi::DeletePrinterDc(hdc);
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  stamp_marks_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(StampMarksFuzz, FixedBudgetRunsClean) {
  // Seeds: a tiled framed stamp and three labels; a positioned ellipse stamp.
  std::vector<std::vector<uint8_t> > seeds(2);
  for (auto& s : seeds) {
    s.push_back(3);
    PageMarkQuery q{1, 1, 1, {0, 0, 400, 300}, {0, 0, 500, 500}};
    const auto* b = reinterpret_cast<const uint8_t*>(&q);
    s.insert(s.end(), b, b + sizeof q);
    LabelInfoBlock l{};
    l.itemPositions[0] = 0x101, l.itemPositions[4] = 0x101, l.itemPositions[5] = 0, l.itemPositions[1] = 0x303;
    l.itemPositions[2] = l.itemPositions[3] = -1;
    std::memcpy(l.user, u"alice", 12);
    std::memcpy(l.date, u"2024/3/7", 18);
    std::memcpy(l.time, u"09:05", 12);
    const auto* lb = reinterpret_cast<const uint8_t*>(&l);
    s.insert(s.end(), lb, lb + sizeof l);
  }
  std::vector<uint8_t> dm = BaseDevMode();
  auto patch = [&](std::vector<uint8_t>& s, SettingId id, std::initializer_list<uint8_t> bytes) {
    const size_t offset = size_t(Field(dm, id) - dm.data());
    s.insert(s.end(), {uint8_t(offset), uint8_t(offset >> 8), uint8_t(bytes.size())});
    s.insert(s.end(), bytes);
  };
  patch(seeds[0], 302, {1});
  patch(seeds[0], 456, {0xFF, 0xFF, 0xFF, 0xFF});
  patch(seeds[1], 302, {2});
  patch(seeds[1], 303, {0x02, 0x02});
  for (const auto& seed : seeds) stamp_marks_fuzz_one(seed.data(), seed.size());

  std::mt19937 rng(7808);
  for (int iter = 0; iter < 300; ++iter) {
    std::vector<uint8_t> input = seeds[static_cast<size_t>(iter) % seeds.size()];
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % input.size();
      switch (rng() % 4) {
        case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
        case 1: input[at] = static_cast<uint8_t>(rng()); break;
        case 2: input[at] = 0xFF; break;
        default: input.resize(at + 1); break;
      }
    }
    stamp_marks_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
