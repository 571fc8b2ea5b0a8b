// Playing a document into a print session: units become device dots of the
// printable area through the device's resolution, statements change the
// drawing state or draw, pages open on the first drawing and close at the next
// `page`, `resetdc` or the end.
#include <cmath>
#include <cstdio>
#include <string>

#include "host/devmode_edit.h"
#include "host/document_player.h"
#include "host/print_session.h"

namespace pkhost {

namespace {

constexpr double kMaxDots = 8000000;  // keeps 28.4 coordinates within 32 bits

class Player {
 public:
  Player(PrintSession& s, RunLog& log) : s_(s), log_(log) {}

  double Scale(Unit u, bool vertical) const {
    const GDIINFO& g = s_.gdiInfo();
    double dpi = std::clamp<double>(vertical ? g.ulLogPixelsY : g.ulLogPixelsX, 1, 100000);
    return u == Unit::Dot ? 1.0 : u == Unit::Point ? dpi / 72.0 : dpi / 25.4;
  }
  double Dots(Unit u, double v, bool vertical) const { return std::clamp(v * Scale(u, vertical), -kMaxDots, kMaxDots); }
  LONG X(const Statement& st, double v) const { return static_cast<LONG>(std::lround(Dots(st.unit, v, false))); }
  LONG Y(const Statement& st, double v) const { return static_cast<LONG>(std::lround(Dots(st.unit, v, true))); }
  FIX FX(const Statement& st, double v) const { return static_cast<FIX>(std::lround(Dots(st.unit, v, false) * 16)); }
  FIX FY(const Statement& st, double v) const { return static_cast<FIX>(std::lround(Dots(st.unit, v, true) * 16)); }
  RECTL Box(const Statement& st, size_t i = 0) const {
    return RECTL{X(st, st.nums[i]), Y(st, st.nums[i + 1]), X(st, st.nums[i + 2]), Y(st, st.nums[i + 3])};
  }

  bool Running() const { return s_.sessionState() == SessionState::InDocument; }
  bool EnsurePage() {
    if (s_.inPage()) return true;
    return s_.StartPageCall();
  }

  std::vector<Subpath> Path(const Statement& st) const;
  std::u16string DeviceText() const {
    const GDIINFO& g = s_.gdiInfo();
    std::string t = "Resolution " + std::to_string(g.ulLogPixelsX) + " x " + std::to_string(g.ulLogPixelsY) +
                    " dpi, printable " + std::to_string(g.ulHorzRes) + " x " + std::to_string(g.ulVertRes) + " dots";
    return std::u16string(t.begin(), t.end());
  }
  bool Play(const Document& doc, const std::vector<uint8_t>& devMode);

  bool aborted() const { return aborted_; }

