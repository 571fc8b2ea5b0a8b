// The wxWidgets back end (see wx_backend.h).
#include "platform/mfc/wx/wx_backend.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/busyinfo.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/scrolwin.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cdialog.h"
#include "platform/mfc/cframewnd.h"
#include "platform/mfc/cscrollview.h"
#include "platform/mfc/cwinapp.h"

namespace pk::mfc {
namespace {

wxString W(const std::string& s) { return wxString::FromUTF8(s.c_str()); }
std::string U(const wxString& s) { return std::string(s.utf8_str()); }

// Ids of accelerator entries: each stands for its table row.
constexpr int kAccelBase = wxID_HIGHEST + 1000;

// wx takes item ids below 0x7FFF only; commands go over under ids of their own.
std::vector<UINT>& CommandIds() {
  static std::vector<UINT> ids;
  return ids;
}
constexpr int kCommandBase = 10000;
int WxId(UINT id) {
  auto& ids = CommandIds();
  for (size_t i = 0; i < ids.size(); ++i)
    if (ids[i] == id) return kCommandBase + static_cast<int>(i);
  ids.push_back(id);
  return kCommandBase + static_cast<int>(ids.size() - 1);
}
// The command of a wx id; 0 for none.
UINT CoreId(int wxId) {
  auto& ids = CommandIds();
  int i = wxId - kCommandBase;
  return i >= 0 && static_cast<size_t>(i) < ids.size() ? ids[static_cast<size_t>(i)] : 0;
}

class WxBackend;
WxBackend* g_wx = nullptr;

// A 24-bit image of the resources as a wxImage (RGB, top row first).
wxImage ImageOf(const AfxImage& img, int x0, int w, int h) {
  wxImage out(w, h);
  unsigned char* d = out.GetData();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned char* s = img.rgb + (static_cast<size_t>(y) * img.width + x0 + x) * 3;
      unsigned char* p = d + (static_cast<size_t>(y) * w + x) * 3;
      p[0] = s[0];
      p[1] = s[1];
      p[2] = s[2];
    }
  return out;
}

class ViewWindow;

class FrameWindow : public wxFrame {
 public:
  FrameWindow(CFrameWnd* core, const CREATESTRUCT& cs)
      : wxFrame(nullptr, wxID_ANY, W(cs.lpszName ? cs.lpszName : ""),
                wxPoint(cs.x == CW_USEDEFAULT ? wxDefaultCoord : cs.x, cs.y == CW_USEDEFAULT ? wxDefaultCoord : cs.y),
                wxSize(cs.cx == CW_USEDEFAULT ? 800 : cs.cx, cs.cy == CW_USEDEFAULT ? 600 : cs.cy)),
        core_(core) {
    normal_ = GetRect();
    BuildMenu();
    BuildAccelerators();
    if (const AfxImage* icon = AfxFindBitmap(core->m_nIDHelp)) {
      wxIcon i;
      i.CopyFromBitmap(wxBitmap(ImageOf(*icon, 0, icon->width, icon->height)));
      SetIcon(i);
    }
    Bind(wxEVT_MENU, &FrameWindow::OnMenu, this);
    Bind(wxEVT_UPDATE_UI, &FrameWindow::OnUpdateUI, this);
    Bind(wxEVT_CLOSE_WINDOW, &FrameWindow::OnCloseWindow, this);
    Bind(wxEVT_SIZE, &FrameWindow::OnGeometry, this);
    Bind(wxEVT_MOVE, [this](wxMoveEvent& e) {
      Track();
      e.Skip();
    });
    Bind(wxEVT_IDLE, &FrameWindow::OnIdle, this);
  }

  void Track() {
    // The restored rectangle: taken only while the window is neither
    // maximised nor minimised.
    if (IsShown() && !IsMaximized() && !IsIconized()) {
      normal_ = GetRect();
      known_ = true;
    }
  }

  CFrameWnd* core_;
  wxRect normal_;
  bool known_ = false;
  ViewWindow* view_ = nullptr;
  wxToolBar* toolbar_ = nullptr;
  wxComboBox* combo_ = nullptr;
  wxStatusBar* status_ = nullptr;

