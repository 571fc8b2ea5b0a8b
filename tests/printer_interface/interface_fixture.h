// Helpers of the printer interface library's tests: a fresh machine root with
// the default printer open and the library's module state set up as at
// process attach, the printer's DEVMODE, and a printer DC whose escapes are
// answered from a script and whose every call is recorded with its bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/gdi/printer_dc.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/stored_settings/stored_fixture.h"

namespace pk::test {

// One call that reached the DC's device.
struct DcCall {
  std::string what;  // "escape", "StartPage", "EndPage" or a drawing call
  int code = 0;
  std::vector<uint8_t> in;
};

// A printer DC back end answering escapes from a script: an escape without
// an answer returns 0; an answer gives its result and at most cjOut of its
// bytes.
class ScriptedDc : public pkgdi::PrinterDcBackEnd {
 public:
  struct Reply {
    int result = 1;
    std::vector<uint8_t> out;
  };
  ScriptedDc() : hdc_(pkgdi::CreatePrinterDc(this)) {}
  ~ScriptedDc() override { pkgdi::DeletePrinterDc(hdc_); }
  HDC hdc() const { return hdc_; }
  void Answer(int code, std::vector<uint8_t> out, int result = 1) { answers_[code] = {result, std::move(out)}; }
  void Unanswer(int code) { answers_.erase(code); }
  template <typename T>
  void AnswerWith(int code, const T& value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    Answer(code, bytes);
  }
  const std::vector<DcCall>& calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  std::vector<int> EscapeCodes() const {
    std::vector<int> codes;
    for (const DcCall& c : calls_)
      if (c.what == "escape") codes.push_back(c.code);
    return codes;
  }
  std::vector<std::string> Sequence() const {
    std::vector<std::string> seq;
    for (const DcCall& c : calls_) seq.push_back(c.what == "escape" ? "esc" + std::to_string(c.code) : c.what);
    return seq;
  }
  // The input of the only escape of that code.
  std::vector<uint8_t> InputOf(int code) const {
    std::vector<uint8_t> in;
    int seen = 0;
    for (const DcCall& c : calls_)
      if (c.what == "escape" && c.code == code) {
        in = c.in;
        ++seen;
      }
    EXPECT_EQ(seen, 1) << "escape " << code;
    return in;
  }

  int Escape(int code, int cjIn, const void* in, int cjOut, void* out) override {
    DcCall call{"escape", code, {}};
    if (in && cjIn > 0) call.in.assign(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + cjIn);
    calls_.push_back(call);
    auto it = answers_.find(code);
    if (it == answers_.end()) return 0;
    const size_t n = std::min<size_t>(cjOut > 0 ? cjOut : 0, it->second.out.size());
    if (out && n > 0) std::memcpy(out, it->second.out.data(), n);
    return it->second.result;
  }
  int StartPage() override { return Record("StartPage"); }
  int EndPage() override { return Record("EndPage"); }
  bool TextOut(const pkgdi::DcState&, POINT, const std::u16string&) override { return Record("TextOut"); }
  bool MeasureText(const pkgdi::DcState&, const std::u16string& text, SIZE* size) override {
    size->cx = static_cast<LONG>(text.size()) * 10;
    size->cy = 20;
    return true;
  }
  bool Polygon(const pkgdi::DcState&, const std::vector<POINT>&) override { return Record("Polygon"); }
  bool Ellipse(const pkgdi::DcState&, const RECT&) override { return Record("Ellipse"); }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return Record("Rectangle"); }
  int DeviceCaps(int) override { return 0; }

 private:
  int Record(const char* what) {
    calls_.push_back(DcCall{what, 0, {}});
    return 1;
  }
  std::map<int, Reply> answers_;
  std::vector<DcCall> calls_;
  HDC hdc_;
};

// A fresh root with the default printer open (StoredSettingsTest) and its
// DEVMODE as the driver makes it by default.
class InterfaceTest : public StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    devMode_.assign(kDriverDevModeSize, 0);
    LONG size = kDriverDevModeSize;
    ASSERT_TRUE(DrvConvertDevMode(const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), nullptr,
                                  reinterpret_cast<DEVMODEW*>(devMode_.data()), &size, CDM_DRIVER_DEFAULT));
  }
  DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(devMode_.data()); }
  // Writes a setting as a number of the id's own type (extension settings
  // need a working DEVMODE of 4700 bytes).
  static void Set(std::vector<uint8_t>& devMode, SettingId id, long long value) {
    std::vector<uint8_t> work(devMode);
    if (work.size() < kWorkingDevModeSize) work.resize(kWorkingDevModeSize, 0);
    SettingValueType type = 0;
    ASSERT_EQ(LookupSettingField(id, &type, nullptr, nullptr, nullptr, work.data(), nullptr, nullptr, nullptr, nullptr),
              kSettingOk)
        << id;
    UINT size = 0;
    GetValueTypeSize(id, type, &size);
    uint64_t v = static_cast<uint64_t>(value);
    ASSERT_EQ(WriteSettingField(id, work.data(), nullptr, type, size, &v), kSettingOk) << id;
    std::memcpy(devMode.data(), work.data(), std::min(devMode.size(), work.size()));
  }
  // The 4700-byte working DEVMODE the graphics driver answers ESC_GET_DEVMODE
  // with: the DEVMODE and an empty extension.
  std::vector<uint8_t> Working() const {
    std::vector<uint8_t> w(kWorkingDevModeSize, 0);
    std::memcpy(w.data(), devMode_.data(), kDriverDevModeSize);
    return w;
  }

  std::vector<uint8_t> devMode_;
};

}  // namespace pk::test
