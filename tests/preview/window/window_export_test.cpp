// The profile M export command on the headless back end: the dialog's
// preselection, its quality check and path limit, Cancel, a cleared path,
// and the settings kept for the run only, never in the settings file.
#include <filesystem>

#include "preview/window/make_tfxpm_dlg.h"
#include "raster/mrc/rst_mrc_creators.h"
#include "window_test_support.h"

namespace {

using pk::mfc::DialogDriver;

// The checked index of each radio group of the dialog, in the members' order.
std::vector<int> Checked(DialogDriver& d) {
  struct Group {
    int first, count;
  } groups[] = {{1032, 4}, {1036, 4}, {1040, 3}, {1043, 5}, {1051, 3}, {1054, 3}, {1057, 4}, {1061, 4}};
  std::vector<int> out;
  for (const Group& g : groups) {
    int index = -1;
    for (int i = 0; i < g.count; ++i)
      if (d.checked(g.first + i)) index = i;
    out.push_back(index);
  }
  return out;
}

TEST_F(WindowTest, ExportDialogPreselectsAndChecksTheQualities) {
  ASSERT_TRUE(Start({}));
  EXPECT_TRUE(ui_.enabled(ID_FILE_EXPORT_MRC));
  bool inMenu = false;
  for (const auto& [id, text] : ui_.frame()->m_contextCommands)
    inMenu = inMenu || (id == ID_FILE_EXPORT_MRC && text == "TIFF-FX Profile-M...");
  EXPECT_TRUE(inMenu);

  std::vector<int> seen;
  std::string path, fg, bg;
  ui_.answerDialog([&](DialogDriver& d) {
    seen = Checked(d);
    path = d.text(IDC_TFXPM_PATH);
    fg = d.text(IDC_TFXPM_FG_QUALITY);
    bg = d.text(IDC_TFXPM_BG_QUALITY);
    d.click(IDCANCEL);
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 2, 3, 1, 1, 2, 2}));
  EXPECT_EQ(path, "c:\\out.tif");
  EXPECT_EQ(fg, "50");
  EXPECT_EQ(bg, "50");

  // Out-of-range stored values preselect their defaults.
  CDravixView::ExportSettings odd;
  odd.docType = 9;
  odd.mask = -1;
  odd.fgQuality = 0;
  View()->SetExportSettings(odd);
  ui_.answerDialog([&](DialogDriver& d) {
    seen = Checked(d);
    fg = d.text(IDC_TFXPM_FG_QUALITY);
    d.click(IDCANCEL);
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 2, 3, 1, 1, 2, 2}));
  EXPECT_EQ(fg, "50");
  EXPECT_EQ(View()->GetExportSettings().docType, 9);  // Cancel changed nothing

  // Quality 0 or 101 keeps the dialog open, also with no layer coding.
  for (const char* q : {"0", "101"}) {
    bool open = false;
    ui_.answerDialog([&](DialogDriver& d) {
      d.click(1051);
      d.type(IDC_TFXPM_BG_QUALITY, q);
      open = !d.click(IDOK);
      d.click(IDCANCEL);
    });
    ui_.command(ID_FILE_EXPORT_MRC);
    EXPECT_TRUE(open) << q;
  }
  EXPECT_EQ(Messages().size(), 2u);
  // Either quality, with either layer coding: the framework's range message,
  // once per OK, and the dialog stays open.
  struct Bad {
    int edit, compression;
    const char* value;
  } bad[] = {{IDC_TFXPM_FG_QUALITY, 1052, "0"},
             {IDC_TFXPM_FG_QUALITY, 1053, "101"},
             {IDC_TFXPM_BG_QUALITY, 1055, "101"},
             {IDC_TFXPM_BG_QUALITY, 1054, "0"}};
  for (const Bad& b : bad) {
    const size_t before = Messages().size();
    bool open = false;
    ui_.answerDialog([&](DialogDriver& d) {
      d.click(b.compression);
      d.type(b.edit, b.value);
      open = !d.click(IDOK);
      d.click(IDCANCEL);
    });
    ui_.command(ID_FILE_EXPORT_MRC);
    EXPECT_TRUE(open) << b.edit << " " << b.value;
    ASSERT_EQ(Messages().size(), before + 1);
    EXPECT_EQ(Messages().back(), "Digite um número inteiro entre 1 e 100.");
  }
  EXPECT_EQ(View()->GetExportSettings().docType, 9);  // nothing stored
}