 private:
  void BuildMenu() {
    const AfxMenu* menu = core_->m_menu;
    if (!menu) return;
    auto* bar = new wxMenuBar;
    wxMenu* popup = nullptr;
    std::string title;
    for (int i = 0; i < menu->count; ++i) {
      const AfxMenuItem& it = menu->items[i];
      switch (it.kind) {
        case AfxMenuItem::kPopup:
          popup = new wxMenu;
          title = it.text;
          break;
        case AfxMenuItem::kEndPopup:
          if (popup) bar->Append(popup, W(title));
          popup = nullptr;
          break;
        case AfxMenuItem::kSeparator:
          if (popup) popup->AppendSeparator();
          break;
        case AfxMenuItem::kCommand: {
          if (!popup) break;
          std::string label = it.text;
          std::string help;
          AfxPromptParts(it.id, &help, nullptr);
          popup->Append(WxId(it.id), W(label), W(help), it.id == ID_VIEW_TOOLBAR ? wxITEM_CHECK : wxITEM_NORMAL);
          break;
        }
      }
    }
    SetMenuBar(bar);
  }

  void BuildAccelerators() {
    const AfxAccelTable* table = core_->m_accel;
    if (!table) return;
    std::vector<wxAcceleratorEntry> entries;
    for (int i = 0; i < table->count; ++i) {
      const AfxAccel& a = table->entries[i];
      int flags = ((a.fVirt & FCONTROL) ? wxACCEL_CTRL : 0) | ((a.fVirt & FSHIFT) ? wxACCEL_SHIFT : 0) |
                  ((a.fVirt & FALT) ? wxACCEL_ALT : 0);
      int key = a.key;
      switch (a.key) {
        case VK_NEXT: key = WXK_PAGEDOWN; break;
        case VK_PRIOR: key = WXK_PAGEUP; break;
        case VK_HOME: key = WXK_HOME; break;
        case VK_END: key = WXK_END; break;
        default: break;
      }
      entries.emplace_back(flags, key, kAccelBase + i);
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
  }

  void OnMenu(wxCommandEvent& e) {
    int id = e.GetId();
    const AfxAccelTable* table = core_->m_accel;
    if (table && id >= kAccelBase && id < kAccelBase + table->count) {
      const AfxAccel& a = table->entries[id - kAccelBase];
      core_->TranslateKey(a.key, a.fVirt);
      return;
    }
    if (UINT cmd = CoreId(id)) core_->OnCommand(MAKEWPARAM(cmd, 0), 0);
  }

  void OnUpdateUI(wxUpdateUIEvent& e) {
    UINT id = CoreId(e.GetId());
    if (!id) return;
    BOOL on = FALSE;
    int check = 0;
    core_->UpdateCmdUI(id, &on, &check);
    e.Enable(on != FALSE);
    if (e.IsCheckable()) e.Check(check != 0);
  }

  void OnIdle(wxIdleEvent& e);

  void OnCloseWindow(wxCloseEvent& e) {
    if (!e.CanVeto()) {
      e.Skip();
      return;
    }
    // The close box is WM_CLOSE: the program decides, and destroys.
    e.Veto();
    CallAfter([this] { core_->SendMessage(WM_CLOSE); });
  }

  void OnGeometry(wxSizeEvent& e) {
    Track();
    e.Skip();
  }
};

// The view: paints through the layer, scrolls, takes drops.
class ViewWindow : public wxScrolledWindow {
 public:
  ViewWindow(FrameWindow* parent, CScrollView* core)
      : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxHSCROLL | wxVSCROLL), core_(core) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &ViewWindow::OnPaint, this);
    Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) {
      AfxContain("CView::OnContextMenu", [this] { core_->OnContextMenu(POINT{0, 0}); });
    });
    Bind(wxEVT_MENU, [this](wxCommandEvent& e) {
      UINT id = CoreId(e.GetId());
      if (id && core_->m_pFrame) core_->m_pFrame->OnCommand(MAKEWPARAM(id, 0), 0);
    });
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
      AfxFocusChanged(static_cast<CWnd*>(core_));
      e.Skip();
    });
  }

  void SizesChanged() {
    CSize total = core_->GetTotalSize();
    SetScrollRate(16, 16);
    SetVirtualSize(total.cx, total.cy);
    bitmap_ = wxBitmap();  // a new render makes a new bitmap
    Refresh();
  }

  CScrollView* core_;
  wxBitmap bitmap_;
  const BYTE* bitmapBits_ = nullptr;

 private:
  class Surface : public AfxSurface {
   public:
    Surface(ViewWindow* w, wxDC* dc, RECT clip) : w_(w), dc_(dc), clip_(clip) {}
    void DrawDib(int x, int y, int width, int height, const BYTE* bits, int stride) override {
      if (!w_->bitmap_.IsOk() || w_->bitmap_.GetWidth() != width || w_->bitmap_.GetHeight() != height ||
          w_->bitmapBits_ != bits) {
        wxImage img(width, height);
        unsigned char* d = img.GetData();
        for (int row = 0; row < height; ++row) {
          const BYTE* s = bits + static_cast<size_t>(height - 1 - row) * stride;
          unsigned char* p = d + static_cast<size_t>(row) * width * 3;
          for (int c = 0; c < width; ++c) {
            p[c * 3] = s[c * 3 + 2];
            p[c * 3 + 1] = s[c * 3 + 1];
            p[c * 3 + 2] = s[c * 3];
          }
        }
        w_->bitmap_ = wxBitmap(img, 24);
        w_->bitmapBits_ = bits;
      }
      dc_->DrawBitmap(w_->bitmap_, x, y, false);
      drawn = wxRect(x, y, width, height);
    }
    void FillRect(const RECT& r, COLORREF c) override {
      dc_->SetPen(*wxTRANSPARENT_PEN);
      dc_->SetBrush(wxBrush(wxColour(GetRValue(c), GetGValue(c), GetBValue(c))));
      dc_->DrawRectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    RECT ClipBox() const override { return clip_; }
    wxRect drawn;

   private:
    ViewWindow* w_;
    wxDC* dc_;
    RECT clip_;
  };

  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    int sx = 0, sy = 0;
    GetViewStart(&sx, &sy);
    int ux = 1, uy = 1;
    GetScrollPixelsPerUnit(&ux, &uy);
    core_->m_ptScroll = POINT{sx * ux, sy * uy};
    wxSize client = GetClientSize();
    wxRect box = GetUpdateRegion().GetBox();
    if (box.IsEmpty()) box = wxRect(client);
    Surface surface(this, &dc, RECT{box.x, box.y, box.x + box.width, box.y + box.height});
    core_->Paint(&surface);
    Trace(surface.drawn, client);
  }

  // The test seam: a line per paint with the visible part of the bitmap.
  void Trace(const wxRect& drawn, const wxSize& client) {
    const std::string& path = AfxPaintTracePath();
    if (path.empty()) return;
    wxRect visible = drawn.IsEmpty() ? wxRect() : drawn.Intersect(wxRect(client));
    wxPoint screen = ClientToScreen(visible.GetTopLeft());
    std::ofstream out(path, std::ios::app);
    out << AfxPaintTraceDescription() << ' ' << screen.x << ' ' << screen.y << ' ' << visible.width << ' '
        << visible.height << ' ' << (visible.x - drawn.x) << ' ' << (visible.y - drawn.y) << '\n';
  }
};

