#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <stdexcept>

// The failures that end a command, and the one place they are reported. Expected
// conditions are results, not exceptions; what throws here is shown to the user
// and the program goes on.

// Thrown after a failure has already been shown to the user; the command ends
// silently.
class EAbort : public std::exception
{
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// A project file that ends too early or holds what the writer never writes.
// what() is the user-facing text (UTF-8) without the closing full stop.
class EProjectFile : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The user-facing text of an exception; empty for EAbort.
QString ErrorText(std::exception_ptr error);

// Where handled errors go. The program installs its message box as the fallback
// once it has an application; until then texts go to the standard error stream.
// Tests put their own reporter in place; null restores the fallback.
using TErrorReporter = std::function<void(const QString& text)>;
void SetFallbackErrorReporter(TErrorReporter reporter);
void SetErrorReporter(TErrorReporter reporter);
void HandleException(std::exception_ptr error);

// Runs a command, handing any exception it throws to the error reporter.
template <typename F> void Guarded(F&& command)
{
    try {
        command();
    } catch (...) {
        HandleException(std::current_exception());
    }
}
