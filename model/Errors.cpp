#include "Errors.h"

#include <cstdio>
#include <new>

namespace {

void ReportToStderr(const QString& text)
{
    std::fprintf(stderr, "%s.\n", text.toLocal8Bit().constData());
}

TErrorReporter& Fallback()
{
    static TErrorReporter reporter = ReportToStderr;
    return reporter;
}

TErrorReporter& Reporter()
{
    static TErrorReporter reporter = ReportToStderr;
    return reporter;
}

} // namespace

QString ErrorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return {};
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler");
    }
}

void SetFallbackErrorReporter(TErrorReporter reporter)
{
    Fallback() = reporter ? std::move(reporter) : ReportToStderr;
    Reporter() = Fallback();
}

void SetErrorReporter(TErrorReporter reporter)
{
    Reporter() = reporter ? std::move(reporter) : Fallback();
}

void HandleException(std::exception_ptr error)
{
    const QString text = ErrorText(error);
    if (!text.isEmpty())
        Reporter()(text);
}
