// File access and the byte stream over it: the window's refills forward and
// backwards, push-back, seeking, the byte counter, and a file that shrinks
// after it was opened.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_stream.h"

using pdf_test::PdfSession;

namespace {

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i * 7 + i / 251) & 0xFF);
  return s;
}

}  // namespace

TEST(PdfFileWindowTest, ForwardReadsAcrossRefillsAndRanges) {
  std::string bytes = pattern(10000);
  PdfSession session(bytes);
  ASSERT_EQ(session.begin, 0);
  EXPECT_EQ(pdf_file_size(), 10000);
  struct Case {
    int64_t start, length;
    bool by_byte;
  };
  for (Case c : {Case{0, -1, true}, Case{0, -1, false}, Case{4095, 2, true}, Case{100, 8000, false},
                 Case{9990, 100, true}, Case{10000, -1, true}, Case{20000, 5, false}}) {
    std::string got;
    EXPECT_EQ(pdf_core_run([&] {
                PdfStream* s = pdf_stream_new(c.start, c.length);
                if (c.by_byte) {
                  for (int32_t b; (b = pdf_stream_get(s)) >= 0;) got += char(b);
                } else {
                  uint8_t buf[777];
                  for (int32_t n; (n = pdf_stream_read(s, buf, sizeof buf)) > 0;) got.append((char*)buf, size_t(n));
                }
                pdf_stream_close(s);
              }),
              0);
    int64_t from = c.start < 10000 ? c.start : 10000;
    int64_t to = c.length < 0 ? 10000 : std::min<int64_t>(10000, c.start + c.length);
    EXPECT_EQ(got, bytes.substr(size_t(from), size_t(std::max<int64_t>(0, to - from)))) << c.start << " " << c.length;
  }
  // A negative start is out of range.
  EXPECT_EQ(pdf_core_run([] { pdf_stream_new(-1, 4); }), PdfError::range);
}

TEST(PdfFileWindowTest, BackwardsSeekPushBackAndCounter) {
  std::string bytes = pattern(5000);
  PdfSession session(bytes);
  ASSERT_EQ(session.begin, 0);
  EXPECT_EQ(pdf_core_run([&] {
              PdfStream* s = pdf_stream_new(0, -1);
              // From the end backwards to the start: steps of 1024 bytes.
              pdf_stream_seek(s, 0, 2);
              EXPECT_EQ(pdf_stream_tell(s), 5000);
              std::string back;
              for (int32_t b; (b = pdf_stream_get_back(s)) >= 0;) back.insert(back.begin(), char(b));
              EXPECT_EQ(back, bytes);
              EXPECT_EQ(pdf_stream_tell(s), 0);
              // Forward again after backwards reading.
              pdf_stream_seek(s, 4094, 0);
              EXPECT_EQ(pdf_stream_get(s), uint8_t(bytes[4094]));
              EXPECT_EQ(pdf_stream_get(s), uint8_t(bytes[4095]));
              EXPECT_EQ(pdf_stream_get(s), uint8_t(bytes[4096]));
              EXPECT_EQ(pdf_stream_get_back(s), uint8_t(bytes[4096]));
              pdf_stream_seek(s, -2, 1);
              EXPECT_EQ(pdf_stream_tell(s), 4094);
              // A given-back byte comes first; a second give-back replaces it.
              pdf_stream_give_back(s, 'x');
              pdf_stream_give_back(s, 'y');
              EXPECT_EQ(pdf_stream_get(s), 'y');
              EXPECT_EQ(pdf_stream_get(s), uint8_t(bytes[4094]));
              // Seeking clears it.
              pdf_stream_give_back(s, 'x');
              pdf_stream_seek(s, 10, 0);
              EXPECT_EQ(pdf_stream_get(s), uint8_t(bytes[10]));
              // Only bytes from the top source are counted, not a given-back one.
              pdf_state().counting = 1;
              pdf_state().counted = 0;
              pdf_stream_get(s);
              pdf_stream_give_back(s, 'x');
              pdf_stream_get(s);
              uint8_t buf[50];
              EXPECT_EQ(pdf_stream_read(s, buf, 50), 50);
              pdf_state().counting = 0;
              EXPECT_EQ(pdf_state().counted, 51);
            }),
            0);
}

TEST(PdfFileWindowTest, FileShortenedAfterOpenGivesShortReadsThenError11) {
  std::string bytes = pattern(9000);
  PdfSession session(bytes);
  ASSERT_EQ(session.begin, 0);
  ASSERT_EQ(truncate(session.path.c_str(), 5000), 0);
  EXPECT_EQ(pdf_core_run([] {
              pdf_file_seek(4000, 0);
              uint8_t buf[3000];
              // The size measured at open allows 3000; the file now holds 1000.
              EXPECT_EQ(pdf_file_read(buf, 3000), 1000);
            }),
            0);
  // Through the window the reader meets the missing bytes as error 11, not
  // as stale buffer contents.
  std::string got;
  EXPECT_EQ(pdf_core_run([&] {
              PdfStream* s = pdf_stream_new(0, -1);
              for (int32_t b; (b = pdf_stream_get(s)) >= 0;) got += char(b);
            }),
            PdfError::io);
  EXPECT_EQ(got, bytes.substr(0, 5000));
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_core_run([] {
              PdfStream* s = pdf_stream_new(8000, -1);
              pdf_stream_get(s);
            }),
            PdfError::io);
}

TEST(PdfFileWindowTest, OpenFailsWithoutAFile) {
  EXPECT_EQ(pdf_file_open(pdf_test::temp_path("does-not-exist.pdf").c_str()), -1);
  EXPECT_EQ(pdf_file_open(nullptr), -1);
  EXPECT_EQ(pdf_file_size(), 0);
}
