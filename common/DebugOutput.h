// The debugger output channel: one message a line on standard error, written with a single write.
#pragma once

#include <functional>
#include <string_view>

// Writes one message. Leading line ends are dropped and the message ends with exactly one "\n"
// on the stream, so that every message is one line there.
void DebugOutputWrite(std::string_view message);

// Tests capture the messages exactly as formatted; an empty function restores standard error only.
// While a sink is installed, messages go to it, and to standard error unless bAlsoStandardError is false.
void SetDebugOutputSink(std::function<void(std::string_view)> sink, bool bAlsoStandardError = true);
