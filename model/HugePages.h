#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

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

// Has the system back the heap's next pages on a thread of its own while the
// program's thread fills them with small blocks, as reading a project does. On a
// virtual machine that hands freed memory back to its host, the first touch of a
// page costs a fault in the host too: over a third of the first open of a million
// tasks, which the second core now takes. A reserve of the given size is taken at
// the heap's top and handed back at once, and the heap keeps it as its free top
// until the destructor: the blocks that follow are carved from it while the
// thread fills its pages. Filling a page leaves its bytes as they are, so the
// two threads may meet on one. What the heap has free already counts against the
// reserve, which is at most half the free memory; nothing when less than
// MinimumBytes is left, or under the address sanitizer, whose heap is its own.
class THeapPrefault
{
public:
    static constexpr std::size_t MinimumBytes = std::size_t(32) << 20;

    explicit THeapPrefault(std::size_t bytes);
    // Stops the filling and lets the heap give back what is left of the reserve.
    ~THeapPrefault();
    THeapPrefault(const THeapPrefault&) = delete;
    THeapPrefault& operator=(const THeapPrefault&) = delete;

    // The heap's blocks have grown for part of whole (a file's bytes read so far, of
    // all of them): the filling ends where the same growth for the whole, and an
    // eighth more, would end, or at the reserve's end. Until then it waits after
    // the first sixteenth of the reserve: as much as the first sixteenth of a file
    // grows the heap when the reserve is sized for the richest projects. Such a
    // reserve is otherwise filled for a plain one as well, and its pages not used
    // count to the program's peak memory.
    void Measure(std::size_t part, std::size_t whole);

private:
    bool Reserved = false; // the heap's thresholds were set for the reserve
    std::size_t InUse = 0; // the heap's blocks in use before the reserve
    std::uintptr_t From = 0;
    std::uintptr_t End = 0;
    std::atomic<std::uintptr_t> Until = 0;
    std::mutex Lock; // for the filling to wait on Measured or Stop
    std::condition_variable Wake;
    bool Measured = false;
    std::atomic<bool> Stop = false;
    std::thread Filling;
};
