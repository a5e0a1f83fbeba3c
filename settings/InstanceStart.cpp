#include "InstanceStart.h"

#include "ActionChannel.h"
#include "Actions.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"

#include <cstdio>
#include <exception>

namespace {

// Posts the parsed list to the running instance; a stale handle loses it.
void ForwardActions(const std::string& runtimeFolder, const char* program)
{
    int32_t handle = 0;
    try {
        handle = ReadPublishedWindowHandle();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return;
    }
    PostActionMessages(runtimeFolder, handle, HandOverMessages(ActionList));
}

}  // namespace

InstanceStart TakeInstanceOrHandOver(InstanceLock& lock, const char* program)
{
    const RuntimeFolder runtime = OpenRuntimeFolder();
    if (!runtime.usable())
        return {InstanceStart::Outcome::Refused, runtime.path, runtime.problem};
    switch (lock.Acquire(runtime.path)) {
    case InstanceLock::Outcome::Acquired:
        return {InstanceStart::Outcome::Run, runtime.path, {}};
    case InstanceLock::Outcome::HeldByAnother:
        ForwardActions(runtime.path, program);
        return {InstanceStart::Outcome::HandedOver, runtime.path, {}};
    case InstanceLock::Outcome::Unavailable:
        break;
    }
    return {InstanceStart::Outcome::Refused, runtime.path, "the instance lock " + lock.problem()};
}
