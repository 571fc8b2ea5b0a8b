// The framework's document (see cdocument.h).
#include "platform/mfc/cdocument.h"

#include <algorithm>

#include "platform/mfc/cview.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_msgbox.h"

namespace {

std::u16string WideFromAnsi(LPCSTR text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::u16string();
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

}  // namespace

CDocument::~CDocument() {
  for (CView* view : m_viewList) view->m_pDocument = nullptr;
}

void CDocument::SetPathName(LPCSTR lpszPathName) { m_strPathName = lpszPathName ? lpszPathName : ""; }

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.clear();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCSTR lpszPathName) {
  std::u16string path = lpszPathName ? WideFromAnsi(lpszPathName) : std::u16string();
  HANDLE file = path.empty() ? INVALID_HANDLE_VALUE
                             : CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::u16string text = u"Não foi possível abrir o documento.\n" + path;
    MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  CloseHandle(file);
  DeleteContents();
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::DeleteContents() {}

BOOL CDocument::OpenDocumentFile(LPCSTR lpszPathName) {
  if (!OnOpenDocument(lpszPathName)) return FALSE;
  SetPathName(lpszPathName);
  return TRUE;
}

void CDocument::AddView(CView* pView) {
  if (!pView || std::find(m_viewList.begin(), m_viewList.end(), pView) != m_viewList.end()) return;
  if (pView->m_pDocument && pView->m_pDocument != this) pView->m_pDocument->RemoveView(pView);
  m_viewList.push_back(pView);
  pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView) {
  auto it = std::find(m_viewList.begin(), m_viewList.end(), pView);
  if (it == m_viewList.end()) return;
  m_viewList.erase(it);
  pView->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  // A copy: an update may add or remove views.
  std::vector<CView*> views = m_viewList;
  for (CView* view : views)
    if (view != pSender) view->OnUpdate(pSender, lHint, pHint);
}
