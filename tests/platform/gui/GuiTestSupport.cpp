#include "GuiTestSupport.h"

#include <cstdlib>

TApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
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
