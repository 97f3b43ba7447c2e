#pragma once
// The markdown engine's log objects. They use subsystems of their own, not
// the program's bundle identifier; each is made once and shared.

#include "platform/log/Log.h"

namespace frelt::markdown_logs {

const platform::Log& lineProcessorPerformance();  // "MarkdownLineProcessor"
const platform::Log& tokeniserPerformance();      // "MarkdownTokeniser"
const platform::Log& tokenising();
const platform::Log& scannerPerformance();        // "MarkdownScanner"
const platform::Log& scanner();
const platform::Log& rendererPerformance();       // "MarkdownRenderer"

}  // namespace frelt::markdown_logs
