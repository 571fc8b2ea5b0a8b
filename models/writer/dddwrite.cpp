// dddwrite: writes a device description file from a text description.
//
//   dddwrite <description.txt> <out.DDD> [<out secondary>]
//
// One command a line; '#' starts a comment. Words are numbers (decimal or
// 0x hex), quoted texts ("..." with \" \\ \xHH), or text references @m:id
// (string id of resource module m). Commands:
//   title T | version T | level N | model T | secondary T
//   field ID N...                  numeric items of a header field
//   field ID text T...             text items of a header field
//   bitmap KEY FORMAT W H RGB      a framed one-colour picture
//   paper CODE NAME BYTE KIND W H MTB MLR          fixed size (0.1 mm)
//     ... [margins L T R B] [noprintable]          margins of their own; no printable pair
//   userpaper CODE NAME BYTE KIND MINW MINH MAXW MAXH MTB MLR
//   constraint TYPE LABEL SETTING CMP VALUE RULE MESSAGE
//     chain SETTING CMP VALUE JOIN | resolve SETTING CMP VALUE
//   feature TYPE KEY NAME KIND DEFAULT
//     option NAME TARGETTYPE TARGETKEY VALUE [c7 LABEL...] [c8 LABEL...]
//   font KEY FACE SECOND ALIAS...
//     block FIELD VALUE...          its metrics block: face "F" family "F" id "HEX"
//                                   aspect X Y ascender A descender P height H weight W
//                                   charset C pitch PF average N max N first N last N
//                                   break N default N italic|underline|strikeout 0/1, and
//                                   the metrics group: lowest cap xheight strike angle
//                                   superoffset suboffset supersize subsize ulsize sosize
//     widths N...                   width table of first..last (lines append)
//     kern C1 C2 K...               kerning pairs
//     range F L W | pair C W | array F W...   extended width tables
//   picture KEY X Y BITMAP         conditional picture (type 9) of a bitmap
//     chain SETTING CMP VALUE JOIN   its conditions
//   range TYPE KEY NAME WORD BYTE [first N...] [second N...]   range record (5, 6) with its key lists
//     ... [points MINW MINL MAXW MAXL]   its size limits (0.1 mm)
//   namedbyte KEY NAME BYTE        named byte (type 19)
//   valuelist KEY NAME             value list (type 21) of the entries that follow
//     entry ID TYPE VALUE          setting ID of value type TYPE (1-5, 8, 10: a
//                                  number in the type's width; 6: a text)
// VALUE is one of: flag N, i16 N, u16 N, i32 N, u32 N, u8 N, text T, none.
// Options follow their feature; each feature is written after its options,
// so option keys are their positions in the option index.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "models/writer/ddd_writer.h"

namespace {

using ddd::Text;
using ddd::Value;

struct Word {
  enum Kind { kBare, kQuoted, kRef } kind;
  std::string text;
  uint16_t module = 0, id = 0;
};

std::vector<Word> Split(const std::string& line) {
  std::vector<Word> out;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string s;
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) {
          char e = line[++i];
          if (e == 'x' && i + 2 < line.size()) {
            s.push_back(static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)));
            i += 2;
          } else {
            s.push_back(e);
          }
        } else {
          s.push_back(line[i]);
        }
        ++i;
      }
      if (i >= line.size()) throw std::runtime_error("unterminated text");
      ++i;
      out.push_back(Word{Word::kQuoted, s});
    } else {
      size_t j = line.find_first_of(" \t\r#", i);
      if (j == std::string::npos) j = line.size();
      std::string s = line.substr(i, j - i);
      i = j;
      if (s[0] == '@') {
        size_t colon = s.find(':');
        if (colon == std::string::npos) throw std::runtime_error("a reference is @module:id");
        Word w{Word::kRef, s};
        w.module = static_cast<uint16_t>(std::stoul(s.substr(1, colon - 1), nullptr, 0));
        w.id = static_cast<uint16_t>(std::stoul(s.substr(colon + 1), nullptr, 0));
        out.push_back(w);
      } else {
        out.push_back(Word{Word::kBare, s});
      }
    }
  }
  return out;
}

