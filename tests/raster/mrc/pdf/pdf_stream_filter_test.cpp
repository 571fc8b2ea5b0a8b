// Opening stream data and the decoding stages: where the data starts, the
// "Filter" forms, each stage's rules and limits, and the sound endings in
// place of faults (short runs, codes without a previous string, refused
// predictor parameters, Flate data without its end).
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "pdf_encoders.h"
#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

using namespace pdf_test;

namespace {

struct Decoded {
  int32_t code;
  std::string bytes;
};

// One stream object holding data as written; its dictionary as the callback
// builds it (by default /Length and the filter's entries).
Decoded decode_with(const std::string& data, const std::function<PdfList*(int64_t)>& dictionary,
                    const std::string& after_keyword = "\n", bool by_byte = false) {
  PdfWriter w;
  int n = w.add_stream("", data, after_keyword);
  PdfSession session(w.bytes());
  Decoded d{-1, {}};
  if (session.begin != 0) return d;
  d.code = read_stream_data(
      w.after_stream_keyword(n), [&] { return dictionary(int64_t(data.size())); }, &d.bytes, by_byte);
  return d;
}

Decoded decode(const FilterSpec& f, const std::string& data, bool by_byte = false) {
  return decode_with(
      data, [&](int64_t length) { return dictionary_for(f, length); }, "\n", by_byte);
}

std::string random_bytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(rng() % uint32_t(alphabet));
  return s;
}

PdfList* with(PdfList* list, const char* key, PdfValue* v) {
  return pdf_dict_prepend(list, key, int32_t(std::char_traits<char>::length(key)), v);
}

}  // namespace

TEST(PdfStreamDataTest, DataStartsAfterTheFirstEndOfLine) {
  struct Case {
    const char* after;
    const char* data;
  };
  for (Case c : {Case{"\n", "ABC"}, Case{"\r\n", "ABC"}, Case{"\r", "ABC"}, Case{"\r", "\rBC"}, Case{"  \n", "ABC"}}) {
    Decoded d = decode_with(
        c.data, [](int64_t length) { return dictionary_for({}, length); }, c.after);
    EXPECT_EQ(d.code, 0);
    EXPECT_EQ(d.bytes, c.data) << "after keyword: " << int(c.after[0]);
  }
}

TEST(PdfStreamDataTest, LengthAndFilterEntries) {
  std::string plain = "filter forms";
  std::string z = flate_encode(plain);
  struct Case {
    const char* what;
    std::function<PdfList*(int64_t)> dictionary;
    std::string data;
    int32_t code;
    std::string bytes;
  };
  const Case cases[] = {
      {"one-element array", [](int64_t) { return with(nullptr, "Filter", A({N("FlateDecode")})); }, z, 0, plain},
      {"name", [](int64_t n) { return with(with(nullptr, "Filter", N("FlateDecode")), "Length", I(int32_t(n))); }, z, 0,
       plain},
      {"two filters",
       [](int64_t n) {
         return with(with(nullptr, "Filter", A({N("ASCII85Decode"), N("FlateDecode")})), "Length", I(int32_t(n)));
       },
       z, PdfError::unsupported, ""},
      {"filter not a name", [](int64_t n) { return with(with(nullptr, "Filter", I(3)), "Length", I(int32_t(n))); }, z,
       PdfError::unsupported, ""},
      {"array of a non-name",
       [](int64_t n) { return with(with(nullptr, "Filter", A({I(3)})), "Length", I(int32_t(n))); }, plain, 0, plain},
      {"unknown filter", [](int64_t n) { return with(with(nullptr, "Filter", N("Crypt")), "Length", I(int32_t(n))); },
       plain, 0, plain},
      {"no Length", [](int64_t) { return with(nullptr, "Filter", N("FlateDecode")); }, z, PdfError::missing, ""},
      {"real Length", [](int64_t n) { return with(nullptr, "Length", Real(float(n))); }, plain, PdfError::type, ""},
      {"negative Length", [](int64_t) { return with(nullptr, "Length", I(-5)); }, plain, PdfError::range, ""},
      {"Length past the end", [](int64_t n) { return with(nullptr, "Length", I(int32_t(n) + 100000)); }, plain, 0,
       plain + "\nendstream\nendobj\n"},
      {"DecodeParms not a dictionary",
       [](int64_t n) {
         return with(with(with(nullptr, "DecodeParms", I(1)), "Filter", N("FlateDecode")), "Length", I(int32_t(n)));
       },
       z, PdfError::type, ""},
      {"DecodeParms array of null",
       [](int64_t n) {
         return with(with(with(nullptr, "DecodeParms", A({pdf_new_value(PdfKind::null)})), "Filter", N("FlateDecode")),
                     "Length", I(int32_t(n)));
       },
       z, 0, plain},
  };
  for (const Case& c : cases) {
    Decoded d = decode_with(c.data, [&](int64_t n) {
      PdfList* l = c.dictionary(n);
      // Cases without their own Length get the data's.
      return pdf_dict_get(l, "Length") || std::string(c.what) == "no Length" ? l : with(l, "Length", I(int32_t(n)));
    });
    EXPECT_EQ(d.code, c.code) << c.what;
    if (c.code == 0) {
      EXPECT_EQ(d.bytes, c.bytes) << c.what;
    }
  }
}

