// The profile M export command on the headless back end: the dialog's
// preselection, its quality check, Cancel, a cleared path, and the settings
// kept for the run only.
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

}  // namespace
