#include "HugePages.h"

#include <cstdlib>
#include <filesystem>
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
