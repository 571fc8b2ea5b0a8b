// The factory protocol: pins during the call, what a failure leaves to the
// caller, allocation and initiate failures, the owner and multi-node ends.
#include <gtest/gtest.h>

#include "raster/core/rst_create.h"
#include "raster/core/rst_node_handle.h"
#include "rst_status_recorder.h"
#include "rst_test_nodes.h"

namespace {
class RstCreateTest : public RstStatusTest {
 protected:
  RstCreateTest() { RstTestTriple::fail_initiate = false; }
  ~RstCreateTest() override { RstTestTriple::fail_initiate = false; }
  // Kept inputs can still be read and ended by their caller.
  static void read_and_end(RstTestNode* n) {
    EXPECT_EQ(n->mode(), RstRoot::mode_kept);
    uint8_t line[1];
    EXPECT_EQ(n->read(line), 1);
    n->end();
  }
  RstTestLog log;
};
}  // namespace

TEST_F(RstCreateTest, SuccessHandsTheInputsToTheNewNode) {
  auto* a = new RstTestNode("a", &log);
  auto* b = new RstTestNode("b", &log);
  auto* c = new RstTestNode("c", &log);
  RstTestTriple* t = RstTestTriple::create(&log, a, b, c);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->initiated());
  EXPECT_EQ(log.initiates, 1);
  for (RstTestNode* n : {a, b, c}) {
    EXPECT_EQ(n->mode(), RstRoot::mode_free);
    EXPECT_EQ(n->pin_count(), 0);
  }
  EXPECT_EQ(t->sources(), (std::vector<RstRoot*>{a, b, c}));
  t->end();
  EXPECT_EQ(log.deleted.size(), 4u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(RstCreateTest, NullInputUnderTheDefaultObserverThrowsAndKeepsTheOthers) {
  RstObserver* thrower = RstObserver::create();
  RstObserver* recording = RstStatusContext::instance()->set_observer(thrower);
  auto* a = new RstTestNode("a", &log);
  auto* c = new RstTestNode("c", &log);
  try {
    RstTestTriple::create(&log, a, nullptr, c);
    ADD_FAILURE() << "no exception";
  } catch (const RstStatus& s) {
    EXPECT_EQ(s.code(), -2);
  }
  RstStatusContext::instance()->set_observer(recording);
  delete thrower;
  EXPECT_EQ(status.last_status(), -2);
  read_and_end(a);
  read_and_end(c);
  EXPECT_EQ(log.deleted.size(), 2u);
}

TEST_F(RstCreateTest, FailuresUnderARecordingObserver) {
  struct Case {
    const char* what;
    bool null_middle, empty_first, fail_alloc;
    RstReport want;
  } cases[] = {
      {"null input", true, false, false, {-2, "RstTestTriple::create()"}},
      {"bad header", false, true, false, {-3, "RstTestTriple::create()"}},
      {"node allocation", false, false, true, {-1, "rst_create_end()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    RstTestLog log;
    auto* a = c.empty_first ? new RstTestNode("a", &log, {}, 0) : new RstTestNode("a", &log);
    auto* b = c.null_middle ? nullptr : new RstTestNode("b", &log);
    auto* d = new RstTestNode("d", &log);
    if (c.fail_alloc) RstAllocFault::fail_nth(1);
    EXPECT_EQ(RstTestTriple::create(&log, a, b, d), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.want});
    if (c.empty_first) {
      EXPECT_EQ(a->mode(), RstRoot::mode_kept);
      a->end();
    } else {
      read_and_end(a);
    }
    if (b) read_and_end(b);
    read_and_end(d);
    EXPECT_EQ(log.initiates, 0);
  }
}

TEST_F(RstCreateTest, FailedInitiateIsNotReturnedAndGoesWithItsInputs) {
  RstTestTriple::fail_initiate = true;
  auto* a = new RstTestNode("a", &log);
  auto* b = new RstTestNode("b", &log);
  auto* c = new RstTestNode("c", &log);
  EXPECT_EQ(RstTestTriple::create(&log, a, b, c), nullptr);
  EXPECT_EQ(log.initiates, 1);
  // The node stays linked to the kept inputs until they are ended.
  EXPECT_EQ(a->sinks().size(), 1u);
  a->end();
  b->end();
  EXPECT_FALSE(log.was_deleted("triple"));
  c->end();
  EXPECT_EQ(log.deleted.size(), 4u);
  EXPECT_TRUE(log.was_deleted("triple"));
}

TEST_F(RstCreateTest, NestedFactoriesPinTheSameInputAgain) {
  auto* a = new RstTestNode("a", &log);
  auto* b = new RstTestNode("b", &log);
  {
    RstCreateGuard outer(a);
    EXPECT_EQ(a->pin_count(), 1);
    RstTestTriple* t = RstTestTriple::create(&log, a, a, b);  // inner pins a twice more
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(a->pin_count(), 1);
    EXPECT_EQ(a->mode(), RstRoot::mode_pinned);
    rst_create_end(t, outer);
    t->end();
    EXPECT_TRUE(log.was_deleted("triple"));
    EXPECT_FALSE(log.was_deleted("a"));  // still pinned by the outer factory
  }
  // The outer unpin finds a ended by its last holder and lets it go.
  EXPECT_TRUE(log.was_deleted("a"));
  EXPECT_TRUE(log.was_deleted("b"));
}

TEST_F(RstCreateTest, GuardOverAListSkipsNullEntries) {
  auto* a = new RstTestNode("a", &log);
  auto* b = new RstTestNode("b", &log);
  std::vector<RstTestNode*> inputs{a, nullptr, b};
  {
    RstCreateGuard guard(inputs);
    EXPECT_EQ(a->pin_count(), 1);
    EXPECT_EQ(b->pin_count(), 1);
    std::vector<RstTestNode*> made = rst_create_end_nodes(guard, inputs);
    EXPECT_EQ(made, inputs);
    EXPECT_FALSE(guard.armed());
  }
  EXPECT_EQ(a->mode(), RstRoot::mode_free);
  EXPECT_EQ(log.initiates, 0);  // not initiated by the multi-node end
  a->end();
  b->end();
  { RstCreateGuard four(nullptr, nullptr, nullptr, nullptr); }
}

TEST_F(RstCreateTest, OwnerVariant) {
  for (bool ok : {true, false}) {
    RstTestLog log;
    auto* a = new RstTestNode("a", &log);
    RstTestNode* got;
    {
      RstOwner<RstTestNode> owner(new RstTestNode("n", &log, {a}));
      owner->initiate_ok = ok;
      got = rst_create_end(owner);
      EXPECT_EQ(owner.get() == nullptr, ok);
    }
    if (ok) {
      ASSERT_NE(got, nullptr);
      EXPECT_TRUE(log.deleted.empty());
      got->end();
    } else {
      EXPECT_EQ(got, nullptr);  // the owner ended it, and with it its source
    }
    EXPECT_EQ(log.deleted.size(), 2u);
  }
  RstOwner<RstTestNode> empty;
  EXPECT_EQ(rst_create_end(empty), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "rst_create_end()"}}));
}

