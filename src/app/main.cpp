// The program's main block.
#include "app/ZentivorMain.h"

int main(int argc, char** argv)
{
    return ZentivorMain(argc, argv);
}
