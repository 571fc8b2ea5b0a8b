// The framework layer on the headless back end: routing and update rules,
// keys, the document template, data exchange, paints and containment.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/mfc/cwinapp.h"
#include "platform/mfc/ddx.h"
#include "platform/mfc/headless/headless_backend.h"
#include "platform/win/name_text.h"
#include "platform/win/win_seams.h"

namespace {

constexpr UINT kViewCmd = 40001, kFrameCmd = 40002, kAppCmd = 40003, kShared = 40004, kNobody = 40005, kOff = 40006,
               kThrows = 40007;

std::vector<std::string> g_log;

class TestDoc : public CDocument {
 public:
  BOOL OnOpenDocument(LPCSTR path) override {
    if (!CDocument::OnOpenDocument(path)) return FALSE;
    return std::string(path).find("bad") == std::string::npos;
  }
};

class TestView : public CScrollView {
 public:
  TestView() {
    MapCommand(kViewCmd, [] { g_log.push_back("view"); });
    MapCommand(kShared, [] { g_log.push_back("view-shared"); });
    MapCommand(kOff, [] { g_log.push_back("off"); });
    MapUpdate(kOff, [](CCmdUI* ui) { ui->Enable(FALSE); });
    MapCommand(kThrows, [] { throw std::runtime_error("falhou"); });
  }
  void OnDraw(CDC*) override {
    ++draws;
    if (messageInPaint) AfxMessageBox("no meio da pintura");
    if (postInPaint) AfxRunAfterPaint([this] { ++afterPaint; });
  }
  void OnDropFiles(HDROP drop) override {
    char buffer[16];
    UINT n = DragQueryFileA(drop, 0, buffer, sizeof buffer);
    dropped = std::string(buffer, n);
    dropLength = DragQueryFileA(drop, 0, nullptr, 0);
    dropCount = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
  }
  int draws = 0;
  int afterPaint = 0;
  bool messageInPaint = false;
  bool postInPaint = false;
  std::string dropped;
  UINT dropLength = 0, dropCount = 0;
};

class TestFrame : public CFrameWnd {
 public:
  TestFrame() {
    MapCommand(kFrameCmd, [] { g_log.push_back("frame"); });
    MapCommand(kShared, [] { g_log.push_back("frame-shared"); });
  }
};

class TestApp : public CWinApp {
 public:
  TestApp() : CWinApp("Teste") {
    MapCommand(kAppCmd, [] { g_log.push_back("app"); });
    MapCommand(kShared, [] { g_log.push_back("app-shared"); });
  }
  BOOL InitInstance() override {
    AddDocTemplate(
        new CSingleDocTemplate(1, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame), RUNTIME_CLASS(TestView)));
    CCommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info)) return FALSE;
    m_pMainWnd->ShowWindow(SW_SHOW);
    return TRUE;
  }
};

const AfxAccel kAccels[] = {{FVIRTKEY | FCONTROL, 'V', kViewCmd}, {FVIRTKEY, VK_NEXT, kOff}};
const AfxResourceTable::Accel kAccelTables[] = {{1, {kAccels, 2}}};

const AfxDialogControl kControls[] = {
    {AfxControlKind::kRadio, 10, "a", 0, 0, 10, 10, WS_GROUP},
    {AfxControlKind::kRadio, 11, "b", 0, 0, 10, 10, 0},
    {AfxControlKind::kRadio, 12, "c", 0, 0, 10, 10, 0},
    {AfxControlKind::kEdit, 20, "", 0, 0, 10, 10, WS_GROUP},
    {AfxControlKind::kStatic, 21, "", 0, 0, 10, 10, 0},
    {AfxControlKind::kDefButton, IDOK, "OK", 0, 0, 10, 10, WS_GROUP},
    {AfxControlKind::kButton, IDCANCEL, "Cancelar", 0, 0, 10, 10, 0},
};
const AfxDialogTemplate kDialog{7, "Diálogo", "DejaVu Sans", 9, 100, 100, kControls, 7};
const AfxDialogTemplate* const kDialogs[] = {&kDialog};
const AfxResourceTable kResources{nullptr, 0, kAccelTables, 1, nullptr, 0, kDialogs, 1};

