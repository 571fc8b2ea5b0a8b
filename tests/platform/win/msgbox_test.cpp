// Message boxes: scripted answers with every call recorded, and the stopping
// answer when nobody can be asked.
#include <gtest/gtest.h>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

TEST(MsgboxTest, ScriptedAnswerIsRecorded) {
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  UINT style = MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND;
  EXPECT_EQ(style, 0x10041u);
  EXPECT_EQ(MessageBoxW(GetActiveWindow(), u"Drive D: is full.", u"Write error", style), IDCANCEL);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].owner, nullptr);
  EXPECT_EQ(calls[0].caption, u"Write error");
  EXPECT_EQ(calls[0].text, u"Drive D: is full.");
  EXPECT_EQ(calls[0].style, 0x10041u);
}

TEST(MsgboxTest, WithoutAnswersTheStoppingChoiceIsTaken) {
  struct Case {
    UINT style;
    int answer;
  } cases[] = {
      {MB_OK | MB_ICONWARNING, IDOK},   {MB_OKCANCEL, IDCANCEL},    {MB_YESNO, IDNO},
      {MB_YESNOCANCEL, IDCANCEL},       {MB_RETRYCANCEL, IDCANCEL}, {MB_ABORTRETRYIGNORE, IDABORT},
      {MB_CANCELTRYCONTINUE, IDCANCEL},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageBoxW(nullptr, u"text", u"caption", c.style), c.answer) << c.style;
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), std::size(cases));
  // A queue answers first, then the default takes over again.
  pk::seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"retry?", nullptr, MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"retry?", nullptr, MB_OKCANCEL), IDCANCEL);
}

}  // namespace
