// The one report of a store that cannot be written, and where it goes.

#include "SettingsStore.h"

#include <iostream>
#include <utility>

namespace {

void PrintToConsole(const std::string& text)
{
    std::string lines = text;
    for (char& c : lines)
        if (c == '\r')
            c = '\n';
    std::cerr << lines << std::endl;
}

RegistryWriteErrorHook& WriteErrorHook()
{
    static RegistryWriteErrorHook hook = PrintToConsole;
    return hook;
}

}  // namespace

void SetRegistryWriteErrorHook(RegistryWriteErrorHook hook)
{
    WriteErrorHook() = hook ? std::move(hook) : RegistryWriteErrorHook(PrintToConsole);
}

std::string RegistryWriteErrorText(const std::string& keyPath)
{
    return "Error writing to registry\r" + keyPath + "\rNot accessible\r" +
           "For support, please report the problem on the Tunzo issue tracker.";
}

void ShowRegistryWriteError(const std::string& keyPath)
{
    WriteErrorHook()(RegistryWriteErrorText(keyPath));
}
