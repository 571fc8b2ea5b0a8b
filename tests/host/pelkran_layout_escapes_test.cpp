// gdihost with the real graphics driver of a fresh machine root: a document
// that switches on the application layout mode and asks for pages per sheet
// before its first page, then sends a JPEG image packet in two chunks on
// that page. The trace shows the packet's id and the pages per sheet the
// job runs with.
#include <sys/wait.h>

#include <cstdio>

#include "graphics_driver/core/layout_packet_builder.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[3];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, "%02X", v);
    s += b;
  }
  return s;
}

class PelkranLayoutEscapesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  // Prints the document without the interface library, with settings of the
  // application's DEVMODE: the exit code, and the trace lines of the
  // document's escapes.
  int Print(const std::string& document, const std::string& settings, std::vector<std::string>* escapes) {
    std::ofstream(root_ + "/doc.txt") << document;
    std::filesystem::remove(root_ + "/t.prn");
    const std::string command = "cd '" + root_ + "' && '" + BuildOut() + "/gdihost' --root '" + root_ +
                                "' --no-interface -q -o t.prn " + settings +
                                " --trace trace.txt doc.txt 2> gdihost.err";
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
  // The layout mode on and pages per sheet asked for before the first
  // page; on it a JPEG packet of 1000 bytes in chunks of 600 and 400, then
  // the pages per sheet the job runs with.
  static std::string Document(int pagesPerSheet) {
    pk::test::PacketSpec first;
    first.total = 1000;
    first.chunkLength = 600;
    first.destWidth = 100, first.destHeight = 50;
    pk::test::PacketSpec second = first;
    second.chunkOffset = 600;
    second.chunkLength = 400;
    second.id = 1;
    return "unit dot\n"
           "escape 0x1071 in 0800000001000000\n"
           "escape 0x1074 in 080000000413" +
           Hex({uint8_t(pagesPerSheet), 0}) +
           "\n"
           "page\n"
           "rect 100 100 200 200\n"
           "escape 0x1072 in " +
           Hex(pk::test::BuildPacket(first)) + "\nescape 0x1072 in " + Hex(pk::test::BuildPacket(second)) +
           "\n"
           "escape 0x1074 in 0800000003130000 out 2\n";
  }
  static std::vector<std::string> Expected(int pagesPerSheet) {
    return {"escape 0x1071 answered 1", "escape 0x1074 answered 1", "escape 0x1072 answered 1",
            "escape 0x1072 answered 1", "escape 0x1074 answered 1 out " + Hex({uint8_t(pagesPerSheet), 0})};
  }
  std::string root_;
};

TEST_F(PelkranLayoutEscapesTest, TwoChunkPacketPrints) {
  std::vector<std::string> escapes;
  EXPECT_EQ(Print(Document(1), "", &escapes), 0) << Errors();
  EXPECT_EQ(escapes, Expected(1));
  EXPECT_GT(std::filesystem::file_size(root_ + "/t.prn"), 0u);
}

// Two pages per sheet asked for through the escape: the job prints with
// them, and ends as the same document does with the settings the override
// writes set in the application's DEVMODE.
TEST_F(PelkranLayoutEscapesTest, TwoPagesPerSheetFromTheEscape) {
  std::vector<std::string> escapes;
  const int exit = Print(Document(2), "", &escapes);
  EXPECT_EQ(exit, 0) << Errors();
  EXPECT_EQ(escapes, Expected(2));
  std::vector<std::string> plain;
  EXPECT_EQ(Print("unit dot\npage\nrect 100 100 200 200\n", "-s 295=2 -s 264=1 -s 294=1 -s 296=0", &plain), exit)
      << Errors();
}

}  // namespace
}  // namespace hosttest
