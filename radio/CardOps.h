#pragma once
// One small table of operations per card family; the dispatch picks the table
// from the "Adapter" setting and never calls a protocol directly.

#include <string>

enum TuneState { NotTuned = 0, Tuned = 1, TunedStereo = 2 };

struct CardOps {
    const char* family;
    void (*tune)(double mhz);
    TuneState (*status)();
    void (*mute)();
    void (*unmute)();
    void (*volumeUp)();
    void (*volumeDown)();
};

// What the receivers beyond the port and serial cards add (adapter 7 on):
// a device that is opened, can go away and come back, and may search by
// itself. The port and serial cards have no such table.
enum class ReceiverPresence { Present, WentAway, CameBack, Away };
enum class SeekOutcome { Found, NothingFound, Failed };
struct SeekResult {
    SeekOutcome outcome = SeekOutcome::Failed;
    double mhz = 0.0;     // where the tuner stopped
    std::string problem;  // for Failed
};

struct ReceiverOps {
    const char* family;
    bool (*open)(std::string& problem);  // false with what to tell the user
    void (*close)();
    std::string (*problem)();            // why the last operation failed; empty when it worked
    ReceiverPresence (*check)();         // on a timer: cheap when nothing changed
    bool (*seeks)();                     // searches by itself
    SeekResult (*seek)(bool upward);     // blocks: run it off the window's thread
    // What the device is set to now (a port card cannot be asked): false
    // when it cannot tell.
    bool (*setting)(double& mhz, bool& muted);
};

extern const CardOps RadioTrackOps;
extern const CardOps AztechOps;
extern const CardOps SerialRadioOps;
extern const CardOps V4L2RadioOps;
extern const ReceiverOps V4L2ReceiverOps;
extern const CardOps SdrRadioOps;
extern const ReceiverOps SdrReceiverOps;
