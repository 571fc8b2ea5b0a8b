// pkrc, the resource compiler: reads UTF-8 resource sources and writes a
// resource table, either as a resource module file (Tarquen.vbn) or as C++
// source that gives a library its own table.
//
//   pkrc --module <out.vbn> <source>...
//   pkrc --source <out.cpp> <source>...
//
// A string source line is `<id> "<text>"` (a string, type 6) with C escapes (\n \t
// \r \\ \" \' \0 \xHH \uXXXX); blank lines and lines starting with '#' are
// skipped. Ids run from 0 to 65535; a repeated or out-of-range id, or a line
// that does not parse, is reported as "<file>:<line>: <message>" and no output
// is written. A source named *.dlg holds dialog templates (type 5), see
// ReadDialogSource; one named *.res holds raw resources, see ReadRawSource.
// In a string source, `bitmap <id> "<file.bmp>"` and `icon <id> "<file.ico>"`
// take a picture file named relative to the source, see ReadPicture.
#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/win/resource_format.h"

namespace {

struct Source {
  std::string file;
  int line;
};

using Key = std::pair<uint16_t, uint16_t>;  // type, id

struct Table {
  std::map<Key, std::vector<unsigned char>> data;
  std::map<Key, Source> where;
};

void AppendUtf16(std::vector<unsigned char>* out, char32_t c) {
  auto unit = [&](uint16_t u) {
    out->push_back(static_cast<unsigned char>(u & 0xFF));
    out->push_back(static_cast<unsigned char>(u >> 8));
  };
  if (c >= 0x10000) {
    c -= 0x10000;
    unit(static_cast<uint16_t>(0xD800 + (c >> 10)));
    unit(static_cast<uint16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    unit(static_cast<uint16_t>(c));
  }
}

// Decodes one UTF-8 character at text[i]; false on malformed input.
bool DecodeUtf8(const std::string& text, size_t* i, char32_t* c) {
  unsigned char b = static_cast<unsigned char>(text[*i]);
  size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || *i + n > text.size()) return false;
  char32_t v = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k < n; ++k) {
    unsigned char t = static_cast<unsigned char>(text[*i + k]);
    if ((t & 0xC0) != 0x80) return false;
    v = (v << 6) | (t & 0x3F);
  }
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
  *i += n;
  *c = v;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses `"text"` from text[i]; the UTF-16LE bytes or an error message.
// With `end`, the position after the closing quote is handed back and text may
// follow; without it, only blanks may.
bool ParseQuoted(const std::string& text, size_t i, std::vector<unsigned char>* out, std::string* error,
                 size_t* end = nullptr) {
  if (i >= text.size() || text[i] != '"') {
    *error = "expected a quoted text";
    return false;
  }
  ++i;
  while (i < text.size() && text[i] != '"') {
    char32_t c;
    if (text[i] == '\\') {
      if (++i >= text.size()) break;
      char e = text[i++];
      switch (e) {
        case 'n': c = '\n'; break;
        case 't': c = '\t'; break;
        case 'r': c = '\r'; break;
        case '0': c = 0; break;
        case '\\': c = '\\'; break;
        case '"': c = '"'; break;
        case '\'': c = '\''; break;
        case 'x':
        case 'u': {
          size_t digits = e == 'x' ? 2 : 4;
          c = 0;
          for (size_t k = 0; k < digits; ++k) {
            int h = i < text.size() ? HexValue(text[i]) : -1;
            if (h < 0) {
              *error = std::string("bad \\") + e + " escape";
              return false;
            }
            c = c * 16 + static_cast<char32_t>(h);
            ++i;
          }
          break;
        }
        default: *error = std::string("unknown escape \\") + e; return false;
      }
    } else if (!DecodeUtf8(text, &i, &c)) {
      *error = "malformed UTF-8";
      return false;
    }
    AppendUtf16(out, c);
  }
  if (i >= text.size()) {
    *error = "unterminated text";
    return false;
  }
  if (end) {
    *end = i + 1;
    return true;
  }
  for (++i; i < text.size(); ++i)
    if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
      *error = "text after the closing quote";
      return false;
    }
  return true;
}

