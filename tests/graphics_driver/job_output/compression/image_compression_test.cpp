// The page image compression: the coder each image gets, the line coder in
// place (and through the temp file when no scratch block can be had), JPEG
// through the system library into the temp file (with a failing temp file),
// and the outside library's calls through a recording stand-in.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics_driver/job_output/compression/line_decoder.h"
#include "graphics_driver/job_output/image_compression.h"
#include "platform/win/win_module.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::Bytes;

struct RecordingCompress {
  char log[4096];
  int initAnswer;
  int finishAnswer;
  unsigned size;
};

Bytes Smooth(uint32_t width, uint32_t height, uint32_t bpp) {
  Bytes image(size_t(width) * height * bpp);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      for (uint32_t k = 0; k < bpp; ++k)
        image[(size_t(y) * width + x) * bpp + k] = BYTE((x * 200 / width + y * 50 / height + k * 60) & 0xFF);
  return image;
}

Bytes Noise(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes image(n);
  for (BYTE& b : image) b = BYTE(random());
  return image;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  pclose(p);
  return out;
}

class ImageCompressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = pk::seams::UseTemporaryMachineRoot();
    ResetTempFile(&temp_, 0, nullptr);
    blocks_ = pk::seams::GlobalLiveBlocks();
  }
  void TearDown() override {
    if (binding_) UnloadCompressionDll(binding_);
    DeleteTempFile(&temp_);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks_);
    pk::seams::ResetAll();
  }

  // The request for an image of the given shape.
  CompressionRequest Request(BYTE method, BYTE kind, BYTE bits, uint16_t width, uint16_t height, Bytes* image) {
    kind_ = kind;
    length_ = uint32_t(image->size());
    coder_ = 0;
    CompressionRequest r{};
    r.candidate = 1;
    r.bitsPerPixel = bits;
    r.width = width;
    r.height = height;
    r.coderUsed = &coder_;
    r.method = method;
    r.colourKind = &kind_;
    r.length = &length_;
    r.tempFile = &temp_;
    r.ropKind = 2;
    r.ropCode = 204;
    r.binding = binding_;
    return r;
  }

  // A library copied into the machine root and bound as the driver binds it.
  void BindLibrary(const char* file, const std::u16string& name) {
    const std::u16string path = u"C:\\" + name + u".dll";
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath((u"C:\\" + name + u".so").c_str(), nullptr, &host), 0u);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::filesystem::copy_file(file, host, std::filesystem::copy_options::overwrite_existing);
    binding_ = LoadCompressionDll(path.c_str());
    ASSERT_NE(binding_, nullptr);
  }
  RecordingCompress* Recording() {
    auto state = reinterpret_cast<RecordingCompress* (*)()>(GetProcAddress(binding_->module, "recording_compress"));
    RecordingCompress* r = state();
    *r = {};
    return r;
  }

  std::string root_;
  TempFile temp_{};
  BYTE kind_ = 0, coder_ = 0;
  uint32_t length_ = 0;
  CompressionDllBinding* binding_ = nullptr;
  SIZE_T blocks_ = 0;
};

TEST_F(ImageCompressionTest, SmallOrUnaskedImagesStayAsTheyAre) {
  struct Case {
    const char* what;
    uint32_t candidate;
    BYTE method, kind, bits;
    uint16_t width, height;
  };
  const Case cases[] = {
      {"1,023 bytes", 1, 8, kImageGrey, 8, 1023, 1},
      {"not a candidate", 0, 8, kImageGrey, 8, 64, 64},
      {"method 5", 1, 5, kImageGrey, 8, 64, 64},
      {"method 7 on 8 bits", 1, 7, kImageGrey, 8, 64, 64},
      {"method 8 on 1 bit without a library", 1, 8, kImagePaletteA, 1, 256, 64},
  };
  for (const Case& c : cases) {
    Bytes image = Smooth(c.width, c.height, 1);
    const Bytes before = image;
    CompressionRequest r = Request(c.method, c.kind, c.bits, c.width, c.height, &image);
    r.candidate = c.candidate;
    EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressKept) << c.what;
    EXPECT_EQ(image, before) << c.what;
    EXPECT_EQ(length_, before.size()) << c.what;
    EXPECT_EQ(coder_, 0) << c.what;
  }
  EXPECT_EQ(CompressOutputImage(nullptr, nullptr), kCompressKept);
}