TEST(PdfStreamDataTest, ImageCompressionKinds) {
  struct Case {
    const char* what;
    std::function<PdfList*()> extra;
    int32_t code;
    int32_t kind;
  };
  auto wh = [](PdfList* l) { return with(with(l, "Width", I(8)), "Height", I(8)); };
  const Case cases[] = {
      {"DCT", [] { return with(with(nullptr, "Width", I(8)), "Filter", N("DCTDecode")); }, 0, 1},
      {"DCT without Width", [] { return with(nullptr, "Filter", N("DCTDecode")); }, PdfError::missing, 0},
      {"DCT with a real Width", [] { return with(with(nullptr, "Width", Real(8)), "Filter", N("DCTDecode")); },
       PdfError::type, 0},
      {"CCITT K -1",
       [&] {
         return wh(with(with(nullptr, "DecodeParms", D({{"K", I(-1)}})), "Filter", N("CCITTFaxDecode")));
       },
       0, 4},
      {"CCITT without DecodeParms", [&] { return wh(with(nullptr, "Filter", N("CCITTFaxDecode"))); }, 0, 2},
      {"CCITT K 0 in an array",
       [&] {
         return wh(with(with(nullptr, "DecodeParms", A({D({{"K", I(0)}})})), "Filter", N("CCITTFaxDecode")));
       },
       0, 2},
      {"CCITT K not an integer",
       [&] {
         return wh(with(with(nullptr, "DecodeParms", D({{"K", N("x")}})), "Filter", N("CCITTFaxDecode")));
       },
       0, 2},
      {"CCITT K 1",
       [&] {
         return wh(with(with(nullptr, "DecodeParms", D({{"K", I(1)}})), "Filter", N("CCITTFaxDecode")));
       },
       PdfError::unsupported, 0},
      {"CCITT without Height", [] { return with(with(nullptr, "Width", I(8)), "Filter", N("CCITTFaxDecode")); },
       PdfError::missing, 0},
      {"JBIG2", [&] { return wh(with(nullptr, "Filter", N("JBIG2Decode"))); }, PdfError::unsupported, 0},
      {"JPX", [&] { return wh(with(nullptr, "Filter", N("JPXDecode"))); }, PdfError::unsupported, 0},
      {"JPX without Height", [] { return with(with(nullptr, "Width", I(8)), "Filter", N("JPXDecode")); },
       PdfError::missing, 0},
      {"unknown filter", [] { return with(nullptr, "Filter", N("Fancy")); }, 0, 0},
  };
  for (const Case& c : cases) {
    std::string data = "\xFF\xD8 image bytes";
    int32_t kind = -1;
    Decoded d = decode_with(data, [&](int64_t n) {
      pdf_state().compression_kind = 0;
      return with(c.extra(), "Length", I(int32_t(n)));
    });
    kind = pdf_state().compression_kind;
    EXPECT_EQ(d.code, c.code) << c.what;
    if (c.code == 0) {
      EXPECT_EQ(kind, c.kind) << c.what;
      // The image data itself is delivered as stored.
      EXPECT_EQ(d.bytes, data) << c.what;
    }
  }
}