// ---- Pictures -------------------------------------------------------------------
// A bitmap becomes its packed DIB (the file without its 14-byte file header) as
// type 2; an icon file's images become icon images (type 3) under the first free
// ids, and its directory an icon group (type 14) under the given id.
constexpr uint16_t kTypeBitmap = 2, kTypeIcon = 3, kTypeGroupIcon = 14;

uint32_t Le(const std::vector<unsigned char>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int k = 0; k < bytes; ++k) v |= static_cast<uint32_t>(b[at + k]) << (8 * k);
  return v;
}

bool ReadPicture(const std::string& kind, uint16_t id, const std::string& path, Table* table, const Source& where,
                 std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open";
    return false;
  }
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto add = [&](Key key, std::vector<unsigned char> bytes) {
    if (table->where.count(key)) {
      *error = "duplicate " + kind + " " + std::to_string(key.second);
      return false;
    }
    table->where[key] = where;
    table->data[key] = std::move(bytes);
    return true;
  };
  if (kind == "bitmap") {
    if (b.size() < 14 + 40 || b[0] != 'B' || b[1] != 'M' || Le(b, 14, 4) < 12) {
      *error = path + ": not a BMP file";
      return false;
    }
    return add({kTypeBitmap, id}, std::vector<unsigned char>(b.begin() + 14, b.end()));
  }
  if (b.size() < 6 || Le(b, 0, 2) != 0 || Le(b, 2, 2) != 1 || Le(b, 4, 2) == 0 || 6 + 16 * Le(b, 4, 2) > b.size()) {
    *error = path + ": not an ICO file";
    return false;
  }
  const uint32_t count = Le(b, 4, 2);
  std::vector<unsigned char> group = {
      0, 0, 1, 0, static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8)};
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    const uint32_t bytes = Le(b, e + 8, 4), offset = Le(b, e + 12, 4);
    if (offset > b.size() || bytes > b.size() - offset) {
      *error = path + ": an image lies outside the file";
      return false;
    }
    uint16_t image = 1;
    while (table->data.count({kTypeIcon, image}) && image < 65535) ++image;
    if (!add({kTypeIcon, image}, std::vector<unsigned char>(b.begin() + offset, b.begin() + offset + bytes)))
      return false;
    group.insert(group.end(), b.begin() + e, b.begin() + e + 12);  // size, colours, planes, bits, bytes
    group.push_back(static_cast<unsigned char>(image));
    group.push_back(static_cast<unsigned char>(image >> 8));
  }
  return add({kTypeGroupIcon, id}, std::move(group));
}

bool ReadSource(const std::string& file, Table* table) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot open\n", file.c_str());
    return false;
  }
  bool ok = true;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    size_t i = line.find_first_not_of(" \t\r");
    if (i == std::string::npos || line[i] == '#') continue;
    auto fail = [&](const std::string& message) {
      std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), number, message.c_str());
      ok = false;
    };
    bool picture = false;
    for (const std::string kind : {"bitmap", "icon"}) {
      if (line.compare(i, kind.size() + 1, kind + " ") != 0) continue;
      picture = true;
      unsigned long id = 0;
      int used = 0;
      const std::string rest = line.substr(i + kind.size() + 1);
      std::vector<unsigned char> name;
      std::string error;
      if (std::sscanf(rest.c_str(), "%lu %n", &id, &used) != 1 || id > 65535 ||
          !ParseQuoted(rest, used, &name, &error)) {
        fail(error.empty() ? "expected " + kind + " <id> \"<file>\"" : error);
        break;
      }
      // The file name was read as UTF-16; it names a file beside the source.
      std::string path;
      for (size_t k = 0; k + 1 < name.size(); k += 2) path += static_cast<char>(name[k]);
      const size_t slash = file.find_last_of('/');
      if (path.empty() || path[0] != '/') path = (slash == std::string::npos ? "" : file.substr(0, slash + 1)) + path;
      if (!ReadPicture(kind, static_cast<uint16_t>(id), path, table, Source{file, number}, &error)) fail(error);
      break;
    }
    if (picture) continue;
    size_t j = i;
    while (j < line.size() && line[j] >= '0' && line[j] <= '9') ++j;
    if (j == i || j - i > 9) {
      fail(j == i ? "expected an id" : "id out of range (0-65535)");
      continue;
    }
    long id = std::strtol(line.substr(i, j - i).c_str(), nullptr, 10);
    if (id > 65535) {
      fail("id " + std::to_string(id) + " out of range (0-65535)");
      continue;
    }
    j = line.find_first_not_of(" \t", j);
    std::vector<unsigned char> bytes;
    std::string error;
    if (j == std::string::npos || !ParseQuoted(line, j, &bytes, &error)) {
      fail(error.empty() ? "expected a quoted text" : error);
      continue;
    }
    Key key{pk::resources::kTypeString, static_cast<uint16_t>(id)};
    auto seen = table->where.find(key);
    if (seen != table->where.end()) {
      fail("duplicate id " + std::to_string(id) + " (first at " + seen->second.file + ":" +
           std::to_string(seen->second.line) + ")");
      continue;
    }
    table->where[key] = {file, number};
    table->data[key] = std::move(bytes);
  }
  return ok;
}

