// pjl_split JOB DIR: splits a PJL job stream as the driver writes it into
// DIR/header.txt (the header's command lines), DIR/unit<n>.tif (each framed
// TIFF file, as sent) and DIR/units.txt (one line per unit: its FILENAME, or
// "-", and its REFERNAME rounds). Exits 1 at the first deviation from the
// shape, naming it; 2 on a usage or file error. Links nothing of the project.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::string kUel = "\x1b%-12345X";
const std::string kEnter = "@PJL ENTER LANGUAGE = TIFF6\n";

int Deviation(const std::string& what, size_t at) {
  std::fprintf(stderr, "pjl_split: %s at byte %zu\n", what.c_str(), at);
  return 1;
}

bool StartsAt(const std::string& job, size_t at, const std::string& text) {
  return job.compare(at, text.size(), text) == 0;
}

// The command line at `at` (without its line feed); npos-safe.
bool Line(const std::string& job, size_t& at, std::string& line) {
  size_t end = job.find('\n', at);
  if (end == std::string::npos || job.compare(at, 5, "@PJL ") != 0) return false;
  line = job.substr(at, end - at);
  at = end + 1;
  return line.find('\r') == std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pjl_split JOB DIR\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return 2;
  const std::string job((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string dir = argv[2];
  size_t at = 0;
  if (!StartsAt(job, 0, kUel + "@PJL\n")) return Deviation("no UEL and @PJL opening the job", 0);
  at = kUel.size() + 5;
  std::string header, line, units;
  // Header lines up to the first unit.
  while (at < job.size() && !StartsAt(job, at, kEnter) && !StartsAt(job, at, "@PJL SET FILENAME = ") &&
         !StartsAt(job, at, "@PJL EOJ NAME = ")) {
    if (!Line(job, at, line)) return Deviation("not a command line in the header", at);
    header += line + "\n";
  }
  std::ofstream(dir + "/header.txt", std::ios::binary) << header;
  int count = 0;
  while (at < job.size() && !StartsAt(job, at, "@PJL EOJ NAME = ")) {
    std::string name = "-";
    if (StartsAt(job, at, "@PJL SET FILENAME = ")) {
      Line(job, at, line);
      name = line.substr(20);
    }
    if (!StartsAt(job, at, kEnter)) return Deviation("no ENTER LANGUAGE before a file", at);
    at += kEnter.size();
    if (!StartsAt(job, at, std::string("II*\0", 4))) return Deviation("no little-endian TIFF after ENTER LANGUAGE", at);
    const size_t end = job.find("\n" + kUel + "\n", at);
    if (end == std::string::npos) return Deviation("a file without its closing UEL", at);
    ++count;
    std::ofstream(dir + "/unit" + std::to_string(count) + ".tif", std::ios::binary) << job.substr(at, end - at);
    at = end + kUel.size() + 2;
    int rounds = 0;
    while (StartsAt(job, at, "@PJL SET REFERNAME = ")) {
      Line(job, at, line);
      if (name == "-" || line.substr(21) != name) return Deviation("a REFERNAME not naming the unit's file", at);
      if (!StartsAt(job, at, kEnter + kUel + "\n")) return Deviation("a REFERNAME round not closed", at);
      at += kEnter.size() + kUel.size() + 1;
      ++rounds;
    }
    units += name + " " + std::to_string(rounds) + "\n";
  }
  if (at < job.size()) {
    if (!Line(job, at, line)) return Deviation("a broken EOJ line", at);
    units += "EOJ " + line.substr(16) + "\n";
    if (at != job.size()) return Deviation("bytes after the EOJ line", at);
  }
  std::ofstream(dir + "/units.txt", std::ios::binary) << units;
  std::printf("%d\n", count);
  return 0;
}