TEST(PdfFilterTest, AsciiStages) {
  struct Case {
    const char* filter;
    std::string data;
    int32_t code;
    std::string bytes;
  };
  const Case cases[] = {
      {"ASCII85Decode", "z~>", 0, std::string(4, '\0')},
      {"ASCII85Decode", "z", 0, std::string(4, '\0')},
      {"ASCII85Decode", "87cURD]i,\"Ebo80~>", 0, "Hello World!"},
      {"ASCII85Decode", "87cURD]i,\"Ebo7~>", 0, "Hello World"},
      {"ASCII85Decode", "87cURD]i,\"Ebk~>", 0, "Hello Worl"},
      {"ASCII85Decode", "87cURD]i,\"EW~>", 0, "Hello Wor"},
      {"ASCII85Decode", "87cURD]i,\"~>", 0, "Hello Wo"},
      {"ASCII85Decode", "87cURD]i,\"E~>", 0, "Hello Wo"},
      {"ASCII85Decode", "8 7\ncU\rR\tD~>", 0, "Hell"},
      {"ASCII85Decode", "87cURD]i,\"Ebo80", 0, "Hello World!"},
      {"ASCII85Decode", "87c{URD~>", PdfError::syntax, ""},
      {"ASCII85Decode", "uuuuu~>", PdfError::syntax, ""},
      {"ASCII85Decode", "87z~>", PdfError::syntax, ""},
      {"ASCIIHexDecode", "48656c6C6F>", 0, "Hello"},
      {"ASCIIHexDecode", std::string("4 8\n65\r6c\t6\0C6F", 15), 0, "Hello"},
      {"ASCIIHexDecode", "48656>", 0, "He"},
      {"ASCIIHexDecode", "48656", 0, "He"},
      {"ASCIIHexDecode", "48>65", 0, "H"},
      {"ASCIIHexDecode", "48G5>", PdfError::syntax, ""},
      {"RunLengthDecode",
       std::string("\x02"
                   "abc"
                   "\xFE"
                   "x"
                   "\x80"
                   "zz",
                   8),
       0, "abcxxx"},
      {"RunLengthDecode",
       std::string("\x81"
                   "y",
                   2),
       0, std::string(128, 'y')},
      // A literal run cut short by the end of the data delivers only its bytes.
      {"RunLengthDecode",
       "\x05"
       "ab",
       0, "ab"},
      {"RunLengthDecode", "\xF0", 0, ""},
  };
  for (const Case& c : cases) {
    for (bool by_byte : {false, true}) {
      Decoded d = decode({c.filter, {}}, c.data, by_byte);
      EXPECT_EQ(d.code, c.code) << c.filter << " " << c.data;
      if (c.code == 0) {
        EXPECT_EQ(d.bytes, c.bytes) << c.filter << " " << c.data;
      }
    }
  }
  // Round trips through the reference encoders.
  std::string plain = random_bytes(5000, 7, 3) + std::string(300, '\0') + random_bytes(3001, 8);
  for (const char* f : {"ASCIIHexDecode", "ASCII85Decode", "RunLengthDecode"}) {
    FilterSpec spec{f, {}};
    Decoded d = decode(spec, spec.encode(plain));
    EXPECT_EQ(d.code, 0) << f;
    EXPECT_EQ(d.bytes, plain) << f;
  }
}

