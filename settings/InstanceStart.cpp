#include "InstanceStart.h"

#include "ActionChannel.h"
#include "Actions.h"
#include "Registry.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"

#include <chrono>
#include <exception>
#include <thread>

std::function<void(int)> HandOverPause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };

namespace {

// The running program publishes its handle once its window is on screen,
// and a store that another program holds can delay that by up to the busy
// timeout: a start that comes meanwhile waits that long for it.
constexpr int HandOverPatienceMs = RegistryBusyTimeoutMs + 5000;
constexpr int HandOverRetryMs = 50;

// Posts the parsed list to the running instance. Until the instance's
// handle leads to it (not yet published, or still the last run's), the
// start waits; should the instance end meanwhile, this start takes its
// place and runs the list itself.
InstanceStart ForwardActions(InstanceLock& lock, const std::string& runtimeFolder)
{
    const std::vector<ActionMessage> messages = HandOverMessages(ActionList);
    for (int waited = 0;; waited += HandOverRetryMs) {
        try {
            if (PostActionMessages(runtimeFolder, ReadPublishedWindowHandle(), messages))
                return {InstanceStart::Outcome::HandedOver, runtimeFolder, {}};
        } catch (const std::exception& e) {
            return {InstanceStart::Outcome::NotAnswered, runtimeFolder,
                    std::string("the running Tunzo or Pipit could not be found (") + e.what() +
                        "); the actions were not handed over"};
        }
        // A running program that cannot write the store never publishes
        // its handle: the words are lost, and the user must be told so.
        if (waited >= HandOverPatienceMs)
            return {InstanceStart::Outcome::NotAnswered, runtimeFolder,
                    "the running Tunzo or Pipit did not answer (its handle in the settings store '" +
                        RegistryFilePath() + "' does not lead to it); the actions were not handed over"};
        HandOverPause(HandOverRetryMs);
        switch (lock.Acquire(runtimeFolder)) {
        case InstanceLock::Outcome::Acquired:
            return {InstanceStart::Outcome::Run, runtimeFolder, {}};
        case InstanceLock::Outcome::HeldByAnother:
            break;
        case InstanceLock::Outcome::Unavailable:
            return {InstanceStart::Outcome::Refused, runtimeFolder, "the instance lock " + lock.problem()};
        }
    }
}

}  // namespace

InstanceStart TakeInstanceOrHandOver(InstanceLock& lock, [[maybe_unused]] const char* program)
{
    const RuntimeFolder runtime = OpenRuntimeFolder();
    if (!runtime.usable())
        return {InstanceStart::Outcome::Refused, runtime.path, runtime.problem};
    switch (lock.Acquire(runtime.path)) {
    case InstanceLock::Outcome::Acquired:
        return {InstanceStart::Outcome::Run, runtime.path, {}};
    case InstanceLock::Outcome::HeldByAnother:
        return ForwardActions(lock, runtime.path);
    case InstanceLock::Outcome::Unavailable:
        break;
    }
    return {InstanceStart::Outcome::Refused, runtime.path, "the instance lock " + lock.problem()};
}