TEST_F(ImageCompressionTest, LineCoderCodesInPlaceWhatDecodesBack) {
  struct Case {
    const char* what;
    BYTE method, kind, bits;
    uint16_t width, height;
    uint32_t ropCode;
  };
  const Case cases[] = {
      {"1,024-byte grey", 8, kImageGrey, 8, 32, 32, 204},
      {"palette kind 11", 8, kImagePaletteB, 8, 100, 30, 204},
      {"RGB by method 8", 8, kImageRgb, 24, 100, 30, 204},
      {"RGB by method 4 without source copy", 4, kImageRgb, 24, 100, 30, 0x20},
  };
  for (const Case& c : cases) {
    Bytes image = Smooth(c.width, c.height, c.bits / 8);
    const Bytes before = image;
    CompressionRequest r = Request(c.method, c.kind, c.bits, c.width, c.height, &image);
    r.ropCode = c.ropCode;
    ASSERT_EQ(CompressOutputImage(&r, image.data()), kCompressDone) << c.what;
    EXPECT_EQ(coder_, kCoderLine) << c.what;
    EXPECT_EQ(kind_, c.kind) << c.what;
    ASSERT_LT(length_, before.size()) << c.what;
    const Bytes code(image.begin(), image.begin() + length_);
    EXPECT_EQ(code, pk::test::Code(before, c.width, c.height, c.bits)) << c.what;
    Bytes decoded;
    EXPECT_TRUE(pk::test::LineDecoder(code, c.width, c.height, c.bits).Decode(&decoded)) << c.what;
    EXPECT_EQ(decoded, before) << c.what;
  }
}

TEST_F(ImageCompressionTest, LineCodedImageThatWouldGrowIsKept) {
  Bytes image = Noise(64 * 32, 7);
  const Bytes before = image;
  CompressionRequest r = Request(8, kImageGrey, 8, 64, 32, &image);
  EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressKept);
  EXPECT_EQ(image, before);
  EXPECT_EQ(length_, before.size());
  EXPECT_EQ(coder_, 0);
  // Through the temp file it is refused as well, the image untouched.
  pk::seams::FailAllocationsFrom(before.size());
  EXPECT_EQ(CompressWithLineCoder(&temp_, kImageGrey, 8, 64, 32, &coder_, &length_, image.data()), kCompressNotSmaller);
  pk::seams::FailAllocationsFrom(0);
  EXPECT_EQ(image, before);
}

TEST_F(ImageCompressionTest, WithoutScratchTheTempFileGivesTheSameBytes) {
  for (auto [kind, bits] : {std::pair{kImageGrey, BYTE(8)}, std::pair{kImageRgb, BYTE(24)}}) {
    Bytes image = Smooth(120, 90, bits / 8);
    const Bytes before = image;
    const Bytes expected = pk::test::Code(before, 120, 90, bits);
    CompressionRequest r = Request(8, kind, bits, 120, 90, &image);
    pk::seams::FailAllocationsFrom(before.size());
    ASSERT_EQ(CompressOutputImage(&r, image.data()), kCompressDone);
    pk::seams::FailAllocationsFrom(0);
    EXPECT_EQ(HasTempFileData(&temp_), 1);
    EXPECT_EQ(coder_, kCoderLine);
    ASSERT_EQ(length_, expected.size());
    EXPECT_EQ(Bytes(image.begin(), image.begin() + length_), expected);
  }
}

// The quantisation tables libjpeg makes at quality 83 with baseline tables.
std::vector<std::vector<int>> ReferenceTables(int components) {
  jpeg_compress_struct c{};
  jpeg_error_mgr e{};
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  c.input_components = components;
  c.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 83, TRUE);
  std::vector<std::vector<int>> tables;
  for (int t = 0; t < (components == 3 ? 2 : 1); ++t)
    tables.emplace_back(c.quant_tbl_ptrs[t]->quantval, c.quant_tbl_ptrs[t]->quantval + 64);
  jpeg_destroy_compress(&c);
  return tables;
}

