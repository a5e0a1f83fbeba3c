// tunzo: the front panel.

#include "TunzoProgram.h"

int main(int argc, char** argv)
{
    return RunTunzo(argc, argv);
}
