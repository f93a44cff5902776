#pragma once

#include <exception>
#include <utility>

class QWidget;

// The application's top-level error report: a box captioned "Kavlo" with the
// failure's own message. Event handlers run their body through runGuarded so
// no exception ever crosses Qt's event loop; the program keeps running.
void ReportError(QWidget *parent, const std::exception &error);
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
