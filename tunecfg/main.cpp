// tunecfg: the setup program.

#include "SetupProgram.h"

int main(int argc, char** argv)
{
    return RunSetupProgram(argc, argv);
}
