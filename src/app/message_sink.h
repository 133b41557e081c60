// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>

/// Carries the loader thread's messages to their reader until the reader
/// closes it; later messages are dropped. The loader may outlive the window
/// (it can wait for good on a file that never ends), so the program closes
/// the sink before it tears the window down, and a message being delivered
/// meanwhile is delivered in full first.
class MessageSink {
public:
    using Reader = std::function<void(const std::string&)>;

    explicit MessageSink(Reader reader) : reader_(std::move(reader)) {}
    MessageSink(const MessageSink&) = delete;
    MessageSink& operator=(const MessageSink&) = delete;

    /// Any thread.
    void write(const std::string& text)
    {
        const std::lock_guard lock(mutex_);
        if (reader_) {
            reader_(text);
        }
    }

    /// Any thread; once it returns, the reader is never called again.
    void close()
    {
        const std::lock_guard lock(mutex_);
        reader_ = nullptr;
    }

private:
    std::mutex mutex_;
    Reader reader_;
};