class Line {
 public:
  explicit Line(std::vector<Word> words) : words_(std::move(words)) {}
  bool more() const { return next_ < words_.size(); }
  const Word& word() {
    if (!more()) throw std::runtime_error("the line ends too early");
    return words_[next_++];
  }
  std::string bare() {
    const Word& w = word();
    if (w.kind != Word::kBare) throw std::runtime_error("expected a word");
    return w.text;
  }
  int64_t number() {
    std::string s = bare();
    size_t used = 0;
    int64_t v = std::stoll(s, &used, 0);
    if (used != s.size()) throw std::runtime_error("not a number: " + s);
    return v;
  }
  Text text() {
    const Word& w = word();
    if (w.kind == Word::kRef) return Text::Ref(w.module, w.id);
    if (w.kind != Word::kQuoted) throw std::runtime_error("expected a text");
    return Text::Plain(w.text);
  }
  std::string quoted() {
    const Word& w = word();
    if (w.kind != Word::kQuoted) throw std::runtime_error("expected a quoted text");
    return w.text;
  }
  Value value() {
    std::string kind = bare();
    if (kind == "none") return Value{3, {}};
    if (kind == "text") return Value::Str(text());
    int64_t n = number();
    if (kind == "flag") return Value::Flag(n != 0);
    if (kind == "i16") return Value::I16(static_cast<int16_t>(n));
    if (kind == "u16") return Value::U16(static_cast<uint16_t>(n));
    if (kind == "i32") return Value::I32(static_cast<int32_t>(n));
    if (kind == "u32") return Value::U32(static_cast<uint32_t>(n));
    if (kind == "u8") return Value::U8(static_cast<uint8_t>(n));
    throw std::runtime_error("unknown value kind " + kind);
  }

 private:
  std::vector<Word> words_;
  size_t next_ = 0;
};

struct PendingOption {
  Text name;
  uint16_t targetType, targetKey;
  Value value;
  std::vector<uint16_t> constraints;
  std::vector<uint16_t> constraintsB;
};

struct PendingFeature {
  uint16_t type = 0, key = 0;
  Text name;
  uint8_t kind = 0;
  uint16_t defaultOption = 0;
  std::vector<PendingOption> options;
};

struct PendingConstraint {
  uint16_t type = 0;
  std::string label;
  ddd::Condition head;
  uint16_t rule = 0;
  Text message;
  std::vector<ddd::Chained> chained;
  std::vector<ddd::Condition> resolution;
};

struct PendingValueList {
  uint16_t key = 0;
  Text name;
  std::vector<std::pair<uint16_t, Value>> entries;
};

ddd::Pair Same(int16_t x, int16_t y) { return ddd::Pair{{x, y}, {x, y}}; }

class Description {
 public:
  ddd::ModelWriter writer;