// The header of a JPEG stream: components and its tables.
struct JpegHead {
  int width = 0, height = 0, components = 0;
  std::vector<std::vector<int>> tables;
};
JpegHead ReadHead(const Bytes& jpeg) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr e{};
  d.err = jpeg_std_error(&e);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, jpeg.data(), jpeg.size());
  JpegHead head;
  if (jpeg_read_header(&d, TRUE) == JPEG_HEADER_OK) {
    head.width = int(d.image_width);
    head.height = int(d.image_height);
    head.components = d.num_components;
    for (int t = 0; t < 4 && d.quant_tbl_ptrs[t]; ++t)
      head.tables.emplace_back(d.quant_tbl_ptrs[t]->quantval, d.quant_tbl_ptrs[t]->quantval + 64);
  }
  jpeg_destroy_decompress(&d);
  return head;
}

TEST_F(ImageCompressionTest, SourceCopyPhotoGoesOutAsJpegThatDjpegReads) {
  Bytes image = Smooth(256, 256, 3);
  const Bytes before = image;
  CompressionRequest r = Request(4, kImageRgb, 24, 256, 256, &image);
  ASSERT_EQ(CompressOutputImage(&r, image.data()), kCompressDone);
  EXPECT_EQ(coder_, kCoderJpeg);
  EXPECT_EQ(kind_, kImageJpeg);
  ASSERT_LT(length_, before.size());
  const Bytes jpeg(image.begin(), image.begin() + length_);
  const JpegHead head = ReadHead(jpeg);
  EXPECT_EQ(head.width, 256);
  EXPECT_EQ(head.components, 3);
  EXPECT_EQ(head.tables, ReferenceTables(3));

  const std::string file = root_ + "/photo.jpg";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
  const std::string ppm = RunCommand("djpeg -pnm '" + file + "' 2>/dev/null");
  const std::string header = "P6\n256 256\n255\n";
  ASSERT_EQ(ppm.substr(0, header.size()), header);
  ASSERT_EQ(ppm.size(), header.size() + before.size());
  double squared = 0;
  for (size_t i = 0; i < before.size(); ++i) {
    const double d = double(BYTE(ppm[header.size() + i])) - before[i];
    squared += d * d;
  }
  const double psnr = 10 * std::log10(255.0 * 255.0 / (squared / double(before.size()) + 1e-9));
  EXPECT_GT(psnr, 30.0);
}

TEST_F(ImageCompressionTest, GreyJpegHasOneComponentOfTheInvertedImage) {
  Bytes image = Smooth(128, 64, 1);
  const Bytes before = image;
  CompressionRequest r = Request(4, kImageGrey, 8, 128, 64, &image);
  ASSERT_EQ(CompressOutputImage(&r, image.data()), kCompressDone);
  const JpegHead head = ReadHead(Bytes(image.begin(), image.begin() + length_));
  EXPECT_EQ(head.components, 1);
  EXPECT_EQ(head.tables, ReferenceTables(1));
}

TEST_F(ImageCompressionTest, JpegThatIsNotSmallerRestoresTheImage) {
  // One row of grey noise (JPEG codes eight): the inversion is undone.
  Bytes image = Noise(1024, 3);
  const Bytes before = image;
  CompressionRequest r = Request(4, kImageGrey, 8, 1024, 1, &image);
  EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressKept);
  EXPECT_EQ(image, before);
  EXPECT_EQ(kind_, kImageGrey);
  EXPECT_EQ(length_, before.size());

  // A palette image is mapped to grey first, and stays mapped.
  BYTE map[256];
  for (int i = 0; i < 256; ++i) map[i] = BYTE(i * 7 + 1);
  image = before;
  r = Request(4, kImagePaletteA, 8, 1024, 1, &image);
  r.paletteMap = map;
  EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressKept);
  for (size_t i = 0; i < image.size(); ++i) ASSERT_EQ(image[i], map[before[i]]) << i;
  EXPECT_EQ(kind_, kImageGrey);
}

