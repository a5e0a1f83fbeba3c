#pragma once
// One small table of operations per card family; the dispatch picks the table
// from the "Adapter" setting and never calls a protocol directly.

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

extern const CardOps RadioTrackOps;
extern const CardOps AztechOps;
extern const CardOps SerialRadioOps;
