#include "dbf/XbDBFFileSteps.h"

namespace {
TXbFileStepHook& Hook()
{
    static TXbFileStepHook hook;
    return hook;
}
}  // namespace

void SetXbFileStepHook(TXbFileStepHook hook) { Hook() = std::move(hook); }

bool XbFileStepAllowed(const std::string& step)
{
    const TXbFileStepHook& hook = Hook();
    return !hook || hook(step);
}
