// pipit: the tray companion.

#include "PipitProgram.h"

int main(int argc, char** argv)
{
    return RunPipit(argc, argv);
}