// ---- Raw resources (*.res) ----------------------------------------------------
//   resource <type> <id>
//   <hex bytes>...
// The bytes of a resource follow its line until the next one; white space
// between byte pairs is ignored.
bool ReadRawSource(const std::string& file, Table* table) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot open\n", file.c_str());
    return false;
  }
  bool ok = true;
  std::vector<unsigned char>* current = nullptr;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    auto fail = [&](const std::string& message) {
      std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), number, message.c_str());
      ok = false;
    };
    size_t i = line.find_first_not_of(" \t\r");
    if (i == std::string::npos || line[i] == '#') continue;
    if (line.compare(i, 9, "resource ") == 0) {
      unsigned long type = 0, id = 0;
      char extra = 0;
      if (std::sscanf(line.c_str() + i + 9, "%lu %lu %c", &type, &id, &extra) != 2 || type > 65535 || id > 65535) {
        fail("expected resource <type> <id>");
        current = nullptr;
        continue;
      }
      Key key{static_cast<uint16_t>(type), static_cast<uint16_t>(id)};
      if (table->where.count(key)) {
        fail("duplicate resource " + std::to_string(type) + " " + std::to_string(id));
        current = nullptr;
        continue;
      }
      table->where[key] = {file, number};
      current = &table->data[key];
      continue;
    }
    if (!current) {
      fail("bytes outside a resource");
      continue;
    }
    int high = -1;
    for (size_t k = i; k < line.size(); ++k) {
      if (line[k] == ' ' || line[k] == '\t' || line[k] == '\r') continue;
      int v = HexValue(line[k]);
      if (v < 0) {
        fail("not a hexadecimal digit");
        break;
      }
      if (high < 0) {
        high = v;
      } else {
        current->push_back(static_cast<unsigned char>(high << 4 | v));
        high = -1;
      }
    }
    if (high >= 0) fail("an odd number of hexadecimal digits");
  }
  return ok;
}

// ---- Dialog sources (*.dlg) ---------------------------------------------------
//   dialog <id> <cx> <cy> "<caption>" [<style>]
//   <class> <id> "<text>" <x> <y> <cx> <cy> [<style>]
// Sizes are dialog units; a style is names or numbers joined by '|'. Control
// ids are unique in a dialog (-1, the id of plain labels, may repeat); the
// class must be a known control; a control must lie inside its dialog.

const char* const kDialogClasses[] = {"Button",
                                      "Static",
                                      "Edit",
                                      "ComboBox",
                                      "ListBox",
                                      "ScrollBar",
                                      "msctls_updown32",
                                      "msctls_trackbar32",
                                      "tooltips_class32",
                                      "SysTreeView32"};

