// The stream-data fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of streams written with every filter.
#include "pdf_stream_fuzz_target.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "pdf_encoders.h"
#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

namespace {

const char* const kFilters[] = {
    "",          "ASCIIHexDecode", "ASCII85Decode", "RunLengthDecode", "LZWDecode", "FlateDecode",
    "DCTDecode", "CCITTFaxDecode", "JBIG2Decode",   "JPXDecode",       "Crypt"};
constexpr int kFilterCount = int(sizeof kFilters / sizeof kFilters[0]);
const int kPredictors[] = {1, 2, 10, 11, 12, 13, 14, 15, 3, 16};
const int kBits[] = {8, 1, 2, 4, 16};

// A value for the "Filter" entry chosen by sel: a name, a one-element array,
// or two filters.
PdfValue* filter_value(uint8_t sel) {
  PdfValue* name = pdf_test::N(kFilters[sel % kFilterCount]);
  switch ((sel >> 4) % 8) {
    case 6: return pdf_test::A({name});
    case 7: return pdf_test::A({name, pdf_test::N("FlateDecode")});
    default: return name;
  }
}

PdfList* dictionary(uint8_t sel, uint8_t p, uint8_t q, int64_t length) {
  PdfList* d = nullptr;
  auto put = [&d](const char* key, PdfValue* v) { d = pdf_dict_prepend(d, key, int32_t(std::string(key).size()), v); };
  if (p & 1) {
    PdfValue* parms = pdf_test::D({{"Predictor", pdf_test::I(kPredictors[(p >> 1) % 10])},
                                   {"Colors", pdf_test::I(1 + (q & 3))},
                                   {"BitsPerComponent", pdf_test::I(kBits[(q >> 2) % 5])},
                                   {"Columns", pdf_test::I(1 + (p >> 4) * 5)},
                                   {"K", pdf_test::I(int32_t(q >> 6) - 1)}});
    put("DecodeParms", (q & 0x20) ? pdf_test::A({parms}) : parms);
  }
  put("Width", pdf_test::I(8));
  put("Height", pdf_test::I(8));
  if (sel % kFilterCount != 0) put("Filter", filter_value(sel));
  if ((q & 0x10) == 0) put("Length", pdf_test::I(int32_t(length - (p & 0x6))));
  return d;
}

std::string file_path() {
  static const std::string path = pdf_test::temp_path("fuzz_stream.pdf");
  return path;
}

}  // namespace

int64_t pdf_stream_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The pool is made once (create keeps one that exists); every input gets a
  // fresh file and core.
  if (pdf_pool_create() != 0) return 0;
  std::string path = file_path();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 3, 1, size - 3, f);
    std::fclose(f);
  }
  if (pdf_file_open(path.c_str()) != 0) return 0;
  int64_t delivered = 0;
  if (pdf_core_begin() == 0) {
    uint8_t sel = data[0], p = data[1], q = data[2];
    pdf_core_run([&] {
      PdfStream* file = pdf_stream_new(0, -1);
      PdfStream* s = pdf_open_stream_data(file, dictionary(sel, p, q, int64_t(size) - 3));
      uint8_t buf[333];
      // Decompression is capped so that a small input cannot run for long.
      while (delivered < (1 << 20)) {
        int32_t n = (delivered & 1) ? pdf_stream_read(s, buf, 1 + (q & 0x7F)) : (pdf_stream_get(s) >= 0 ? 1 : 0);
        if (n <= 0) break;
        delivered += n;
        if ((p & 0x80) && delivered % 7 == 0) pdf_stream_give_back(s, buf[0]);
      }
      for (int i = 0; i < (sel & 7); ++i) pdf_stream_get_back(s);
      pdf_stream_close(s);
    });
  }
  pdf_core_end();
  pdf_file_close();
  // Removed rather than rewritten in place: truncating a file makes some file
  // systems flush it on close, which slows the run down tenfold.
  std::remove(path.c_str());
  return delivered;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdf_stream_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

struct Seed {
  uint8_t sel, p, q;
  std::string data;
};

std::vector<Seed> seeds() {
  std::string plain;
  for (int i = 0; i < 600; ++i) plain += char(i % 13 == 0 ? 0 : 'a' + (i * 7) % 26);
  std::vector<Seed> out;
  auto add = [&](int filter, const pdf_test::FilterSpec& spec, uint8_t p, uint8_t q) {
    out.push_back({uint8_t(filter), p, q, "\n" + spec.encode(plain) + "\nendstream"});
  };
  add(1, {"ASCIIHexDecode", {}}, 0, 0);
  add(2, {"ASCII85Decode", {}}, 0, 0);
  add(3, {"RunLengthDecode", {}}, 0, 0);
  add(4, {"LZWDecode", {}}, 0, 0);
  add(5, {"FlateDecode", {}}, 0x80, 0x05);
  // Predictor 12 (index 4), 1 colour, 8 bits, 11 columns (p >> 4 = 2).
  add(5, {"FlateDecode", {{"Predictor", 12}, {"Columns", 11}}}, 0x29, 0x00);
  add(4, {"LZWDecode", {{"Predictor", 2}, {"Columns", 11}}}, 0x23, 0x00);
  add(7, {"", {}}, 0x01, 0xC0);
  return out;
}

}  // namespace

TEST(PdfStreamFuzzTest, FixedBudgetOfRandomAndMutatedStreams) {
  std::mt19937 rng(20261211);
  std::vector<Seed> base = seeds();
  int64_t total = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> input;
    if (round % 10 == 0) {
      input.resize(3 + rng() % 300);
      for (uint8_t& b : input) b = uint8_t(rng());
    } else {
      const Seed& seed = base[rng() % base.size()];
      input = {seed.sel, seed.p, seed.q};
      input.insert(input.end(), seed.data.begin(), seed.data.end());
      int mutations = int(rng() % 6);
      for (int m = 0; m < mutations; ++m) {
        size_t at = rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] = uint8_t(rng()); break;
          case 1: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 2: input[at] = uint8_t(rng() % 2 ? 0xFF : 0); break;
          default: input.resize(std::max<size_t>(3, at + 1)); break;
        }
      }
    }
    total += pdf_stream_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(total, 0);
  pdf_pool_free();
}
#endif
