#include "app/ZentivorMain.h"

#include "platform/gui/GuiBootstrap.h"

int ZentivorMain(int argc, char** argv)
{
    return RunPlaceholderMainWindow(argc, argv, "Zentivor");
}