const std::map<std::string, uint32_t>& StyleNames() {
  static const std::map<std::string, uint32_t> names = {
      {"WS_CHILD", 0x40000000},
      {"WS_VISIBLE", 0x10000000},
      {"WS_DISABLED", 0x08000000},
      {"WS_CAPTION", 0x00C00000},
      {"WS_BORDER", 0x00800000},
      {"WS_VSCROLL", 0x00200000},
      {"WS_HSCROLL", 0x00100000},
      {"WS_SYSMENU", 0x00080000},
      {"WS_GROUP", 0x00020000},
      {"WS_TABSTOP", 0x00010000},
      {"WS_POPUP", 0x80000000},
      {"DS_MODALFRAME", 0x80},
      {"DS_SETFONT", 0x40},
      {"DS_CONTROL", 0x400},
      {"BS_PUSHBUTTON", 0x0},
      {"BS_DEFPUSHBUTTON", 0x1},
      {"BS_CHECKBOX", 0x2},
      {"BS_AUTOCHECKBOX", 0x3},
      {"BS_RADIOBUTTON", 0x4},
      {"BS_3STATE", 0x5},
      {"BS_AUTO3STATE", 0x6},
      {"BS_GROUPBOX", 0x7},
      {"BS_AUTORADIOBUTTON", 0x9},
      {"BS_OWNERDRAW", 0xB},
      {"SS_LEFT", 0x0},
      {"SS_CENTER", 0x1},
      {"SS_RIGHT", 0x2},
      {"SS_ICON", 0x3},
      {"SS_OWNERDRAW", 0xD},
      {"ES_LEFT", 0x0},
      {"ES_MULTILINE", 0x4},
      {"ES_PASSWORD", 0x20},
      {"ES_AUTOHSCROLL", 0x80},
      {"ES_READONLY", 0x800},
      {"ES_NUMBER", 0x2000},
      {"CBS_SIMPLE", 0x1},
      {"CBS_DROPDOWN", 0x2},
      {"CBS_DROPDOWNLIST", 0x3},
      {"CBS_OWNERDRAWFIXED", 0x10},
      {"CBS_OWNERDRAWVARIABLE", 0x20},
      {"CBS_AUTOHSCROLL", 0x40},
      {"CBS_SORT", 0x100},
      {"CBS_HASSTRINGS", 0x200},
      {"LBS_NOTIFY", 0x1},
      {"LBS_SORT", 0x2},
      {"LBS_OWNERDRAWFIXED", 0x10},
      {"LBS_OWNERDRAWVARIABLE", 0x20},
      {"LBS_HASSTRINGS", 0x40},
      {"LBS_USETABSTOPS", 0x80},
      {"LBS_WANTKEYBOARDINPUT", 0x400},
      {"UDS_SETBUDDYINT", 0x2},
      {"UDS_ALIGNRIGHT", 0x4},
      {"UDS_AUTOBUDDY", 0x10},
      {"UDS_ARROWKEYS", 0x20},
      {"UDS_HORZ", 0x40},
      {"UDS_NOTHOUSANDS", 0x80},
      {"TBS_AUTOTICKS", 0x1},
      {"TBS_VERT", 0x2},
      {"SBS_HORZ", 0x0},
      {"SBS_VERT", 0x1},
  };
  return names;
}

// Splits a line into words; a quoted text is one word (kept with its quotes).
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::vector<size_t>* starts,
                std::string* error) {
  size_t i = 0;
  while (true) {
    i = line.find_first_not_of(" \t\r", i);
    if (i == std::string::npos) return true;
    starts->push_back(i);
    if (line[i] == '"') {
      std::vector<unsigned char> ignored;
      size_t end;
      if (!ParseQuoted(line, i, &ignored, error, &end)) return false;
      words->push_back(line.substr(i, end - i));
      i = end;
    } else {
      size_t end = line.find_first_of(" \t\r", i);
      if (end == std::string::npos) end = line.size();
      words->push_back(line.substr(i, end - i));
      i = end;
    }
  }
}

