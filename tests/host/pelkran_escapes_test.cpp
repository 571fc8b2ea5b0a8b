// gdihost with the real graphics driver of a fresh machine root: a document's
// escape statements reach the driver's escapes, and the trace shows each
// answer and answer block. Blocks the driver refuses, the layout mode query
// on the document's PDEV and the page stamp's area on a whole page.
#include <sys/wait.h>

#include <cmath>
#include <cstring>

#include "host_fixture.h"
#include "settings/access/setting_access.h"

namespace hosttest {
namespace {

class PelkranEscapesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  // Prints the document without the interface library: the exit code, and
  // the trace lines of the document's escapes.
  int Print(const std::string& document, std::vector<std::string>* escapes) {
    std::ofstream(root_ + "/doc.txt") << document;
    const std::string command = "cd '" + root_ + "' && '" + BuildOut() + "/gdihost' --root '" + root_ +
                                "' --no-interface -q -o t.prn --trace trace.txt doc.txt 2> gdihost.err";
    const int status = std::system(command.c_str());
    std::ifstream in(root_ + "/trace.txt");
    for (std::string line; std::getline(in, line);)
      if (line.rfind("escape ", 0) == 0) escapes->push_back(line);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Errors() const {
    std::ifstream in(root_ + "/gdihost.err");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The run's warnings, but for rows the driver's bands leave out at the
  // page's foot (the band plan's, not the escapes').
  std::vector<std::string> Warnings() const {
    std::vector<std::string> out;
    for (const std::string& l : Lines(Errors()))
      if (l.rfind("gdihost: warning: ", 0) == 0 && l.find("rows were in no band") == std::string::npos)
        out.push_back(l.substr(18));
    return out;
  }
  // The answer block's bytes of a trace line.
  static std::vector<uint8_t> OutBytes(const std::string& line) {
    std::vector<uint8_t> bytes;
    const size_t at = line.find(" out ");
    if (at == std::string::npos) return bytes;
    for (size_t i = at + 5; i + 1 < line.size(); i += 2) bytes.push_back(uint8_t(std::stoi(line.substr(i, 2), 0, 16)));
    return bytes;
  }
  static std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char b[3];
    for (uint8_t v : bytes) {
      std::snprintf(b, sizeof b, "%02X", v);
      s += b;
    }
    return s;
  }
  std::string root_;
};

// The page count at each page start, and the paper margins of the second page.
TEST_F(PelkranEscapesTest, PageCountAndMarginsReachTheDriver) {
  std::vector<std::string> escapes;
  const std::string page = "page\nescape 0x500A out 4\nrect 100 100 200 200\n";
  const int exit = Print("unit dot\n" + page +
                             "page\nescape 0x500A out 4\nescape 0x5010 in 0900320046003C005000\n"
                             "rect 100 100 200 200\n" +
                             page,
                         &escapes);
  EXPECT_EQ(exit, 0) << Errors();
  EXPECT_EQ(Warnings(), std::vector<std::string>{}) << Errors();
  EXPECT_EQ(escapes,
            (std::vector<std::string>{"escape 0x500A answered 1 out 00000000", "escape 0x500A answered 1 out 01000000",
                                      "escape 0x5010 answered 1", "escape 0x500A answered 1 out 02000000"}));
  EXPECT_GT(std::filesystem::file_size(root_ + "/t.prn"), 0u);
}

// Blocks shorter than their escape's are refused; the layout mode is read
// from the document's own PDEV. The job still prints (the unanswered escapes
// are listed).
TEST_F(PelkranEscapesTest, RefusedBlocksAndTheLayoutModeQuery) {
  std::vector<std::string> escapes;
  const int exit = Print(
      "unit dot\npage\nescape 0x500B in 00\nescape 0x500A\nescape 17 in 0200 out 4\nescape 8 in 05\n"
      "escape 0x5010 in 090032004600\nescape 8 in 7310\nescape 8 in 0A50\nrect 0 0 10 10\n",
      &escapes);
  EXPECT_EQ(exit, 1) << Errors();
  EXPECT_EQ(Warnings().size(), 6u) << Errors();
  EXPECT_EQ(escapes, (std::vector<std::string>{"escape 0x500B answered -1", "escape 0x500A answered -1",
                                               "escape 0x0011 answered -1 out 00000000", "escape 0x0008 answered -1",
                                               "escape 0x5010 answered -1", "escape 0x0008 answered 0",
                                               "escape 0x0008 answered 1"}));
  EXPECT_GT(std::filesystem::file_size(root_ + "/t.prn"), 0u);
}

// A page stamp on a 1-up page: the positioned stamp's area is the whole page,
// as the area without a page stamp is.
TEST_F(PelkranEscapesTest, PageStampAreaOfAWholePage) {
  // The driver's working DEVMODE, with both stamp texts set and the stamp on
  // each page, goes back before the first page.
  std::vector<std::string> escapes;
  ASSERT_EQ(Print("escape 0x5002 out 4700\n", &escapes), 0) << Errors();
  ASSERT_EQ(escapes.size(), 1u);
  std::vector<uint8_t> devmode = OutBytes(escapes[0]);
  ASSERT_EQ(devmode.size(), 4700u);
  std::vector<uint8_t> settings(2840, 0);
  for (auto [id, text] : {std::pair{297, u"DRAFT"}, std::pair{299, u"Arial"}}) {
    const WCHAR* p = text;
    ASSERT_EQ(SetSettingValue(id, devmode.data(), settings.data(), kSettingTypeText,
                              UINT((std::char_traits<char16_t>::length(text) + 1) * 2), &p),
              kSettingOk);
  }
  uint64_t perPage = 0;
  SettingValueType type = 0;
  UINT size = 0;
  ASSERT_EQ(GetSettingValue(456, devmode.data(), settings.data(), &type, &size, &perPage), kSettingOk);
  perPage = 0;
  ASSERT_EQ(SetSettingValue(456, devmode.data(), settings.data(), type, size, &perPage), kSettingOk);

  escapes.clear();
  const int exit =
      Print("unit dot\nescape 0x5005 in " + Hex(devmode) + "\npage\nrect 0 0 10 10\nescape 0x5001 in 00000000 out 44\n",
            &escapes);
  EXPECT_EQ(exit, 0) << Errors();
  EXPECT_EQ(Warnings(), std::vector<std::string>{}) << Errors();
  ASSERT_EQ(escapes.size(), 2u);
  EXPECT_EQ(escapes[0], "escape 0x5005 answered 1");
  std::vector<uint8_t> reply = OutBytes(escapes[1]);
  ASSERT_EQ(reply.size(), 44u);
  uint32_t flags[3];
  float area[8];
  std::memcpy(flags, reply.data(), 12);
  std::memcpy(area, reply.data() + 12, 32);
  EXPECT_EQ(flags[1], 1u);  // the page stamp
  // The default printer's A4 page at 600 dpi: 4960 x 7015 dots.
  const float page[4] = {0, 0, 4960, 7015};
  for (int i = 0; i < 4; ++i) EXPECT_LE(std::fabs(area[i] - page[i]), 1.0f) << i << " " << escapes[1];
}

}  // namespace
}  // namespace hosttest
