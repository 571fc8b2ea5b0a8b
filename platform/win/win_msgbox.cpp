// Message boxes for tests and batch runs (see win_msgbox.h).
#include "platform/win/win_msgbox.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/win/name_text.h"
#include "platform/win/win_seams.h"

namespace {

std::mutex gMutex;
std::deque<int> gAnswers;
std::vector<pk::seams::MessageBoxCall> gCalls;
pk::seams::MessageBoxHandler gHandler = nullptr;
void* gHandlerContext = nullptr;

void Reset() {
  std::lock_guard<std::mutex> lock(gMutex);
  gAnswers.clear();
  gCalls.clear();
  gHandler = nullptr;
  gHandlerContext = nullptr;
}
const pk::seams::ResetHook gHook(&Reset);

// The answer that ends whatever the box asks.
int StoppingAnswer(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
    case MB_CANCELTRYCONTINUE: return IDCANCEL;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}

}  // namespace

namespace pk::seams {

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> lock(gMutex);
  gAnswers.push_back(answer);
}

std::vector<MessageBoxCall> MessageBoxCalls() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCalls;
}

void SetMessageBoxHandler(MessageBoxHandler handler, void* context) {
  std::lock_guard<std::mutex> lock(gMutex);
  gHandler = handler;
  gHandlerContext = context;
}

}  // namespace pk::seams

extern "C" {

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  std::u16string caption = lpCaption ? std::u16string(pk::WideView(lpCaption)) : u"Error";
  std::u16string text(pk::WideView(lpText));
  pk::seams::MessageBoxHandler handler = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gCalls.push_back({hWnd, caption, text, uType});
    handler = gHandler;
    context = gHandlerContext;
  }
  // Called unlocked: the handler may write a trace or ask the queue.
  if (handler) {
    int answer = handler({hWnd, caption, text, uType}, context);
    if (answer > 0) return answer;
  }
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gAnswers.empty()) {
    int answer = gAnswers.front();
    gAnswers.pop_front();
    return answer;
  }
  std::fprintf(stderr, "%s: %s\n", pk::Utf16ToUtf8(caption).c_str(), pk::Utf16ToUtf8(text).c_str());
  return StoppingAnswer(uType);
}

}  // extern "C"
