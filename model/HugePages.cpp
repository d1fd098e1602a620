#include "HugePages.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

void RestartWithHugePageHeap([[maybe_unused]] const std::string& program, [[maybe_unused]] char** argv)
{
#ifndef __SANITIZE_ADDRESS__
    static constexpr char Variable[] = "GLIBC_TUNABLES";
    static constexpr char Setting[] = "glibc.malloc.hugetlb";
    const char* before = std::getenv(Variable);
    const std::string tunables = before ? before : "";
    if (program.empty() || tunables.find(Setting) != std::string::npos)
        return;
    const std::string added = std::string(Setting) + "=1";
    setenv(Variable, tunables.empty() ? added.c_str() : (tunables + ':' + added).c_str(), 1);
    execv(program.c_str(), argv);
    if (before)
        setenv(Variable, tunables.c_str(), 1);
    else
        unsetenv(Variable);
#endif
}

std::string RunningProgramFile()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

namespace {

// What the C library's own thresholds come to on a 64-bit system once large blocks
// have been freed: blocks below 32 MiB come from the heap, which gives back a free
// top above 64 MiB. Setting any threshold ends the library's own adjusting, so the
// prefault leaves these.
constexpr int MmapThreshold = 32 << 20;
constexpr int TrimThreshold = 64 << 20;
constexpr int MmapMax = 65536;
constexpr std::uintptr_t FillStep = std::uintptr_t(2) << 20;

} // namespace

THeapPrefault::THeapPrefault([[maybe_unused]] std::size_t bytes)
{
#ifndef __SANITIZE_ADDRESS__
    const long freePages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (freePages > 0 && pageSize > 0)
        bytes = std::min(bytes, std::size_t(freePages) * std::size_t(pageSize) / 2);
    // The heap hands out its free blocks before its top: only the rest is new.
    const std::size_t heapFree = mallinfo2().fordblks;
    bytes = std::min(bytes > heapFree ? bytes - heapFree : 0, std::size_t(INT_MAX - TrimThreshold));
    if (bytes < MinimumBytes)
        return;
    // Kept when handed back, and taken from the heap's top, not mapped apart.
    InUse = mallinfo2().uordblks;
    Reserved = true;
    mallopt(M_TRIM_THRESHOLD, int(bytes) + TrimThreshold);
    mallopt(M_MMAP_MAX, 0);
    void* reserve = std::malloc(bytes);
    mallopt(M_MMAP_MAX, MmapMax);
    mallopt(M_MMAP_THRESHOLD, MmapThreshold);
    if (!reserve)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(reserve);
    const std::uintptr_t from = (start + FillStep - 1) & ~(FillStep - 1);
    const std::uintptr_t to = (start + bytes) & ~(FillStep - 1);
    std::free(reserve);
    From = from;
    End = std::max(from, to);
    Until = from + (((End - from) / 16) & ~(FillStep - 1));
    try {
        Filling = std::thread([this] {
            for (std::uintptr_t at = From; !Stop; at += FillStep) {
                if (at >= Until.load()) {
                    std::unique_lock<std::mutex> lock(Lock);
                    Wake.wait(lock, [this] { return Measured || Stop; });
                    if (Stop || at >= Until.load())
                        return;
                }
                if (madvise(reinterpret_cast<void*>(at), FillStep, MADV_POPULATE_WRITE) != 0)
                    return;
            }
        });
    } catch (const std::system_error&) {
        // Without the thread, the pages are filled as the blocks come.
    }
#endif
}

void THeapPrefault::Measure([[maybe_unused]] std::size_t part, [[maybe_unused]] std::size_t whole)
{
#ifndef __SANITIZE_ADDRESS__
    if (!Reserved || part == 0 || part >= whole)
        return;
    const std::size_t inUse = mallinfo2().uordblks;
    const double grown = inUse > InUse ? double(inUse - InUse) : 0.0;
    const double expected = grown / double(part) * double(whole) * 1.125;
    const double room = double(End - From);
    {
        const std::lock_guard<std::mutex> lock(Lock);
        Until = expected < room ? From + ((std::uintptr_t(expected) + FillStep - 1) & ~(FillStep - 1)) : End;
        Measured = true;
    }
    Wake.notify_all();
#endif
}

THeapPrefault::~THeapPrefault()
{
    {
        const std::lock_guard<std::mutex> lock(Lock);
        Stop = true;
    }
    Wake.notify_all();
    if (Filling.joinable())
        Filling.join();
    if (Reserved)
        mallopt(M_TRIM_THRESHOLD, TrimThreshold);
}
