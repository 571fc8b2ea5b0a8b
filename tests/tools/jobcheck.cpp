// jobcheck [options] JOB: checks a print job as the driver sends it to the
// spooler and prints one line: the job's path, its pages, its TIFF files and
// its bytes. A PJL job must open with UEL and "@PJL", carry the header's
// command lines in their order and spelling, then only framed TIFF files
// (with their REFERNAME rounds), and end after the last file's UEL or with
// one EOJ line. A job that starts as a TIFF file is one bare TIFF file.
// Every TIFF file must pass `tiffinfo -D` and `tiffcp` without a message.
//
//   --split DIR     write DIR/header.txt (the header lines), DIR/unit<n>.tif
//                   and DIR/units.txt (per unit its FILENAME or "-" and its
//                   REFERNAME rounds; "EOJ name" for an EOJ line)
//   --pages N       the job holds N pages
//   --size WxH      every page is W x H pixels
//   --dpi X[xY]     every page's resolution
//   --ink           a line per page: "page N: ink L T R B" (the box of its
//                   non-white pixels, through tifftopnm) or "page N: no ink"
//   --concat        the job is TIFF files laid one after another without
//                   framing (a save file written with PJL output off)
//   --line TEXT     the header holds the line TEXT (repeatable)
//   --no-line TEXT  the header holds no line TEXT (repeatable)
//   --save DIR      DIR is a save folder: every file is named NAME.pjl,
//                   NAME.tif or NAME-NNN.pjl/.tif with no character a file
//                   name may not hold, and each passes as a job (a .tif as
//                   one bare TIFF file); JOB is then not given
//
// Exits 0 when the job passes, 1 at the first fault (named on stderr), 2 on a
// usage or file error. It stands alone: a fault of the driver cannot hide in
// a parser it shares.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

const std::string kUel = "\x1b%-12345X";
const std::string kEnter = "@PJL ENTER LANGUAGE = TIFF6\n";

struct Options {
  std::string job;
  std::string splitDir;
  long pages = -1;
  long width = -1, height = -1;
  long dpiX = -1, dpiY = -1;
  bool ink = false;
  bool concat = false;
  std::vector<std::string> lines, noLines;
  std::string saveDir;
};

struct Page {
  uint32_t width = 0, height = 0;
  double dpiX = 0, dpiY = 0;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "jobcheck: %s\n", what.c_str());
  std::exit(1);
}

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: jobcheck [--split DIR] [--pages N] [--size WxH] [--dpi X[xY]] [--ink] [--concat]\n"
               "                [--line TEXT] [--no-line TEXT] JOB | --save DIR\n");
  std::exit(2);
}

bool StartsAt(const std::string& s, size_t at, const std::string& text) {
  return s.compare(at, text.size(), text) == 0;
}

std::string ReadFile(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = static_cast<bool>(in);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) {
    std::fprintf(stderr, "jobcheck: cannot write %s\n", path.c_str());
    std::exit(2);
  }
}

// Runs a shell command: its stdout, with its stderr and exit status checked.
std::string Run(const std::string& command, const std::string& what) {
  const std::string errFile = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/jobcheck." +
                              std::to_string(getpid()) + ".err";
  FILE* p = popen((command + " 2>" + errFile).c_str(), "r");
  if (!p) Fail("cannot run " + command);
  std::string out;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  const int status = pclose(p);
  bool ok = false;
  const std::string err = ReadFile(errFile, &ok);
  std::remove(errFile.c_str());
  if (status != 0 || !err.empty()) Fail(what + ": " + (err.empty() ? "exit status " + std::to_string(status) : err));
  return out;
}