  void Command(Line& l) {
    std::string cmd = l.bare();
    static const char* const kFontLines[] = {"block", "widths", "kern", "range", "pair", "array"};
    const bool fontLine = std::find(std::begin(kFontLines), std::end(kFontLines), cmd) != std::end(kFontLines);
    if (cmd != "option" && cmd != "chain" && cmd != "resolve" && cmd != "entry" && !fontLine) Flush();
    if (cmd == "title") writer.title = l.quoted();
    else if (cmd == "version") writer.version = l.quoted();
    else if (cmd == "level") writer.level = static_cast<uint32_t>(l.number());
    else if (cmd == "model") writer.modelName = l.quoted();
    else if (cmd == "secondary") writer.secondaryName = l.quoted();
    else if (cmd == "field") Field(l);
    else if (cmd == "bitmap") {
      uint16_t key = N16(l);
      uint8_t format = static_cast<uint8_t>(l.number());
      uint16_t w = N16(l), h = N16(l);
      uint32_t rgb = static_cast<uint32_t>(l.number());
      writer.AddBitmap(key, format, w, h, ddd::MakeBitmapFile(w, h, rgb));
    } else if (cmd == "paper" || cmd == "userpaper") {
      Paper(l, cmd == "userpaper");
    } else if (cmd == "constraint") {
      constraint_ = PendingConstraint{};
      constraint_.type = N16(l);
      constraint_.label = l.bare();
      constraint_.head = Cond(l);
      constraint_.rule = N16(l);
      constraint_.message = l.text();
      open_ = Open::kConstraint;
    } else if (cmd == "picture") {
      picture_ = PendingPicture{N16(l), N16(l), N16(l), N16(l), {}};
      open_ = Open::kPicture;
    } else if (cmd == "chain" && open_ == Open::kPicture) {
      ddd::Condition c = Cond(l);
      picture_.chained.push_back(ddd::Chained{c, static_cast<uint8_t>(l.number())});
    } else if (cmd == "chain" || cmd == "resolve") {
      if (open_ != Open::kConstraint) throw std::runtime_error(cmd + " outside a constraint");
      ddd::Condition c = Cond(l);
      if (cmd == "chain") constraint_.chained.push_back(ddd::Chained{c, static_cast<uint8_t>(l.number())});
      else constraint_.resolution.push_back(c);
    } else if (cmd == "feature") {
      feature_ = PendingFeature{};
      feature_.type = N16(l);
      if (feature_.type != 3 && feature_.type != 4) throw std::runtime_error("a feature is of type 3 or 4");
      feature_.key = N16(l);
      feature_.name = l.text();
      feature_.kind = static_cast<uint8_t>(l.number());
      feature_.defaultOption = N16(l);
      open_ = Open::kFeature;
    } else if (cmd == "option") {
      if (open_ != Open::kFeature) throw std::runtime_error("an option outside a feature");
      PendingOption o{l.text(), N16(l), N16(l), l.value(), {}, {}};
      // c7 and c8 introduce the labels of type-7 and type-8 constraints.
      std::vector<uint16_t>* list = nullptr;
      uint16_t listType = 0;
      while (l.more()) {
        std::string label = l.bare();
        if (label == "c7" || label == "c8") {
          listType = label == "c7" ? 7 : 8;
          list = listType == 7 ? &o.constraints : &o.constraintsB;
          continue;
        }
        if (!list) throw std::runtime_error("expected c7 or c8");
        auto it = constraints_.find(label);
        if (it == constraints_.end()) throw std::runtime_error("unknown constraint " + label);
        if (constraintTypes_[label] != listType)
          throw std::runtime_error(label + " is not of type " + std::to_string(listType));
        list->push_back(it->second);
      }
      feature_.options.push_back(std::move(o));
    } else if (cmd == "range") {
      uint16_t type = N16(l);
      if (type != 5 && type != 6) throw std::runtime_error("a range is of type 5 or 6");
      uint16_t key = N16(l);
      Text name = l.text();
      uint16_t word = N16(l);
      uint8_t byte = static_cast<uint8_t>(N16(l));
      std::vector<uint16_t> first, second;
      std::vector<uint16_t>* list = nullptr;
      ddd::Pair points{};
      while (l.more()) {
        const Word& w = l.word();
        if (w.kind == Word::kBare && w.text == "points") {
          points = ddd::Pair{{S16(l), S16(l)}, {S16(l), S16(l)}};
          list = nullptr;
        } else if (w.kind == Word::kBare && w.text == "first") list = &first;
        else if (w.kind == Word::kBare && w.text == "second") list = &second;
        else if (!list || w.kind != Word::kBare) throw std::runtime_error("expected first or second");
        else list->push_back(Number16(w.text));
      }
      writer.AddRange(type, key, name, points, word, first, second, byte);
    } else if (cmd == "valuelist") {
      valueList_ = PendingValueList{N16(l), l.text(), {}};
      open_ = Open::kValueList;
    } else if (cmd == "entry") {
      if (open_ != Open::kValueList) throw std::runtime_error("an entry outside a value list");
      uint16_t id = N16(l);
      valueList_.entries.emplace_back(id, Entry(l));
    } else if (cmd == "namedbyte") {
      uint16_t key = N16(l);
      Text name = l.text();
      writer.AddNamedByte(key, name, static_cast<uint8_t>(N16(l)));
    } else if (cmd == "font") {
      font_ = PendingFont{};
      font_.key = N16(l);
      font_.face = l.text();
      font_.second = l.text();
      while (l.more()) font_.aliases.push_back(l.text());
      open_ = Open::kFont;
    } else if (fontLine) {
      if (open_ != Open::kFont) throw std::runtime_error(cmd + " outside a font");
      FontLine(cmd, l);
      font_.hasBlock = true;
    } else {
      throw std::runtime_error("unknown command " + cmd);
    }
    if (l.more()) throw std::runtime_error("extra words at the end of the line");
  }

