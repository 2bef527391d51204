// Standard-error writer of the debugger output, with an optional capturing sink for tests.
#include "DebugOutput.h"

#include <atomic>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {
std::mutex g_sinkMutex;
std::function<void(std::string_view)> g_sink;
std::atomic<bool> g_bHasSink{false};
std::atomic<bool> g_bToStandardError{true};
} // namespace

void DebugOutputWrite(std::string_view message)
{
    if (g_bHasSink.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(g_sinkMutex);
        if (g_sink)
            g_sink(message);
    }
    if (!g_bToStandardError.load(std::memory_order_acquire))
        return;
    std::string_view body = message;
    while (!body.empty() && (body.front() == '\n' || body.front() == '\r'))
        body.remove_prefix(1);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r'))
        body.remove_suffix(1);
    std::string line;
    line.reserve(body.size() + 1);
    line.append(body);
    line.push_back('\n');
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written <= 0)
            break;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void SetDebugOutputSink(std::function<void(std::string_view)> sink, bool bAlsoStandardError)
{
    std::lock_guard<std::mutex> guard(g_sinkMutex);
    g_sink = std::move(sink);
    g_bToStandardError.store(bAlsoStandardError || !g_sink, std::memory_order_release);
    g_bHasSink.store(static_cast<bool>(g_sink), std::memory_order_release);
}
