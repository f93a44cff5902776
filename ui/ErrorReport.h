#pragma once

#include <QString>

#include <exception>
#include <utility>

class KavloError;
class QWidget;
enum class FailureCause;

// The application's top-level error report: a box captioned "Kavlo" with the
// failure's own message. Event handlers run their body through runGuarded so
// no exception ever crosses Qt's event loop; the program keeps running.
// A failure with a known cause reads: a Chinese sentence the user can act on,
// then the file concerned, then the engine's or system's own message.
void ReportError(QWidget *parent, const std::exception &error);
QString ErrorReportText(const KavloError &error);
// The sentence for a cause; empty for Unknown and for causes that other
// parts of the program put into words themselves.
QString CauseSentence(FailureCause cause);
void ReportUnknownError(QWidget *parent);

// Returns true when the body finished, false when it failed and was reported.
template <typename F> bool runGuarded(QWidget *parent, F &&body)
{
    try {
        std::forward<F>(body)();
        return true;
    } catch (const std::exception &e) {
        ReportError(parent, e);
    } catch (...) {
        ReportUnknownError(parent);
    }
    return false;
}
