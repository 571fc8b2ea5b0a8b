// The preview window on the headless back end: start-up, update rules,
// keys, the zoom combo box, paints, drops and the close paths.
#include "window_test_support.h"

namespace {

// The zoom items that carry a percent check mark.
const UINT kPercentItems[] = {ID_VIEW_UNSCALED_1, ID_VIEW_UNSCALED_2, ID_VIEW_UNSCALED_4, ID_ZOOM_25,  ID_ZOOM_50,
                              ID_ZOOM_75,         ID_ZOOM_100,        ID_ZOOM_150,        ID_ZOOM_200, ID_ZOOM_400};

std::string Percent(int p) { return std::to_string(p) + "%"; }

TEST_F(WindowTest, StartShowsTitleSizePageFitMarkAndCombo) {
  ASSERT_TRUE(Start({Charts()}));
  EXPECT_EQ(ui_.title(), "Visualização da saída");
  std::vector<std::string> panes = ui_.statusPanes();
  ASSERT_EQ(panes.size(), 3u);
  EXPECT_EQ(panes[1], "Tamanho da imagem: 219mm * 302mm");
  EXPECT_EQ(panes[2], "1/ 3");
  EXPECT_EQ(View()->GetZoomMarker(), -1);
  EXPECT_EQ(View()->GetModeMarker(), 2);
  EXPECT_EQ(ui_.checked(ID_VIEW_FIT_WINDOW), 1);
  for (UINT id : kPercentItems) EXPECT_EQ(ui_.checked(id), 0) << id;
  EXPECT_EQ(ui_.comboList(), (std::vector<std::string>{"25%", "50%", "75%", "100%", "Aj. toda página"}));
  EXPECT_EQ(ui_.comboText(), Percent(Shown()));
  EXPECT_TRUE(ui_.lastPainted());
  EXPECT_EQ(ui_.scrollSize(),
            CSize(Doc()->GetInterface()->GetDisplayWidth(), Doc()->GetInterface()->GetDisplayHeight()));
}

TEST_F(WindowTest, UpdateRulesFollowPagesZoomAndToolbar) {
  ASSERT_TRUE(Start({Charts()}));
  struct Rule {
    UINT id;
    bool first, last;  // enabled on page 1, on page 3
  };
  const Rule rules[] = {{ID_PAGE_FIRST, false, true},
                        {ID_PAGE_PREV, false, true},
                        {ID_PAGE_NEXT, true, false},
                        {ID_PAGE_LAST, true, false}};
  for (const Rule& r : rules) EXPECT_EQ(ui_.enabled(r.id), r.first) << r.id;
  ui_.command(ID_PAGE_LAST);
  for (const Rule& r : rules) EXPECT_EQ(ui_.enabled(r.id), r.last) << r.id;
  ui_.command(ID_ZOOM_25);
  ASSERT_EQ(Shown(), 25);
  EXPECT_FALSE(ui_.enabled(ID_ZOOM_OUT));
  EXPECT_TRUE(ui_.enabled(ID_ZOOM_IN));
  ui_.command(ID_ZOOM_200);
  ASSERT_EQ(Shown(), 200);
  EXPECT_FALSE(ui_.enabled(ID_ZOOM_IN));
  EXPECT_TRUE(ui_.enabled(ID_ZOOM_OUT));
  EXPECT_EQ(ui_.checked(ID_ZOOM_200), 1);
  for (UINT id : {ID_FILE_PRINT_DIRECT, ID_VIEW_IMAGE_INFO, ID_APP_ABOUT}) EXPECT_TRUE(ui_.enabled(id)) << id;
  EXPECT_TRUE(ui_.toolbarShown());
  EXPECT_EQ(ui_.checked(ID_VIEW_TOOLBAR), 1);
  ui_.command(ID_VIEW_TOOLBAR);
  EXPECT_FALSE(ui_.toolbarShown());
  EXPECT_EQ(ui_.checked(ID_VIEW_TOOLBAR), 0);
  ui_.command(ID_VIEW_TOOLBAR);
  EXPECT_TRUE(ui_.toolbarShown());
  EXPECT_EQ(ui_.tooltip(0), "Iniciar impressão");
  EXPECT_EQ(ui_.flyBy(ID_PAGE_NEXT), "Vai para a próxima página.");
}

TEST_F(WindowTest, SinglePageTurnsPageAndKeptRotationItemsOff) {
  ASSERT_TRUE(Start({Charts(1)}));
  for (UINT id : {ID_PAGE_FIRST, ID_PAGE_PREV, ID_PAGE_NEXT, ID_PAGE_LAST, ID_ROTATE_RIGHT_90_KEEP,
                  ID_ROTATE_LEFT_90_KEEP, ID_ROTATE_180_KEEP})
    EXPECT_FALSE(ui_.enabled(id)) << id;
  EXPECT_TRUE(ui_.enabled(ID_ROTATE_RIGHT_90));
}

TEST_F(WindowTest, KeysActAsTheirCommands) {
  ASSERT_TRUE(Start({Charts()}));
  struct Key {
    WORD vk;
    uint32_t page;
  };
  for (const Key& k : {Key{VK_NEXT, 2}, Key{VK_END, 3}, Key{VK_PRIOR, 2}, Key{VK_HOME, 1}}) {
    EXPECT_TRUE(ui_.key(k.vk));
    EXPECT_EQ(Doc()->GetCurrentPage(), k.page) << k.vk;
  }
  EXPECT_EQ(ui_.statusPanes()[2], "1/ 3");
  ui_.key('J', FCONTROL);
  ui_.key('M', FCONTROL);
  ASSERT_EQ(ui_.dialogs().size(), 2u);
  EXPECT_EQ(ui_.dialogs()[0].id, static_cast<UINT>(IDD_PAGE_GOTO));
  EXPECT_EQ(ui_.dialogs()[1].id, static_cast<UINT>(IDD_VIEW_ZOOM));
  ui_.key('P', FCONTROL);
  EXPECT_FALSE(ui_.running());
  EXPECT_EQ(ExitCode(), 1);
}

TEST_F(WindowTest, ComboPicksAndTypedPercents) {
  ASSERT_TRUE(Start({Charts()}));
  ui_.pickCombo(1);
  EXPECT_EQ(Doc()->GetZoomPercent(), 50);
  EXPECT_EQ(Doc()->GetZoomMode(), 1);
  EXPECT_EQ(View()->GetZoomMarker(), -1);  // the markers stay
  EXPECT_EQ(ui_.comboText(), Percent(Shown()));
  for (const char* typed : {"75%", "75"}) {
    ui_.command(ID_ZOOM_50);
    ui_.typeCombo(typed);
    EXPECT_EQ(Doc()->GetZoomPercent(), 75) << typed;
  }
  EXPECT_TRUE(Messages().empty());
  for (const char* typed : {" 75%", "7a", "075", "9", "201"}) {
    size_t before = Messages().size();
    ui_.typeCombo(typed);
    ASSERT_EQ(Messages().size(), before + 1) << typed;
    EXPECT_EQ(Messages().back(), "Digite um número inteiro entre 10 e 200.");
    EXPECT_EQ(ui_.comboText(), Percent(Shown())) << typed;
    EXPECT_EQ(Doc()->GetZoomPercent(), 75) << typed;
  }
  // The shown percent itself: no message, no render.
  int paints = ui_.paints();
  size_t before = Messages().size();
  ui_.typeCombo(Percent(Shown()));
  EXPECT_EQ(Messages().size(), before);
  EXPECT_EQ(ui_.paints(), paints);
}

TEST_F(WindowTest, OutOfRangePaintResetsOnceAndTurnedTallPageNever) {
  // A 72-dpi page at 400 % in pixels shows 400 %: one reset to 100 %, 72 dpi.
  ASSERT_TRUE(Sh("pbmmake -white 500 400 | pnmtotiff -g4 > p72.tif"));
  ASSERT_TRUE(Start({Path("p72.tif")}));
  int paints = ui_.paints();
  ui_.command(ID_VIEW_UNSCALED_4);
  EXPECT_EQ(Doc()->GetZoomPercent(), 100);
  EXPECT_EQ(Doc()->GetZoomMode(), 1);
  EXPECT_LE(ui_.paints() - paints, 3);
  paints = ui_.paints();
  EXPECT_EQ(ui_.pump(), 0);
  EXPECT_EQ(ui_.paints(), paints);
  theApp.CloseAllDocuments(FALSE);

  // A page three times as high as wide, turned: 100 % stays 100 %.
  ASSERT_TRUE(Start({WhitePage("tall.tif", 1000, 3000, 200)}));
  ui_.command(ID_ZOOM_100);
  paints = ui_.paints();
  ui_.command(ID_ROTATE_RIGHT_90);
  EXPECT_EQ(Doc()->GetRotation(), 90);
  EXPECT_EQ(Doc()->GetZoomPercent(), 100);
  EXPECT_EQ(Doc()->GetZoomMode(), 1);
  EXPECT_LE(ui_.paints() - paints, 2);
  EXPECT_EQ(ui_.pump(), 0);
}

TEST_F(WindowTest, TooLargePageShowsItsMessageOnceAndNothing) {
  ASSERT_TRUE(Start({WhitePage("big.tif", 9921, 14031, 200)}));
  ui_.resize(700, 700);
  ui_.command(ID_VIEW_FIT_WINDOW);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Impossível exibir a visualização. [Tamanho da saída] especificado "
                                                  "\né maior que o tamanho máximo visualizado."}));
  EXPECT_GE(ui_.paints(), 2);
  EXPECT_FALSE(ui_.lastPaintDrew());
  for (UINT id : {ID_VIEW_ZOOM, ID_ZOOM_OUT, ID_ZOOM_FIT, ID_ZOOM_IN, ID_ZOOM_COMBO, ID_ZOOM_100, ID_VIEW_FIT_WINDOW})
    EXPECT_FALSE(ui_.enabled(id)) << id;
  EXPECT_EQ(ui_.scrollSize(), CSize(768, 768));
  ui_.command(ID_FILE_PRINT_DIRECT);
  EXPECT_FALSE(ui_.running());
  EXPECT_EQ(ExitCode(), 1);
}

