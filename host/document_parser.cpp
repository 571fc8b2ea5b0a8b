// Reading a host document: lines split into words, quoted strings and
// colours; each statement checked for its arguments and bounds, images read
// at once. The first fault ends the reading with its line and column.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <map>

#include "host/document.h"
#include "host/pnm_image.h"
#include "host/text_utf.h"

namespace pkhost {

namespace {

constexpr double kMaxCoordinate = 100000;
constexpr size_t kMaxPoints = 10000;
constexpr size_t kMaxText = 4096;
constexpr size_t kMaxEscapeBytes = 65536;
constexpr size_t kMaxStatements = 100000;
constexpr size_t kMaxDocumentNumbers = 1000000;  // coordinates of all statements together

struct Token {
  std::string text;
  int col = 0;
  bool quoted = false;
};

struct Fault {
  int col;
  std::string message;
};

// Splits a line; false with a fault for an unterminated string.
bool Tokenize(const std::string& line, std::vector<Token>* out, Fault* fault) {
  size_t i = 0;
  while (i < line.size()) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    int col = static_cast<int>(i) + 1;
    if (c == '"') {
      std::string s;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '\\' && i + 1 < line.size()) {
          s += line[i + 1];
          i += 2;
        } else if (line[i] == '"') {
          closed = true;
          ++i;
          break;
        } else {
          s += line[i++];
        }
      }
      if (!closed) {
        *fault = {col, "unterminated string"};
        return false;
      }
      out->push_back(Token{s, col, true});
      continue;
    }
    size_t j = i;
    while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
    std::string word = line.substr(i, j - i);
    bool colour = word.size() == 7 && word[0] == '#';
    for (size_t k = 1; colour && k < 7; ++k) colour = std::isxdigit(static_cast<unsigned char>(word[k]));
    if (word[0] == '#' && !colour) break;  // a comment to the end of the line
    out->push_back(Token{word, col, false});
    i = j;
  }
  return true;
}

class LineParser {
 public:
  LineParser(const std::vector<Token>& t, const std::string& baseDir) : t_(t), baseDir_(baseDir) {}

  bool Parse(Statement& st, Unit& unit, std::u16string& docName, Fault* fault);

 private:
  bool More() const { return pos_ < t_.size(); }
  int Col() const { return More() ? t_[pos_].col : (t_.empty() ? 1 : t_.back().col + int(t_.back().text.size())); }
  bool Fail(const std::string& m) {
    fault_ = {Col(), m};
    return false;
  }
  bool Word(std::string* w) {
    if (!More() || t_[pos_].quoted) return false;
    *w = t_[pos_++].text;
    return true;
  }
  bool Peek(const char* w) const { return More() && !t_[pos_].quoted && t_[pos_].text == w; }
  bool Number(double* v) {
    if (!More() || t_[pos_].quoted) return Fail("number expected");
    const std::string& s = t_[pos_].text;
    char* end = nullptr;
    double d = std::strtod(s.c_str(), &end);
    if (s.empty() || *end || !std::isfinite(d) || std::fabs(d) > kMaxCoordinate ||
        (s.size() > 1 && (s[1] == 'x' || s[1] == 'X')))
      return Fail("bad number \"" + s + "\" (at most " + std::to_string(int(kMaxCoordinate)) + ")");
    ++pos_;
    *v = d;
    return true;
  }
  bool Numbers(size_t n, std::vector<double>* out) {
    for (size_t i = 0; i < n; ++i) {
      double v;
      if (!Number(&v)) return false;
      out->push_back(v);
    }
    return true;
  }
  bool Integer(unsigned long long limit, unsigned long long* v) {
    if (!More() || t_[pos_].quoted) return Fail("integer expected");
    const std::string& s = t_[pos_].text;
    char* end = nullptr;
    errno = 0;
    unsigned long long n = std::strtoull(s.c_str(), &end, 0);
    if (s.empty() || s[0] == '-' || *end || errno || n > limit) return Fail("bad integer \"" + s + "\"");
    ++pos_;
    *v = n;
    return true;
  }
  bool Colour(ULONG* c) {
    if (!More() || t_[pos_].quoted || t_[pos_].text.size() != 7 || t_[pos_].text[0] != '#')
      return Fail("colour #RRGGBB expected");
    *c = static_cast<ULONG>(std::strtoul(t_[pos_++].text.c_str() + 1, nullptr, 16));
    return true;
  }
  bool String(std::u16string* s) {
    if (!More() || !t_[pos_].quoted) return Fail("quoted string expected");
    if (t_[pos_].text.size() > kMaxText) return Fail("string too long");
    if (!Utf8ToUtf16(t_[pos_].text, s)) return Fail("string is not UTF-8");
    ++pos_;
    return true;
  }
  bool End() { return More() ? Fail("unexpected \"" + t_[pos_].text + "\"") : true; }
  bool FillMode(ULONG* mode) {
    if (Peek("alternate")) {
      ++pos_;
      *mode = 1;
    } else if (Peek("winding")) {
      ++pos_;
      *mode = 2;
    }
    return true;
  }
  bool Points(std::vector<double>* out, size_t minPoints) {
    while (More()) {
      double x, y;
      if (!Number(&x) || !Number(&y)) return false;
      out->push_back(x);
      out->push_back(y);
      if (out->size() / 2 > kMaxPoints) return Fail("too many points");
    }
    if (out->size() / 2 < minPoints) return Fail("at least " + std::to_string(minPoints) + " points expected");
    return true;
  }
  bool ParseBrush(Statement& st);
  bool ParsePath(Statement& st);
  bool ParseEscape(Statement& st);

