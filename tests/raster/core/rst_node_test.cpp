// The node graph: the ownership mode machine, end() by mode, what is deleted
// when, initiate-once and the reading defaults.
#include <gtest/gtest.h>

#include <memory>

#include "raster/core/rst_process.h"
#include "raster/core/rst_write.h"
#include "rst_status_recorder.h"
#include "rst_test_nodes.h"

using RstNodeTest = RstStatusTest;

TEST_F(RstNodeTest, ModeMachineTable) {
  struct Case {
    int32_t mode, count;  // start
    int how;
    int32_t want_mode, want_count;
    bool deleted;
  } cases[] = {
      {0, 0, 0, 0, 0, false},
      {0, 0, 1, 1, 1, false},
      {0, 0, 2, 0, 0, false},
      {0, 0, 3, 0, 0, false},
      {1, 2, 0, 1, 1, false},
      {1, 1, 0, 0, 0, false},
      {1, 1, 1, 1, 2, false},
      {1, 1, 2, 2, 1, false},
      {1, 1, 3, 3, 1, false},
      {2, 2, 0, 2, 1, false},
      {2, 1, 0, 0, 0, true},
      // A pin in mode 2 is counted, so nested pins and unpins stay balanced.
      {2, 1, 1, 2, 2, false},
      {2, 1, 2, 2, 1, false},
      {2, 1, 3, 3, 1, false},
      {3, 1, 0, 3, 1, false},
      {3, 1, 1, 3, 1, false},
      {3, 1, 2, 3, 1, false},
      {3, 1, 3, 3, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " count " << c.count << " how " << c.how);
    RstTestLog log;
    auto* n = new RstTestNode("n", &log);
    for (int i = 0; i < c.count; ++i) n->refer(RstRoot::how_pin);
    if (c.mode == 2) n->refer(RstRoot::how_end_pinned);
    if (c.mode == 3) n->refer(RstRoot::how_keep);
    ASSERT_EQ(n->mode(), c.mode);
    ASSERT_EQ(n->pin_count(), c.count);
    n->refer(c.how);
    EXPECT_EQ(log.was_deleted("n"), c.deleted);
    if (log.was_deleted("n")) continue;
    EXPECT_EQ(n->mode(), c.want_mode);
    EXPECT_EQ(n->pin_count(), c.want_count);
    // Every surviving node can still be ended for good.
    while (!log.was_deleted("n") && n->pin_count() > 0 && n->mode() != 3) n->refer(RstRoot::how_unpin);
    if (!log.was_deleted("n")) n->end();
    EXPECT_TRUE(log.was_deleted("n"));
  }
}

TEST_F(RstNodeTest, LinkWritesFourEntries) {
  RstTestLog log;
  auto* a = new RstTestNode("a", &log);
  auto* b = new RstTestNode("b", &log);
  auto* c = new RstTestNode("c", &log, {a, b});
  EXPECT_EQ(c->sources(), (std::vector<RstRoot*>{a, b}));
  EXPECT_EQ(c->held(), (std::vector<RstRoot*>{a, b}));
  EXPECT_EQ(a->sinks(), std::vector<RstRoot*>{c});
  EXPECT_EQ(b->holders(), std::vector<RstRoot*>{c});
  EXPECT_EQ(c->source(), a);
  c->end();
  // Sources are ended last to first.
  EXPECT_EQ(log.deleted, (std::vector<std::string>{"b", "a", "c"}));
}

TEST_F(RstNodeTest, EndFromAnUnlinkedNodeIsIgnored) {
  // Two free nodes that know nothing of each other must not keep calling
  // each other's end.
  RstTestLog log;
  auto* a = new RstTestNode("a", &log);
  auto* b = new RstTestNode("b", &log);
  a->end(b);
  EXPECT_TRUE(log.deleted.empty());
  EXPECT_EQ(a->source(), nullptr);
  a->end();
  b->end();
  EXPECT_EQ(log.deleted.size(), 2u);
}

TEST_F(RstNodeTest, TwoReadersKeepTheSourceUntilBothEnd) {
  RstTestLog log;
  auto* g = new RstTestNode("g", &log);
  auto* other = new RstTestNode("other", &log, {g});  // holds g from elsewhere
  auto* s = new RstTestNode("s", &log, {g});
  auto* r1 = new RstTestNode("r1", &log, {s});
  auto* r2 = new RstTestNode("r2", &log, {s});
  r1->end();
  EXPECT_EQ(log.deleted, std::vector<std::string>{"r1"});
  EXPECT_EQ(s->sinks(), std::vector<RstRoot*>{r2});
  r2->end();
  // s goes with its last reader; g stays, another node holds it.
  EXPECT_EQ(log.deleted, (std::vector<std::string>{"r1", "s", "r2"}));
  EXPECT_EQ(g->holders(), std::vector<RstRoot*>{other});
  EXPECT_EQ(g->sinks(), std::vector<RstRoot*>{other});
  other->end();
  EXPECT_TRUE(log.was_deleted("g"));
}