class DropTarget : public wxFileDropTarget {
 public:
  explicit DropTarget(CFrameWnd* frame) : frame_(frame) {}
  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) override {
    std::vector<std::string> paths;
    for (const wxString& n : names) paths.push_back(U(n));
    // The open runs once the drop has returned to the loop.
    CFrameWnd* frame = frame_;
    wxTheApp->CallAfter([frame, paths] { frame->OnDropFiles(paths); });
    return true;
  }

 private:
  CFrameWnd* frame_;
};

void FrameWindow::OnIdle(wxIdleEvent& e) {
  if (combo_ && core_->m_pCombo) {
    BOOL on = FALSE;
    core_->UpdateCmdUI(core_->m_pCombo->m_nID, &on, nullptr);
    if (combo_->IsEnabled() != (on != FALSE)) combo_->Enable(on != FALSE);
  }
  e.Skip();
}

class WxBackend : public AfxBackend {
 public:
  bool CreateFrame(CFrameWnd* frame, const CREATESTRUCT& cs) override {
    auto* w = new FrameWindow(frame, cs);
    frame->m_peer = w;
    return true;
  }
  bool CreateView(CScrollView* view) override {
    auto* f = static_cast<FrameWindow*>(view->m_pFrame->m_peer);
    auto* v = new ViewWindow(f, view);
    f->view_ = v;
    static_cast<CWnd*>(view)->m_peer = v;
    return true;
  }
  bool CreateToolBar(CToolBar* bar) override {
    auto* f = Frame(bar->GetParent());
    if (!f) return false;
    wxToolBar* tb = f->CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL | wxTB_DOCKABLE);
    tb->SetToolBitmapSize(wxSize(bar->m_sizeImage.cx, bar->m_sizeImage.cy));
    for (const CToolBar::Slot& s : bar->m_slots) {
      if (s.id == ID_SEPARATOR) {
        tb->AddSeparator();
        continue;
      }
      std::string fly, tip;
      AfxPromptParts(s.id, &fly, &tip);
      wxBitmap bmp(ImageOf(*bar->m_images, s.image * bar->m_sizeImage.cx, bar->m_sizeImage.cx, bar->m_sizeImage.cy));
      tb->AddTool(WxId(s.id), W(tip), bmp, W(tip), wxITEM_NORMAL);
      tb->SetToolLongHelp(WxId(s.id), W(fly));
    }
    tb->Realize();
    f->toolbar_ = tb;
    bar->m_peer = tb;
    return true;
  }
  bool CreateStatusBar(CStatusBar* bar) override {
    auto* f = Frame(bar->GetParent());
    if (!f) return false;
    f->status_ = f->CreateStatusBar(1);
    f->SetStatusBarPane(0);
    bar->m_peer = f->status_;
    Changed(bar);
    return true;
  }
  bool CreateCombo(CComboBox* combo, CToolBar* bar, int slot) override {
    auto* f = Frame(bar->GetParent());
    if (!f || !f->toolbar_) return false;
    wxToolBar* tb = f->toolbar_;
    auto* box = new wxComboBox(tb, WxId(combo->m_nID), wxEmptyString, wxDefaultPosition,
                               wxSize(bar->m_slots[static_cast<size_t>(slot)].width, -1), 0, nullptr,
                               wxCB_DROPDOWN | wxTE_PROCESS_ENTER);
    tb->DeleteTool(WxId(combo->m_nID));
    tb->InsertControl(static_cast<size_t>(slot), box);
    tb->Realize();
    box->Bind(wxEVT_COMBOBOX, [combo, box](wxCommandEvent&) {
      int sel = box->GetSelection();
      AfxContain("CComboBox::OnSelEndOk", [&] { combo->UserPicked(sel); });
    });
    box->Bind(wxEVT_TEXT, [combo, box](wxCommandEvent&) { combo->UserTyped(U(box->GetValue())); });
    box->Bind(wxEVT_TEXT_ENTER, [combo, box](wxCommandEvent&) {
      combo->UserTyped(U(box->GetValue()));
      if (CWnd* parent = combo->GetParent()) parent->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    });
    box->Bind(wxEVT_SET_FOCUS, [combo](wxFocusEvent& e) {
      AfxFocusChanged(combo);
      e.Skip();
    });
    box->Bind(wxEVT_KILL_FOCUS, [combo](wxFocusEvent& e) {
      if (AfxGetFocus() == combo) AfxFocusChanged(nullptr);
      e.Skip();
    });
    f->combo_ = box;
    combo->m_peer = box;
    Changed(combo);
    return true;
  }
  void Destroy(CWnd* wnd) override {
    // Child windows go with their frame.
    if (auto* frame = dynamic_cast<CFrameWnd*>(wnd)) {
      if (auto* f = static_cast<FrameWindow*>(frame->m_peer)) f->Destroy();
    }
  }
  void Show(CWnd* wnd, int cmd) override {
    auto* f = dynamic_cast<CFrameWnd*>(wnd) ? static_cast<FrameWindow*>(wnd->m_peer) : nullptr;
    if (!f) {
      if (auto* bar = dynamic_cast<CToolBar*>(wnd)) {
        if (auto* tb = static_cast<wxToolBar*>(bar->m_peer)) {
          tb->Show(cmd != SW_HIDE);
          if (auto* fw = Frame(bar->GetParent())) fw->SendSizeEvent();
        }
      }
      return;
    }
    switch (cmd) {
      case SW_HIDE: f->Hide(); break;
      case SW_SHOWMAXIMIZED:
        f->Show();
        f->Maximize(true);
        break;
      case SW_SHOWMINIMIZED:
      case SW_MINIMIZE:
      case SW_SHOWMINNOACTIVE:
        f->Show();
        f->Iconize(true);
        break;
      case SW_RESTORE:
        f->Show();
        f->Restore();
        break;
      default: f->Show(); break;
    }
    f->Track();
    // The view takes the keys, as the active view of a frame does.
    if (f->view_) f->view_->SetFocus();
  }
  bool GetPlacement(const CWnd* wnd, WINDOWPLACEMENT* p) override {
    auto* f = Frame(wnd);
    if (!f) return false;
    f->Track();
    if (!f->known_) return false;
    p->flags = 0;
    p->showCmd = f->IsMaximized() ? SW_SHOWMAXIMIZED : f->IsIconized() ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    p->ptMinPosition = POINT{-1, -1};
    p->ptMaxPosition = POINT{-1, -1};
    p->rcNormalPosition = RECT{f->normal_.x, f->normal_.y, f->normal_.GetRight() + 1, f->normal_.GetBottom() + 1};
    return true;
  }
  RECT GetWindowRect(const CWnd* wnd) override {
    auto* w = static_cast<wxWindow*>(wnd->m_peer);
    if (!w) return RECT{0, 0, 0, 0};
    wxRect r = w->GetScreenRect();
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
  }
  RECT GetClientRect(const CWnd* wnd) override {
    auto* w = static_cast<wxWindow*>(wnd->m_peer);
    if (!w) return RECT{0, 0, 0, 0};
    wxSize s = w->GetClientSize();
    return RECT{0, 0, s.x, s.y};
  }
  void Changed(CWnd* wnd) override {
    if (auto* frame = dynamic_cast<CFrameWnd*>(wnd)) {
      if (auto* f = static_cast<FrameWindow*>(frame->m_peer)) f->SetTitle(W(frame->GetWindowText()));
    } else if (auto* view = dynamic_cast<CScrollView*>(wnd)) {
      if (auto* v = static_cast<ViewWindow*>(static_cast<CWnd*>(view)->m_peer)) {
        v->SizesChanged();
        v->SetDropTarget(view->IsAcceptingFiles() && view->m_pFrame ? new DropTarget(view->m_pFrame) : nullptr);
      }
    } else if (auto* sb = dynamic_cast<CStatusBar*>(wnd)) {
      if (auto* s = static_cast<wxStatusBar*>(sb->m_peer)) {
        int n = sb->GetCount();
        if (n == 0) return;
        if (s->GetFieldsCount() != n) s->SetFieldsCount(n);
        std::vector<int> widths;
        for (int i = 0; i < n; ++i) {
          const CStatusBar::Pane& p = sb->m_panes[static_cast<size_t>(i)];
          // A pane is as wide as its indicator string; the message pane stretches.
          if (p.id == ID_SEPARATOR) {
            widths.push_back(-1);
          } else {
            wxClientDC dc(s);
            widths.push_back(dc.GetTextExtent(W(AfxLoadString(p.id))).x + 12);
          }
        }
        s->SetStatusWidths(n, widths.data());
        for (int i = 0; i < n; ++i) s->SetStatusText(W(sb->GetPaneText(i)), i);
      }
    } else if (auto* combo = dynamic_cast<CComboBox*>(wnd)) {
      if (auto* box = static_cast<wxComboBox*>(combo->m_peer)) {
        if (static_cast<int>(box->GetCount()) != combo->GetCount()) {
          box->Clear();
          for (const std::string& s : combo->m_items) box->Append(W(s));
        }
        if (box->GetValue() != W(combo->GetWindowText())) box->ChangeValue(W(combo->GetWindowText()));
      }
    }
  }
  void Invalidate(CWnd* wnd) override {
    if (auto* w = static_cast<wxWindow*>(wnd->m_peer)) w->Refresh(false);
  }
  void SetFocus(CWnd* wnd) override {
    if (auto* w = static_cast<wxWindow*>(wnd->m_peer)) w->SetFocus();
  }
  void Wake() override {
    if (!pending_) {
      pending_ = true;
      wxTheApp->CallAfter([this] {
        pending_ = false;
        AfxDeliverPosted();
      });
    }
  }
  void Run(CWinApp*) override {
    AfxDeliverPosted();
    wxTheApp->OnRun();
  }

  int RunModal(CDialog* d) override;
  void DialogChanged(CDialog* d, int id) override;
  void DialogFocus(CDialog* d, int id) override {
    if (auto* dlg = static_cast<wxDialog*>(d->m_peer))
      if (wxWindow* c = dlg->FindWindow(id)) c->SetFocus();
  }

  int MessageBox(const std::string& text, const std::string& caption, UINT type) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    long style = wxCENTRE;
    switch (type & 0xF) {
      case MB_OKCANCEL: style |= wxOK | wxCANCEL; break;
      case MB_YESNO: style |= wxYES_NO; break;
      case MB_YESNOCANCEL: style |= wxYES_NO | wxCANCEL; break;
      default: style |= wxOK; break;
    }
    switch (type & 0xF0) {
      case MB_ICONERROR: style |= wxICON_ERROR; break;
      case MB_ICONQUESTION: style |= wxICON_QUESTION; break;
      case MB_ICONWARNING: style |= wxICON_WARNING; break;
      case MB_ICONINFORMATION: style |= wxICON_INFORMATION; break;
      default: break;
    }
    CFrameWnd* main = AfxGetMainWnd();
    wxWindow* parent = main ? static_cast<wxWindow*>(main->m_peer) : nullptr;
    wxMessageDialog box(parent, W(text), W(caption), style);
    switch (box.ShowModal()) {
      case wxID_CANCEL: return IDCANCEL;
      case wxID_YES: return IDYES;
      case wxID_NO: return IDNO;
      default: return IDOK;
    }
  }
  void WaitCursor(bool on) override {
    if (on) wxBeginBusyCursor();
    else if (wxIsBusy()) wxEndBusyCursor();
  }
  bool PromptOpenFile(std::string* path) override {
    CFrameWnd* main = AfxGetMainWnd();
    wxFileDialog dlg(main ? static_cast<wxWindow*>(main->m_peer) : nullptr);
    if (dlg.ShowModal() != wxID_OK) return false;
    *path = U(dlg.GetPath());
    return true;
  }
  void ContextMenu(CWnd* wnd, const std::vector<std::pair<UINT, std::string>>& items) override {
    auto* w = static_cast<wxWindow*>(wnd->m_peer);
    auto* view = dynamic_cast<CScrollView*>(wnd);
    if (!w || !view || !view->m_pFrame) return;
    wxMenu menu;
    for (const auto& [id, text] : items) {
      BOOL on = FALSE;
      int check = 0;
      view->m_pFrame->UpdateCmdUI(id, &on, &check);
      wxMenuItem* item = menu.AppendCheckItem(WxId(id), W(text));
      item->Check(check != 0);
      item->Enable(on != FALSE);
    }
    w->PopupMenu(&menu);
  }

 private:
  static FrameWindow* Frame(const CWnd* wnd) {
    auto* frame = dynamic_cast<const CFrameWnd*>(wnd);
    return frame ? static_cast<FrameWindow*>(frame->m_peer) : nullptr;
  }
  bool pending_ = false;
};

