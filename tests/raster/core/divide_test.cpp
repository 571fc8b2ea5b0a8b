// Fan-out of one source to several readers under each buffer policy, over a
// source that counts what it is asked: repositioning, caching, ending the
// source once every line is held, refused arguments and failed caches.
#include <gtest/gtest.h>

#include "lines_test_nodes.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_node_handle.h"
#include "rst_status_recorder.h"

using namespace lines_test;

namespace {

class Divide : public RstStatusTest {};

// One line of reader r; its first byte (the line number), -1 when none.
int next(RstDivideReader* r) {
  Bytes line(static_cast<size_t>(r->line_size()));
  return r->read(line.data()) ? line[0] : -1;
}

}  // namespace

TEST_F(Divide, ModesGiveTheirPolicies) {
  struct Case {
    int mode;
    int n;
    bool (*is)(RstDivide*);
  };
  const Case cases[] = {
      {0, 0, [](RstDivide* d) { return dynamic_cast<RstDivideNoBuffer*>(d) != nullptr; }},
      {1, 0, [](RstDivide* d) { return dynamic_cast<RstDivideOneBuffer*>(d) != nullptr; }},
      {2, 0, [](RstDivide* d) { return dynamic_cast<RstDivideNoBuffer*>(d) != nullptr; }},
      {2, 1, [](RstDivide* d) { return dynamic_cast<RstDivideOneBuffer*>(d) != nullptr; }},
      {2, 5, [](RstDivide* d) { return dynamic_cast<RstDivideNBuffer*>(d) != nullptr; }},
      {3, 0, [](RstDivide* d) { return dynamic_cast<RstDivideFullBuffer*>(d) != nullptr; }},
      {4, 0, [](RstDivide* d) { return dynamic_cast<RstDividePageBuffer*>(d) != nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " n " << c.n);
    SourceLog log;
    RstNodeHandle<RstDivide> divide(RstDivide::create(counting_source(3, 6, &log), c.mode, c.n));
    ASSERT_TRUE(divide);
    EXPECT_TRUE(c.is(divide.get()));
    RstHeader h(divide.get());
    EXPECT_EQ(h.height, 6);
    // Two readers, each reading the whole image as if alone.
    RstNodeHandle<RstDivideReader> a(divide->create_reader());
    RstNodeHandle<RstDivideReader> b(divide->create_reader());
    divide.release();  // the readers hold it now
    EXPECT_EQ(firsts(pull(a.get())), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(a->skip(1), 0);
    EXPECT_EQ(b->skip(2), 2);
    EXPECT_EQ(firsts(pull(b.get())), (std::vector<int>{2, 3, 4, 5}));
    b->reset();
    EXPECT_EQ(firsts(pull(b.get(), 2)), (std::vector<int>{0, 1}));
    // The last reader to end releases the divide and the source.
    a.reset();
    if (c.mode < 3) {
      EXPECT_FALSE(log.ended);
    }
    b.reset();
    EXPECT_TRUE(log.ended);
  }
}

TEST_F(Divide, NoBufferRepositionsTheSourceForALaggingReader) {
  SourceLog log;
  RstDivide* divide = RstDivide::create(counting_source(2, 5, &log), 0, 0);
  ASSERT_NE(divide, nullptr);
  RstNodeHandle<RstDivideReader> a(divide->create_reader());
  RstNodeHandle<RstDivideReader> b(divide->create_reader());
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(next(a.get()), k);
    int resets = log.resets, skipped = log.skipped;
    EXPECT_EQ(next(b.get()), k);
    EXPECT_EQ(log.resets, resets + 1);
    EXPECT_EQ(log.skipped, skipped + k);
  }
  EXPECT_EQ(next(a.get()), -1);
}

TEST_F(Divide, CachesServeReadersWithinTheirReach) {
  struct Case {
    int mode;
    int n;
    int apart;  // lines the leading reader is ahead when the lagging one reads
    bool repositions;
  };
  const Case cases[] = {
      {0, 0, 1, true},  {1, 0, 0, false}, {1, 0, 1, false}, {1, 0, 2, true},
      {2, 3, 3, false}, {2, 3, 4, true},  {3, 0, 9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " n " << c.n << " apart " << c.apart);
    SourceLog log;
    RstDivide* divide = RstDivide::create(counting_source(2, 12, &log), c.mode, c.n);
    ASSERT_NE(divide, nullptr);
    RstNodeHandle<RstDivideReader> lead(divide->create_reader());
    RstNodeHandle<RstDivideReader> lag(divide->create_reader());
    std::vector<int> got_lead, got_lag;
    for (int i = 0; i < c.apart; ++i) got_lead.push_back(next(lead.get()));
    for (int k = 0; k < 12; ++k) {
      got_lag.push_back(next(lag.get()));
      if (k + c.apart < 12) got_lead.push_back(next(lead.get()));
    }
    std::vector<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(got_lead, all);
    EXPECT_EQ(got_lag, all);
    EXPECT_EQ(log.resets > 0, c.repositions);
    if (!c.repositions) {
      EXPECT_EQ(log.reads_of_line, std::vector<int>(12, 1));
    }
  }
}

TEST_F(Divide, FullBufferEndsItsSourceOnceItHoldsEveryLine) {
  SourceLog log;
  RstDivide* divide = RstDivide::create(counting_source(2, 4, &log), 3, 0);
  ASSERT_NE(divide, nullptr);
  auto* full = dynamic_cast<RstDivideFullBuffer*>(divide);
  ASSERT_NE(full, nullptr);
  RstNodeHandle<RstDivideReader> a(divide->create_reader());
  RstNodeHandle<RstDivideReader> b(divide->create_reader());
  EXPECT_EQ(firsts(pull(a.get(), 3)), (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(log.ended);
  EXPECT_EQ(next(a.get()), 3);
  EXPECT_TRUE(log.ended);  // the upstream pipeline is freed
  EXPECT_FALSE(full->source_open());
  EXPECT_EQ(next(a.get()), -1);
  EXPECT_EQ(firsts(pull(b.get())), (std::vector<int>{0, 1, 2, 3}));
  RstHeader h(b.get());
  EXPECT_EQ(h.height, 4);
  EXPECT_EQ(log.reads, 4);
}

TEST_F(Divide, PageBufferReadsThePageOnceAndLetsTheSourceGo) {
  SourceLog log;
  RstDivide* divide = RstDivide::create(counting_source(2, 5, &log), 4, 0);
  ASSERT_NE(divide, nullptr);
  EXPECT_EQ(log.reads, 5);
  RstNodeHandle<RstDivideReader> a(divide->create_reader());
  EXPECT_TRUE(log.ended);
  RstNodeHandle<RstDivideReader> b(divide->create_reader());
  EXPECT_EQ(b->skip(3), 3);
  EXPECT_EQ(b->skip(3), 2);
  EXPECT_EQ(next(b.get()), -1);
  EXPECT_EQ(firsts(pull(a.get())), (std::vector<int>{0, 1, 2, 3, 4}));

  // A source that ends early gives no page.
  SourceLog short_log;
  LineSource* short_source = new LineSource(raw_header(2, 5), {Bytes(2, 0), Bytes(2, 1)}, &short_log);
  EXPECT_EQ(RstDivide::create(short_source, 4, 0), nullptr);
  short_source->end();
  EXPECT_TRUE(short_log.ended);
}

TEST_F(Divide, RefusedArgumentsAndFailedCaches) {
  RstHeader coded = raw_header(8, 4, 1);
  coded.data_form = 3;
  struct Case {
    const char* name;
    bool coded;
    RstDivide* (*make)(RstRead*);
    RstReport report;
  };
  const Case cases[] = {
      {"unknown mode", false, [](RstRead* s) { return RstDivide::create(s, 7, 0); }, {-2, "RstDivide::create()"}},
      {"negative mode", false, [](RstRead* s) { return RstDivide::create(s, -1, 0); }, {-2, "RstDivide::create()"}},
      {"n-buffer of 0",
       false,
       [](RstRead* s) -> RstDivide* { return RstDivideNBuffer::create(s, 0); },
       {-2, "RstDivideNBuffer::create()"}},
      {"page buffer over code",
       true,
       [](RstRead* s) { return RstDivide::create(s, 4, 0); },
       {-3, "RstDividePageBuffer::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    SourceLog log;
    LineSource* source = new LineSource(c.coded ? coded : raw_header(8, 4), {}, &log);
    EXPECT_EQ(c.make(source), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    EXPECT_EQ(source->mode(), RstRoot::mode_kept);
    source->end();
    EXPECT_TRUE(log.ended);
  }
  status.clear();
  EXPECT_EQ(RstDivide::create(nullptr, 0, 0), nullptr);
  EXPECT_EQ(RstDivideNoBuffer::create(nullptr), nullptr);
  EXPECT_EQ(RstDivideOneBuffer::create(nullptr), nullptr);
  EXPECT_EQ(RstDivideFullBuffer::create(nullptr), nullptr);
  EXPECT_EQ(RstDivideReader::create(nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstDivide::create()"},
                                                     {-2, "RstDivideNoBuffer::create()"},
                                                     {-2, "RstDivideOneBuffer::create()"},
                                                     {-2, "RstDivideFullBuffer::create()"},
                                                     {-2, "RstDivideReader::create()"}}));

  // Out of memory at each allocation of a one-buffer divide: no divide, no
  // line read, and a cache without its data is one of the failures.
  bool data_failed = false;
  for (int n = 1;; ++n) {
    status.clear();
    SourceLog log;
    LineSource* source = counting_source(4, 3, &log);
    RstAllocFault::fail_nth(n);
    RstDivide* divide = RstDivide::create(source, 1, 0);
    RstAllocFault::clear();
    if (divide) {
      divide->end();
      EXPECT_TRUE(log.ended);
      break;
    }
    ASSERT_EQ(status.errors().size(), 1u);
    EXPECT_EQ(status.errors()[0].code, -1);
    data_failed |= status.errors()[0].where == "BlockBuffer::BlockBuffer()";
    EXPECT_EQ(log.reads, 0);
    source->end();
    EXPECT_TRUE(log.ended);
  }
  EXPECT_TRUE(data_failed);
}
