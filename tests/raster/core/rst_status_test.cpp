// Status reporting: where each report goes, the last status, the defaults.
#include "raster/core/rst_status_context.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "raster/core/rst_mutex.h"
#include "raster/core/rst_status_recorder.h"

TEST(RstStatusContextTest, OneContextWithDefaults) {
  RstStatusContext* a = RstStatusContext::instance();
  RstStatusContext* b = RstStatusContext::instance();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_NE(a->observer(), nullptr);
  EXPECT_NE(a->messager(), nullptr);
  for (int i = 0; i < RstFormatEnables::count; ++i) EXPECT_EQ(a->format_enables.bytes[i], 1) << i;
}

TEST_F(RstStatusTest, ErrorsReachObserverWarningsOnlyMessager) {
  struct Case {
    int32_t code;
    bool to_observer;
  } cases[] = {{0, true}, {-1, true}, {-305, true}, {3, false}, {1, false}, {201, false}};
  for (const Case& c : cases) {
    status.clear();
    rst_report(c.code, "RstTest::run()");
    EXPECT_EQ(status.last_status(), c.code);
    EXPECT_EQ(status.messages(), (std::vector<RstReport>{{c.code, "RstTest::run()"}}));
    EXPECT_EQ(status.errors().size(), c.to_observer ? 1u : 0u) << c.code;
  }
}

TEST_F(RstStatusTest, ReportOrderMessagerThenStatusThenObserver) {
  // The observer sees the code already stored; the messager sees the old one.
  struct Probe : RstObserver, RstMessager {
    int32_t seen_by_messager = 0, seen_by_observer = 0;
    void notify(void*, const int32_t*, const char*) override {
      seen_by_observer = RstStatusContext::instance()->last_status;
    }
    void message(void*, const int32_t*, const char*) override {
      seen_by_messager = RstStatusContext::instance()->last_status;
    }
  } probe;
  RstStatusContext* c = RstStatusContext::instance();
  RstObserver* o = c->set_observer(&probe);
  RstMessager* m = c->set_messager(&probe);
  rst_report(-11, "RstTest::run()");
  c->set_observer(o);
  c->set_messager(m);
  EXPECT_EQ(probe.seen_by_messager, 1);
  EXPECT_EQ(probe.seen_by_observer, -11);
}

TEST_F(RstStatusTest, ExchangeReturnsLatestReport) {
  RstStatusContext* c = RstStatusContext::instance();
  rst_report(4, "RstDecodeWinRLE8::read()");
  EXPECT_EQ(c->exchange_status(1), 4);
  rst_report(-2, "RstDivide::create()");
  EXPECT_EQ(c->exchange_status(1), -2);
  EXPECT_EQ(c->exchange_status(1), 1);
}

TEST(RstStatusDefaultTest, DefaultObserverThrowsTheCode) {
  RstStatusContext* c = RstStatusContext::instance();
  int32_t saved = c->exchange_status(1);
  try {
    rst_report(-50, "RstRotate90::create()");
    ADD_FAILURE() << "no exception";
  } catch (const RstStatus& s) {
    EXPECT_EQ(s.code(), -50);
  }
  EXPECT_EQ(c->last_status, -50);
  EXPECT_NO_THROW(rst_report(3, "RstReadRaw::read() - can't read. maybe found EOF"));
  EXPECT_EQ(c->exchange_status(saved), 3);
}

TEST_F(RstStatusTest, CreateDefaultsAndTheirFailure) {
  RstObserver* o = RstObserver::create();
  RstMessager* m = RstMessager::create();
  ASSERT_NE(o, nullptr);
  ASSERT_NE(m, nullptr);
  int32_t code = -3;
  EXPECT_THROW(o->notify(nullptr, &code, "x"), RstStatus);
  EXPECT_NO_THROW(m->message(nullptr, &code, "x"));
  delete o;
  delete m;
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(RstObserver::create(), nullptr);
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(RstMessager::create(), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstObserver::create()"}, {-1, "RstMessager::create()"}}));
}

TEST(RstMutexTest, ReentrantForItsOwner) {
  RstMutex m;
  m.lock();
  m.lock();  // a system mutex may be taken again by its owner thread
  m.unlock();
  m.unlock();
}

TEST(RstMutexTest, ExcludesOtherThreads) {
  RstMutex m;
  std::atomic<bool> started{false};
  bool written_under_lock = false;
  bool seen = false;
  m.lock();
  std::thread other([&] {
    started = true;
    m.lock();  // only after the main thread has released it
    seen = written_under_lock;
    m.unlock();
  });
  while (!started) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));  // let it block
  written_under_lock = true;
  m.unlock();
  other.join();
  EXPECT_TRUE(seen);
}