// The TIFF file's pages: every directory's size and resolution.
std::vector<Page> ReadTiffPages(const std::string& t, const std::string& name) {
  if (t.size() < 8) Fail(name + ": not a TIFF file");
  const bool le = StartsAt(t, 0, std::string("II*\0", 4));
  if (!le && !StartsAt(t, 0, std::string("MM\0*", 4))) Fail(name + ": not a TIFF file");
  auto u16 = [&](size_t at) -> uint32_t {
    if (at + 2 > t.size()) Fail(name + ": a directory past the file's end");
    const auto* b = reinterpret_cast<const unsigned char*>(t.data() + at);
    return le ? b[0] | b[1] << 8 : b[0] << 8 | b[1];
  };
  auto u32 = [&](size_t at) -> uint32_t { return le ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
  std::vector<Page> pages;
  uint32_t ifd = u32(4);
  while (ifd != 0) {
    if (pages.size() > 10000) Fail(name + ": a directory chain without end");
    const uint32_t count = u16(ifd);
    Page page;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t e = ifd + 2 + 12 * size_t(i);
      const uint32_t tag = u16(e), type = u16(e + 2);
      const uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
      if (tag == 256) page.width = value;
      if (tag == 257) page.height = value;
      if ((tag == 282 || tag == 283) && type == 5) {
        const uint32_t den = u32(value + 4);
        const double dpi = den ? double(u32(value)) / den : 0;
        (tag == 282 ? page.dpiX : page.dpiY) = dpi;
      }
    }
    pages.push_back(page);
    ifd = u32(ifd + 2 + 12 * size_t(count));
  }
  return pages;
}

// The end of the TIFF file at the start of `t`: the furthest byte any of its
// directories, values, strips or tiles reaches.
size_t TiffExtent(const std::string& t, const std::string& name) {
  if (t.size() < 8 || !StartsAt(t, 0, std::string("II*\0", 4))) Fail(name + ": not a little-endian TIFF file");
  auto u16 = [&](size_t at) -> uint32_t {
    if (at + 2 > t.size()) Fail(name + ": a directory past the data's end");
    const auto* b = reinterpret_cast<const unsigned char*>(t.data() + at);
    return b[0] | b[1] << 8;
  };
  auto u32 = [&](size_t at) -> uint32_t { return u16(at) | u16(at + 2) << 16; };
  static const uint32_t kTypeSize[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  size_t end = 8;
  uint32_t ifd = u32(4);
  int directories = 0;
  while (ifd != 0) {
    if (++directories > 10000) Fail(name + ": a directory chain without end");
    const uint32_t count = u16(ifd);
    end = std::max(end, size_t(ifd) + 2 + 12 * size_t(count) + 4);
    std::vector<uint32_t> offsets, sizes;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t e = ifd + 2 + 12 * size_t(i);
      const uint32_t tag = u16(e), type = u16(e + 2), n = u32(e + 4);
      const size_t bytes = size_t(n) * (type < 13 ? kTypeSize[type] : 1);
      if (bytes > 4) end = std::max(end, size_t(u32(e + 8)) + bytes);
      if (tag == 273 || tag == 279 || tag == 324 || tag == 325) {
        std::vector<uint32_t>& v = (tag == 273 || tag == 324) ? offsets : sizes;
        const size_t at = bytes > 4 ? u32(e + 8) : e + 8;
        for (uint32_t k = 0; k < n; ++k) v.push_back(type == 3 ? u16(at + 2 * k) : u32(at + 4 * size_t(k)));
      }
    }
    if (offsets.size() != sizes.size()) Fail(name + ": strip offsets and byte counts differ in number");
    for (size_t k = 0; k < offsets.size(); ++k) end = std::max(end, size_t(offsets[k]) + sizes[k]);
    ifd = u32(ifd + 2 + 12 * size_t(count));
  }
  if (end > t.size()) Fail(name + ": the file's data runs past the end");
  return end;
}

// TIFF files laid one after another: each ends where its data ends (a pad
// byte may follow) and the next starts with its header.
std::vector<std::string> SplitConcat(const std::string& job) {
  std::vector<std::string> units;
  size_t at = 0;
  while (at < job.size()) {
    const std::string name = "file " + std::to_string(units.size() + 1);
    const std::string rest = job.substr(at);
    const size_t end = TiffExtent(rest, name);
    units.push_back(rest.substr(0, end));
    at += end;
    if (at < job.size() && !StartsAt(job, at, std::string("II*\0", 4)) && at + 1 < job.size() && job[at] == 0 &&
        StartsAt(job, at + 1, std::string("II*\0", 4)))
      ++at;
    if (at < job.size() && !StartsAt(job, at, std::string("II*\0", 4)))
      Fail("bytes that start no TIFF file after " + name + " at byte " + std::to_string(at));
  }
  if (units.empty()) Fail("no TIFF file");
  return units;
}