TEST_F(WindowTest, DropsOpenTheFirstWholePathAndKeepThePageOnFailure) {
  ASSERT_TRUE(Start({Charts()}));
  std::string one = Charts(1);
  ui_.drop({one, Charts(3), Path("missing.tif")});
  EXPECT_EQ(Doc()->GetPathName(), one);
  EXPECT_EQ(Doc()->GetPageCount(), 1);
  // A path of 300 characters opens that very file.
  std::string deep = dir_;
  while (deep.size() < 260) deep += "/pasta_de_teste";
  std::filesystem::create_directories(deep);
  std::string name = std::string(300 - deep.size() - 1 - 4, 'x') + ".tif";
  std::filesystem::copy_file(Charts(), deep + "/" + name);
  std::string longPath = deep + "/" + name;
  ASSERT_EQ(longPath.size(), 300u);
  ui_.drop({longPath});
  EXPECT_EQ(Doc()->GetPathName(), longPath);
  EXPECT_EQ(Doc()->GetPageCount(), 3);
  // An unreadable file: one message, the page shown stays and works.
  std::ofstream(Path("junk.tif")) << "not an image";
  size_t before = Messages().size();
  ui_.drop({Path("junk.tif")});
  EXPECT_EQ(Messages().size(), before + 1);
  EXPECT_EQ(Doc()->GetPathName(), longPath);
  ui_.key(VK_NEXT);
  EXPECT_EQ(Doc()->GetCurrentPage(), 2u);
  EXPECT_TRUE(ui_.lastPaintDrew());
}