TEST_F(RstNodeTest, EndingANodeWithReadersTearsThemDown) {
  RstTestLog log;
  auto* g = new RstTestNode("g", &log);
  auto* s = new RstTestNode("s", &log, {g});
  auto* r1 = new RstTestNode("r1", &log, {s});
  auto* r2 = new RstTestNode("r2", &log, {s});
  auto* t = new RstTestNode("t", &log, {r1});  // built on a reader
  (void)r2;
  (void)t;
  s->end();
  EXPECT_EQ(log.deleted.size(), 5u);
  for (const char* name : {"g", "s", "r1", "r2", "t"}) EXPECT_TRUE(log.was_deleted(name)) << name;
}

TEST_F(RstNodeTest, PinnedNodeGoesExactlyAtItsLastUnpin) {
  RstTestLog log;
  auto* g = new RstTestNode("g", &log);
  auto* n = new RstTestNode("n", &log, {g});
  n->refer(RstRoot::how_pin);
  n->refer(RstRoot::how_pin);
  n->end();
  EXPECT_EQ(n->mode(), RstRoot::mode_ended_pinned);
  n->end();  // a second end while pinned changes nothing
  n->refer(RstRoot::how_unpin);
  EXPECT_TRUE(log.deleted.empty());
  n->refer(RstRoot::how_unpin);
  EXPECT_EQ(log.deleted, (std::vector<std::string>{"g", "n"}));
}

TEST_F(RstNodeTest, PinnedNodeWithReaderEndedWhilePinnedTearsTheReaderDown) {
  RstTestLog log;
  auto* s = new RstTestNode("s", &log);
  auto* r = new RstTestNode("r", &log, {s});
  s->refer(RstRoot::how_pin);
  s->end();
  EXPECT_EQ(s->mode(), RstRoot::mode_ended_pinned);
  EXPECT_TRUE(log.deleted.empty());
  s->refer(RstRoot::how_unpin);
  // The reader does not keep a dangling source: both are gone.
  EXPECT_TRUE(log.was_deleted("r"));
  EXPECT_TRUE(log.was_deleted("s"));
  (void)r;
}

TEST_F(RstNodeTest, ReaderReleasingAPinnedSourceLeavesItForTheLastUnpin) {
  RstTestLog log;
  auto* s = new RstTestNode("s", &log);
  auto* r = new RstTestNode("r", &log, {s});
  s->refer(RstRoot::how_pin);
  r->end();
  EXPECT_EQ(log.deleted, std::vector<std::string>{"r"});
  EXPECT_TRUE(s->holders().empty());
  EXPECT_EQ(s->mode(), RstRoot::mode_ended_pinned);
  s->refer(RstRoot::how_unpin);
  EXPECT_TRUE(log.was_deleted("s"));
}

TEST_F(RstNodeTest, ReaderReleasingAnEndedPinnedSourceDropsItsLink) {
  // s has two readers, is ended while pinned, and one reader goes meanwhile:
  // no holder entry may outlive that reader.
  RstTestLog log;
  auto* s = new RstTestNode("s", &log);
  auto* r1 = new RstTestNode("r1", &log, {s});
  auto* r2 = new RstTestNode("r2", &log, {s});
  s->refer(RstRoot::how_pin);
  s->end();
  r1->end();
  EXPECT_EQ(s->holders(), std::vector<RstRoot*>{r2});
  s->refer(RstRoot::how_unpin);
  EXPECT_EQ(log.deleted.size(), 3u);
}

TEST_F(RstNodeTest, InitiateRunsOnceAndKeepsItsResult) {
  for (bool ok : {true, false}) {
    RstTestLog log;
    auto* n = new RstTestNode("n", &log);
    n->initiate_ok = ok;
    EXPECT_FALSE(n->initiated());
    EXPECT_EQ(n->initiate_once(), ok);
    EXPECT_TRUE(n->initiated());
    EXPECT_EQ(n->initiate_once(), ok);  // a failure is never reported as success later
    EXPECT_EQ(rst_initiate(n), ok);
    EXPECT_EQ(log.initiates, 1);
    n->end();
  }
  EXPECT_FALSE(rst_initiate(nullptr));
  rst_refer(nullptr, RstRoot::how_pin);  // nothing for null
}

