#include "HugePages.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

} // namespace
