// A printer DC back end for the stamp and label drawing: escapes are answered
// from a script, a text measures 10 dots a unit by 40 (or a set height) at
// any font, and every call is recorded with its numbers and the DC state it
// was drawn with. A call can be scripted to fail.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/printer_dc.h"
#include "settings/services/escape_records.h"

namespace pk::test {

struct StampCall {
  explicit StampCall(std::string kind, int escape = 0) : what(std::move(kind)), code(escape) {}
  std::string what;  // "esc", "measure", "text", "polygon", "ellipse", "page"
  int code = 0;
  std::vector<uint8_t> in;
  int outSize = 0;  // the output block an escape offered
  POINT at{};
  std::u16string text;
  std::vector<POINT> points;
  RECT box{};
  pkgdi::DcState state;

  int32_t InWord(size_t i) const {
    int32_t v = 0;
    if (in.size() >= (i + 1) * 4) std::memcpy(&v, in.data() + i * 4, 4);
    return v;
  }
};

class StampDc : public pkgdi::PrinterDcBackEnd {
 public:
  StampDc() : hdc_(pkgdi::CreatePrinterDc(this)) {}
  ~StampDc() override { pkgdi::DeletePrinterDc(hdc_); }
  HDC hdc() const { return hdc_; }

  void Answer(int code, std::vector<uint8_t> out = {}, int result = 1) { answers_[code] = {result, std::move(out)}; }
  template <typename T>
  void AnswerWith(int code, const T& value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    Answer(code, bytes);
  }
  void Unanswer(int code) { answers_.erase(code); }
  // The n-th (1-based) call of that kind fails.
  void FailNth(const std::string& what, int n) { fail_[what] = n; }
  void SetTextHeight(LONG h) { textHeight_ = h; }
  // The printable area GetDeviceCaps answers (0: none, as before).
  void SetPrintableSize(int width, int height) { horzRes_ = width, vertRes_ = height; }
  void Clear() { calls_.clear(), seen_.clear(); }

  const std::vector<StampCall>& calls() const { return calls_; }
  std::vector<StampCall> Of(const std::string& what, int code = 0) const {
    std::vector<StampCall> out;
    for (const StampCall& c : calls_)
      if (c.what == what && (code == 0 || c.code == code)) out.push_back(c);
    return out;
  }
  // "esc20483:1" for an escape with its first input word, else the call's kind.
  std::vector<std::string> Sequence() const {
    std::vector<std::string> seq;
    for (const StampCall& c : calls_) {
      if (c.what != "esc") {
        seq.push_back(c.what);
        continue;
      }
      std::string s = "esc" + std::to_string(c.code);
      if (c.code == ESC_STAMP_BRACKET || c.code == ESC_LABEL_BRACKET) s += ":" + std::to_string(c.InWord(0));
      seq.push_back(s);
    }
    return seq;
  }

  int Escape(int code, int cjIn, const void* in, int cjOut, void* out) override {
    StampCall call{"esc", code};
    if (in && cjIn > 0) call.in.assign(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + cjIn);
    call.outSize = out ? cjOut : 0;
    calls_.push_back(call);
    auto it = answers_.find(code);
    if (it == answers_.end()) return 0;
    const size_t n = std::min<size_t>(cjOut > 0 ? size_t(cjOut) : 0, it->second.out.size());
    if (out && n > 0) std::memcpy(out, it->second.out.data(), n);
    return it->second.result;
  }
  int StartPage() override { return Record(StampCall{"page"}); }
  int EndPage() override { return Record(StampCall{"endpage"}); }
  bool TextOut(const pkgdi::DcState& dc, POINT at, const std::u16string& text) override {
    StampCall c{"text"};
    c.at = at;
    c.text = text;
    c.state = dc;
    return Record(c);
  }
  bool MeasureText(const pkgdi::DcState& dc, const std::u16string& text, SIZE* size) override {
    StampCall c{"measure"};
    c.text = text;
    c.state = dc;
    if (!Record(c)) return false;
    size->cx = static_cast<LONG>(text.size()) * 10;
    size->cy = textHeight_;
    return true;
  }
  bool Polygon(const pkgdi::DcState& dc, const std::vector<POINT>& points) override {
    StampCall c{"polygon"};
    c.points = points;
    c.state = dc;
    return Record(c);
  }
  bool Ellipse(const pkgdi::DcState& dc, const RECT& box) override {
    StampCall c{"ellipse"};
    c.box = box;
    c.state = dc;
    return Record(c);
  }
  bool Rectangle(const pkgdi::DcState& dc, const RECT& box) override {
    StampCall c{"rectangle"};
    c.box = box;
    c.state = dc;
    return Record(c);
  }
  int DeviceCaps(int index) override { return index == HORZRES ? horzRes_ : index == VERTRES ? vertRes_ : 0; }

 private:
  struct Reply {
    int result = 1;
    std::vector<uint8_t> out;
  };
  int Record(StampCall c) {
    const int n = ++seen_[c.what];
    calls_.push_back(std::move(c));
    auto f = fail_.find(calls_.back().what);
    return f != fail_.end() && f->second == n ? 0 : 1;
  }
  std::map<int, Reply> answers_;
  std::map<std::string, int> fail_, seen_;
  std::vector<StampCall> calls_;
  LONG textHeight_ = 40;
  int horzRes_ = 0, vertRes_ = 0;
  HDC hdc_;
};

}  // namespace pk::test