 public:
  Fault fault_{1, ""};

 private:
  const std::vector<Token>& t_;
  const std::string& baseDir_;
  size_t pos_ = 0;
};

bool LineParser::ParseBrush(Statement& st) {
  std::string kind;
  if (!Word(&kind)) return Fail("brush kind expected (solid, hatch, pattern, null)");
  BrushDesc& b = st.brush;
  if (kind == "null") {
    b.kind = BrushDesc::Null;
    return End();
  }
  if (kind == "solid") {
    b.kind = BrushDesc::Solid;
    return Colour(&b.color) && End();
  }
  if (kind == "hatch") {
    static const std::map<std::string, ULONG> styles = {{"horizontal", 0}, {"vertical", 1}, {"fdiagonal", 2},
                                                        {"bdiagonal", 3},  {"cross", 4},    {"diagcross", 5}};
    std::string style;
    if (!Word(&style) || !styles.count(style)) {
      if (!style.empty()) --pos_;
      return Fail("hatch style expected");
    }
    b.kind = BrushDesc::Hatch;
    b.hatch = styles.at(style);
    if (!Colour(&b.color)) return false;
    if (More() && !Colour(&b.background)) return false;
    return End();
  }
  if (kind == "pattern") {
    std::string hex;
    if (!Word(&hex) || hex.size() != 16) return Fail("pattern of 16 hex digits expected");
    for (int i = 0; i < 8; ++i) {
      char* end = nullptr;
      std::string byte = hex.substr(size_t(i) * 2, 2);
      b.pattern[size_t(i)] = static_cast<uint8_t>(std::strtoul(byte.c_str(), &end, 16));
      if (*end) return Fail("pattern of 16 hex digits expected");
    }
    b.kind = BrushDesc::Pattern;
    if (!Colour(&b.color)) return false;
    if (More() && !Colour(&b.background)) return false;
    return End();
  }
  return Fail("unknown brush kind \"" + kind + "\"");
}

bool LineParser::ParsePath(Statement& st) {
  FillMode(&st.fillMode);
  size_t points = 0;
  while (More()) {
    std::string w;
    int col = Col();
    if (!Word(&w)) return Fail("path operation expected");
    if (w == "stroke" || w == "fill" || w == "strokefill") {
      st.stroke = w != "fill";
      st.fill = w != "stroke";
      if (st.path.empty() || st.path[0].kind != PathOp::Move) {
        fault_ = {col, "a path starts with move"};
        return false;
      }
      return End();
    }
    PathOp op;
    size_t n = 0;
    if (w == "move") op.kind = PathOp::Move, n = 1;
    else if (w == "line") op.kind = PathOp::Line, n = 1;
    else if (w == "bezier") op.kind = PathOp::Bezier, n = 3;
    else if (w == "close") op.kind = PathOp::Close, n = 0;
    else {
      fault_ = {col, "unknown path operation \"" + w + "\""};
      return false;
    }
    if (!Numbers(2 * n, &op.pts)) return false;
    points += n;
    if (points > kMaxPoints) return Fail("too many points");
    st.path.push_back(std::move(op));
  }
  return Fail("path ends without stroke, fill or strokefill");
}