// A header line: its rank in the header's order and whether it may repeat.
struct HeaderLine {
  const char* pattern;
  int rank;
};
const HeaderLine kHeaderLines[] = {
    {"@PJL JOB NAME = \"[^\"]*\"", 0},
    {"@PJL DEFAULT OWNER = \"[^\"]*\"", 1},
    {"@PJL DEFAULT SCALE = OFF", 2},
    {"@PJL DEFAULT INPUTMODE = AUTO_(JISA|JISB|ISOB|SPECIAL|ARCH30|ARCH|ANSI)", 3},
    {"@PJL DEFAULT OUTPUTMODE = [A-Z0-9_]+", 4},
    {"@PJL DEFAULT PAPER([1-9]|1[0-5])SIZE = [A-Z0-9_]+", 5},
    {"@PJL DEFAULT IMAGE([1-9]|1[0-5])LAYOUT[XY] = (AUTO|0)", 6},
    {"@PJL DEFAULT IMAGE([1-9]|1[0-5])ROTATE = (FIRST|LAST)", 7},
    {"@PJL DEFAULT COLLATIONENABLE = (REVERSE|ON)", 8},
    {"@PJL DEFAULT COPIES = [1-9][0-9]*", 9},
    {"@PJL DEFAULT MEDIASOURCE = (AUTO|TRAY1|TRAY2|TRAY3|TRAY4|MANUAL_FD)", 10},
    {"@PJL DEFAULT MEDIATYPE = (ORDINARY|TRACING|FILM)", 11},
    {"@PJL DEFAULT FINISHPROGID = (PROGRAM[1-9][0-9]*|BYPASS)", 12},
    {"@PJL DEFAULT FINISHMARGINS = (MARGINSOFF|USEPROGRAM)", 13},
    {"@PJL DEFAULT FINISHBIN = (DONTCARE|FANFOLD|BIN_[0-9]+)", 14},
    {"@PJL DEFAULT LABELCORNER = (TOP_LEFT|TOP_RIGHT|BOTTOM_LEFT|BOTTOM_RIGHT)", 15},
    {"@PJL DEFAULT LABELSTRING = \"[^\"]*\"", 16},
    {"@PJL DEFAULT LABELLOCX = 5", 17},
    {"@PJL DEFAULT LABELLOCY = 3", 18},
    {"@PJL DEFAULT LABELROTATE = 0", 19},
    {"@PJL DEFAULT LABELFONTWIDTH = 30", 20},
    {"@PJL DEFAULT LABELFONTHEIGHT = 30", 21},
};

// Checks the header's lines: each known, in order, the numbered groups
// complete (15 paper sizes, 15 rotations, 15 layout pairs), the owner,
// copies, media source and finisher lines present.
void CheckHeader(const std::vector<std::string>& lines) {
  int last = -1;
  std::vector<int> counts(22, 0);
  for (const std::string& line : lines) {
    int rank = -1;
    for (const HeaderLine& h : kHeaderLines)
      if (std::regex_match(line, std::regex(h.pattern))) rank = h.rank;
    if (rank < 0) Fail("header: an unknown line: " + line);
    if (rank < last) Fail("header: a line out of order: " + line);
    const bool repeats = rank >= 5 && rank <= 7;
    if (rank == last && !repeats) Fail("header: a line twice: " + line);
    // The numbered lines come 1, 2, ... 15 (layout lines X then Y).
    if (repeats) {
      const int n = counts[size_t(rank)];
      const int expected = rank == 6 ? n / 2 + 1 : n + 1;
      const std::string tag = rank == 6 ? (n % 2 ? "LAYOUTY" : "LAYOUTX") : "";
      const std::string number = std::to_string(expected);
      const std::string stem = rank == 5 ? "PAPER" + number + "SIZE" : "IMAGE" + number + (rank == 6 ? tag : "ROTATE");
      if (line.find(" " + stem + " ") == std::string::npos) Fail("header: a numbered line out of turn: " + line);
    }
    ++counts[size_t(rank)];
    last = rank;
  }
  if (counts[5] && counts[5] != 15) Fail("header: not 15 PAPERnSIZE lines");
  if (counts[6] && counts[6] != 30) Fail("header: not 15 IMAGEnLAYOUT pairs");
  if (counts[7] && counts[7] != 15) Fail("header: not 15 IMAGEnROTATE lines");
  for (int rank : {1, 9, 10, 12})
    if (!counts[size_t(rank)]) Fail(std::string("header: no ") + kHeaderLines[rank].pattern + " line");
  if (counts[15] && !(counts[16] && counts[17] && counts[18] && counts[19] && counts[20] && counts[21]))
    Fail("header: label lines missing");
}