TEST_F(WindowTest, DeflatePageIsOneMessageAndCloseStillExitsZero) {
  std::string c1 = chart_file(1), c2 = chart_file(2);
  ASSERT_TRUE(Sh("/usr/bin/convert " + c1 + " -density 200 -units PixelsPerInch -compress Group4 p1.tif"));
  ASSERT_TRUE(Sh("/usr/bin/convert " + c2 + " -density 200 -units PixelsPerInch -compress Group4 p2.tif"));
  ASSERT_TRUE(Sh("tiffcp -c zip p2.tif z2.tif && tiffcp p1.tif z2.tif two.tif"));
  ASSERT_TRUE(Start({Path("two.tif")}));
  ui_.key(VK_NEXT);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Doc()->GetCurrentPage(), 1u);
  EXPECT_TRUE(ui_.running());
  ui_.closeBox();
  EXPECT_FALSE(ui_.running());
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(WindowTest, ClosePathsWriteTheSameKeysAndOnlyTheExitCodeDiffers) {
  std::string charts = Charts();
  struct Close {
    const char* name;
    std::function<void(pk::mfc::HeadlessBackend&)> act;
    int exit;
  };
  const Close closes[] = {{"exit command", [](auto& ui) { ui.command(ID_APP_EXIT); }, 0},
                          {"close box", [](auto& ui) { ui.closeBox(); }, 0},
                          {"start printing", [](auto& ui) { ui.command(ID_FILE_PRINT_DIRECT); }, 1}};
  std::vector<std::string> first;
  for (const Close& c : closes) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(Ini());
    theApp.m_nStartPrinting = 0;
    ASSERT_TRUE(Start({charts}));
    c.act(ui_);
    EXPECT_FALSE(ui_.running());
    EXPECT_EQ(ExitCode(), c.exit);
    std::vector<std::string> lines = IniLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "WINDOWFLAG=5");
    EXPECT_EQ(lines[1], "XPOINT=80");
    EXPECT_EQ(lines[4], "YSIZE_WINDOW=768");
    if (first.empty()) first = lines;
    EXPECT_EQ(lines, first);
    theApp.CloseAllDocuments(FALSE);
  }
  // Maximised: flag 3, and the next start is maximised.
  ASSERT_TRUE(Start({charts}));
  ui_.maximise();
  ui_.command(ID_APP_EXIT);
  EXPECT_EQ(IniLines()[0], "WINDOWFLAG=3");
  EXPECT_EQ(IniLines()[3], "XSIZE_WINDOW=768");
  theApp.CloseAllDocuments(FALSE);
  ASSERT_TRUE(Start({charts}));
  EXPECT_TRUE(ui_.maximised());
  // Without a placement only the image keys are written.
  std::filesystem::remove(Ini());
  ui_.setPlacementUnknown(true);
  ui_.command(ID_APP_EXIT);
  std::vector<std::string> lines = IniLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("XSIZE_IMAGE=", 0), 0u);
  EXPECT_EQ(lines[1].rfind("YSIZE_IMAGE=", 0), 0u);
}