class TestDialog : public CDialog {
 public:
  TestDialog() : CDialog(7) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Radio(pDX, 10, choice);
    DDX_Text(pDX, 20, value);
    DDV_MinMaxUInt(pDX, value, 10, 200);
    DDX_Text(pDX, 21, label);
    DDV_MaxChars(pDX, label, 4);
  }
  int choice = 1;
  UINT value = 50;
  std::string label = "rótulo longo";
};

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(pk::seams::UseTemporaryMachineRoot()) / "c";
    std::filesystem::create_directories(dir_);
    AfxSetResources(&kResources);
    g_log.clear();
  }
  void TearDown() override { AfxSetResources(nullptr); }
  // A file at C:\<name>; the answer is its Windows path.
  std::string MakeFile(const std::string& name) {
    std::ofstream(dir_ / name) << "x";
    return "C:\\" + name;
  }
  // The texts of the message boxes shown so far.
  static std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& call : pk::seams::MessageBoxCalls()) texts.push_back(pk::Utf16ToUtf8(call.text));
    return texts;
  }
  TestView* View() { return static_cast<TestView*>(backend_.frame()->GetActiveView()); }

  pk::mfc::HeadlessBackend backend_;
  std::filesystem::path dir_;
};

TEST_F(LayerTest, RoutingAskesViewThenFrameThenAppAndRulesFollowHandlers) {
  TestApp app;
  ASSERT_TRUE(app.InitInstance());
  for (UINT id : {kViewCmd, kFrameCmd, kAppCmd, kShared}) backend_.command(id);
  EXPECT_EQ(g_log, (std::vector<std::string>{"view", "frame", "app", "view-shared"}));
  // A handler without a rule is enabled, no handler at all disabled, a rule decides.
  EXPECT_TRUE(backend_.enabled(kAppCmd));
  EXPECT_FALSE(backend_.enabled(kNobody));
  EXPECT_FALSE(backend_.enabled(kOff));
  // A posted command runs whatever its rule says; a key of a disabled item does not.
  g_log.clear();
  EXPECT_TRUE(backend_.key(VK_NEXT));
  EXPECT_TRUE(g_log.empty());
  EXPECT_FALSE(backend_.key('V'));
  EXPECT_TRUE(backend_.key('V', FCONTROL));
  EXPECT_EQ(g_log, (std::vector<std::string>{"view"}));
}

TEST_F(LayerTest, HandlerExceptionGivesOneMessageWithWhereAndTheWindowStays) {
  TestApp app;
  ASSERT_TRUE(app.InitInstance());
  backend_.command(kThrows);
  auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("falhou"), std::string::npos);
  EXPECT_NE(messages[0].find("CFrameWnd::OnCommand"), std::string::npos);
  EXPECT_TRUE(backend_.running());
  backend_.command(kViewCmd);
  EXPECT_EQ(g_log.back(), "view");
}

TEST_F(LayerTest, TemplateOpenFailureFirstEndsStartLaterKeepsDocument) {
  {
    TestApp app;
    app.SetCommandLine({MakeFile("bad.tif")});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.m_pMainWnd, nullptr);
  }
  TestApp app;
  std::string good = MakeFile("good.tif");
  app.SetCommandLine({good});
  ASSERT_TRUE(app.InitInstance());
  CDocument* doc = app.GetDocTemplate()->GetDocument();
  EXPECT_EQ(doc->GetPathName(), good);
  EXPECT_EQ(app.OpenDocumentFile(MakeFile("bad2.tif").c_str()), nullptr);
  EXPECT_EQ(app.OpenDocumentFile("C:\\missing.tif"), nullptr);
  EXPECT_EQ(app.GetDocTemplate()->GetDocument(), doc);
  EXPECT_EQ(doc->GetPathName(), good);
  EXPECT_TRUE(backend_.running());
}

TEST_F(LayerTest, CommandLineTakesHostPathsAsFilesAndShortSlashWordsAsOptions) {
  struct Case {
    std::vector<std::string> args;
    std::string file;
  };
  const Case cases[] = {{{"/tmp/x.tif"}, "/tmp/x.tif"}, {{"/p", "C:\\a.tif"}, "C:\\a.tif"}, {{"-x"}, ""}, {{}, ""}};
  for (const Case& c : cases) {
    TestApp app;
    app.SetCommandLine(c.args);
    CCommandLineInfo info;
    app.ParseCommandLine(info);
    EXPECT_EQ(info.m_strFileName, c.file);
    EXPECT_EQ(info.m_nShellCommand == CCommandLineInfo::FileOpen, !c.file.empty());
  }
}

