#include "app/ZentivorMain.h"

#include "platform/gui/GuiBootstrap.h"

int ZentivorMain(int argc, char** argv)
{
    return RunMinimalApplication(argc, argv, "Zentivor");
}
