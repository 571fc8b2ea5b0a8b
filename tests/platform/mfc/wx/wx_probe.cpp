// A small program on the wx back end for the window tests: a frame with a
// view that paints a 64 x 48 bitmap, a menu command (Ctrl+Q) that ends with
// exit code 3, and the close box that ends with 0.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cwinapp.h"
#include "platform/mfc/wx/wx_backend.h"

namespace {

constexpr UINT kQuit = 40001;
int g_exit = 0;

class ProbeView : public CScrollView {
 public:
  ProbeView() : bits_(static_cast<size_t>(64 * 3) * 48) {
    // Rows bottom-up: the top image row is red, the rest blue.
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        BYTE* p = &bits_[static_cast<size_t>(y * 64 + x) * 3];
        bool top = y == 47;
        p[0] = top ? 0 : 255;
        p[1] = 0;
        p[2] = top ? 255 : 0;
      }
    MapCommand(kQuit, [] {
      g_exit = 3;
      AfxGetMainWnd()->PostMessage(WM_CLOSE);
    });
  }
  void OnInitialUpdate() override {
    SetScrollSizes(MM_TEXT, CSize(64, 48));
    CScrollView::OnInitialUpdate();
  }
  void OnDraw(CDC* dc) override {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{40, 64, 48, 1, 24, 0, 0, 3780, 3780, 0, 0};
    dc->StretchDIBits(0, 0, 64, 48, 0, 0, 64, 48, bits_.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  }

 private:
  std::vector<BYTE> bits_;
};

class ProbeFrame : public CFrameWnd {
 public:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override {
    CFrameWnd::PreCreateWindow(cs);
    cs.x = 40;
    cs.y = 40;
    cs.cx = 400;
    cs.cy = 300;
    return TRUE;
  }
};

class ProbeApp : public CWinApp {
 public:
  ProbeApp() : CWinApp("Sonda") {}
  BOOL InitInstance() override {
    AddDocTemplate(
        new CSingleDocTemplate(1, RUNTIME_CLASS(CDocument), RUNTIME_CLASS(ProbeFrame), RUNTIME_CLASS(ProbeView)));
    CCommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info)) return FALSE;
    m_pMainWnd->ShowWindow(SW_SHOW);
    return TRUE;
  }
  int ExitInstance() override { return g_exit; }
};

const AfxMenuItem kMenu[] = {{AfxMenuItem::kPopup, 0, "&Sonda"},
                             {AfxMenuItem::kCommand, kQuit, "&Sair\tCtrl+Q"},
                             {AfxMenuItem::kEndPopup, 0, nullptr}};
const AfxAccel kAccels[] = {{FVIRTKEY | FCONTROL, 'Q', kQuit}};
const AfxResourceTable::Menu kMenus[] = {{1, {kMenu, 3}}};
const AfxResourceTable::Accel kAccelTables[] = {{1, {kAccels, 1}}};
const AfxResourceTable kResources{kMenus, 1, kAccelTables, 1, nullptr, 0, nullptr, 0};

}  // namespace

int main(int argc, char** argv) {
  ProbeApp app;
  AfxSetResources(&kResources);
  if (const char* trace = std::getenv("PK_PAINT_TRACE")) AfxSetPaintTrace(trace, [] { return std::string("probe"); });
  return pk::mfc::RunWithWx(argc, argv, [] { return AfxWinMain({}); });
}
