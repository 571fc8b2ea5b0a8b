// The back end slot, posted messages, containment and after-paint actions
// (see afx_backend.h).
#include "platform/mfc/afx_backend.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <new>
#include <stdexcept>

#include "platform/mfc/cwinapp.h"

namespace {

AfxBackend* g_backend = nullptr;
std::deque<AfxPosted>& Queue() {
  static std::deque<AfxPosted> q;
  return q;
}
AfxExceptionDescriber& Describer() {
  static AfxExceptionDescriber d;
  return d;
}
int g_paintDepth = 0;
std::vector<std::function<void()>>& AfterPaint() {
  static std::vector<std::function<void()>> v;
  return v;
}

std::string Describe(std::exception_ptr e) {
  if (Describer()) {
    std::string text = Describer()(e);
    if (!text.empty()) return text;
  }
  try {
    std::rethrow_exception(e);
  } catch (const std::bad_alloc&) {
    return "Memória insuficiente.";
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "Erro desconhecido.";
  }
}

}  // namespace

void AfxSetBackend(AfxBackend* backend) { g_backend = backend; }
AfxBackend* AfxGetBackend() { return g_backend; }

void AfxPostMessage(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Queue().push_back({wnd, message, wParam, lParam});
  if (g_backend) g_backend->Wake();
}

bool AfxDeliverPosted() {
  if (Queue().empty() && AfterPaint().empty()) return false;
  // What the last paint left waits no longer.
  if (g_paintDepth == 0 && !AfterPaint().empty()) {
    std::vector<std::function<void()>> actions;
    actions.swap(AfterPaint());
    for (auto& a : actions) AfxContain("CView::OnPaint", a);
  }
  while (!Queue().empty()) {
    AfxPosted m = Queue().front();
    Queue().pop_front();
    if (m.wnd && m.wnd->IsCreated()) m.wnd->SendMessage(m.message, m.wParam, m.lParam);
  }
  return true;
}

void AfxForgetPosted(CWnd* wnd) {
  std::erase_if(Queue(), [wnd](const AfxPosted& m) { return m.wnd == wnd; });
}

void AfxSetExceptionDescriber(AfxExceptionDescriber describer) { Describer() = std::move(describer); }

bool AfxContain(const char* where, const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (...) {
    std::string text = Describe(std::current_exception());
    if (where && *where) text += "\n(" + std::string(where) + ")";
    std::fprintf(stderr, "%s\n", text.c_str());
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONERROR);
    return false;
  }
}

void AfxRunAfterPaint(std::function<void()> action) {
  if (g_paintDepth == 0) {
    action();
    return;
  }
  AfterPaint().push_back(std::move(action));
}

bool AfxInPaint() { return g_paintDepth > 0; }

void AfxBeginPaint() { ++g_paintDepth; }

void AfxEndPaint() {
  if (g_paintDepth > 0) --g_paintDepth;
  // The actions run from the loop, once the paint has returned to it.
  if (g_paintDepth == 0 && !AfterPaint().empty() && g_backend) g_backend->Wake();
}

namespace {
std::string& TracePath() {
  static std::string p;
  return p;
}
std::function<std::string()>& TraceDescribe() {
  static std::function<std::string()> f;
  return f;
}
}  // namespace

void AfxSetPaintTrace(const std::string& path, std::function<std::string()> describe) {
  TracePath() = path;
  TraceDescribe() = std::move(describe);
}

const std::string& AfxPaintTracePath() { return TracePath(); }

std::string AfxPaintTraceDescription() { return TraceDescribe() ? TraceDescribe()() : std::string(); }