bool ParseNumber(const std::string& word, long lo, long hi, long* value) {
  if (word.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(word.c_str(), &end, 0);
  if (*end != 0 || v < lo || v > hi) return false;
  *value = v;
  return true;
}

bool ParseStyle(const std::string& word, uint32_t* style, std::string* error) {
  *style = 0;
  size_t i = 0;
  while (i <= word.size()) {
    size_t bar = word.find('|', i);
    std::string part = word.substr(i, bar == std::string::npos ? std::string::npos : bar - i);
    auto it = StyleNames().find(part);
    long v;
    if (it != StyleNames().end()) {
      *style |= it->second;
    } else if (ParseNumber(part, 0, 0xFFFFFFFFL, &v)) {
      *style |= static_cast<uint32_t>(v);
    } else {
      *error = "unknown style '" + part + "'";
      return false;
    }
    if (bar == std::string::npos) break;
    i = bar + 1;
  }
  return true;
}

std::u16string AsText(const std::vector<unsigned char>& bytes) {
  std::u16string s;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) s += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return s;
}

bool ReadDialogSource(const std::string& file, Table* table) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot open\n", file.c_str());
    return false;
  }
  bool ok = true;
  bool open = false;  // a dialog line was read and accepted
  Key key{};
  pk::resources::DialogTemplate dialog;
  std::map<uint16_t, int> ids;
  auto finish = [&] {
    if (open) table->data[key] = pk::resources::WriteDialogTemplate(dialog);
    open = false;
  };
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    auto fail = [&](const std::string& message) {
      std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), number, message.c_str());
      ok = false;
    };
    std::vector<std::string> w;
    std::vector<size_t> starts;
    std::string error;
    if (!SplitWords(line, &w, &starts, &error)) {
      fail(error);
      continue;
    }
    std::vector<unsigned char> text;
    long id, n[4];
    uint32_t style = 0;
    if (w[0] == "dialog") {
      finish();
      if (w.size() < 5 || w.size() > 6 || !ParseNumber(w[1], 0, 65535, &id) || !ParseNumber(w[2], 1, 32767, &n[0]) ||
          !ParseNumber(w[3], 1, 32767, &n[1]) || !ParseQuoted(line, starts[4], &text, &error, &starts[4]) ||
          (w.size() == 6 && !ParseStyle(w[5], &style, &error))) {
        fail(error.empty() ? "expected: dialog <id> <cx> <cy> \"<caption>\" [<style>]" : error);
        continue;
      }
      key = {pk::resources::kTypeDialog, static_cast<uint16_t>(id)};
      if (auto seen = table->where.find(key); seen != table->where.end()) {
        fail("duplicate dialog " + std::to_string(id) + " (first at " + seen->second.file + ":" +
             std::to_string(seen->second.line) + ")");
        continue;
      }
      table->where[key] = {file, number};
      dialog = {};
      dialog.cx = static_cast<uint16_t>(n[0]);
      dialog.cy = static_cast<uint16_t>(n[1]);
      dialog.caption = AsText(text);
      dialog.style = style;
      ids.clear();
      open = true;
      continue;
    }
    if (!open) {
      fail("a control before any dialog line");
      continue;
    }
    const char* className = nullptr;
    for (const char* c : kDialogClasses)
      if (strcasecmp(c, w[0].c_str()) == 0) className = c;
    if (!className) {
      fail("unknown control class '" + w[0] + "'");
      continue;
    }
    if (w.size() < 7 || w.size() > 8 || !ParseNumber(w[1], -1, 65535, &id) ||
        !ParseQuoted(line, starts[2], &text, &error, &starts[2]) || !ParseNumber(w[3], 0, 32767, &n[0]) ||
        !ParseNumber(w[4], 0, 32767, &n[1]) || !ParseNumber(w[5], 0, 32767, &n[2]) ||
        !ParseNumber(w[6], 0, 32767, &n[3]) || (w.size() == 8 && !ParseStyle(w[7], &style, &error))) {
      fail(error.empty() ? "expected: <class> <id> \"<text>\" <x> <y> <cx> <cy> [<style>]" : error);
      continue;
    }
    uint16_t cid = static_cast<uint16_t>(id & 0xFFFF);
    if (cid != 0xFFFF) {
      if (auto seen = ids.find(cid); seen != ids.end()) {
        fail("duplicate control id " + std::to_string(id) + " (first at line " + std::to_string(seen->second) + ")");
        continue;
      }
      ids[cid] = number;
    }
    if (n[0] + n[2] > dialog.cx || n[1] + n[3] > dialog.cy) {
      fail("control " + std::to_string(id) + " lies outside its dialog");
      continue;
    }
    pk::resources::DialogControl c;
    c.id = cid;
    for (const char* p = className; *p; ++p) c.className += static_cast<char16_t>(*p);
    c.text = AsText(text);
    c.x = static_cast<int16_t>(n[0]);
    c.y = static_cast<int16_t>(n[1]);
    c.cx = static_cast<int16_t>(n[2]);
    c.cy = static_cast<int16_t>(n[3]);
    c.style = style;
    dialog.controls.push_back(std::move(c));
  }
  finish();
  return ok;
}