TEST_F(ImageCompressionTest, PaletteImageIsMappedBeforeJpeg) {
  BYTE map[256];
  for (int i = 0; i < 256; ++i) map[i] = BYTE(255 - i);
  Bytes image = Smooth(128, 64, 1);
  Bytes grey = image;
  for (BYTE& b : grey) b = map[b];
  CompressionRequest r = Request(4, kImagePaletteA, 8, 128, 64, &image);
  r.paletteMap = map;
  ASSERT_EQ(CompressOutputImage(&r, image.data()), kCompressDone);
  EXPECT_EQ(kind_, kImageJpeg);
  // The same bytes as the mapped image coded as grey.
  r = Request(4, kImageGrey, 8, 128, 64, &grey);
  ASSERT_EQ(CompressOutputImage(&r, grey.data()), kCompressDone);
  EXPECT_EQ(Bytes(image.begin(), image.begin() + length_), Bytes(grey.begin(), grey.begin() + length_));
}

TEST_F(ImageCompressionTest, FailingTempFileWriteLeavesTheImageAndTheProcess) {
  ASSERT_EQ(CreateTempFile(&temp_), 0);
  const std::u16string name(temp_.name);
  Bytes image = Noise(256 * 256, 11);
  const Bytes before = image;
  // The destination's second 4,096-byte write fails; the box is cancelled.
  pk::seams::FailWritesFrom(name.substr(name.rfind(u'\\') + 1).c_str(), 2, false);
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  CompressionRequest r = Request(4, kImageGrey, 8, 256, 256, &image);
  EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressKept);
  EXPECT_EQ(image, before);
  EXPECT_EQ(kind_, kImageGrey);
  EXPECT_EQ(length_, before.size());
  pk::seams::ClearWriteFaults();
  // The temp file object serves the next image.
  Bytes photo = Smooth(256, 256, 3);
  r = Request(4, kImageRgb, 24, 256, 256, &photo);
  EXPECT_EQ(CompressOutputImage(&r, photo.data()), kCompressDone);
  EXPECT_EQ(HasTempFileData(&temp_), 1);
}

TEST_F(ImageCompressionTest, LibraryIsCalledWithTheBilevelImage) {
  BindLibrary(PK_RECORDING_ORVCOMP, u"Recording");
  RecordingCompress* rec = Recording();
  Bytes image(100 * 50, 0x0F);  // 800 x 50 pixels, 1 bit

  // Smaller: fetched and finished.
  rec->size = 300;
  CompressionRequest r = Request(4, kImagePaletteA, 1, 800, 50, &image);
  ASSERT_EQ(CompressOutputImage(&r, image.data()), kCompressDone);
  EXPECT_STREQ(rec->log, "init 1 1 800 50 100\ncompress 1 50\nget 1\nfinish 1\n");
  EXPECT_EQ(coder_, kCoderLibraryMmr);
  EXPECT_EQ(length_, 300u);
  EXPECT_EQ(image[299], 0xA5);
  EXPECT_EQ(image[300], 0x0F);

  // Method 6 asks for kind 2; larger: finished alone, image unchanged.
  rec = Recording();
  rec->size = 6000;
  image.assign(100 * 50, 0x0F);
  r = Request(6, kImagePaletteB, 1, 799, 50, &image);
  EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressDone);
  EXPECT_STREQ(rec->log, "init 1 2 799 50 100\ncompress 1 50\nfinish 1\n");
  EXPECT_EQ(coder_, 0);
  EXPECT_EQ(length_, 5000u);
  EXPECT_EQ(image, Bytes(5000, 0x0F));

  // A failing init: the path answers 2, the decision 1.
  rec = Recording();
  rec->initAnswer = 7;
  r = Request(7, kImagePaletteA, 1, 800, 50, &image);
  EXPECT_EQ(CompressWithDll(kCoderLibraryMmr, binding_, kImagePaletteA, 1, 800, 50, &coder_, &length_, image.data()),
            kCompressLibraryFailed);
  EXPECT_EQ(CompressOutputImage(&r, image.data()), kCompressKept);
  EXPECT_EQ(CompressWithDll(5, binding_, kImagePaletteA, 1, 800, 50, &coder_, &length_, image.data()),
            kCompressBadArguments);
  EXPECT_EQ(CallInitBitmap(nullptr, 1, 1, 1, 1), 1);
  EXPECT_EQ(CallCompressBitmap(nullptr, nullptr, 1, nullptr), 1);
  EXPECT_EQ(CallGetBitmap(nullptr, nullptr), 1);
  EXPECT_EQ(CallFinishBitmap(nullptr), 1);
}

}  // namespace