TEST_F(RstCreateTest, ReturningAnInputUnchanged) {
  auto* a = new RstTestNode("a", &log);
  ASSERT_TRUE(a->initiate_once());
  RstTestNode* same;
  {
    RstCreateGuard guard(a);
    same = rst_create_end(a, guard);
  }
  EXPECT_EQ(same, a);
  EXPECT_EQ(a->mode(), RstRoot::mode_free);
  EXPECT_EQ(log.initiates, 1);
  a->end();
}

namespace {
// A node whose end reports an I/O failure (as a writer flushing at its end).
class Flaky : public RstTestNode {
 public:
  using RstRoot::end;
  using RstTestNode::RstTestNode;
  void end(RstRoot* user) override {
    RstRoot::end(user);
    rst_report(RstCode::io_failure, "Flaky::end()");
  }
};
}  // namespace

TEST(RstNodeHandleTest, ReportWhileEndingDoesNotEscape) {
  RstStatusContext* c = RstStatusContext::instance();
  int32_t saved = c->exchange_status(1);
  RstTestLog log;
  {
    RstNodeHandle<Flaky> h(new Flaky("flaky", &log));
    EXPECT_TRUE(h);
  }  // the default observer throws inside end(); the handle swallows it
  EXPECT_EQ(c->last_status, -11);
  EXPECT_TRUE(log.was_deleted("flaky"));
  { RstOwner<Flaky> o(new Flaky("owned", &log)); }
  EXPECT_TRUE(log.was_deleted("owned"));
  c->exchange_status(saved);
}
