// kavlo-import: reads statement files for one user, shows what each row
// would become against the ledger, and with --save stores the new rows.
#include "ImportBatch.h"
#include "KavloError.h"
#include "ProgramPlaces.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char kUsage[] =
    "用法: kavlo-import [--folder 程序文件夹] --user 用户名 [--save] 文件...\n"
    "\n"
    "读取支付宝、微信支付、银行的账单文件，对照账本列出每一行会成为什么记录。\n"
    "标准输入的第一行是该用户的登录密码；加密的压缩文件依次使用后面各行作为它的密码。\n"
    "\n"
    "  --folder DIR  程序文件夹（默认是本程序所在的文件夹），使用其中的账本或 Database/server.conf 指定的服务器；\n"
    "                从软件包安装时使用 ~/.local/share/kavlo/Database 中的账本或服务器。\n"
    "  --user NAME   账本用户。\n"
    "  --save        把状态为 new 的行存入账本（每行连同它的标识，只会存一次）。不加 --save 时什么也不写。\n"
    "\n"
    "每行输出用制表符分隔：状态 日期 类别 项目 金额 备注 原因。状态是：\n"
    "  new          新的记录（--save 时存入）\n"
    "  duplicate    已导入过（账本里已有这一行）\n"
    "  maybe-typed  可能已手工录入：同类别、同金额、前后三天内有一条手工记录（原因一栏写出那条记录），不存入\n"
    "  skipped      不是收入或支出（转账、提现、关闭或失败的交易），以及退款：退款默认不算新收入，不存入\n"
    "  bad          整个文件不能导入（原因一栏写出文件和行），这个文件什么也不存入\n"
    "最后一行是各状态的行数。银行账单按在 Kavlo 里为同样表头记住的列对应读取；没有记住的先在 Kavlo 里导入一次。\n"
    "\n"
    "退出码：0 成功；1 有文件不能导入，或账本出错；2 参数不对或登录失败。\n";

void complain(const QString &text) { std::fprintf(stderr, "kavlo-import: %s\n", text.toUtf8().constData()); }

int usageError(const QString &text)
{
    complain(text);
    std::fprintf(stderr, "运行 kavlo-import --help 查看用法。\n");
    return 2;
}

// Tabs and line breaks would split a field of the tab-separated output.
QString field(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    return text;
}

// Lines of standard input, read only when asked for: the login password
// first, then one per encrypted file's attempt.
class InputLines
{
public:
    std::optional<QString> next()
    {
        std::string line;
        if (!std::getline(std::cin, line))
            return std::nullopt;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return QString::fromUtf8(line.data(), int(line.size()));
    }
};

struct Counts {
    int fresh = 0, duplicate = 0, maybeTyped = 0, skipped = 0, bad = 0;
};