TEST_F(LayerTest, DataExchangeChecksKeepTheDialogOpenWithFocusOnTheField) {
  TestDialog dialog;
  bool openAfterBadValue = false;
  int focus = 0;
  backend_.answerDialog([&](pk::mfc::DialogDriver& d) {
    EXPECT_TRUE(d.checked(11));
    EXPECT_EQ(d.text(20), "50");
    EXPECT_EQ(d.text(21), "rótu");  // the loaded text takes the limit
    d.type(20, "5");
    openAfterBadValue = !d.click(IDOK);
    focus = d.focused();
    d.type(20, "12a");
    EXPECT_FALSE(d.click(IDOK));
    d.click(12);
    d.type(20, " 150 ");
    EXPECT_TRUE(d.click(IDOK));
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(openAfterBadValue);
  EXPECT_EQ(focus, 20);
  EXPECT_EQ(dialog.choice, 2);
  EXPECT_EQ(dialog.value, 150u);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Digite um número inteiro entre 10 e 200.",
                                                  "Digite um número inteiro positivo."}));
  // No answer: the dialog is cancelled and the members stay.
  TestDialog other;
  EXPECT_EQ(other.DoModal(), IDCANCEL);
  EXPECT_EQ(other.value, 50u);
}

TEST_F(LayerTest, PaintRunsMessagesAndActionsAfterItOnce) {
  TestApp app;
  ASSERT_TRUE(app.InitInstance());
  backend_.pump();
  TestView* view = View();
  int before = view->draws;
  view->messageInPaint = true;
  view->postInPaint = true;
  view->Invalidate();
  backend_.pump();
  EXPECT_EQ(view->draws, before + 1);
  EXPECT_EQ(view->afterPaint, 1);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"no meio da pintura"}));
}

TEST_F(LayerTest, DropsHandTheWholePathAndCutCopiesToTheBuffer) {
  TestApp app;
  ASSERT_TRUE(app.InitInstance());
  View()->DragAcceptFiles();
  std::string longPath(300, 'a');
  backend_.drop({longPath, "second"});
  EXPECT_EQ(View()->dropLength, 300u);
  EXPECT_EQ(View()->dropCount, 2u);
  EXPECT_EQ(View()->dropped, std::string(15, 'a'));
}

TEST_F(LayerTest, ClosingEndsTheLoopAndPlacementFollowsTheWindow) {
  TestApp app;
  ASSERT_TRUE(app.InitInstance());
  WINDOWPLACEMENT wp{};
  ASSERT_TRUE(app.m_pMainWnd->GetWindowPlacement(&wp));
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  backend_.maximise();
  ASSERT_TRUE(app.m_pMainWnd->GetWindowPlacement(&wp));
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
  backend_.setPlacementUnknown(true);
  EXPECT_FALSE(app.m_pMainWnd->GetWindowPlacement(&wp));
  backend_.command(ID_APP_EXIT);
  EXPECT_FALSE(backend_.running());
}

TEST_F(LayerTest, NewAndOpenCommandsReuseTheOneDocument) {
  TestApp app;
  std::string good = MakeFile("good.tif");
  app.SetCommandLine({good});
  ASSERT_TRUE(app.InitInstance());
  CDocument* doc = app.GetDocTemplate()->GetDocument();
  // The open command asks the back end's file dialog; cancelled, nothing changes.
  backend_.command(ID_FILE_OPEN);
  EXPECT_EQ(doc->GetPathName(), good);
  std::string other = MakeFile("other.tif");
  backend_.setOpenFileAnswer(other);
  backend_.command(ID_FILE_OPEN);
  EXPECT_EQ(app.GetDocTemplate()->GetDocument(), doc);
  EXPECT_EQ(doc->GetPathName(), other);
  backend_.command(ID_FILE_NEW);
  EXPECT_EQ(app.GetDocTemplate()->GetDocument(), doc);
  EXPECT_EQ(doc->GetPathName(), "");
  EXPECT_TRUE(backend_.running());
}

}  // namespace