TEST(PdfFilterTest, LzwWidthsTableEndsAndCodesWithoutAPreviousString) {
  // Enough distinct pairs to pass entry 510 (10-bit codes), 1022 and 2046,
  // and to fill the table to entry 4095 before the clear code.
  std::string plain = random_bytes(60000, 3, 40);
  for (bool fill : {false, true}) {
    Decoded d = decode({"LZWDecode", {}}, lzw_encode(plain, fill));
    EXPECT_EQ(d.code, 0);
    EXPECT_EQ(d.bytes, plain) << "fill " << fill;
  }
  // Hand-made codes, nine bits each: the first code after a clear with no
  // string to extend ends the data; bytes decoded before it stay.
  auto codes = [](std::initializer_list<uint32_t> list) {
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (uint32_t c : list) {
      acc = (acc << 9) | c;
      bits += 9;
      while (bits >= 8) out += char(acc >> (bits -= 8));
    }
    if (bits) out += char(acc << (8 - bits));
    return out;
  };
  struct Case {
    const char* what;
    std::string data;
    std::string bytes;
  };
  const Case cases[] = {
      {"clear then 300", codes({256, 300, 65, 257}), ""},
      {"A, clear then 258", codes({65, 256, 258, 66, 257}), "A"},
      {"A B then the code being defined", codes({256, 65, 66, 260, 257}), "ABBB"},
      {"leading clears", codes({256, 256, 256, 72, 105, 257}), "Hi"},
      {"end code then more data", codes({72, 257, 105, 105}), "H"},
      {"no end code", codes({72, 105}), "Hi"},
  };
  for (const Case& c : cases) {
    Decoded d = decode({"LZWDecode", {}}, c.data);
    EXPECT_EQ(d.code, 0) << c.what;
    EXPECT_EQ(d.bytes, c.bytes) << c.what;
  }
}

TEST(PdfFilterTest, LzwCodeWidthsFollowTheTableOneCodeEarly) {
  // Literal codes after a clear: code k (from 1) adds entry 256 + k from the
  // second on, so the widths are 9 bits up to code 254 (entry 510), 10 up to
  // 766 (entry 1022), 11 up to 1790 (entry 2046), then 12; code 3839 adds
  // entry 4095, the last before the clear that follows at 12 bits.
  std::string bytes, expected;
  uint64_t acc = 0;
  int bits = 0;
  auto put = [&](uint32_t code, int width) {
    acc = (acc << width) | code;
    bits += width;
    while (bits >= 8) bytes += char(acc >> (bits -= 8));
  };
  put(256, 9);
  for (int k = 1; k <= 3839; ++k) {
    int width = k <= 254 ? 9 : k <= 766 ? 10 : k <= 1790 ? 11 : 12;
    uint32_t literal = uint32_t(k * 7 % 256);
    put(literal, width);
    expected += char(literal);
  }
  put(256, 12);
  put('Z', 9);
  put(257, 9);
  if (bits) bytes += char(acc << (8 - bits));
  expected += 'Z';
  Decoded d = decode({"LZWDecode", {}}, bytes);
  EXPECT_EQ(d.code, 0);
  EXPECT_EQ(d.bytes.size(), expected.size());
  EXPECT_TRUE(d.bytes == expected);
}

TEST(PdfFilterTest, FlateEndsAndErrors) {
  std::string plain = random_bytes(100000, 11, 16);
  std::string z = flate_encode(plain);
  struct Case {
    const char* what;
    std::string data;
    int32_t code;
  };
  const Case cases[] = {
      {"whole", z, 0},
      {"without the checksum", z.substr(0, z.size() - 4), 0},
      {"with bytes after the end", z + "garbage", 0},
  };
  for (const Case& c : cases) {
    for (bool by_byte : {false, true}) {
      Decoded d = decode({"FlateDecode", {}}, c.data, by_byte);
      EXPECT_EQ(d.code, c.code) << c.what;
      EXPECT_EQ(d.bytes, plain) << c.what;
    }
  }
  // Cut in the middle: what inflate could produce is delivered, then the end.
  Decoded cut = decode({"FlateDecode", {}}, z.substr(0, z.size() / 2));
  EXPECT_EQ(cut.code, 0);
  EXPECT_GT(cut.bytes.size(), plain.size() / 4);
  EXPECT_EQ(cut.bytes, plain.substr(0, cut.bytes.size()));
  // Corrupt data is reported as damaged.
  std::string bad = z;
  bad[0] = 0x79;
  EXPECT_EQ(decode({"FlateDecode", {}}, bad).code, PdfError::damaged);
  EXPECT_EQ(decode({"FlateDecode", {}}, "\x78\x9c\xff\xff\xff\xff").code, PdfError::damaged);
}

