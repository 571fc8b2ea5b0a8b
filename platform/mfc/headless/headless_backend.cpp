// The headless back end (see headless_backend.h).
#include "platform/mfc/headless/headless_backend.h"

#include <algorithm>
#include <cstring>

#include "platform/mfc/cwinapp.h"
#include "platform/win/win_msgbox.h"

namespace pk::mfc {

namespace {

// The screen a frame lives on, and the parts of a frame around its view.
constexpr RECT kScreen{0, 0, 1280, 1024};
constexpr int kBorder = 8;
constexpr int kCaption = 23;
constexpr int kMenu = 20;
constexpr int kToolbar = 36;
constexpr int kStatus = 22;
constexpr int kMaxRounds = 64;

}  // namespace

class HeadlessBackend::Surface : public AfxSurface {
 public:
  Surface(HeadlessBackend* owner, RECT clip) : owner_(owner), clip_(clip) {}
  void DrawDib(int x, int y, int width, int height, const BYTE* bits, int stride) override {
    Painted& p = owner_->painted_;
    p.x = x;
    p.y = y;
    p.width = width;
    p.height = height;
    p.stride = stride;
    p.bits.assign(bits, bits + static_cast<size_t>(stride) * static_cast<size_t>(height));
    drew = true;
  }
  void FillRect(const RECT&, COLORREF colour) override { filled = colour; }
  RECT ClipBox() const override { return clip_; }
  bool drew = false;
  COLORREF filled = 0;

