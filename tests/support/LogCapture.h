// Captures the debugger output of the process while it lives.
#pragma once

#include "DebugOutput.h"

#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture()
    {
        SetDebugOutputSink([this](std::string_view message) {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_vLines.emplace_back(message);
        });
    }
    ~LogCapture() { SetDebugOutputSink({}); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_vLines;
    }
    // True when some message contains the text.
    bool Contains(std::string_view text) const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const auto& line : m_vLines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    // Messages without their 14-character time prefix, for lines written by DebugPrint.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> out;
        for (const auto& line : Lines())
            out.push_back(line.size() >= 14 ? line.substr(14) : line);
        return out;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_vLines;
};
