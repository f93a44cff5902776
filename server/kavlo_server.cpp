// kavlo-server: points a program folder at a ledger server, or back at its
// local file, and moves a ledger between the two.
#include "KavloError.h"
#include "LedgerConnection.h"
#include "LedgerCopy.h"
#include "ProgramPlaces.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <libpq-fe.h>

#include <cstdio>

namespace {

const char kUsage[] =
    "用法: kavlo-server [--folder 程序文件夹] 命令\n"
    "\n"
    "  use CONNINFO        让本程序使用 CONNINFO 指定的账本服务器（先检查服务器能否连接），\n"
    "                      写入账本文件夹里的 server.conf。CONNINFO 是 libpq 连接字符串，例如\n"
    "                      \"host=ledger.home dbname=kavlo user=family sslmode=verify-full\"；\n"
    "                      密码不写在这里，写在 ~/.pgpass 里。\n"
    "  use-local           删除 server.conf，重新使用本地账本 qmrvz.sjk。\n"
    "  check               连接服务器，报告服务器、账本版本和用户、项目列表、记录的数目。\n"
    "  init                在服务器的空数据库里建立账本的表（已有账本的表时拒绝）。\n"
    "  copy-local          把本地账本整本复制到服务器（服务器账本必须是空的）。\n"
    "  copy-to-local FILE  把服务器账本复制成新的本地账本文件 FILE（FILE 不能已存在）。\n"
    "  --help              显示本说明。\n"
    "\n"
    "账本文件夹：程序文件夹（例如 ~/Kavlo）里的 Database/；从软件包安装时是\n"
    "$XDG_DATA_HOME/kavlo/Database（默认 ~/.local/share/kavlo/Database）。\n"
    "--folder 指定程序所在的文件夹，默认是 kavlo-server 自己所在的文件夹。\n"
    "\n"
    "成功时退出码为 0，失败时为 1，用法错误时为 2。\n";

void say(const QString &text) { std::fprintf(stdout, "%s\n", text.toUtf8().constData()); }
void complain(const QString &text) { std::fprintf(stderr, "kavlo-server: %s\n", text.toUtf8().constData()); }

int usageError(const QString &text)
{
    complain(text);
    std::fprintf(stderr, "运行 kavlo-server --help 查看用法。\n");
    return 2;
}

QString localLedger(const QString &folder) { return ProgramPlacesOf(folder).ledgerPath(); }

// The server this folder uses; fails when it uses its local file.
LedgerLocation configuredServer(const QString &folder)
{
    const LedgerLocation location = TclsDatabaseUser::ProgramLedger(folder);
    if (!location.isServer())
        throw KavloError(QStringLiteral("Kavlo 还没有设定账本服务器（没有 %1）。请先运行 kavlo-server use CONNINFO。")
                             .arg(TclsDatabaseUser::ServerConfPath(folder)));
    return location;
}

bool holdsPassword(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    PQfreemem(error);
    bool found = false;
    for (PQconninfoOption *o = options; o && o->keyword; ++o)
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
            found = true;
    PQconninfoFree(options);
    return found;
}

void printSummary(const LedgerSummary &summary)
{
    say(QStringLiteral("用户 %1 个，项目列表 %2 份，记录 %3 条").arg(summary.users).arg(summary.lists).arg(summary.records));
}

int use(const QString &folder, const QString &conninfo)
{
    if (holdsPassword(conninfo)) {
        complain(QStringLiteral("连接字符串里不能有密码：它会以明文留在 server.conf 里。请把密码写在 ~/.pgpass 里。"));
        return 1;
    }
    const LedgerLocation location = LedgerLocation::Server(conninfo);
    auto connection = MakeLedgerConnection(location);
    {
        OperationScope scope(*connection);
        say(QStringLiteral("服务器 %1 可以连接%2。")
                .arg(location.describe(),
                     HasLedgerTables(*connection) ? QStringLiteral("，上面已有账本")
                                                  : QStringLiteral("，上面还没有账本（运行 kavlo-server init 或 copy-local）")));
    }
    const QString path = TclsDatabaseUser::ServerConfPath(folder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw KavloError(QStringLiteral("无法写入 %1：%2").arg(path, file.errorString()), FailureCause::NoPermission, path);
    const QByteArray text = conninfo.trimmed().toUtf8() + '\n';
    if (file.write(text) != text.size() || !file.commit())
        throw KavloError(QStringLiteral("无法写入 %1：%2").arg(path, file.errorString()), FailureCause::Unknown, path);
    say(QStringLiteral("已写入 %1：Kavlo 从现在起使用这个服务器。").arg(path));
    return 0;
}

int useLocal(const QString &folder)
{
    const QString path = TclsDatabaseUser::ServerConfPath(folder);
    if (!QFileInfo::exists(path)) {
        say(QStringLiteral("Kavlo 已经在使用本地账本 %1。").arg(localLedger(folder)));
        return 0;
    }
    QFile file(path);
    if (!file.remove())
        throw KavloError(QStringLiteral("无法删除 %1：%2").arg(path, file.errorString()), FailureCause::NoPermission, path);
    say(QStringLiteral("已删除 %1：Kavlo 从现在起使用本地账本 %2。").arg(path, localLedger(folder)));
    return 0;
}

int check(const QString &folder)
{
    const LedgerLocation location = configuredServer(folder);
    auto connection = MakeLedgerConnection(location);
    OperationScope scope(*connection);
    say(QStringLiteral("服务器：%1").arg(location.describe()));
    if (!HasLedgerTables(*connection)) {
        complain(QStringLiteral("服务器上还没有账本。运行 kavlo-server init 或 kavlo-server copy-local。"));
        return 1;
    }
    Recordset version = connection->Query("select max(Version) as v from Kavlo_Schema");
    say(QStringLiteral("账本版本：%1").arg(version.FieldInteger("v")));
    version.Close();
    printSummary(SummarizeLedger(*connection));
    return 0;
}

int init(const QString &folder)
{
    const LedgerLocation location = configuredServer(folder);
    TclsDatabaseUser::CreateLedger(location);
    say(QStringLiteral("已在服务器 %1 上建立空账本。").arg(location.describe()));
    return 0;
}

void progressLine(qint64 done, qint64 total)
{
    std::fprintf(stderr, "\r已复制 %lld / %lld 条记录", static_cast<long long>(done), static_cast<long long>(total));
    if (done == total)
        std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

int copyLocal(const QString &folder)
{
    const LedgerLocation server = configuredServer(folder);
    const QString file = localLedger(folder);
    if (!QFileInfo::exists(file))
        throw KavloError(QStringLiteral("本地账本 %1 不存在。").arg(file), FailureCause::Missing, file);
    auto from = MakeLedgerConnection(LedgerLocation::File(file));
    auto to = MakeLedgerConnection(server);
    const LedgerSummary summary = CopyLedger(*from, *to, progressLine);
    say(QStringLiteral("已把本地账本 %1 复制到服务器 %2，核对无误。").arg(file, server.describe()));
    printSummary(summary);
    return 0;
}

int copyToLocal(const QString &folder, const QString &target)
{
    const LedgerLocation server = configuredServer(folder);
    if (QFileInfo::exists(target)) {
        complain(QStringLiteral("%1 已经存在；为了不覆盖任何账本，请给一个新的文件名。").arg(target));
        return 1;
    }
    // Written under a temporary name and renamed when complete, so FILE
    // never exists half-copied.
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    auto from = MakeLedgerConnection(server);
    LedgerSummary summary;
    try {
        auto to = MakeLedgerConnection(LedgerLocation::File(partial), true);
        summary = CopyLedger(*from, *to, progressLine);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (QFileInfo::exists(target) || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        throw KavloError(QStringLiteral("无法把复制好的账本改名为 %1。").arg(target), FailureCause::Unknown, target);
    }
    say(QStringLiteral("已把服务器 %1 的账本复制到 %2，核对无误。").arg(server.describe(), target));
    printSummary(summary);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString folder = QCoreApplication::applicationDirPath();
    if (args.size() >= 2 && args.first() == QLatin1String("--folder")) {
        folder = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usageError(QStringLiteral("缺少命令。"));
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const int wanted = command == QLatin1String("use") || command == QLatin1String("copy-to-local") ? 1 : 0;
    const bool known = QStringList{"use", "use-local", "check", "init", "copy-local", "copy-to-local"}.contains(command);
    if (!known)
        return usageError(QStringLiteral("不认识的命令：%1").arg(command));
    if (args.size() != wanted)
        return usageError(QStringLiteral("命令 %1 需要 %2 个参数。").arg(command).arg(wanted));
    try {
        // A package install's user may set the server up before ever
        // starting Kavlo: server.conf needs the data folder.
        PrepareUserLedger(ProgramPlacesOf(folder));
        if (command == QLatin1String("use"))
            return use(folder, args.at(0));
        if (command == QLatin1String("use-local"))
            return useLocal(folder);
        if (command == QLatin1String("check"))
            return check(folder);
        if (command == QLatin1String("init"))
            return init(folder);
        if (command == QLatin1String("copy-local"))
            return copyLocal(folder);
        return copyToLocal(folder, args.at(0));
    } catch (const KavloError &e) {
        complain(e.message());
    } catch (const std::exception &e) {
        complain(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
