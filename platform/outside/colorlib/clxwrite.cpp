// clxwrite: writes the colour library's data file from its text description.
//   clxwrite <description.txt> <out.CLX>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/outside/colorlib/colour_data_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: clxwrite <description> <output>\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "clxwrite: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<uint8_t> bytes;
  std::string error;
  if (!WriteColourData(text.str(), &bytes, &error)) {
    std::fprintf(stderr, "clxwrite: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "clxwrite: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