// The command line at `at` without its line feed.
bool Line(const std::string& job, size_t& at, std::string& line) {
  const size_t end = job.find('\n', at);
  if (end == std::string::npos || job.compare(at, 5, "@PJL ") != 0) return false;
  line = job.substr(at, end - at);
  at = end + 1;
  return line.find('\r') == std::string::npos;
}

// Splits a PJL job into header lines, units and the units listing.
void SplitPjl(const std::string& job, std::vector<std::string>& header, std::vector<std::string>& units,
              std::string& listing) {
  if (!StartsAt(job, 0, kUel + "@PJL\n")) Fail("no UEL and @PJL opening the job");
  size_t at = kUel.size() + 5;
  std::string line;
  while (at < job.size() && !StartsAt(job, at, kEnter) && !StartsAt(job, at, "@PJL SET FILENAME = ") &&
         !StartsAt(job, at, "@PJL EOJ NAME = ")) {
    if (!Line(job, at, line)) Fail("not a command line in the header at byte " + std::to_string(at));
    header.push_back(line);
  }
  while (at < job.size() && !StartsAt(job, at, "@PJL EOJ NAME = ")) {
    std::string name = "-";
    if (StartsAt(job, at, "@PJL SET FILENAME = ")) {
      Line(job, at, line);
      name = line.substr(20);
    }
    if (!StartsAt(job, at, kEnter)) Fail("no ENTER LANGUAGE before a file at byte " + std::to_string(at));
    at += kEnter.size();
    if (!StartsAt(job, at, std::string("II*\0", 4)))
      Fail("no little-endian TIFF after ENTER LANGUAGE at byte " + std::to_string(at));
    const size_t end = job.find("\n" + kUel + "\n", at);
    if (end == std::string::npos) Fail("a file without its closing UEL at byte " + std::to_string(at));
    units.push_back(job.substr(at, end - at));
    at = end + kUel.size() + 2;
    int rounds = 0;
    while (StartsAt(job, at, "@PJL SET REFERNAME = ")) {
      Line(job, at, line);
      if (name == "-" || line.substr(21) != name) Fail("a REFERNAME not naming the unit's file");
      if (!StartsAt(job, at, kEnter + kUel + "\n")) Fail("a REFERNAME round not closed");
      at += kEnter.size() + kUel.size() + 1;
      ++rounds;
    }
    listing += name + " " + std::to_string(rounds) + "\n";
  }
  if (at < job.size()) {
    if (!Line(job, at, line) || !std::regex_match(line, std::regex("@PJL EOJ NAME = \"[^\"]*\"")))
      Fail("a broken EOJ line");
    listing += "EOJ " + line.substr(16) + "\n";
    if (at != job.size()) Fail("bytes after the EOJ line at byte " + std::to_string(at));
  }
}

// The box of non-white pixels of a PNM image (P4, P5 or P6): false when it
// has none.
bool InkBox(const std::string& pnm, long box[4]) {
  size_t at = 0;
  auto token = [&]() -> long {
    while (at < pnm.size()) {
      if (pnm[at] == '#') {
        while (at < pnm.size() && pnm[at] != '\n') ++at;
      } else if (std::isspace(static_cast<unsigned char>(pnm[at]))) {
        ++at;
      } else {
        break;
      }
    }
    long v = 0;
    while (at < pnm.size() && std::isdigit(static_cast<unsigned char>(pnm[at]))) v = v * 10 + (pnm[at++] - '0');
    return v;
  };
  if (pnm.size() < 3 || pnm[0] != 'P') Fail("tifftopnm gave no PNM image");
  const char kind = pnm[1];
  at = 2;
  const long w = token(), h = token();
  const long maxval = kind == '4' ? 1 : token();
  ++at;
  const size_t channels = kind == '6' ? 3 : 1;
  const size_t sampleBytes = maxval > 255 ? 2 : 1;
  const size_t rowBytes = kind == '4' ? size_t(w + 7) / 8 : size_t(w) * channels * sampleBytes;
  if (kind != '4' && kind != '5' && kind != '6') Fail("tifftopnm gave an unexpected PNM kind");
  if (pnm.size() < at + rowBytes * size_t(h)) Fail("tifftopnm gave a short image");
  const auto* data = reinterpret_cast<const unsigned char*>(pnm.data() + at);
  bool any = false;
  for (long y = 0; y < h; ++y) {
    const unsigned char* row = data + rowBytes * size_t(y);
    for (long x = 0; x < w; ++x) {
      bool inked;
      if (kind == '4') {
        inked = row[x / 8] & (0x80 >> (x % 8));
      } else {
        inked = false;
        for (size_t c = 0; c < channels; ++c) {
          const size_t i = (size_t(x) * channels + c) * sampleBytes;
          const long v = sampleBytes == 2 ? row[i] << 8 | row[i + 1] : row[i];
          if (v != maxval) inked = true;
        }
      }
      if (!inked) continue;
      if (!any) {
        box[0] = box[2] = x;
        box[1] = box[3] = y;
        any = true;
      }
      box[0] = std::min(box[0], x);
      box[2] = std::max(box[2], x);
      box[1] = std::min(box[1], y);
      box[3] = std::max(box[3], y);
    }
  }
  return any;
}