TEST_F(RstNodeTest, InitiateThatThrowsCountsAsFailed) {
  RstStatusContext* c = RstStatusContext::instance();
  RstObserver* recording = c->set_observer(RstStatusContext::instance()->observer());
  RstObserver* thrower = RstObserver::create();
  c->set_observer(thrower);
  RstTestLog log;
  auto* n = new RstTestNode("n", &log);
  n->initiate_report = -3;
  n->initiate_ok = true;
  EXPECT_THROW(n->initiate_once(), RstStatus);
  c->set_observer(recording);
  delete thrower;
  EXPECT_FALSE(n->initiate_once());
  EXPECT_EQ(log.initiates, 1);
  n->end();
}

TEST_F(RstNodeTest, DefaultSkip) {
  RstTestLog log;
  auto* n = new RstTestNode("n", &log, {}, 5);
  EXPECT_EQ(n->skip(0), 0);
  EXPECT_EQ(n->reads, 0);
  EXPECT_EQ(n->skip(2), 2);
  EXPECT_EQ(n->position(), 2);
  EXPECT_EQ(n->skip(10), 3);  // only 3 were left
  EXPECT_EQ(n->skip(1), 0);
  n->end();

  auto* m = new RstTestNode("m", &log, {}, 5);
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(m->skip(3), 0);
  EXPECT_EQ(m->reads, 0);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstRead::skip()"}}));
  EXPECT_EQ(m->skip(3), 3);  // the scratch line is had on a later try
  m->end();
}

namespace {
class SizedNode : public RstTestNode {
 public:
  SizedNode(RstTestLog* log, int32_t w, int32_t spp, int32_t bps, int32_t form)
      : RstTestNode("sized", log), w_(w), spp_(spp), bps_(bps), form_(form) {}
  void header(RstHeader& h) override {
    h = RstHeader();
    h.width = w_;
    h.samples_per_pixel = spp_;
    h.bits_per_sample = bps_;
    h.data_form = form_;
  }
  int32_t w_, spp_, bps_, form_;
};
}  // namespace

TEST_F(RstNodeTest, DefaultLineSize) {
  struct Case {
    int32_t width, spp, bps, form;
    int want;
  } cases[] = {
      {10, 3, 8, 0, 30},     {9, 1, 1, 0, 2}, {8, 1, 1, 0, 1},           {5, 4, 16, 0, 40}, {1728, 1, 1, 15, 1024},
      {1728, 1, 1, 3, 1024}, {0, 1, 8, 0, 0}, {0x7fffffff, 4, 16, 0, 0},  // no line of that size can exist
      {-5, 1, 8, 0, 0},
  };
  for (const Case& c : cases) {
    RstTestLog log;
    auto* n = new SizedNode(&log, c.width, c.spp, c.bps, c.form);
    EXPECT_EQ(n->line_size(), c.want) << c.width << "x" << c.spp << "x" << c.bps << " form " << c.form;
    n->end();
  }
}

namespace {
class Passing : public RstReadDecorator {
 public:
  using RstReadDecorator::RstReadDecorator;
};
class Sink : public RstWrite {
 public:
  using RstWrite::RstWrite;
  int write() override {
    uint8_t line[4];
    int n = source()->read(line);
    if (n == 0 && fail_at_end) set_status(RstCode::io_failure);
    return n;
  }
  bool fail_at_end = false;
};
}  // namespace

TEST_F(RstNodeTest, DecoratorForwardsAndWriterPullsItsSource) {
  RstTestLog log;
  auto* src = new RstTestNode("src", &log, {}, 3);
  auto* d = new Passing(src);
  EXPECT_EQ(d->source(), src);
  RstHeader h(d);
  EXPECT_EQ(h.height, 3);
  EXPECT_EQ(d->line_size(), 1);
  uint8_t line[4] = {};
  EXPECT_EQ(d->read(line), 1);
  EXPECT_EQ(d->skip(5), 2);
  d->reset();
  EXPECT_EQ(src->position(), 0);
  auto* w = new Sink(d);
  EXPECT_EQ(w->status(), 1);
  RstHeader wh(w);
  EXPECT_EQ(wh.height, 3);
  int steps = 0;
  while (w->write() != 0) ++steps;
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(w->status(), 1);
  d->reset();
  w->fail_at_end = true;
  while (w->write() != 0) ++steps;
  EXPECT_EQ(w->status(), -11);  // a finished writer tells failure by its status
  w->end();
  EXPECT_EQ(log.deleted, std::vector<std::string>{"src"});  // and the decorator, unnamed

  Passing lone(nullptr);
  EXPECT_EQ(lone.source(), nullptr);
}
