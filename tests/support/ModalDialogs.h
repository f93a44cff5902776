#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

// Acts on a dialog of type T once it runs modally (a dialog whose creation
// already runs the event loop once, like the login's splash, makes a plain
// zero timer fire too early).
template <typename T> void WhenModalShows(QObject *context, std::function<void(T *)> act)
{
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, act] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start(10);
}