void printLine(const QString &state, const ProposedRecord *record, const QString &reason)
{
    QStringList cells{state};
    if (record)
        cells << record->row.date.toString(Qt::ISODate) << record->recordType << record->item << record->amount
              << record->memo;
    else
        cells << QString() << QString() << QString() << QString() << QString();
    cells << reason;
    for (QString &cell : cells)
        cell = field(cell);
    std::fputs((cells.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

void report(const ImportBatch &batch, Counts &counts)
{
    for (const ProposedRecord &record : batch.records) {
        switch (record.state) {
        case RowState::New:
            ++counts.fresh;
            printLine(QStringLiteral("new"), &record, QString());
            break;
        case RowState::Imported:
            ++counts.duplicate;
            printLine(QStringLiteral("duplicate"), &record, QStringLiteral("已导入"));
            break;
        case RowState::MaybeTyped: {
            ++counts.maybeTyped;
            const TypedRecord typed = batch.typed.value(record.matchedRecordId);
            printLine(QStringLiteral("maybe-typed"), &record,
                      QStringLiteral("可能已录入：记录 %1（%2 %3 %4）")
                          .arg(typed.id, typed.date.toString(Qt::ISODate), typed.item, typed.amount));
            break;
        }
        case RowState::Refund:
            ++counts.skipped;
            printLine(QStringLiteral("skipped"), &record, QStringLiteral("退款"));
            break;
        case RowState::Skipped:
            ++counts.skipped;
            printLine(QStringLiteral("skipped"), &record, record.reason);
            break;
        case RowState::Bad:
            ++counts.bad;
            printLine(QStringLiteral("bad"), &record, record.reason);
            break;
        }
    }
    for (const ImportError &error : batch.refused) {
        ++counts.bad;
        printLine(QStringLiteral("bad"), nullptr, error.describe());
    }
}

// Stores one type's new rows with their identities. A save that fails is
// tried again with the same key: the key and the rows commit together, so
// a retry never doubles a row, and a row another importer stored meanwhile
// is then skipped by its identity.
SaveOutcome storeRows(TclsDatabaseUser &store, const QString &user, const QString &type, const TickedRows &rows)
{
    const QString key = TclsDatabaseUser::NewSaveKey();
    for (int attempt = 1;; ++attempt) {
        try {
            return store.AddRecord(user, type, rows.dates, rows.names, rows.amounts, rows.memos, rows.identities,
                                   key);
        } catch (const KavloError &e) {
            if (attempt == 3 || IsWriteRefusal(e.cause()))
                throw;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString folder = QCoreApplication::applicationDirPath();
    QString user;
    bool save = false;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--folder") || arg == QLatin1String("--user")) {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("%1 后面缺少参数。").arg(arg));
            (arg == QLatin1String("--folder") ? folder : user) = args.at(++i);
        } else if (arg == QLatin1String("--save")) {
            save = true;
        } else if (arg == QLatin1String("--")) {
            files += args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("不认识的选项：%1").arg(arg));
        } else {
            files.append(arg);
        }
    }
    if (user.isEmpty())
        return usageError(QStringLiteral("缺少 --user 用户名。"));
    if (files.isEmpty())
        return usageError(QStringLiteral("缺少要导入的文件。"));
    // A package install keeps each user's ledger in the user's data folder,
    // not beside the program.
    const ProgramPlaces places = ProgramPlacesOf(folder);
    if (!QFileInfo::exists(places.serverConfPath()) && !QFileInfo::exists(places.ledgerPath())) {
        if (places.packaged)
            return usageError(QStringLiteral("还没有账本：%1 不存在。请先启动一次 Kavlo。").arg(places.ledgerPath()));
        return usageError(QStringLiteral("%1 不是 Kavlo 的程序文件夹（其中没有 Database/qmrvz.sjk 或 Database/server.conf）。")
                              .arg(folder));
    }

    InputLines input;
    try {
        TclsDatabaseUser store(TclsDatabaseUser::ProgramLedger(folder));
        if (!store.CheckLogin(user, input.next().value_or(QString()))) {
            complain(QStringLiteral("用户名或密码不对，没有登录。"));
            return 2;
        }
        BatchCallbacks callbacks;
        callbacks.password = [&](const QString &, bool) { return input.next(); };
        callbacks.refusedFile = [](const ImportError &error) { complain(error.describe()); };
        const ImportBatch batch = ReadImportBatch(files, store, user, callbacks);

        Counts counts;
        report(batch, counts);
        if (save) {
            const TickedByType rows = CollectTicked(batch.records);
            int stored = 0, already = 0;
            for (const auto &[type, list] : {std::pair{kTypeExpense, &rows.expense}, std::pair{kTypeIncome, &rows.income}}) {
                if (list->size() == 0)
                    continue;
                const SaveOutcome outcome = storeRows(store, user, type, *list);
                stored += outcome.stored;
                already += outcome.alreadyStored;
            }
            // Rows another importer stored between the check and the save.
            if (already > 0)
                complain(QStringLiteral("%1 行在此期间已由别处存入，没有再存。").arg(already));
            std::fprintf(stderr, "kavlo-import: 已存入 %d 条记录。\n", stored);
        }
        std::printf("%d new, %d duplicate, %d maybe-typed, %d skipped, %d bad\n", counts.fresh, counts.duplicate,
                    counts.maybeTyped, counts.skipped, counts.bad);
        return batch.refused.isEmpty() ? 0 : 1;
    } catch (const KavloError &e) {
        complain(e.message());
    } catch (const std::exception &e) {
        complain(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
