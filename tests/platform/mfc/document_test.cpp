// The framework's document: the default open and new operations, the path
// name, and the update of its views.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/mfc/cdocument.h"
#include "platform/mfc/cview.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

class CountingDocument : public CDocument {
 public:
  int deleted = 0;
  void DeleteContents() override { ++deleted; }
};

class CountingView : public CView {
 public:
  int updates = 0;
  CView* lastSender = nullptr;
  LPARAM lastHint = -1;

 protected:
  void OnUpdate(CView* pSender, LPARAM lHint, CObject*) override {
    ++updates;
    lastSender = pSender;
    lastHint = lHint;
  }
};

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { root_ = pk::seams::UseTemporaryMachineRoot(); }
  std::string root_;
};

TEST_F(DocumentTest, OpenSetsThePathOnlyOnSuccessAndClosesTheFile) {
  std::filesystem::create_directories(root_ + "/c");
  { std::ofstream(root_ + "/c/page.tif") << "data"; }
  CountingDocument doc;
  SIZE_T handles = pk::seams::LiveHandles();
  EXPECT_TRUE(doc.OpenDocumentFile("C:\\page.tif"));
  EXPECT_EQ(doc.GetPathName(), "C:\\page.tif");
  EXPECT_EQ(doc.deleted, 1);
  EXPECT_EQ(pk::seams::LiveHandles(), handles);
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());

  EXPECT_FALSE(doc.OpenDocumentFile("C:\\missing.tif"));
  EXPECT_EQ(doc.GetPathName(), "C:\\page.tif");
  EXPECT_EQ(doc.deleted, 1);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].text.find(u"C:\\missing.tif"), std::u16string::npos);

  EXPECT_TRUE(doc.OnNewDocument());
  EXPECT_TRUE(doc.GetPathName().empty());
  EXPECT_EQ(doc.deleted, 2);
}

TEST_F(DocumentTest, UpdateReachesEveryViewButTheSender) {
  CDocument doc;
  CountingView a, b;
  doc.AddView(&a);
  doc.AddView(&b);
  doc.AddView(&b);  // once only
  EXPECT_EQ(a.GetDocument(), &doc);
  ASSERT_EQ(doc.GetViews().size(), 2u);

  doc.UpdateAllViews(nullptr, 7);
  EXPECT_EQ(a.updates, 1);
  EXPECT_EQ(b.updates, 1);
  EXPECT_EQ(b.lastHint, 7);
  doc.UpdateAllViews(&a);
  EXPECT_EQ(a.updates, 1);
  EXPECT_EQ(b.updates, 2);
  EXPECT_EQ(b.lastSender, &a);

  doc.RemoveView(&a);
  EXPECT_EQ(a.GetDocument(), nullptr);
  doc.UpdateAllViews(nullptr);
  EXPECT_EQ(a.updates, 1);
  EXPECT_EQ(b.updates, 3);
}

TEST_F(DocumentTest, ViewAndDocumentMayEndInEitherOrder) {
  auto view = std::make_unique<CountingView>();
  {
    CDocument doc;
    doc.AddView(view.get());
    {
      CountingView shortLived;
      doc.AddView(&shortLived);
    }
    EXPECT_EQ(doc.GetViews().size(), 1u);
  }
  EXPECT_EQ(view->GetDocument(), nullptr);
}

}  // namespace
