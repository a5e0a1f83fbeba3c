#pragma once
// The byte primitives the card protocols are built from, and the gate that
// makes them usable. Until the gate has passed in this process no port
// instruction is issued at all: writes are dropped and reads give 0xFF.

#include <cstdint>
#include <string>

void PortOut(uint16_t port, uint8_t value);
uint8_t PortIn(uint16_t port);
// The protocols' waits; on the recording backend they only advance its clock.
void SleepMs(int ms);

// Asks for access to the configured card port ("IO Port"). True when port
// instructions may be used from now on. Shows nothing: callers tell the user.
// A port the settings switch to later is opened on its first use. Only the
// adapter catalogue's addresses are ever opened: any other port is refused
// here and on every later use, whatever the settings say.
bool OpenPortAccess();
// Withdraws what the gate gave, as if it had never run (tests, tools that
// switch backends).
void ClosePortAccess();

// The kernel's name, "Linux" here.
std::string OperatingSystemName();

// What a program shows when the gate fails for `port`: which port, and how to
// give `program` access to it; for a port outside the catalogue, that it is
// not a card's port and which ones are.
std::string PortAccessDeniedMessage(uint16_t port, const std::string& program);
// The same for the running program, named by its own path (`fallbackName`
// when the system does not tell it).
std::string PortAccessDeniedMessage(uint16_t port, const char* fallbackName);
