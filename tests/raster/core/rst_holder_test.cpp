// The two holders: RstOwner (disposal by kind, take, attach) and
// RstCountedPtr (shared count, no count for null or when none can be had).
#include <gtest/gtest.h>

#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_owner.h"
#include "rst_status_recorder.h"
#include "rst_test_nodes.h"

namespace {
struct Storage {  // a polymorphic object like a storage or private header
  explicit Storage(int* deleted) : deleted(deleted) {}
  virtual ~Storage() { ++*deleted; }
  int* deleted;
};
struct FileStorage : Storage {
  using Storage::Storage;
};
using RstHolderTest = RstStatusTest;
}  // namespace

TEST_F(RstHolderTest, OwnerDisposesByKind) {
  RstTestLog log;
  int deleted = 0;
  {
    RstOwner<RstTestNode> node(new RstTestNode("n", &log, {new RstTestNode("src", &log)}));
    RstOwner<Storage> storage(new FileStorage(&deleted));
    RstOwner<uint8_t> buffer(static_cast<uint8_t*>(rst_malloc(64)));
    ASSERT_TRUE(buffer);
  }
  EXPECT_EQ(log.deleted, (std::vector<std::string>{"src", "n"}));  // ended, with its source
  EXPECT_EQ(deleted, 1);                                           // through the virtual destructor
}

TEST_F(RstHolderTest, OwnerHandOverTakeAndAttach) {
  int deleted = 0;
  auto* first = new Storage(&deleted);
  auto* second = new Storage(&deleted);
  RstOwner<Storage> a(first);
  RstOwner<Storage> b(std::move(a));
  EXPECT_EQ(a.get(), nullptr);
  EXPECT_EQ(b.get(), first);

  RstOwner<Storage> empty;
  b.take(empty);  // nothing to take: the old object stays
  EXPECT_EQ(b.get(), first);

  RstOwner<Storage> c(second);
  b.take(c);  // takes without disposing of the old one
  EXPECT_EQ(b.get(), second);
  EXPECT_EQ(c.get(), nullptr);
  EXPECT_EQ(deleted, 0);

  b.attach(first);  // disposes of second
  EXPECT_EQ(deleted, 1);
  b.attach(first);  // the same object is kept
  EXPECT_EQ(deleted, 1);

  RstOwner<Storage> d(new Storage(&deleted));
  d = std::move(b);  // disposes of what d held
  EXPECT_EQ(deleted, 2);
  d = std::move(d);
  EXPECT_EQ(d.get(), first);
  delete d.release();
  EXPECT_EQ(deleted, 3);
}

TEST_F(RstHolderTest, CountedPointerSharesOneCount) {
  int deleted = 0;
  RstCountedPtr<Storage> none;
  RstCountedPtr<Storage> null_made(nullptr);
  EXPECT_FALSE(none.has_count());
  EXPECT_FALSE(null_made.has_count());
  {
    RstCountedPtr<Storage> a(new FileStorage(&deleted));
    EXPECT_EQ(a.use_count(), 1);
    RstCountedPtr<Storage> b(a);
    EXPECT_EQ(a.use_count(), 2);
    EXPECT_EQ(b.get(), a.get());
    b = b;
    EXPECT_EQ(a.use_count(), 2);
    RstCountedPtr<Storage> c(new Storage(&deleted));
    c = a;  // releases c's own object
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(a.use_count(), 3);
    RstCountedPtr<Storage> d;
    d.swap(c);
    EXPECT_EQ(c.get(), nullptr);
    EXPECT_EQ(d.get(), a.get());
    EXPECT_EQ(a.use_count(), 3);
  }
  EXPECT_EQ(deleted, 2);  // the last holder deleted the shared object
}

// A count that cannot be made leaves nobody to delete the object: the
// holder deletes it at once and holds nothing.
TEST_F(RstHolderTest, CountedPointerWithoutCountDeletesTheObject) {
  int deleted = 0;
  auto* s = new Storage(&deleted);
  RstAllocFault::fail_nth(1);
  {
    RstCountedPtr<Storage> a(s);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(a.get(), nullptr);
    EXPECT_FALSE(a.has_count());
    RstCountedPtr<Storage> b(a);
    EXPECT_EQ(b.get(), nullptr);
  }
  EXPECT_EQ(deleted, 1);
  EXPECT_TRUE(status.errors().empty());  // not a reported failure
}