TEST(PdfFilterTest, PredictorRowsAndRefusedParameters) {
  std::string image = random_bytes(3 * 17 * 9, 5);
  struct Case {
    const char* filter;
    int predictor, colors, bits, columns;
  };
  for (Case c :
       {Case{"FlateDecode", 2, 3, 8, 17}, Case{"LZWDecode", 2, 1, 8, 51}, Case{"FlateDecode", 10, 3, 8, 17},
        Case{"FlateDecode", 11, 3, 8, 17}, Case{"FlateDecode", 12, 1, 8, 51}, Case{"LZWDecode", 13, 3, 8, 17},
        Case{"FlateDecode", 14, 3, 8, 17}, Case{"FlateDecode", 15, 3, 8, 17}, Case{"FlateDecode", 15, 1, 1, 408},
        Case{"FlateDecode", 12, 3, 4, 34}, Case{"FlateDecode", 1, 3, 8, 17}}) {
    FilterSpec spec{
        c.filter,
        {{"Predictor", c.predictor}, {"Colors", c.colors}, {"BitsPerComponent", c.bits}, {"Columns", c.columns}}};
    Decoded d = decode(spec, spec.encode(image));
    EXPECT_EQ(d.code, 0) << c.predictor;
    EXPECT_EQ(d.bytes, image) << c.filter << " " << c.predictor << " " << c.bits;
  }
  // The first Paeth row predicts from zeros above: 10 20 30 stay themselves
  // plus their left neighbour's Paeth of (a, 0, 0) = a.
  FilterSpec paeth{"FlateDecode", {{"Predictor", 14}, {"Columns", 3}}};
  EXPECT_EQ(decode(paeth, flate_encode(std::string("\x04\x0A\x0A\x0A", 4))).bytes, "\x0A\x14\x1E");
  // TIFF differences of 4-bit samples: 1 1 1 1 gives 1 2 3 4.
  FilterSpec nibbles{"FlateDecode", {{"Predictor", 2}, {"BitsPerComponent", 4}, {"Columns", 4}}};
  EXPECT_EQ(decode(nibbles, flate_encode("\x11\x11")).bytes, "\x12\x34");
  // The stage ends with its decoder: two and a half rows give just those bytes.
  FilterSpec rows{"FlateDecode", {{"Predictor", 12}, {"Columns", 4}}};
  EXPECT_EQ(decode(rows, flate_encode(std::string("\x00"
                                                  "abcd"
                                                  "\x00"
                                                  "efgh"
                                                  "\x00"
                                                  "ij",
                                                  13)))
                .bytes,
            "abcdefghij");

  struct Refused {
    const char* what;
    std::vector<std::pair<std::string, int>> parms;
    int32_t code;
  };
  const Refused refused[] = {
      {"Predictor 3", {{"Predictor", 3}}, PdfError::unsupported},
      {"Predictor 16", {{"Predictor", 16}}, PdfError::unsupported},
      {"Colors 0", {{"Predictor", 12}, {"Colors", 0}}, PdfError::unsupported},
      {"Colors 33", {{"Predictor", 12}, {"Colors", 33}}, PdfError::unsupported},
      {"BitsPerComponent 16", {{"Predictor", 12}, {"BitsPerComponent", 16}}, PdfError::unsupported},
      {"Columns 0", {{"Predictor", 2}, {"Columns", 0}}, PdfError::unsupported},
      {"row of 2^25 bytes", {{"Predictor", 12}, {"Columns", 1 << 25}}, PdfError::unsupported},
      {"row overflowing 32 bits", {{"Predictor", 12}, {"Columns", 0x7FFFFFFF}, {"Colors", 32}}, PdfError::unsupported},
  };
  for (const Refused& r : refused) {
    EXPECT_EQ(decode({"FlateDecode", r.parms}, flate_encode("\x00"
                                                            "abc"))
                  .code,
              r.code)
        << r.what;
  }
  // A PNG filter byte above 4 is a syntax error; a parameter not an integer a
  // type error.
  EXPECT_EQ(decode(rows, flate_encode(std::string("\x05"
                                                  "abcd",
                                                  5)))
                .code,
            PdfError::syntax);
  Decoded real_parm = decode_with(flate_encode("x"), [](int64_t n) {
    return with(with(with(nullptr, "DecodeParms", D({{"Predictor", Real(12)}})), "Filter", N("FlateDecode")), "Length",
                I(int32_t(n)));
  });
  EXPECT_EQ(real_parm.code, PdfError::type);
}
