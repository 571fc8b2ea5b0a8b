// File storages over temporary files: positioning at the edges, zero-filling
// skips that keep existing bytes, the hand-over from output to input, and
// read and write faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/win/crt_io.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/rst_image_info.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

namespace {

using storage_test::pattern;
using storage_test::read_file;

class FileStorage : public RstStatusTest {
 protected:
  storage_test::TempDir dir;
};

TEST_F(FileStorage, InputPositionsStopAtTheEnds) {
  FileInputStorage in;
  ASSERT_TRUE(in.open(dir.write("ten.bin", pattern(10))));
  struct Case {
    int32_t at;
    const char* op;
    int32_t arg;
    int32_t result;
    int32_t position;
  } cases[] = {
      {3, "move", -5, -3, 0}, {8, "move", 5, 2, 10},           {4, "seek", 20, 10, 10},
      {4, "seek", -1, 0, 4},  {2, "seek_from_end", -4, -4, 6}, {2, "seek_from_end", -40, -10, 0},
      {5, "move", 0, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.arg) + " at " + std::to_string(c.at));
    ASSERT_EQ(in.seek(c.at), c.at);
    int32_t r = std::string(c.op) == "move"   ? in.move(c.arg)
                : std::string(c.op) == "seek" ? in.seek(c.arg)
                                              : in.seek_from_end(c.arg);
    EXPECT_EQ(r, c.result);
    EXPECT_EQ(in.tell(), c.position);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(FileStorage, MissingFileOpensNothingAndReportsNothing) {
  FileInputStorage in;
  std::string path = dir.file("missing.bin");
  EXPECT_FALSE(in.open(path));
  EXPECT_TRUE(in.is_closed());
  EXPECT_EQ(in.name(), path);
  EXPECT_TRUE(status.messages().empty());
  FileOutputStorage out;
  EXPECT_FALSE(out.open(dir.file("no-such-folder/x.bin")));
  EXPECT_TRUE(out.is_closed());
}

TEST_F(FileStorage, OutputSkipGrowsWithZerosAndKeepsExistingBytes) {
  std::string path = dir.file("out.bin");
  FileOutputStorage out;
  ASSERT_TRUE(out.open(path));
  std::vector<uint8_t> ten = pattern(10, 1);
  ASSERT_EQ(out.write(ten.data(), 10), 10);
  // At the end: three zeros are appended.
  EXPECT_EQ(out.skip(3), 3);
  EXPECT_EQ(out.size(), 13);
  // Inside the data: nothing is written, not even the last skipped byte.
  ASSERT_EQ(out.seek(2), 2);
  EXPECT_EQ(out.skip(3), 3);
  EXPECT_EQ(out.tell(), 5);
  // Across the end: bytes before it kept, the rest zeros.
  ASSERT_EQ(out.seek(11), 11);
  ASSERT_EQ(out.put(0xAB), 0xAB);
  EXPECT_EQ(out.skip(4), 4);
  EXPECT_EQ(out.size(), 16);
  EXPECT_EQ(out.skip(0), 0);
  out.close();
  std::vector<uint8_t> want = ten;
  want.insert(want.end(), {0, 0xAB, 0, 0, 0, 0});
  EXPECT_EQ(read_file(path), want);
}

TEST_F(FileStorage, OutputOpenTruncatesAndHandsOverToInput) {
  std::string path = dir.write("old.bin", pattern(50));
  FileOutputStorage out;
  ASSERT_TRUE(out.open(path));
  EXPECT_EQ(out.size(), 0);
  EXPECT_EQ(out.name(), path);
  std::vector<uint8_t> data = pattern(7, 0x30);
  ASSERT_EQ(out.write(data.data(), 7), 7);
  EXPECT_EQ(out.move(-20), -7);
  EXPECT_EQ(out.move(3), 3);
  EXPECT_EQ(out.move(30), 4);
  EXPECT_TRUE(out.unput());
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  EXPECT_TRUE(out.is_closed());
  ASSERT_TRUE(in);
  EXPECT_FALSE(in->is_closed());
  EXPECT_EQ(in->size(), 7);
  std::vector<uint8_t> got(7);
  EXPECT_EQ(in->read(got.data(), 7), 7);
  EXPECT_EQ(got, data);
  EXPECT_EQ(dynamic_cast<Namable*>(in.get())->name(), path);
}

TEST_F(FileStorage, ReadFaultIsReportedAndShowsAsShortCount) {
  FileInputStorage in;
  ASSERT_TRUE(in.open(dir.write("data.bin", pattern(100))));
  pk::seams::FailCrtReadAfter(30);
  std::vector<uint8_t> got(100);
  EXPECT_EQ(in.read(got.data(), 100), 30);
  EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + 30), pattern(30));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "PosixLowLevelIO::read()"}}));
  EXPECT_EQ(in.get(), -1);
  pk::seams::FailCrtReadAfter(-1);
  EXPECT_EQ(in.get(), 30);
  // The end of the file is no error.
  status.clear();
  ASSERT_TRUE(in.seek_end());
  EXPECT_EQ(in.read(got.data(), 10), 0);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(FileStorage, WriteFaultShowsAsShortCount) {
  std::string path = dir.file("out.bin");
  FileOutputStorage out;
  ASSERT_TRUE(out.open(path));
  pk::seams::FailCrtWriteAfter(5);
  std::vector<uint8_t> data = pattern(10);
  EXPECT_EQ(out.write(data.data(), 10), 5);
  EXPECT_EQ(out.put(1), -1);
  EXPECT_EQ(out.skip(3), 2);  // the file grows by the seek alone; its last byte is missing
  EXPECT_TRUE(status.messages().empty());
  out.close();
  EXPECT_EQ(read_file(path), pattern(5));
}

TEST_F(FileStorage, InputTooLargeToAddressIsRefused) {
  std::string path = dir.file("big.bin");
  {
    FileOutputStorage touch;
    ASSERT_TRUE(touch.open(path));
  }
  std::error_code ec;
  std::filesystem::resize_file(path, (uint64_t{1} << 31) + 10, ec);  // sparse
  if (ec) GTEST_SKIP() << "no sparse file here: " << ec.message();
  FileInputStorage in;
  EXPECT_FALSE(in.open(path));
  EXPECT_TRUE(in.is_closed());
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(FileStorage, ImageInfoPlacesTheStorageAtThePage) {
  FileInputStorage in;
  ASSERT_TRUE(in.open(dir.write("page.bin", pattern(40))));
  RstHeader h;
  h.width = 17;
  h.height = 3;
  RstImageInfo info(&in, 24, h, 200, 100, RstImageFormat(0), new RstPrivateHeader);
  EXPECT_EQ(in.tell(), 24);
  EXPECT_EQ(info.storage, &in);
  EXPECT_EQ(info.cached_page_count, 0);
  EXPECT_EQ(info.width, 17);
  EXPECT_EQ(info.height, 3);
  EXPECT_EQ(info.x_resolution, 200);
  EXPECT_EQ(info.y_resolution, 100);
  EXPECT_TRUE(info.format.is_tiff());
}

}  // namespace
