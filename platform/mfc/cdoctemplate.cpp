// The single-document template (see cdoctemplate.h).
#include "platform/mfc/cdoctemplate.h"

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cwinapp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                                       const CRuntimeClass* viewClass)
    : m_nIDResource(nIDResource), m_docClass(docClass), m_frameClass(frameClass), m_viewClass(viewClass) {
  m_strings = AfxLoadString(nIDResource);
}

CSingleDocTemplate::~CSingleDocTemplate() {
  // The frame (with its view) goes before the document it shows.
  m_frame.reset();
  m_doc.reset();
}

std::string CSingleDocTemplate::GetDocString(int index) const {
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    size_t nl = m_strings.find('\n', start);
    if (nl == std::string::npos) return std::string();
    start = nl + 1;
  }
  size_t end = m_strings.find('\n', start);
  return m_strings.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool CSingleDocTemplate::MakeFrame() {
  m_frame.reset(m_frameClass->createFrame());
  if (!m_frame) return false;
  CCreateContext context;
  context.m_pNewViewClass = m_viewClass;
  context.m_pCurrentDoc = m_doc.get();
  if (!m_frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
    m_frame.reset();
    return false;
  }
  CWinApp* app = AfxGetApp();
  if (app && !app->m_pMainWnd) app->m_pMainWnd = m_frame.get();
  return true;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path, BOOL makeVisible) {
  bool created = false;
  if (!m_doc) {
    m_doc.reset(m_docClass->createDocument());
    if (!m_doc) return nullptr;
    created = true;
  }
  if (!m_frame && !MakeFrame()) {
    if (created) m_doc.reset();
    return nullptr;
  }
  BOOL ok = FALSE;
  AfxContain("CDocument::OnOpenDocument", [&] {
    if (path) {
      ok = m_doc->OnOpenDocument(path);
      if (ok) m_doc->SetPathName(path);
    } else {
      ok = m_doc->OnNewDocument();
    }
  });
  if (!ok) {
    if (created) {
      CWinApp* app = AfxGetApp();
      if (app && app->m_pMainWnd == m_frame.get()) app->m_pMainWnd = nullptr;
      m_frame->DestroyWindow();
      m_frame.reset();
      m_doc.reset();
    }
    return nullptr;
  }
  m_frame->InitialUpdateFrame(m_doc.get(), makeVisible);
  return m_doc.get();
}
