#include "platform/pipe.h"
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace korvo {
namespace {

struct Collector {
    std::vector<ThreadMessage> got;
    int priorityResult = -1;
};

unsigned collect(void* p) {
    auto* c = static_cast<Collector*>(p);
    c->priorityResult = setCurrentThreadPriority(PriorityBelowNormal);
    ThreadMessage m;
    while (getThreadMessage(m)) c->got.push_back(m);
    return 0;
}

TEST(Thread, MessagesArriveInOrderUntilQuit) {
    Collector c;
    Thread t;
    long id = t.start(collect, &c, 16384);
    ASSERT_NE(id, -1);
    EXPECT_EQ(t.id(), id);
    // The queue exists as soon as start returns.
    for (uint32_t i = 0; i < 50; ++i) ASSERT_EQ(postThreadMessage(id, 0x8100 + i, i, -static_cast<intptr_t>(i)), 1);
    EXPECT_EQ(t.join(20), 0);
    EXPECT_TRUE(t.running());
    ASSERT_EQ(postThreadMessage(id, kMsgQuit, 0, 0), 1);
    ASSERT_EQ(t.join(kWaitForever), 1);
    EXPECT_FALSE(t.running());
    ASSERT_EQ(c.got.size(), 50u);
    for (uint32_t i = 0; i < 50; ++i) {
        EXPECT_EQ(c.got[i].message, 0x8100 + i);
        EXPECT_EQ(c.got[i].wParam, i);
        EXPECT_EQ(c.got[i].lParam, -static_cast<intptr_t>(i));
    }
    EXPECT_EQ(c.priorityResult, 1);
    EXPECT_EQ(postThreadMessage(id, 0x8100, 0, 0), 0);    // the thread is gone
}

TEST(Thread, PeekTakesWaitingMessagesWithoutBlocking) {
    ensureThreadQueue();
    ThreadMessage m;
    while (peekThreadMessage(m)) {}
    EXPECT_EQ(peekThreadMessage(m), 0);
    ASSERT_EQ(postThreadMessage(currentThreadId(), 0x8105, 7, 9), 1);
    ASSERT_EQ(postThreadMessage(currentThreadId(), kMsgQuit, 0, 0), 1);
    ASSERT_EQ(peekThreadMessage(m), 1);
    EXPECT_EQ(m.message, 0x8105u);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.lParam, 9);
    EXPECT_EQ(getThreadMessage(m), 0);    // the quit message
    EXPECT_EQ(m.message, kMsgQuit);
    EXPECT_EQ(peekThreadMessage(m), 0);
}

struct PipeJob {
    Pipe* pipe;
    int total;
    std::atomic<int> written{0};
};

unsigned fillPipe(void* p) {
    auto* job = static_cast<PipeJob*>(p);
    unsigned char chunk[2048];
    for (int sent = 0; sent < job->total;) {
        for (int i = 0; i < 2048; ++i) chunk[i] = static_cast<unsigned char>((sent + i) * 7);
        if (job->pipe->write(chunk, 2048) != 2048) break;
        sent += 2048;
        job->written = sent;
    }
    job->pipe->closeWrite();
    return 0;
}

TEST(Pipe, CarriesEveryByteAndReportsTheEnd) {
    Pipe pipe;
    ASSERT_EQ(pipe.create(65536), 1);
    PipeJob job{&pipe, 2048 * 200};
    Thread writer;
    ASSERT_NE(writer.start(fillPipe, &job, 16384), -1);
    std::vector<unsigned char> got;
    unsigned char buf[4096];
    for (int n; (n = pipe.read(buf, sizeof buf)) > 0;) got.insert(got.end(), buf, buf + n);
    ASSERT_EQ(writer.join(kWaitForever), 1);
    ASSERT_EQ(got.size(), static_cast<size_t>(job.total));
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != static_cast<unsigned char>(i * 7)) FAIL() << "byte " << i;
    EXPECT_EQ(pipe.read(buf, sizeof buf), 0);
}

TEST(Pipe, AClosedReaderReleasesABlockedWriter) {
    Pipe pipe;
    ASSERT_EQ(pipe.create(4096), 1);
    PipeJob job{&pipe, 1 << 30};
    Thread writer;
    ASSERT_NE(writer.start(fillPipe, &job, 16384), -1);
    while (job.written == 0) sleepMs(1);
    sleepMs(20);    // the writer now blocks on the full pipe
    pipe.closeRead();
    EXPECT_EQ(writer.join(5000), 1);
    EXPECT_EQ(pipe.write("x", 1), -1);
}

} // namespace
} // namespace korvo