bool LineParser::ParseEscape(Statement& st) {
  unsigned long long code;
  if (!Integer(0x7FFFFFFF, &code)) return false;
  st.code = static_cast<ULONG>(code);
  while (More()) {
    std::string w;
    if (!Word(&w)) return Fail("in or out expected");
    if (w == "in") {
      std::string hex;
      if (!Word(&hex) || hex.size() % 2 || hex.size() / 2 > kMaxEscapeBytes) return Fail("hex bytes expected");
      for (size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        std::string byte = hex.substr(i, 2);
        st.data.push_back(static_cast<uint8_t>(std::strtoul(byte.c_str(), &end, 16)));
        if (*end || !std::isxdigit(static_cast<unsigned char>(byte[0]))) return Fail("hex bytes expected");
      }
    } else if (w == "out") {
      unsigned long long n;
      if (!Integer(kMaxEscapeBytes, &n)) return false;
      st.outSize = static_cast<ULONG>(n);
    } else {
      return Fail("in or out expected");
    }
  }
  return true;
}

bool LineParser::Parse(Statement& st, Unit& unit, std::u16string& docName, Fault* fault) {
  auto done = [&](bool ok) {
    if (!ok) *fault = fault_;
    return ok;
  };
  std::string kw;
  Word(&kw);
  st.unit = unit;
  static const std::map<std::string, Statement::Kind> kinds = {{"document", Statement::Document},
                                                               {"unit", Statement::UnitSet},
                                                               {"page", Statement::Page},
                                                               {"pen", Statement::Pen},
                                                               {"brush", Statement::Brush},
                                                               {"font", Statement::Font},
                                                               {"textcolor", Statement::TextColor},
                                                               {"background", Statement::Background},
                                                               {"text", Statement::Text},
                                                               {"rect", Statement::Rect},
                                                               {"ellipse", Statement::Ellipse},
                                                               {"polygon", Statement::Polygon},
                                                               {"line", Statement::Line},
                                                               {"path", Statement::Path},
                                                               {"image", Statement::Image},
                                                               {"clip", Statement::Clip},
                                                               {"rop", Statement::Rop},
                                                               {"escape", Statement::Escape},
                                                               {"resetdc", Statement::ResetDc},
                                                               {"abort", Statement::Abort}};
  auto it = kinds.find(kw);
  if (it == kinds.end()) {
    fault_ = {t_[0].col, "unknown statement"};
    return done(false);
  }
  st.kind = it->second;
  switch (st.kind) {
    case Statement::Document: return done(String(&docName) && End());
    case Statement::UnitSet: {
      std::string u;
      int col = Col();
      if (!Word(&u) || (u != "pt" && u != "mm" && u != "dot")) {
        fault_ = {col, "unit pt, mm or dot expected"};
        return done(false);
      }
      unit = u == "pt" ? Unit::Point : u == "mm" ? Unit::Millimetre : Unit::Dot;
      return done(End());
    }
    case Statement::Page:
    case Statement::Abort: return done(End());
    case Statement::Pen: {
      if (Peek("null")) {
        ++pos_;
        st.pen.style = PenDesc::Null;
        return done(End());
      }
      if (!Numbers(1, &st.nums) || st.nums[0] < 0) return done(st.nums.empty() ? false : Fail("negative width"));
      if (!Colour(&st.pen.color)) return done(false);
      if (More()) {
        std::string s;
        if (!Word(&s)) return done(Fail("pen style expected (solid, dash, dot, dashdot)"));
        static const std::map<std::string, PenDesc::Style> styles = {
            {"solid", PenDesc::Solid}, {"dash", PenDesc::Dash}, {"dot", PenDesc::Dot}, {"dashdot", PenDesc::DashDot}};
        if (!styles.count(s)) {
          --pos_;
          return done(Fail("pen style expected (solid, dash, dot, dashdot)"));
        }
        st.pen.style = styles.at(s);
      }
      return done(End());
    }
    case Statement::Brush: return done(ParseBrush(st));
    case Statement::Font: {
      std::string face;
      if (!Word(&face) || (face != "sans" && face != "serif" && face != "mono"))
        return done(Fail("font face sans, serif or mono expected"));
      st.font.family = face == "sans"    ? pkgdi::FontFamily::Sans
                       : face == "serif" ? pkgdi::FontFamily::Serif
                                         : pkgdi::FontFamily::SansMono;
      if (!Numbers(1, &st.nums)) return done(false);
      if (st.nums[0] <= 0) return done(Fail("font size must be positive"));
      while (More()) {
        std::string w;
        if (!Word(&w)) return done(Fail("font option expected"));
        if (w == "bold") st.font.bold = true;
        else if (w == "italic") st.font.italic = true;
        else if (w == "underline") st.font.underline = true;
        else if (w == "strikeout") st.font.strikeout = true;
        else if (w == "angle") {
          double a;
          if (!Number(&a)) return done(false);
          st.font.angle = std::fmod(a, 360.0);
        } else {
          --pos_;
          return done(Fail("unknown font option \"" + w + "\""));
        }
      }
      return done(true);
    }
    case Statement::TextColor: return done(Colour(&st.color) && End());
    case Statement::Background:
      if (Peek("transparent")) {
        ++pos_;
        return done(End());
      }
      st.flag = true;
      return done(Colour(&st.color) && End());
    case Statement::Text: return done(Numbers(2, &st.nums) && String(&st.text) && End());
    case Statement::Rect:
    case Statement::Ellipse: return done(Numbers(4, &st.nums) && End());
    case Statement::Polygon: return done(FillMode(&st.fillMode) && Points(&st.nums, 3));
    case Statement::Line: return done(Points(&st.nums, 2));
    case Statement::Path: return done(ParsePath(st));
    case Statement::Image: {
      std::u16string file;
      if (!Numbers(4, &st.nums)) return done(false);
      if (st.nums[2] <= 0 || st.nums[3] <= 0) return done(Fail("image size must be positive"));
      int col = Col();
      if (!String(&file) || !End()) return done(false);
      std::string path = Utf16ToUtf8(file);
      if (!path.empty() && path[0] != '/' && !baseDir_.empty()) path = baseDir_ + "/" + path;
      std::string why;
      auto img = ReadPnmFile(path, &why);
      if (!img) {
        fault_ = {col, Utf16ToUtf8(file) + ": " + why};
        return done(false);
      }
      st.image = img;
      return done(true);
    }
    case Statement::Clip:
      if (Peek("none")) {
        ++pos_;
        return done(End());
      }
      st.flag = true;
      return done(Numbers(4, &st.nums) && End());
    case Statement::Rop: {
      unsigned long long r;
      if (!Integer(0xFFFF, &r)) return done(false);
      st.code = static_cast<ULONG>(r);
      return done(End());
    }
    case Statement::Escape: return done(ParseEscape(st));
    case Statement::ResetDc:
      if (More()) {
        std::string w;
        if (!Word(&w) || w != "set") return done(Fail("set expected"));
        if (!More()) return done(Fail("id=value expected"));
        while (More()) {
          std::string kv;
          std::pair<int, long long> s;
          if (!Word(&kv) || !ParseSetting(kv, &s)) {
            --pos_;
            return done(Fail("id=value expected"));
          }
          st.settings.push_back(s);
        }
      }
      return done(true);
  }
  return done(false);
}

}  // namespace

