#pragma once
// How tunzo and pipit begin: one of the two runs at a time. A start takes
// the single-instance lock and runs, or, while the other program holds it,
// hands its command-line words (ActionList) to that one and ends.

#include "InstanceLock.h"

#include <functional>
#include <string>

struct InstanceStart {
    enum class Outcome {
        Run,         // this process holds `lock` in `runtimeFolder` and runs
        HandedOver,  // the running one has the words; this start ends
        NotAnswered, // another one runs but did not take the words: `problem` says why; this start ends
        Refused,     // no usable folder or lock: `problem` says why; nobody may run
    };
    Outcome outcome = Outcome::Refused;
    std::string runtimeFolder;
    std::string problem;
};

// `program` is the caller's name ("tunzo", "pipit"); what went wrong is in
// `problem`, for the caller to say.
InstanceStart TakeInstanceOrHandOver(InstanceLock& lock, const char* program);

// How a start waits before it tries the running instance again, in ms;
// tests replace it.
extern std::function<void(int)> HandOverPause;

// A start that can neither run as the instance nor hand over ends with this
// (after saying why).
inline constexpr int ExitWithoutInstanceLock = 1;
