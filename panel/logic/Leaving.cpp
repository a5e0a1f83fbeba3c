#include "Leaving.h"

LeaveChoice ChooseLeaveAction(int8_t shutdownOptions, bool soundOn)
{
    if (shutdownOptions == ShutdownAsks && soundOn)
        return LeaveChoice::Ask;
    return shutdownOptions == ShutdownMutes ? LeaveChoice::Mute : LeaveChoice::LeavePlaying;
}
