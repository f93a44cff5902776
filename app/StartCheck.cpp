#include "StartCheck.h"

#include "ProgramPlaces.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// The value of Qt's option `name` (given as -name or --name), or empty.
QString optionValue(int argc, char **argv, const char *name)
{
    for (int i = 1; i + 1 < argc; ++i) {
        const char *arg = argv[i];
        if (arg[0] == '-' && arg[1] == '-')
            ++arg;
        if (arg[0] == '-' && std::strcmp(arg + 1, name) == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return QString();
}

bool needsSession(const QString &platform)
{
    const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
    return name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"));
}

QString sessionMessage(const QString &chinese, const QString &english)
{
    return QStringLiteral("Kavlo 需要桌面会话：%1。请在桌面里启动 Kavlo。\n"
                          "Kavlo needs a desktop session: %2. Start Kavlo from a desktop.")
        .arg(chinese, english);
}

} // namespace

StartRequest ReadStartRequest(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return StartRequest::Help;
        if (std::strcmp(argv[i], "--version") == 0)
            return StartRequest::Version;
    }
    return StartRequest::Run;
}

QString VersionText()
{
    return QStringLiteral("Kavlo %1 (Qt %2)").arg(QStringLiteral(KAVLO_VERSION), QString::fromLatin1(qVersion()));
}

QString HelpText()
{
    const ProgramPlaces places = CurrentProgramPlaces();
    return QStringLiteral("用法：kavlo [--help] [--version]\n"
                          "Usage: kavlo [--help] [--version]\n"
                          "\n"
                          "Kavlo 家庭账本：记录每天的收入和支出。不带参数时打开程序窗口（需要桌面会话）。\n"
                          "Kavlo household ledger: daily income and expenses. Without options it opens its window "
                          "(a desktop session is needed).\n"
                          "\n"
                          "  -h, --help     显示本说明后退出 / show this help and exit\n"
                          "      --version  显示版本后退出 / show the version and exit\n"
                          "\n"
                          "账本 / ledger:          %1\n"
                          "共享账本 / shared ledger: %2（用 kavlo-server 设定 / set up with kavlo-server）\n")
        .arg(places.ledgerPath(), places.serverConfPath());
}

QString MissingDesktopSession(int argc, char **argv)
{
    QString platform = optionValue(argc, argv, "platform");
    if (platform.isEmpty())
        platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    // Qt tries a list of platforms in order: one that needs no session
    // always starts.
    const QStringList platforms = platform.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &candidate : platforms)
        if (!needsSession(candidate))
            return QString();
    const bool waylandAllowed =
        platforms.isEmpty() || std::any_of(platforms.begin(), platforms.end(), [](const QString &p) {
            return p.trimmed().startsWith(QLatin1String("wayland"));
        });
    if (waylandAllowed && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QString();

    QString display = optionValue(argc, argv, "display");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return sessionMessage(QStringLiteral("没有设置 DISPLAY 或 WAYLAND_DISPLAY"),
                              QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set"));
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (reached)
        return QString();
    return sessionMessage(QStringLiteral("无法连接显示 %1").arg(display),
                          QStringLiteral("cannot connect to display %1").arg(display));
}
