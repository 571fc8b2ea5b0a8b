// pkrc, the resource compiler: reads UTF-8 resource sources and writes a
// resource table, either as a resource module file (Tarquen.vbn) or as C++
// source that gives a library its own table.
//
//   pkrc --module <out.vbn> <source>...
//   pkrc --source <out.cpp> <source>...
//
// A source line is `<id> "<text>"` (a string, type 6) with C escapes (\n \t
// \r \\ \" \' \0 \xHH \uXXXX); blank lines and lines starting with '#' are
// skipped. Ids run from 0 to 65535; a repeated or out-of-range id, or a line
// that does not parse, is reported as "<file>:<line>: <message>" and no output
// is written.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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
bool ParseQuoted(const std::string& text, size_t i, std::vector<unsigned char>* out, std::string* error) {
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
  for (++i; i < text.size(); ++i)
    if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
      *error = "text after the closing quote";
      return false;
    }
  return true;
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
    ok = ReadSource(argv[i], &table) && ok;
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