// ---- Dialogs ---------------------------------------------------------------------------

class DialogWindow : public wxDialog {
 public:
  DialogWindow(wxWindow* parent, CDialog* core) : wxDialog(parent, wxID_ANY, W(core->GetWindowText())), core_(core) {
    const AfxDialogTemplate* t = core->GetTemplate();
    wxFont font(wxFontInfo(t->pointSize).FaceName(W(t->fontFace)));
    SetFont(font);
    auto px = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto sz = [this](int x, int y) { return ConvertDialogToPixels(wxSize(x, y)); };
    SetClientSize(sz(t->cx, t->cy));
    for (int i = 0; i < t->count; ++i) {
      const AfxDialogControl& c = t->controls[i];
      wxWindow* w = nullptr;
      wxString text = W(c.text ? c.text : "");
      switch (c.kind) {
        case AfxControlKind::kGroupBox: w = new wxStaticBox(this, c.id, text, px(c.x, c.y), sz(c.cx, c.cy)); break;
        case AfxControlKind::kRadio:
          w = new wxRadioButton(this, c.id, text, px(c.x, c.y), sz(c.cx, c.cy), (c.style & WS_GROUP) ? wxRB_GROUP : 0);
          w->Bind(wxEVT_RADIOBUTTON, [this, id = c.id](wxCommandEvent&) { Click(id); });
          break;
        case AfxControlKind::kEdit: {
          long style = (c.style & ES_MULTILINE ? wxTE_MULTILINE : 0) | (c.style & ES_READONLY ? wxTE_READONLY : 0);
          w = new wxTextCtrl(this, c.id, wxEmptyString, px(c.x, c.y), sz(c.cx, c.cy), style);
          w->Bind(wxEVT_SET_FOCUS, [this, id = c.id](wxFocusEvent& e) {
            e.Skip();
            CallAfter([this, id] { core_->UserFocus(id); });
          });
          break;
        }
        case AfxControlKind::kStatic: w = new wxStaticText(this, c.id, text, px(c.x, c.y), sz(c.cx, c.cy)); break;
        case AfxControlKind::kButton:
        case AfxControlKind::kDefButton: {
          auto* b = new wxButton(this,
                                 c.id == IDOK       ? wxID_OK
                                 : c.id == IDCANCEL ? wxID_CANCEL
                                                    : c.id,
                                 text, px(c.x, c.y), sz(c.cx, c.cy));
          if (c.kind == AfxControlKind::kDefButton) b->SetDefault();
          b->Bind(wxEVT_BUTTON, [this, id = c.id](wxCommandEvent&) { Click(id); });
          w = b;
          break;
        }
        case AfxControlKind::kIcon:
          if (const AfxImage* icon = AfxFindBitmap(128))
            w = new wxStaticBitmap(this, c.id, wxBitmap(ImageOf(*icon, 0, icon->width, icon->height)), px(c.x, c.y));
          break;
      }
      if (w) byId_[c.id] = w;
    }
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Click(IDCANCEL); });
  }

  wxWindow* Control(int id) {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
  }

  // Shows the layer's state of one control.
  void Push(int id) {
    CDialog::Control* c = core_->GetControl(id);
    wxWindow* w = Control(id);
    if (!c || !w) return;
    if (auto* r = dynamic_cast<wxRadioButton*>(w)) r->SetValue(c->check != 0);
    else if (auto* t = dynamic_cast<wxTextCtrl*>(w)) {
      // The field stops typing at the layer's limit, as the control would.
      if (c->limit) t->SetMaxLength(static_cast<unsigned long>(c->limit));
      t->ChangeValue(W(c->text));
    } else if (auto* s = dynamic_cast<wxStaticText*>(w)) s->SetLabel(W(c->text));
  }

 private:
  void Click(int id) {
    // The fields' texts go to the layer before it acts on the click.
    for (auto& [cid, w] : byId_)
      if (auto* t = dynamic_cast<wxTextCtrl*>(w)) core_->UserText(cid, U(t->GetValue()));
    core_->UserClick(id);
    if (core_->IsEnded()) EndModal(core_->GetResult());
  }

  CDialog* core_;
  std::map<int, wxWindow*> byId_;
};