bool ParsePair(const char* text, long* a, long* b, bool optionalSecond) {
  char* end = nullptr;
  *a = std::strtol(text, &end, 0);
  if (end == text || *a <= 0) return false;
  if (*end == 0 && optionalSecond) {
    *b = *a;
    return true;
  }
  if (*end != 'x') return false;
  const char* second = end + 1;
  *b = std::strtol(second, &end, 0);
  return end != second && *end == 0 && *b > 0;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (a == "--split") {
      o.splitDir = value();
    } else if (a == "--pages") {
      char* end = nullptr;
      const char* v = value();
      o.pages = std::strtol(v, &end, 10);
      if (end == v || *end || o.pages < 0) Usage();
    } else if (a == "--size") {
      if (!ParsePair(value(), &o.width, &o.height, false)) Usage();
    } else if (a == "--dpi") {
      if (!ParsePair(value(), &o.dpiX, &o.dpiY, true)) Usage();
    } else if (a == "--ink") {
      o.ink = true;
    } else if (a == "--concat") {
      o.concat = true;
    } else if (a == "--line") {
      o.lines.push_back(value());
    } else if (a == "--no-line") {
      o.noLines.push_back(value());
    } else if (a == "--save") {
      o.saveDir = value();
    } else if (!a.empty() && a[0] == '-') {
      Usage();
    } else if (o.job.empty()) {
      o.job = a;
    } else {
      Usage();
    }
  }
  if (o.job.empty() == o.saveDir.empty()) Usage();
  return o;
}