 private:
  HeadlessBackend* owner_;
  RECT clip_;
};

void DialogDriver::type(int id, const std::string& text) {
  d_->UserFocus(id);
  d_->UserText(id, text);
}

bool DialogDriver::click(int id) {
  d_->UserClick(id);
  return d_->IsEnded() != FALSE;
}

HeadlessBackend::HeadlessBackend() { AfxSetBackend(this); }

HeadlessBackend::~HeadlessBackend() {
  if (AfxGetBackend() == this) AfxSetBackend(nullptr);
}

CToolBar* HeadlessBackend::toolbar() const {
  if (!frame_) return nullptr;
  for (CControlBar* bar : frame_->m_bars)
    if (auto* tb = dynamic_cast<CToolBar*>(bar)) return tb;
  return nullptr;
}

CStatusBar* HeadlessBackend::statusBar() const {
  if (!frame_) return nullptr;
  for (CControlBar* bar : frame_->m_bars)
    if (auto* sb = dynamic_cast<CStatusBar*>(bar)) return sb;
  return nullptr;
}

std::vector<std::string> HeadlessBackend::statusPanes() const {
  std::vector<std::string> panes;
  if (CStatusBar* sb = statusBar())
    for (int i = 0; i < sb->GetCount(); ++i) panes.push_back(sb->GetPaneText(i));
  return panes;
}

std::string HeadlessBackend::comboText() const {
  return frame_ && frame_->m_pCombo ? frame_->m_pCombo->GetWindowText() : std::string();
}

std::vector<std::string> HeadlessBackend::comboList() const {
  return frame_ && frame_->m_pCombo ? frame_->m_pCombo->m_items : std::vector<std::string>();
}

bool HeadlessBackend::toolbarShown() const {
  CToolBar* tb = toolbar();
  return tb && tb->IsVisible();
}

CSize HeadlessBackend::scrollSize() const { return view_ ? view_->GetTotalSize() : CSize(); }

bool HeadlessBackend::enabled(UINT id) const {
  BOOL on = FALSE;
  if (frame_) frame_->UpdateCmdUI(id, &on, nullptr);
  return on != FALSE;
}

int HeadlessBackend::checked(UINT id) const {
  int check = 0;
  if (frame_) frame_->UpdateCmdUI(id, nullptr, &check);
  return check;
}

std::string HeadlessBackend::tooltip(int slot) const {
  CToolBar* tb = toolbar();
  if (!tb || slot < 0 || slot >= tb->GetCount()) return std::string();
  std::string tip;
  AfxPromptParts(tb->GetItemID(slot), nullptr, &tip);
  return tip;
}

std::string HeadlessBackend::flyBy(UINT id) const {
  std::string text;
  AfxPromptParts(id, &text, nullptr);
  return text;
}

// ---- Driving -------------------------------------------------------------------

void HeadlessBackend::command(UINT id) {
  if (frame_) frame_->PostMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
  pump();
}

bool HeadlessBackend::key(WORD vk, BYTE modifiers) {
  bool done = frame_ && frame_->TranslateKey(vk, static_cast<BYTE>(FVIRTKEY | modifiers));
  pump();
  return done;
}

void HeadlessBackend::pickCombo(int index) {
  if (frame_ && frame_->m_pCombo) {
    frame_->m_pCombo->SetFocus();
    frame_->m_pCombo->UserPicked(index);
  }
  pump();
}

void HeadlessBackend::typeCombo(const std::string& text, bool enter) {
  if (!frame_ || !frame_->m_pCombo) return;
  frame_->m_pCombo->SetFocus();
  frame_->m_pCombo->UserTyped(text);
  // Enter in the box is the OK command; its handler moves the focus away.
  if (enter) frame_->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  if (AfxGetFocus() == frame_->m_pCombo) {
    if (view_) view_->SetFocus();
    else AfxFocusChanged(nullptr);
  }
  pump();
}

void HeadlessBackend::drop(const std::vector<std::string>& paths) {
  if (frame_) frame_->OnDropFiles(paths);
  pump();
}

void HeadlessBackend::resize(int width, int height) {
  normal_.right = normal_.left + width;
  normal_.bottom = normal_.top + height;
  if (view_) view_->Invalidate();
  pump();
}

void HeadlessBackend::maximise() {
  if (frame_) frame_->ShowWindow(SW_SHOWMAXIMIZED);
  pump();
}

void HeadlessBackend::minimise() {
  if (frame_) frame_->ShowWindow(SW_SHOWMINIMIZED);
  pump();
}

void HeadlessBackend::restore() {
  if (frame_) frame_->ShowWindow(SW_RESTORE);
  pump();
}

void HeadlessBackend::closeBox() {
  if (frame_) frame_->PostMessage(WM_CLOSE);
  pump();
}

void HeadlessBackend::rightClick() {
  contextMenu_.clear();
  if (view_) AfxContain("CView::OnContextMenu", [&] { view_->OnContextMenu(POINT{10, 10}); });
  pump();
}

int HeadlessBackend::pump() {
  int rounds = 0;
  for (int i = 0; i < kMaxRounds; ++i) {
    bool work = AfxDeliverPosted();
    if (viewInvalid_ && view_ && view_->IsCreated() && !minimised() && showCmd_ != SW_HIDE) {
      viewInvalid_ = false;
      RECT client = GetClientRect(static_cast<CWnd*>(view_));
      Surface surface(this, RECT{0, 0, client.right - client.left, client.bottom - client.top});
      ++paints_;
      view_->Paint(&surface);
      lastDrew_ = surface.drew;
      work = true;
    }
    if (!work) break;
    ++rounds;
  }
  return rounds;
}

void HeadlessBackend::answerDialog(std::function<void(DialogDriver&)> script) {
  dialogScripts_.push_back(std::move(script));
}

// ---- AfxBackend ------------------------------------------------------------------

bool HeadlessBackend::CreateFrame(CFrameWnd* frame, const CREATESTRUCT& cs) {
  frame_ = frame;
  created_ = cs;
  int x = cs.x == CW_USEDEFAULT ? 26 : cs.x;
  int y = cs.y == CW_USEDEFAULT ? 26 : cs.y;
  int cx = cs.cx == CW_USEDEFAULT ? 800 : cs.cx;
  int cy = cs.cy == CW_USEDEFAULT ? 600 : cs.cy;
  normal_ = RECT{x, y, x + cx, y + cy};
  showCmd_ = SW_HIDE;
  frame->m_peer = &peerTag_;
  return true;
}

bool HeadlessBackend::CreateView(CScrollView* view) {
  view_ = view;
  static_cast<CWnd*>(view)->m_peer = &peerTag_;
  return true;
}

bool HeadlessBackend::CreateToolBar(CToolBar* bar) {
  bar->m_peer = &peerTag_;
  if (frame_ && std::find(frame_->m_bars.begin(), frame_->m_bars.end(), bar) == frame_->m_bars.end())
    frame_->m_bars.push_back(bar);
  return true;
}

bool HeadlessBackend::CreateStatusBar(CStatusBar* bar) {
  bar->m_peer = &peerTag_;
  if (frame_ && std::find(frame_->m_bars.begin(), frame_->m_bars.end(), bar) == frame_->m_bars.end())
    frame_->m_bars.push_back(bar);
  return true;
}

bool HeadlessBackend::CreateCombo(CComboBox* combo, CToolBar*, int) {
  combo->m_peer = &peerTag_;
  return true;
}

void HeadlessBackend::Destroy(CWnd* wnd) {
  if (wnd == frame_) {
    showCmd_ = SW_HIDE;
    view_ = nullptr;
  }
  if (view_ && wnd == static_cast<CWnd*>(view_)) view_ = nullptr;
}

void HeadlessBackend::Show(CWnd* wnd, int nCmdShow) {
  if (wnd != frame_) return;
  // Showing keeps a maximised or minimised state; restoring leaves it.
  if (nCmdShow == SW_RESTORE) showCmd_ = SW_SHOWNORMAL;
  else if (nCmdShow == SW_SHOW || nCmdShow == SW_SHOWNA || nCmdShow == SW_SHOWNOACTIVATE)
    showCmd_ = showCmd_ == SW_HIDE ? SW_SHOWNORMAL : showCmd_;
  else showCmd_ = nCmdShow;
  viewInvalid_ = true;
}

bool HeadlessBackend::GetPlacement(const CWnd* wnd, WINDOWPLACEMENT* placement) {
  if (placementUnknown_ || wnd != frame_) return false;
  placement->flags = 0;
  placement->showCmd = maximised() ? SW_SHOWMAXIMIZED : minimised() ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = normal_;
  return true;
}

RECT HeadlessBackend::GetWindowRect(const CWnd* wnd) {
  RECT frameRect = maximised() ? RECT{kScreen.left - kBorder, kScreen.top - kBorder, kScreen.right + kBorder,
                                      kScreen.bottom - 40 + kBorder}
                               : normal_;
  if (wnd == frame_) return frameRect;
  if (view_ && wnd == static_cast<const CWnd*>(view_)) {
    RECT c = GetClientRect(wnd);
    LONG x = frameRect.left + kBorder;
    LONG y = frameRect.top + kBorder + kCaption + kMenu + (toolbarShown() ? kToolbar : 0);
    return RECT{x, y, x + c.right, y + c.bottom};
  }
  return RECT{0, 0, 0, 0};
}

RECT HeadlessBackend::GetClientRect(const CWnd* wnd) {
  RECT f = GetWindowRect(frame_);
  LONG w = f.right - f.left - 2 * kBorder;
  LONG h = f.bottom - f.top - 2 * kBorder - kCaption;
  if (wnd == frame_) return RECT{0, 0, std::max<LONG>(0, w), std::max<LONG>(0, h)};
  if (view_ && wnd == static_cast<const CWnd*>(view_)) {
    h -= kMenu + (toolbarShown() ? kToolbar : 0) + (statusBar() ? kStatus : 0);
    return RECT{0, 0, std::max<LONG>(0, w), std::max<LONG>(0, h)};
  }
  return RECT{0, 0, 0, 0};
}

void HeadlessBackend::Invalidate(CWnd* wnd) {
  if (view_ && wnd == static_cast<CWnd*>(view_)) viewInvalid_ = true;
}

void HeadlessBackend::Run(CWinApp*) {
  pump();
  std::vector<std::function<void(HeadlessBackend&)>> steps;
  steps.swap(steps_);
  for (auto& step : steps) {
    if (!running()) break;
    step(*this);
    pump();
  }
}

int HeadlessBackend::RunModal(CDialog* dialog) {
  dialog->m_peer = &peerTag_;
  AfxContain("CDialog::OnInitDialog", [&] { dialog->OnInitDialog(); });
  DialogSeen seen{dialog->GetTemplate()->id, dialog->GetWindowText(), {}, {}, IDCANCEL};
  for (int i = 0; i < dialog->GetTemplate()->count; ++i) {
    int id = dialog->GetTemplate()->controls[i].id;
    seen.texts[id] = dialog->GetDlgItemText(id);
    seen.checks[id] = static_cast<int>(dialog->IsDlgButtonChecked(id));
  }
  if (!dialog->IsEnded() && !dialogScripts_.empty()) {
    auto script = std::move(dialogScripts_.front());
    dialogScripts_.pop_front();
    DialogDriver driver(dialog);
    AfxContain("CDialog::RunModal", [&] { script(driver); });
  }
  // A dialog the script left open is cancelled, as closing its box would.
  if (!dialog->IsEnded()) dialog->UserClick(IDCANCEL);
  if (!dialog->IsEnded()) dialog->EndDialog(IDCANCEL);
  int result = dialog->GetResult();
  seen.result = result;
  dialogs_.push_back(seen);
  return result;
}

int HeadlessBackend::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  std::u16string t = AfxUtf16(text);
  std::u16string c = AfxUtf16(caption);
  return MessageBoxW(nullptr, t.c_str(), c.c_str(), type);
}

void HeadlessBackend::WaitCursor(bool on) {
  if (on) {
    ++waitCursors_;
    ++waitDepth_;
  } else if (waitDepth_ > 0) {
    --waitDepth_;
  }
}

bool HeadlessBackend::PromptOpenFile(std::string* path) {
  if (openAnswer_.empty()) return false;
  *path = openAnswer_;
  return true;
}

void HeadlessBackend::ContextMenu(CWnd*, const std::vector<std::pair<UINT, std::string>>& items) {
  contextMenu_ = items;
}

}  // namespace pk::mfc
