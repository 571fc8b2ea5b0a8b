// The preview's dialogs on the headless back end: zoom, go-to-page, image
// information and about, opened by their commands.
#include "window_test_support.h"

namespace {

using pk::mfc::DialogDriver;

// The zoom dialog's preselected choice and field, opened at the current zoom.
struct Preset {
  int choice;  // checked radio button id
  std::string percent;
};
Preset OpenZoomDialog(pk::mfc::HeadlessBackend& ui) {
  Preset seen{0, ""};
  ui.answerDialog([&](DialogDriver& d) {
    for (int id = IDC_ZOOM_25; id <= IDC_ZOOM_CUSTOM; ++id)
      if (d.checked(id)) seen.choice = id;
    seen.percent = d.text(IDC_ZOOM_PERCENT);
    d.click(IDCANCEL);
  });
  ui.command(ID_VIEW_ZOOM);
  return seen;
}

TEST_F(WindowTest, ZoomDialogPreselectsTheShownZoom) {
  ASSERT_TRUE(Start({Charts()}));
  Preset fit = OpenZoomDialog(ui_);
  EXPECT_EQ(fit.choice, IDC_ZOOM_FIT);
  EXPECT_EQ(ui_.dialogs().back().caption, "Configuração do zoom");
  // After the dialog, OK or not, no zoom item has a check mark.
  EXPECT_EQ(ui_.checked(ID_VIEW_FIT_WINDOW), 0);
  ui_.command(ID_ZOOM_75);
  ASSERT_EQ(Shown(), 75);
  EXPECT_EQ(OpenZoomDialog(ui_).choice, IDC_ZOOM_75);
  ui_.typeCombo("60");
  ASSERT_EQ(Shown(), 60);
  Preset typed = OpenZoomDialog(ui_);
  EXPECT_EQ(typed.choice, IDC_ZOOM_CUSTOM);
  EXPECT_EQ(typed.percent, "60");
  for (UINT id : {ID_ZOOM_75, ID_ZOOM_100, ID_VIEW_FIT_WINDOW}) EXPECT_EQ(ui_.checked(id), 0) << id;
}

TEST_F(WindowTest, ZoomDialogChecksTheTypedPercentOnlyForItsChoice) {
  ASSERT_TRUE(Start({Charts()}));
  bool stayedOpen = false;
  int focus = 0;
  bool customAfterFocus = false;
  ui_.answerDialog([&](DialogDriver& d) {
    d.click(IDC_ZOOM_CUSTOM);
    d.type(IDC_ZOOM_PERCENT, "5");
    stayedOpen = !d.click(IDOK);
    focus = d.focused();
    d.click(IDC_ZOOM_50);
    d.focus(IDC_ZOOM_PERCENT);  // focus into the field selects the typed choice
    customAfterFocus = d.checked(IDC_ZOOM_CUSTOM) && !d.checked(IDC_ZOOM_50);
    d.click(IDC_ZOOM_50);
    EXPECT_TRUE(d.click(IDOK));  // 5 in the field does not count for 50 %
  });
  ui_.command(ID_VIEW_ZOOM);
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(focus, IDC_ZOOM_PERCENT);
  EXPECT_TRUE(customAfterFocus);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Digite um número inteiro entre 10 e 200."}));
  EXPECT_EQ(Doc()->GetZoomPercent(), 50);
  EXPECT_EQ(Doc()->GetZoomMode(), 1);
  EXPECT_EQ(View()->GetZoomMarker(), -2);
  EXPECT_EQ(ui_.checked(ID_ZOOM_50), 0);
}

TEST_F(WindowTest, GoToPageShowsTheRangeAndRefusesPagesOutsideIt) {
  ASSERT_TRUE(Start({Charts()}));
  bool refused = false;
  ui_.answerDialog([&](DialogDriver& d) {
    EXPECT_EQ(d.caption(), "Pág. Especificada");
    EXPECT_EQ(d.text(IDC_GOTO_RANGE), "/Total 3 páginas (&P)");
    EXPECT_EQ(d.text(IDC_GOTO_PAGE), "1");
    d.type(IDC_GOTO_PAGE, "4");
    refused = !d.click(IDOK);
    d.type(IDC_GOTO_PAGE, "3");
    EXPECT_TRUE(d.click(IDOK));
  });
  ui_.command(ID_PAGE_GOTO);
  EXPECT_TRUE(refused);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Digite um número inteiro entre 1 e 3."}));
  EXPECT_EQ(Doc()->GetCurrentPage(), 3u);
  EXPECT_EQ(ui_.statusPanes()[2], "3/ 3");
}

TEST_F(WindowTest, ImageInformationOfPagesWithoutResolution) {
  std::string c1 = chart_file(1), c2 = chart_file(2), c3 = chart_file(3);
  ASSERT_TRUE(Sh("pnmtotiff -g4 " + c1 + " > a.tif && pnmtotiff -g4 " + c2 + " > b.tif && pnmtotiff -g4 " + c3 +
                 " > c.tif && tiffcp a.tif b.tif c.tif info.tif && tiffset -s 305 'Gerado para teste' info.tif"));
  ASSERT_TRUE(Start({Path("info.tif")}));
  ui_.command(ID_VIEW_IMAGE_INFO);
  ASSERT_EQ(ui_.dialogs().size(), 1u);
  const auto& seen = ui_.dialogs()[0];
  EXPECT_EQ(seen.id, static_cast<UINT>(IDD_IMAGE_INFO));
  EXPECT_EQ(seen.texts.at(IDC_INFO_FILE), Path("info.tif"));
  EXPECT_EQ(seen.texts.at(IDC_INFO_FORMAT), "TIFF");
  EXPECT_EQ(seen.texts.at(IDC_INFO_XRES), "0");
  EXPECT_EQ(seen.texts.at(IDC_INFO_YRES), "0");
  EXPECT_EQ(seen.texts.at(IDC_INFO_XPIXELS), "1728");
  EXPECT_EQ(seen.texts.at(IDC_INFO_YPIXELS), "2376");
  EXPECT_EQ(seen.texts.at(IDC_INFO_PAGE), "1");
  EXPECT_EQ(seen.texts.at(IDC_INFO_PAGES), "3");
  EXPECT_EQ(seen.texts.at(IDC_INFO_OTHER), "Gerado para teste");
  EXPECT_EQ(seen.texts.at(IDC_INFO_CHANNELS), "1");
  EXPECT_EQ(seen.texts.at(IDC_INFO_BITS), "1");
}

TEST_F(WindowTest, AboutBoxNamesTheVersion) {
  ASSERT_TRUE(Start({}));
  ui_.command(ID_APP_ABOUT);
  ASSERT_EQ(ui_.dialogs().size(), 1u);
  EXPECT_EQ(ui_.dialogs()[0].id, static_cast<UINT>(IDD_ABOUTBOX));
  EXPECT_EQ(ui_.dialogs()[0].texts.at(3001), "Dravix Version 1.0");
}

}  // namespace
