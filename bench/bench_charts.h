// The eight ITU test charts as packed 1-bit rows (1 = black), made once per
// run with jbgtopbm from the jbigkit test data; charts that cannot be made are
// left out, so a benchmark checks the count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

struct BenchChart {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rows;
};

inline const std::vector<BenchChart>& bench_charts() {
  static std::vector<BenchChart> list = [] {
    std::vector<BenchChart> out;
    std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    for (int n = 1; n <= 8; ++n) {
      std::string pbm = dir + "/pk-bench-chart-" + std::to_string(n) + ".pbm";
      std::string cmd = "jbgtopbm /usr/share/jbigkit-testdata/ccitt" + std::to_string(n) + ".jbg " + pbm;
      if (std::system(cmd.c_str()) != 0) continue;
      std::ifstream f(pbm, std::ios::binary);
      std::string magic;
      BenchChart c;
      f >> magic >> c.width >> c.height;
      f.get();
      c.rows.resize(static_cast<size_t>((c.width + 7) / 8) * static_cast<size_t>(c.height));
      f.read(reinterpret_cast<char*>(c.rows.data()), static_cast<std::streamsize>(c.rows.size()));
      std::remove(pbm.c_str());
      if (magic == "P4" && f) out.push_back(std::move(c));
    }
    return out;
  }();
  return list;
}
