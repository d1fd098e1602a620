#include "HugePages.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Calls RestartWithHugePageHeap in a child, with GLIBC_TUNABLES as given (null:
// unset), to start printenv on the variable. Returns what the child printed: the
// value printenv saw when it was started, or "returned " and the variable's value
// when the call came back instead.
std::string RestartInChild(const char* tunables, const std::string& program)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        if (tunables)
            setenv("GLIBC_TUNABLES", tunables, 1);
        else
            unsetenv("GLIBC_TUNABLES");
        char name[] = "printenv";
        char variable[] = "GLIBC_TUNABLES";
        char* argv[] = {name, variable, nullptr};
        RestartWithHugePageHeap(program, argv);
        const char* after = std::getenv("GLIBC_TUNABLES");
        const std::string said = std::string("returned ") + (after ? after : "(unset)");
        [[maybe_unused]] const auto written = write(STDOUT_FILENO, said.data(), said.size());
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, std::size_t(got));
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return output;
}

TEST(HugePageHeap, TheProgramStartsAgainWithTheSettingAddedToWhatTheUserAsked)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer's heap is its own";
#endif
    EXPECT_EQ(RestartInChild(nullptr, "/usr/bin/printenv"), "glibc.malloc.hugetlb=1\n");
    EXPECT_EQ(RestartInChild("glibc.malloc.check=3", "/usr/bin/printenv"),
              "glibc.malloc.check=3:glibc.malloc.hugetlb=1\n");
    // The user's own choice stands, and a program started again does not start again.
    EXPECT_EQ(RestartInChild("glibc.malloc.hugetlb=0", "/usr/bin/printenv"),
              "returned glibc.malloc.hugetlb=0");
    EXPECT_EQ(RestartInChild("glibc.malloc.hugetlb=1", "/usr/bin/printenv"),
              "returned glibc.malloc.hugetlb=1");
    // A start that fails goes on as before, in the environment it had.
    EXPECT_EQ(RestartInChild(nullptr, "/no/such/program"), "returned (unset)");
    EXPECT_EQ(RestartInChild("glibc.malloc.check=3", "/no/such/program"), "returned glibc.malloc.check=3");
    EXPECT_EQ(RestartInChild(nullptr, ""), "returned (unset)");
}

TEST(HugePageHeap, TheRunningProgramIsNamedByItsOwnFile)
{
    const std::string file = RunningProgramFile();
    EXPECT_EQ(file.substr(file.rfind('/') + 1), "model_tests");
    EXPECT_EQ(access(file.c_str(), X_OK), 0);
}

// The reserve is the heap's free top while the blocks are carved from it and its
// pages filled on the other thread; afterwards the heap gives back what was left.
TEST(HeapPrefault, BlocksCarvedWhileThePagesAreFilledKeepTheirBytes)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer's heap is its own";
#endif
    constexpr std::size_t Reserve = std::size_t(160) << 20;
    constexpr std::size_t BlockSize = 400;
    constexpr std::size_t Blocks = (std::size_t(80) << 20) / BlockSize;
    const std::size_t arenaBefore = mallinfo2().arena;
    std::vector<unsigned char*> blocks;
    blocks.reserve(Blocks);
    {
        const THeapPrefault prefault(mallinfo2().fordblks + Reserve);
        EXPECT_GE(mallinfo2().arena, arenaBefore + Reserve) << "the reserve is taken at the heap's top";
        for (std::size_t i = 0; i < Blocks; ++i) {
            auto* block = static_cast<unsigned char*>(std::calloc(1, BlockSize));
            ASSERT_NE(block, nullptr);
            std::memset(block, int(i % 251) + 1, BlockSize);
            blocks.push_back(block);
        }
    }
    std::size_t damaged = 0;
    for (std::size_t i = 0; i < Blocks; ++i)
        damaged += std::count(blocks[i], blocks[i] + BlockSize, static_cast<unsigned char>(i % 251 + 1)) !=
                   BlockSize;
    EXPECT_EQ(damaged, 0u);
    for (unsigned char* block : blocks)
        std::free(block);
    EXPECT_LT(mallinfo2().arena, arenaBefore + Reserve / 2) << "what is left goes back";
}

// The resident memory of this process, in KiB.
long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Until the first part of the file is measured, the filling stops after a sixteenth
// of the reserve; a first part that grew the heap by nothing then ends it at once.
// The rest of the reserve's pages stay untouched, where filling them would take
// half a second and count to the program's peak.
TEST(HeapPrefault, TheFillingWaitsForTheMeasureAndLittleGrowthEndsIt)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer's heap is its own";
#endif
    constexpr std::size_t Reserve = std::size_t(320) << 20;
    constexpr long Lead = long(Reserve / 16) >> 10;
    const std::size_t arenaBefore = mallinfo2().arena;
    const long before = ResidentKiB();
    THeapPrefault prefault(mallinfo2().fordblks + Reserve);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_GE(mallinfo2().arena, arenaBefore + Reserve) << "the reserve is taken";
    const long led = ResidentKiB() - before;
    EXPECT_LT(led, Lead + (16L << 10)) << "the filling waits after its lead";
    prefault.Measure(1, 16);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(ResidentKiB() - before - led, 8L << 10);
}

} // namespace