bool ParseSetting(const std::string& text, std::pair<int, long long>* out) {
  size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return false;
  char* end = nullptr;
  errno = 0;
  long id = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + eq || id < 1 || id > 0xFFFF) return false;
  long long v = std::strtoll(text.c_str() + eq + 1, &end, 0);
  if (*end || errno || v < INT32_MIN || v > UINT32_MAX) return false;
  *out = {static_cast<int>(id), v};
  return true;
}

bool ParseDocument(const std::string& text, const std::string& displayName, const std::string& baseDir, Document* doc,
                   std::string* error) {
  Unit unit = Unit::Point;
  size_t numbers = 0;
  size_t start = 0;
  int lineNo = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    start = nl == std::string::npos ? text.size() + 1 : nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<Token> tokens;
    Fault fault{1, ""};
    bool ok = Tokenize(line, &tokens, &fault);
    if (ok && tokens.empty()) continue;
    Statement st{};
    st.line = lineNo;
    if (ok) {
      LineParser p(tokens, baseDir);
      ok = p.Parse(st, unit, doc->name, &fault);
    }
    if (!ok) {
      *error = displayName + ":" + std::to_string(lineNo) + ":" + std::to_string(fault.col) + ": " + fault.message;
      return false;
    }
    numbers += st.nums.size();
    for (const PathOp& op : st.path) numbers += op.pts.size();
    if (doc->statements.size() >= kMaxStatements || numbers > kMaxDocumentNumbers) {
      *error = displayName + ":" + std::to_string(lineNo) + ":1: document too large";
      return false;
    }
    if (st.kind != Statement::Document && st.kind != Statement::UnitSet) doc->statements.push_back(std::move(st));
  }
  return true;
}

}  // namespace pkhost