  void Flush() {
    if (open_ == Open::kFeature) {
      std::vector<uint16_t> keys;
      uint16_t type = static_cast<uint16_t>(feature_.type + 10);
      for (const PendingOption& o : feature_.options)
        keys.push_back(
            writer.AddOption(type, o.name, o.targetType, o.targetKey, o.value, 0, o.constraints, o.constraintsB));
      writer.AddFeature(feature_.type, feature_.key, feature_.name, feature_.kind, feature_.defaultOption, keys);
    } else if (open_ == Open::kFont) {
      ddd::Bytes block;
      if (font_.hasBlock) block = ddd::BuildFontMetricsBlock(font_.metrics);
      writer.AddDeviceFont(font_.key, font_.face, font_.second, font_.aliases, {}, block, 0);
    } else if (open_ == Open::kValueList) {
      writer.AddValueList(valueList_.key, valueList_.name, valueList_.entries);
    } else if (open_ == Open::kPicture) {
      writer.AddPicture(picture_.key, picture_.chained, picture_.x, picture_.y, picture_.bitmap);
    } else if (open_ == Open::kConstraint) {
      constraintTypes_[constraint_.label] = constraint_.type;
      constraints_[constraint_.label] =
          writer.AddConstraint(constraint_.type, constraint_.head, constraint_.rule, constraint_.message,
                               constraint_.chained, constraint_.resolution);
    }
    open_ = Open::kNone;
  }

 private:
  enum class Open { kNone, kFeature, kConstraint, kFont, kValueList, kPicture };
  struct PendingPicture {
    uint16_t key = 0, x = 0, y = 0, bitmap = 0;
    std::vector<ddd::Chained> chained;
  };
  PendingPicture picture_;

  // A value of a value list entry: the type's number, then its value stored
  // in the type's width (a flag as its one byte).
  static Value Entry(Line& l) {
    int64_t type = l.number();
    if (type == 6) return Value::Str(l.text());
    int64_t n = l.number();
    switch (type) {
      case 1:
        if (n != 0 && n != 1) throw std::runtime_error("a type 1 entry is 0 or 1");
        return Value::Flag(n != 0);
      case 2:
      case 3: {
        if (n < -32768 || n > 0xFFFF) throw std::runtime_error("a 16-bit entry is out of range");
        Value v = Value::U16(static_cast<uint16_t>(n));
        v.type = static_cast<uint8_t>(type);
        return v;
      }
      case 4:
      case 5:
      case 10:
        if (n < INT32_MIN || n > UINT32_MAX) throw std::runtime_error("a 32-bit entry is out of range");
        return Value::I32(static_cast<int32_t>(static_cast<uint32_t>(n)), static_cast<uint8_t>(type));
      case 8:
        if (n < 0 || n > 0xFF) throw std::runtime_error("an 8-bit entry is out of range");
        return Value::U8(static_cast<uint8_t>(n));
      default: throw std::runtime_error("an entry type is 1-6, 8 or 10");
    }
  }

  struct PendingFont {
    uint16_t key = 0;
    Text face, second;
    std::vector<Text> aliases;
    ddd::FontMetrics metrics;
    bool hasBlock = false;
  };