// Checks one job or save file and prints its line; `kind` is 'j' for a job
// as sent (PJL or one bare TIFF file), 't' for one bare TIFF file only, 'c'
// for TIFF files laid one after another.
void CheckJob(const Options& o, const std::string& path, char kind) {
  bool ok = false;
  const std::string job = ReadFile(path, &ok);
  if (!ok) {
    std::fprintf(stderr, "jobcheck: cannot read %s\n", path.c_str());
    std::exit(2);
  }
  std::vector<std::string> header, units;
  std::string listing;
  const bool bare = StartsAt(job, 0, std::string("II*\0", 4)) || StartsAt(job, 0, std::string("MM\0*", 4));
  if (kind == 'c') {
    units = SplitConcat(job);
  } else if (bare) {
    units.push_back(job);
  } else if (kind == 't') {
    Fail(path + ": not a TIFF file");
  } else {
    SplitPjl(job, header, units, listing);
    CheckHeader(header);
  }
  for (const std::string& want : o.lines)
    if (std::find(header.begin(), header.end(), want) == header.end()) Fail("header: no line " + want);
  for (const std::string& unwanted : o.noLines)
    if (std::find(header.begin(), header.end(), unwanted) != header.end()) Fail("header: the line " + unwanted);
  char work[] = "/tmp/jobcheck.XXXXXX";
  if (!mkdtemp(work)) std::exit(2);
  const std::string dir = o.splitDir.empty() ? work : o.splitDir;
  if (!o.splitDir.empty()) {
    std::string text;
    for (const std::string& line : header) text += line + "\n";
    WriteFile(dir + "/header.txt", text);
    WriteFile(dir + "/units.txt", listing);
  }
  std::vector<Page> pages;
  std::vector<std::string> pageFiles;  // file and directory of each page
  for (size_t i = 0; i < units.size(); ++i) {
    const std::string name = "unit" + std::to_string(i + 1) + ".tif";
    const std::string path = dir + "/" + name;
    WriteFile(path, units[i]);
    Run("tiffinfo -D '" + path + "' >/dev/null", name + ": tiffinfo");
    Run("tiffcp '" + path + "' '" + std::string(work) + "/copy.tif'", name + ": tiffcp");
    const std::vector<Page> filePages = ReadTiffPages(units[i], name);
    for (size_t d = 0; d < filePages.size(); ++d) {
      pages.push_back(filePages[d]);
      pageFiles.push_back(path + "," + std::to_string(d));
    }
  }
  if (o.pages >= 0 && long(pages.size()) != o.pages)
    Fail(std::to_string(pages.size()) + " pages, not " + std::to_string(o.pages));
  for (size_t i = 0; i < pages.size(); ++i) {
    const Page& p = pages[i];
    const std::string which = "page " + std::to_string(i + 1);
    if (o.width >= 0 && (long(p.width) != o.width || long(p.height) != o.height))
      Fail(which + " is " + std::to_string(p.width) + "x" + std::to_string(p.height) + ", not " +
           std::to_string(o.width) + "x" + std::to_string(o.height));
    if (o.dpiX >= 0 && (long(p.dpiX + 0.5) != o.dpiX || long(p.dpiY + 0.5) != o.dpiY))
      Fail(which + " has " + std::to_string(long(p.dpiX + 0.5)) + "x" + std::to_string(long(p.dpiY + 0.5)) +
           " dpi, not " + std::to_string(o.dpiX) + "x" + std::to_string(o.dpiY));
  }
  if (o.ink) {
    for (size_t i = 0; i < pageFiles.size(); ++i) {
      const std::string one = std::string(work) + "/page.tif";
      std::remove(one.c_str());
      Run("tiffcp '" + pageFiles[i] + "' '" + one + "'", "page " + std::to_string(i + 1) + ": tiffcp");
      const std::string pnm = Run("tifftopnm -quiet '" + one + "'", "page " + std::to_string(i + 1) + ": tifftopnm");
      long box[4] = {};
      if (InkBox(pnm, box)) std::printf("page %zu: ink %ld %ld %ld %ld\n", i + 1, box[0], box[1], box[2], box[3]);
      else std::printf("page %zu: no ink\n", i + 1);
    }
  }
  Run("rm -rf '" + std::string(work) + "'", "clean-up");
  std::printf("%s: %zu page%s, %zu TIFF file%s, %zu bytes\n", path.c_str(), pages.size(), pages.size() == 1 ? "" : "s",
              units.size(), units.size() == 1 ? "" : "s", job.size());
}

// A save folder: every name is one the driver makes, every file passes.
void CheckSaveFolder(const Options& o) {
  DIR* d = opendir(o.saveDir.c_str());
  if (!d) {
    std::fprintf(stderr, "jobcheck: cannot read the folder %s\n", o.saveDir.c_str());
    std::exit(2);
  }
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  const std::regex pattern(R"re([^\\/:*?"<>|]+?(-[0-9]{3})?\.(pjl|tif))re");
  for (const std::string& name : names) {
    if (!std::regex_match(name, pattern)) Fail(o.saveDir + ": a file name the driver does not make: " + name);
    const std::string path = o.saveDir + "/" + name;
    if (name.substr(name.size() - 4) == ".tif") {
      CheckJob(o, path, 't');
    } else {
      // A save-as-PJL file is the PJL job, or its TIFF files laid one after
      // another when the job had no PJL output.
      bool ok = false;
      const std::string head = ReadFile(path, &ok).substr(0, 4);
      CheckJob(o, path, head == std::string("II*\0", 4) ? 'c' : 'j');
    }
  }
  std::printf("%s: %zu file%s\n", o.saveDir.c_str(), names.size(), names.size() == 1 ? "" : "s");
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);
  if (!o.saveDir.empty()) CheckSaveFolder(o);
  else CheckJob(o, o.job, o.concat ? 'c' : 'j');
  return 0;
}