void PutU16(std::vector<unsigned char>* out, size_t at, uint32_t v) {
  (*out)[at] = static_cast<unsigned char>(v);
  (*out)[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutU32(std::vector<unsigned char>* out, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) (*out)[at + k] = static_cast<unsigned char>(v >> (8 * k));
}

std::vector<unsigned char> BuildTable(const Table& table) {
  using namespace pk::resources;
  size_t count = table.data.size();
  std::vector<unsigned char> out(kHeaderSize + count * kEntrySize, 0);
  std::copy(kMagic, kMagic + sizeof kMagic, out.begin());
  PutU16(&out, 8, kVersion);
  PutU32(&out, 12, static_cast<uint32_t>(count));
  size_t index = 0;
  for (const auto& [key, bytes] : table.data) {  // std::map: sorted by (type, id)
    size_t e = kHeaderSize + index++ * kEntrySize;
    PutU16(&out, e, key.first);
    PutU16(&out, e + 2, key.second);
    PutU32(&out, e + 4, static_cast<uint32_t>(out.size()));
    PutU32(&out, e + 8, static_cast<uint32_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

std::string AsSource(const std::vector<unsigned char>& table, const std::vector<std::string>& inputs) {
  std::ostringstream s;
  s << "// Generated by pkrc from";
  for (const auto& f : inputs) s << " " << f;
  s << ": the library's own resource table.\n#include <cstddef>\n\nnamespace {\nalignas(4) const unsigned char "
       "kTable[] = {";
  for (size_t i = 0; i < table.size(); ++i) s << (i % 16 ? " " : "\n    ") << static_cast<int>(table[i]) << ",";
  s << "\n};\n}  // namespace\n\nextern \"C\" __attribute__((visibility(\"default\"))) const unsigned char* "
    << pk::resources::kTableSymbol << "(size_t* size) {\n  if (size) *size = sizeof kTable;\n  return kTable;\n}\n";
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (std::string(argv[1]) != "--module" && std::string(argv[1]) != "--source")) {
    std::fprintf(stderr, "usage: pkrc --module|--source <output> <source>...\n");
    return 2;
  }
  bool module = std::string(argv[1]) == "--module";
  std::string output = argv[2];
  Table table;
  std::vector<std::string> inputs;
  bool ok = true;
  for (int i = 3; i < argc; ++i) {
    inputs.push_back(argv[i]);
    std::string name = argv[i];
    bool dialogs = name.size() > 4 && name.compare(name.size() - 4, 4, ".dlg") == 0;
    bool raw = name.size() > 4 && name.compare(name.size() - 4, 4, ".res") == 0;
    ok = (dialogs ? ReadDialogSource(name, &table)
          : raw   ? ReadRawSource(name, &table)
                  : ReadSource(name, &table)) &&
         ok;
  }
  if (!ok) return 1;
  std::vector<unsigned char> bytes = BuildTable(table);
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  if (module) {
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  } else {
    out << AsSource(bytes, inputs);
  }
  if (!out) {
    std::fprintf(stderr, "%s: cannot write\n", output.c_str());
    return 1;
  }
  return 0;
}