TEST_F(WindowTest, ExportWritesTheShownFileAndKeepsTheSettingsForTheRun) {
  rst_register_mrc_creators();  // as the program's start does
  ASSERT_TRUE(Start({Charts(1)}));
  const std::string out = Path("export.tif");
  ui_.answerDialog([&](DialogDriver& d) {
    d.type(IDC_TFXPM_PATH, out);
    EXPECT_TRUE(d.click(IDOK));
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_TRUE(Sh("tiffinfo '" + out + "' 2>&1 | (! grep -qi error)"));
  EXPECT_EQ(View()->GetExportSettings().path, out);
  // A second export shows the stored path; a cleared path writes nothing and
  // the next dialog shows the default.
  std::string path;
  ui_.answerDialog([&](DialogDriver& d) {
    path = d.text(IDC_TFXPM_PATH);
    d.type(IDC_TFXPM_PATH, "");
    EXPECT_TRUE(d.click(IDOK));
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_EQ(path, out);
  ui_.answerDialog([&](DialogDriver& d) {
    path = d.text(IDC_TFXPM_PATH);
    d.click(IDCANCEL);
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_EQ(path, "c:\\out.tif");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(WindowTest, ExportChoicesLastTheRunButNeverReachTheSettingsFile) {
  rst_register_mrc_creators();
  ASSERT_TRUE(Start({WhitePage("white.tif", 64, 48, 200)}));
  // Choices other than the defaults: colour text, MR mask, no foreground
  // coding, 4:1:1 background at 70, reductions none and 1/4.
  const std::string out = Path("first.tif");
  ui_.answerDialog([&](DialogDriver& d) {
    d.type(IDC_TFXPM_PATH, out);
    for (int id : {1032, 1039, 1040, 1045, 1051, 1060, 1064}) d.click(id);
    d.type(IDC_TFXPM_BG_QUALITY, "70");
    EXPECT_TRUE(d.click(IDOK));
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_TRUE(Sh("tiffinfo '" + out + "' 2>&1 | (! grep -qi error)"));
  // The second export of the run shows them, and writes again with them.
  std::vector<int> seen;
  std::string path, bg;
  const std::string second = Path("second.tif");
  ui_.answerDialog([&](DialogDriver& d) {
    seen = Checked(d);
    path = d.text(IDC_TFXPM_PATH);
    bg = d.text(IDC_TFXPM_BG_QUALITY);
    d.type(IDC_TFXPM_PATH, second);
    EXPECT_TRUE(d.click(IDOK));
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_EQ(seen, (std::vector<int>{0, 3, 0, 2, 0, 1, 3, 3}));
  EXPECT_EQ(path, out);
  EXPECT_EQ(bg, "70");
  EXPECT_TRUE(Sh("tiffinfo '" + second + "' 2>&1 | (! grep -qi error)"));
  EXPECT_TRUE(Messages().empty());

  // The close writes the window's keys and nothing of the export.
  std::filesystem::remove(Ini());
  ui_.command(ID_APP_EXIT);
  std::vector<std::string> keys;
  for (const std::string& line : IniLines()) keys.push_back(line.substr(0, line.find('=')));
  EXPECT_EQ(keys, (std::vector<std::string>{"WINDOWFLAG", "XPOINT", "YPOINT", "XSIZE_WINDOW", "YSIZE_WINDOW",
                                            "XSIZE_IMAGE", "YSIZE_IMAGE"}));
}

TEST_F(WindowTest, ExportPathIsCutAtTwoHundredFiftySixCharacters) {
  rst_register_mrc_creators();
  ASSERT_TRUE(Start({WhitePage("white.tif", 64, 48, 200)}));
  // A host path of exactly 256 characters, typed with more after it.
  std::string full = Path("");
  full += std::string(256 - full.size() - 4, 'p') + ".tif";
  ASSERT_EQ(full.size(), 256u);
  std::string shown;
  ui_.answerDialog([&](DialogDriver& d) {
    d.type(IDC_TFXPM_PATH, full + "-and-more.tif");
    shown = d.text(IDC_TFXPM_PATH);
    EXPECT_TRUE(d.click(IDOK));
  });
  ui_.command(ID_FILE_EXPORT_MRC);
  EXPECT_EQ(shown, full);
  EXPECT_EQ(View()->GetExportSettings().path, full);
  EXPECT_TRUE(Sh("tiffinfo '" + full + "' 2>&1 | (! grep -qi error)"));
  EXPECT_FALSE(std::filesystem::exists(full + "-and-more.tif"));
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
