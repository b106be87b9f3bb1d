#include "GuiTestSupport.h"

#include <cerrno>
#include <cstdlib>

TApplication& TestApplication()
{
    static int argc = 1;
    // The test program's own name, as the shell would pass it.
    static char* argv[] = {program_invocation_short_name, nullptr};
    static TApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* created = new TApplication(argc, argv);
        created->SetTitle("Zentivor");
        return created;
    }();
    return *application;
}

// The font library keeps caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