  // A line of a font's metrics block.
  void FontLine(const std::string& cmd, Line& l) {
    ddd::FontMetrics& m = font_.metrics;
    auto u8 = [&] {
      int64_t v = l.number();
      if (v < 0 || v > 255) throw std::runtime_error("an 8-bit number is out of range");
      return static_cast<uint8_t>(v);
    };
    if (cmd == "block") {
      static const std::map<std::string, uint8_t> kGroup = {
          {"lowest", 8},     {"cap", 14},       {"xheight", 16}, {"strike", 18}, {"angle", 22}, {"superoffset", 24},
          {"suboffset", 26}, {"supersize", 28}, {"subsize", 30}, {"ulsize", 34}, {"sosize", 46}};
      while (l.more()) {
        const std::string key = l.bare();
        if (key == "face") m.face = l.quoted();
        else if (key == "family") m.family = l.quoted();
        else if (key == "id") m.id = l.quoted();
        else if (key == "aspect") m.aspectX = N16(l), m.aspectY = N16(l);
        else if (key == "ascender") m.ascender = S16(l);
        else if (key == "descender") m.descenderLine = S16(l);
        else if (key == "height") m.lineHeight = S16(l);
        else if (key == "italic") m.italic = u8();
        else if (key == "underline") m.underline = u8();
        else if (key == "strikeout") m.strikeOut = u8();
        else if (key == "weight") m.weight = N16(l);
        else if (key == "charset") m.charSet = u8();
        else if (key == "pitch") m.pitchAndFamily = u8();
        else if (key == "average") m.averageWidth = S16(l);
        else if (key == "max") m.maxWidth = S16(l);
        else if (key == "first") m.first = u8();
        else if (key == "last") m.last = u8();
        else if (key == "break") m.breakIndex = u8();
        else if (key == "default") m.defaultIndex = u8();
        else if (kGroup.count(key)) m.group[kGroup.at(key)] = S16(l);
        else throw std::runtime_error("unknown block field " + key);
      }
    } else if (cmd == "widths") {
      while (l.more()) m.widths.push_back(N16(l));
    } else if (cmd == "kern") {
      while (l.more()) {
        const uint8_t a = u8(), b = u8();
        m.kerning.push_back({a, b, S16(l)});
      }
    } else if (cmd == "range") {
      const uint16_t first = N16(l), last = N16(l);
      m.ranges.push_back({first, last, N16(l)});
    } else if (cmd == "pair") {
      const uint16_t code = N16(l);
      m.pairs.emplace_back(code, N16(l));
    } else if (cmd == "array") {
      std::vector<uint16_t> widths;
      const uint16_t first = N16(l);
      while (l.more()) widths.push_back(N16(l));
      m.arrays.emplace_back(first, std::move(widths));
    }
  }

  static uint16_t Number16(const std::string& s) {
    size_t used = 0;
    int64_t v = std::stoll(s, &used, 0);
    if (used != s.size() || v < 0 || v > 0xFFFF) throw std::runtime_error("not a 16-bit number: " + s);
    return static_cast<uint16_t>(v);
  }
  static uint16_t N16(Line& l) {
    int64_t v = l.number();
    if (v < 0 || v > 0xFFFF) throw std::runtime_error("a 16-bit number is out of range");
    return static_cast<uint16_t>(v);
  }
  static int16_t S16(Line& l) {
    int64_t v = l.number();
    if (v < -32768 || v > 32767) throw std::runtime_error("a dimension is out of range");
    return static_cast<int16_t>(v);
  }
  static ddd::Condition Cond(Line& l) {
    ddd::Condition c;
    c.setting = N16(l);
    c.comparison = static_cast<uint8_t>(l.number());
    c.value = l.value();
    return c;
  }

  void Field(Line& l) {
    int id = static_cast<int>(l.number());
    if (l.more()) {
      // "text" introduces text items; otherwise every word is a number.
      Line probe = l;
      if (probe.bare() == "text") {
        l.bare();
        std::vector<Text> texts;
        while (l.more()) texts.push_back(l.text());
        writer.SetTextField(id, texts);
        return;
      }
    }
    std::vector<uint32_t> numbers;
    while (l.more()) numbers.push_back(static_cast<uint32_t>(l.number()));
    writer.SetField(id, numbers);
  }

