#pragma once

#include <string>

// An open project is millions of small blocks from the heap: nodes, records' texts,
// resource lists. Backed by pages of 2 MiB instead of 4 KiB, the heap takes a
// five-hundredth of the page faults to fill, and on virtual machines, where a fault
// costs several microseconds, that was two thirds of opening a million tasks. The C
// library takes this setting from the environment alone, when a program starts; so
// the program starts itself once more, in place (same process, same arguments),
// with the setting added to what the environment already asks of the C library.
//
// Returns only when it did not start program again: the setting is there already,
// or is set otherwise by the user, or the start failed (the environment is then as
// before). Under the address sanitizer, whose heap is its own, it does nothing.
void RestartWithHugePageHeap(const std::string& program, char** argv);

// The file the running program was started from, with links resolved, so that the
// process started again keeps its name (ps, top and the desktop's window list
// know a process by the last part of it); empty when the system does not say.
std::string RunningProgramFile();