TEST_F(WindowTest, StartWithoutFileMissingFileAndStoredShowCommands) {
  // No file: an empty document; close gives 0, start printing 1.
  ASSERT_TRUE(Start({}));
  EXPECT_EQ(Doc()->GetDisplayState(), 0);
  EXPECT_FALSE(ui_.lastPaintDrew());
  ui_.closeBox();
  EXPECT_EQ(ExitCode(), 0);
  theApp.CloseAllDocuments(FALSE);
  ASSERT_TRUE(Start({}));
  ui_.command(ID_FILE_PRINT_DIRECT);
  EXPECT_EQ(ExitCode(), 1);
  theApp.CloseAllDocuments(FALSE);
  theApp.m_nStartPrinting = 0;

  // A missing file: the framework's message, start-up fails, nothing written.
  std::filesystem::remove(Ini());
  EXPECT_FALSE(Start({Path("missing.tif")}));
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_EQ(ExitCode(), 0);

  // A stored show command: 2 starts minimised, 0 is shown normally.
  std::string charts = Charts(1);
  struct Flag {
    int stored, shown;
  };
  for (const Flag& f : {Flag{2, SW_SHOWMINIMIZED}, Flag{0, SW_SHOWNORMAL}, Flag{3, SW_SHOWMAXIMIZED}}) {
    WriteIni("WINDOWFLAG=" + std::to_string(f.stored) + "\n");
    theApp.CloseAllDocuments(FALSE);
    ASSERT_TRUE(Start({charts}));
    EXPECT_EQ(ui_.showCommand(), f.shown) << f.stored;
  }
}

TEST_F(WindowTest, ContextMenuOffersTheMessageOnlyCommands) {
  ASSERT_TRUE(Start({Charts()}));
  ui_.rightClick();
  const auto& items = ui_.contextMenu();
  ASSERT_FALSE(items.empty());
  auto has = [&](UINT id) {
    for (const auto& item : items)
      if (item.first == id) return !item.second.empty();
    return false;
  };
  for (UINT id : {ID_VIEW_FIT_WINDOW, ID_ROTATE_RIGHT_90, ID_ZOOM_400, ID_VIEW_IMAGE_INFO, ID_APP_ABOUT})
    EXPECT_TRUE(has(id)) << id;
  ui_.command(ID_ROTATE_RIGHT_90);
  EXPECT_EQ(Doc()->GetRotation(), 90);
}

}  // namespace