int WxBackend::RunModal(CDialog* d) {
  CFrameWnd* main = AfxGetMainWnd();
  DialogWindow dlg(main ? static_cast<wxWindow*>(main->m_peer) : nullptr, d);
  d->m_peer = &dlg;
  bool ok = AfxContain("CDialog::OnInitDialog", [&] { d->OnInitDialog(); });
  for (int i = 0; i < d->GetTemplate()->count; ++i) dlg.Push(d->GetTemplate()->controls[i].id);
  int result = IDCANCEL;
  if (ok && !d->IsEnded()) {
    dlg.CentreOnParent();
    result = dlg.ShowModal();
  } else if (d->IsEnded()) {
    result = d->GetResult();
  }
  d->m_peer = nullptr;
  return result;
}

void WxBackend::DialogChanged(CDialog* d, int id) {
  if (auto* dlg = static_cast<DialogWindow*>(d->m_peer)) dlg->Push(id);
}

class LayerApp : public wxApp {
 public:
  bool OnInit() override {
    wxInitAllImageHandlers();
    return true;
  }
};

}  // namespace

int RunWithWx(int argc, char** argv, const std::function<int()>& body) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!display || !*display) && (!wayland || !*wayland)) {
    std::fprintf(stderr, "%s: no display to show the window on\n", argc > 0 ? argv[0] : "program");
    return 0;
  }
  // A failed check of wx is reported, never a dialog that waits for a user.
  wxSetAssertHandler([](const wxString& file, int line, const wxString&, const wxString& cond, const wxString& msg) {
    std::fprintf(stderr, "wx: %s:%d: %s %s\n", U(file).c_str(), line, U(cond).c_str(), U(msg).c_str());
  });
  wxApp::SetInstance(new LayerApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "%s: the display cannot be opened\n", argc > 0 ? argv[0] : "program");
    return 0;
  }
  int code = 0;
  if (wxTheApp->CallOnInit()) {
    WxBackend backend;
    g_wx = &backend;
    AfxSetBackend(&backend);
    code = body();
    AfxSetBackend(nullptr);
    g_wx = nullptr;
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return code;
}

}  // namespace pk::mfc