 private:
  PrintSession& s_;
  RunLog& log_;
  bool aborted_ = false;
};

// The trace line of a document's escape: its code, the driver's answer and
// the answer block's bytes in hex, as the document writes its input.
std::string EscapeAnswer(ULONG code, int answer, const std::vector<uint8_t>& out) {
  char text[32];
  std::snprintf(text, sizeof text, "escape 0x%04X answered %d", static_cast<unsigned>(code), answer);
  std::string line = text;
  if (!out.empty()) line += " out ";
  for (uint8_t b : out) {
    std::snprintf(text, sizeof text, "%02X", b);
    line += text;
  }
  return line;
}

// Bézier curves are flattened into lines of about one dot.
void Flatten(std::vector<POINTFIX>& pts, POINTFIX p0, POINTFIX p1, POINTFIX p2, POINTFIX p3) {
  double len = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
               std::hypot(p3.x - p2.x, p3.y - p2.y);
  int steps = std::clamp(static_cast<int>(len / 32), 2, 1000);
  for (int i = 1; i <= steps; ++i) {
    double t = double(i) / steps, u = 1 - t;
    double x = u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x;
    double y = u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y;
    pts.push_back(POINTFIX{static_cast<FIX>(std::lround(x)), static_cast<FIX>(std::lround(y))});
  }
}

std::vector<Subpath> Player::Path(const Statement& st) const {
  std::vector<Subpath> out;
  for (const PathOp& op : st.path) {
    auto pt = [&](size_t i) { return POINTFIX{FX(st, op.pts[2 * i]), FY(st, op.pts[2 * i + 1])}; };
    switch (op.kind) {
      case PathOp::Move: out.push_back(Subpath{{pt(0)}, false}); break;
      case PathOp::Line: out.back().pts.push_back(pt(0)); break;
      case PathOp::Bezier: Flatten(out.back().pts, out.back().pts.back(), pt(0), pt(1), pt(2)); break;
      case PathOp::Close:
        out.back().closed = true;
        out.push_back(Subpath{{out.back().pts.front()}, false});
        break;
    }
  }
  while (!out.empty() && out.back().pts.size() < 2 && !out.back().closed) out.pop_back();
  return out;
}

bool Player::Play(const Document& doc, const std::vector<uint8_t>& devModeIn) {
  std::vector<uint8_t> devMode = devModeIn;
  if (!s_.StartDoc(doc.name)) return false;
  DrawState& ds = s_.state();
  for (const Statement& st : doc.statements) {
    if (!Running()) return false;
    switch (st.kind) {
      case Statement::Document:
      case Statement::UnitSet: break;
      case Statement::Page:
        if (s_.inPage() && !s_.EndPageCall()) return false;
        if (!s_.StartPageCall()) return false;
        break;
      case Statement::Pen:
        ds.pen = st.pen;
        if (st.pen.style != PenDesc::Null) ds.pen.width = std::max<LONG>(1, X(st, st.nums[0]));
        break;
      case Statement::Brush: ds.brush = st.brush; break;
      case Statement::Font:
        ds.font = st.font;
        ds.font.emDots = std::clamp<LONG>(Y(st, st.nums[0]), 1, 32767);
        break;
      case Statement::TextColor: ds.textColor = st.color; break;
      case Statement::Background:
        ds.opaqueText = st.flag;
        if (st.flag) ds.backColor = st.color;
        break;
      case Statement::Clip:
        ds.clipped = st.flag;
        if (st.flag) {
          RECTL b = Box(st);
          ds.clip = RECTL{std::min(b.left, b.right), std::min(b.top, b.bottom), std::max(b.left, b.right),
                          std::max(b.top, b.bottom)};
        }
        break;
      case Statement::Rop: ds.rop4 = st.code; break;
      case Statement::Text:
        if (!EnsurePage()) return false;
        s_.DrawText(POINTL{X(st, st.nums[0]), Y(st, st.nums[1])}, st.flag ? DeviceText() : st.text);
        break;
      case Statement::Rect:
        if (!EnsurePage()) return false;
        s_.FillRect(Box(st));
        break;
      case Statement::Ellipse:
        if (!EnsurePage()) return false;
        s_.DrawEllipse(Box(st));
        break;
      case Statement::Polygon: {
        if (!EnsurePage()) return false;
        std::vector<POINTL> pts;
        for (size_t i = 0; i + 1 < st.nums.size(); i += 2)
          pts.push_back(POINTL{X(st, st.nums[i]), Y(st, st.nums[i + 1])});
        s_.DrawPolygon(pts, st.fillMode);
        break;
      }
      case Statement::Line: {
        if (!EnsurePage()) return false;
        Subpath sp;
        for (size_t i = 0; i + 1 < st.nums.size(); i += 2)
          sp.pts.push_back(POINTFIX{FX(st, st.nums[i]), FY(st, st.nums[i + 1])});
        s_.StrokePolyline({sp});
        break;
      }
      case Statement::Path: {
        if (!EnsurePage()) return false;
        std::vector<Subpath> path = Path(st);
        if (st.fill) {
          std::vector<std::vector<POINTFIX>> rings;
          for (const Subpath& sp : path) rings.push_back(sp.pts);
          s_.FillShape(rings, st.fillMode);
        }
        if (st.stroke) s_.StrokePolyline(path);
        break;
      }
      case Statement::Image:
        if (!EnsurePage()) return false;
        if (st.flag) {
          POINTL at{X(st, st.nums[0]), Y(st, st.nums[1])};
          s_.DrawImage(st.image, RECTL{at.x, at.y, at.x + st.image->width, at.y + st.image->height});
        } else {
          s_.DrawImage(st.image, RECTL{X(st, st.nums[0]), Y(st, st.nums[1]), X(st, st.nums[0] + st.nums[2]),
                                       Y(st, st.nums[1] + st.nums[3])});
        }
        break;
      case Statement::Escape: {
        std::vector<uint8_t> out(st.outSize);
        int r = s_.Escape(static_cast<int>(st.code), static_cast<int>(st.data.size()), st.data.data(),
                          static_cast<int>(out.size()), out.empty() ? nullptr : out.data());
        log_.Trace(EscapeAnswer(st.code, r, out));
        if (r <= 0)
          log_.Warning("escape " + std::to_string(st.code) + " was not answered (line " + std::to_string(st.line) +
                       ")");
        break;
      }
      case Statement::ResetDc: {
        if (s_.inPage() && !s_.EndPageCall()) return false;
        for (const auto& [id, value] : st.settings) {
          std::string error;
          if (!ApplySetting(devMode, id, value, &error)) {
            s_.EndDoc(true);
            log_.Failure("line " + std::to_string(st.line) + ": " + error);
            return false;
          }
        }
        if (!s_.ResetDc(devMode)) return false;
        break;
      }
      case Statement::Abort:
        s_.EndDoc(true);
        aborted_ = true;
        return false;
    }
  }
  if (!Running()) return false;
  return s_.EndDoc(false);
}

}  // namespace

PlayResult PlayDocument(const Document& doc, PrintSession& session, const std::vector<uint8_t>& devMode, RunLog& log) {
  Player p(session, log);
  if (p.Play(doc, devMode)) return PlayResult::Printed;
  return p.aborted() ? PlayResult::AbortedByDocument : PlayResult::Failed;
}

}  // namespace pkhost
