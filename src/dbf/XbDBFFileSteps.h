#pragma once
// The steps a whole-table rewrite (pack) takes on disk, announced one by one before they are
// made: every write, cut, flush and rename. A hook answering false makes that step fail as if
// the system had refused it (EIO), so tests can stop a rewrite at any step; no hook is set in
// the program.

#include <functional>
#include <string>

using TXbFileStepHook = std::function<bool(const std::string& step)>;

// Installs the hook (an empty one removes it).
void SetXbFileStepHook(TXbFileStepHook hook);
// False when the hook refuses the step.
bool XbFileStepAllowed(const std::string& step);
