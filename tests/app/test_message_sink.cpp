// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/message_sink.h"

#include <QtTest>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

class TestMessageSink final : public QObject {
    Q_OBJECT

private slots:
    void messages_reachReaderInOrderUntilClosed();
    void close_waitsForDeliveryUnderWay();
    void close_racingWriters_noCallAfterward();
};

void TestMessageSink::messages_reachReaderInOrderUntilClosed()
{
    std::vector<std::string> read;
    MessageSink sink([&read](const std::string& text) { read.push_back(text); });
    sink.write("Reading File...");
    sink.write("");
    sink.close();
    sink.write("Quarvel Database OK");
    sink.close(); // twice is harmless
    QCOMPARE(read, (std::vector<std::string>{"Reading File...", ""}));
}

// The window must not be torn down while the loader is still handing it a
// message.
void TestMessageSink::close_waitsForDeliveryUnderWay()
{
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> delivering{false};
    MessageSink sink([&](const std::string&) {
        delivering = true;
        entered.set_value();
        released.wait();
        delivering = false;
    });
    std::thread loader([&sink] { sink.write("Reading File..."); });
    entered.get_future().wait();

    auto closed = std::async(std::launch::async, [&sink, &delivering] {
        sink.close();
        return delivering.load();
    });
    QCOMPARE(closed.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    release.set_value();
    QCOMPARE(closed.get(), false); // returned only after the delivery ended
    loader.join();
}

void TestMessageSink::close_racingWriters_noCallAfterward()
{
    std::atomic<int> calls{0};
    std::atomic<bool> closed{false};
    std::atomic<int> callsAfterClose{0};
    MessageSink sink([&](const std::string&) {
        calls.fetch_add(1);
        if (closed.load()) {
            callsAfterClose.fetch_add(1);
        }
    });
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&sink, &stop] {
            while (!stop.load()) {
                sink.write("x");
            }
        });
    }
    QTRY_VERIFY(calls.load() > 100);
    sink.close();
    closed = true;
    const int atClose = calls.load();
    QTest::qWait(20);
    stop = true;
    for (std::thread& t : writers) {
        t.join();
    }
    QCOMPARE(callsAfterClose.load(), 0);
    QCOMPARE(calls.load(), atClose);
}

QTEST_GUILESS_MAIN(TestMessageSink)
#include "test_message_sink.moc"