  void Paper(Line& l, bool variable) {
    uint16_t code = N16(l);
    Text name = l.text();
    uint8_t byte = static_cast<uint8_t>(l.number());
    uint8_t kind = static_cast<uint8_t>(l.number());
    int16_t w = S16(l), h = S16(l);
    int16_t w2 = w, h2 = h;
    if (variable) {
      w2 = S16(l);
      h2 = S16(l);
    }
    int16_t tb = S16(l), lr = S16(l);
    int16_t ml = lr, mt = tb, mr = lr, mb = tb;
    bool noPrintable = false;
    while (l.more()) {
      std::string option = l.bare();
      if (option == "margins") {
        ml = S16(l);
        mt = S16(l);
        mr = S16(l);
        mb = S16(l);
      } else if (option == "noprintable") {
        noPrintable = true;
      } else {
        throw std::runtime_error("unknown paper option " + option);
      }
    }
    ddd::Pair size{{w, h}, {w2, h2}};
    // Margins: the first point (left, top), the second (right, bottom).
    ddd::Pair margins{{ml, mt}, {mr, mb}};
    ddd::Pair printable{{static_cast<int16_t>(w - ml - mr), static_cast<int16_t>(h - mt - mb)},
                        {static_cast<int16_t>(w2 - ml - mr), static_cast<int16_t>(h2 - mt - mb)}};
    if (!variable) printable = Same(printable.a.x, printable.a.y);
    if (noPrintable) {
      AddPaperWithoutPrintable(code, name, byte, size, margins, kind, variable);
      return;
    }
    writer.AddPaper(code, name, byte, size, margins, printable, code, 0, kind,
                    variable ? std::optional<ddd::Pair>(size) : std::nullopt);
  }

  // A paper record whose printable pair is missing (key 0), for models that
  // test how readers cope with one.
  void AddPaperWithoutPrintable(uint16_t code, const Text& name, uint8_t byte, const ddd::Pair& size,
                                const ddd::Pair& margins, uint8_t kind, bool variable) {
    uint16_t a = writer.AddPointPair(size);
    uint16_t c = writer.AddPointPair(margins);
    uint16_t d = variable ? writer.AddPointPair(size) : 0;
    ddd::Bytes body;
    auto put16 = [&body](uint16_t v) {
      body.push_back(static_cast<uint8_t>(v));
      body.push_back(static_cast<uint8_t>(v >> 8));
    };
    ddd::Bytes text = ddd::EncodeText(name);
    put16(static_cast<uint16_t>(text.size()));
    body.insert(body.end(), text.begin(), text.end());
    body.push_back(byte);
    put16(a);
    put16(0);
    put16(c);
    put16(code);
    put16(0);
    body.push_back(kind);
    put16(d);
    writer.AddRawRecord(10, code, body);
  }

  Open open_ = Open::kNone;
  PendingFont font_;
  PendingFeature feature_;
  PendingConstraint constraint_;
  PendingValueList valueList_;
  std::map<std::string, uint16_t> constraints_;
  std::map<std::string, uint16_t> constraintTypes_;
};

bool WriteFile(const std::string& path, const ddd::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: dddwrite <description.txt> <out.DDD> [<out secondary>]\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "dddwrite: cannot read %s\n", argv[1]);
    return 1;
  }
  Description d;
  std::string text;
  int number = 0;
  try {
    while (std::getline(in, text)) {
      ++number;
      std::vector<Word> words = Split(text);
      if (words.empty()) continue;
      Line line(std::move(words));
      d.Command(line);
    }
    d.Flush();
    // The engine finds constraints by their positions: their keys must be those.
    const std::string keyFault = d.writer.ConstraintKeyFault();
    if (!keyFault.empty()) throw std::runtime_error(keyFault);
    ddd::Bytes primary, secondary;
    d.writer.Build(&primary, &secondary);
    if (!WriteFile(argv[2], primary)) throw std::runtime_error(std::string("cannot write ") + argv[2]);
    if (!secondary.empty()) {
      if (argc < 4) throw std::runtime_error("the model has a secondary file: name its output");
      if (!WriteFile(argv[3], secondary)) throw std::runtime_error(std::string("cannot write ") + argv[3]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s:%d: %s\n", argv[1], number, e.what());
    return 1;
  }
  return 0;
}
