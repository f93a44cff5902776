// OFX 1 (SGML), OFX 2 (XML) and QFX bank and card statements through
// libofx, which parses all three. libofx reports through callbacks and
// prints its own messages unless told not to.
#include "ReaderParts.h"

#include "AmountText.h"
#include "TextCodec.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <libofx/libofx.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>

namespace ReaderParts {
namespace {

// libofx's parser writes its complaints to standard error whatever the
// message switches say; a screen program's terminal must not fill with them.
class QuietStderr
{
public:
    QuietStderr()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;

private:
    int m_saved = -1;
};

class OfxContext
{
public:
    OfxContext() : m_context(libofx_get_new_context()) {}
    ~OfxContext() { libofx_free_context(m_context); }
    OfxContext(const OfxContext &) = delete;
    OfxContext &operator=(const OfxContext &) = delete;
    LibofxContextPtr get() const { return m_context; }

private:
    LibofxContextPtr m_context;
};

struct Collected {
    QList<OfxTransactionData> transactions;
    bool investment = false;
    bool statement = false;
};

int onTransaction(const struct OfxTransactionData data, void *user)
{
    auto *collected = static_cast<Collected *>(user);
    if (data.invtransactiontype_valid)
        collected->investment = true;
    collected->transactions.append(data);
    return 0;
}

int onStatement(const struct OfxStatementData, void *user)
{
    static_cast<Collected *>(user)->statement = true;
    return 0;
}

int onStatus(const struct OfxStatusData, void *) { return 0; }

QString ofxText(const char *text, int valid)
{
    return valid ? TrimBlanks(QString::fromUtf8(text)) : QString();
}

QString typeName(const OfxTransactionData &data)
{
    if (!data.transactiontype_valid)
        return QString();
    switch (data.transactiontype) {
    case OFX_CREDIT: return QStringLiteral("CREDIT");
    case OFX_DEBIT: return QStringLiteral("DEBIT");
    case OFX_INT: return QStringLiteral("INT");
    case OFX_DIV: return QStringLiteral("DIV");
    case OFX_FEE: return QStringLiteral("FEE");
    case OFX_SRVCHG: return QStringLiteral("SRVCHG");
    case OFX_DEP: return QStringLiteral("DEP");
    case OFX_ATM: return QStringLiteral("ATM");
    case OFX_POS: return QStringLiteral("POS");
    case OFX_XFER: return QStringLiteral("XFER");
    case OFX_CHECK: return QStringLiteral("CHECK");
    case OFX_PAYMENT: return QStringLiteral("PAYMENT");
    case OFX_CASH: return QStringLiteral("CASH");
    case OFX_DIRECTDEP: return QStringLiteral("DIRECTDEP");
    case OFX_DIRECTDEBIT: return QStringLiteral("DIRECTDEBIT");
    case OFX_REPEATPMT: return QStringLiteral("REPEATPMT");
    default: return QStringLiteral("OTHER");
    }
}

} // namespace

StatementFile ReadOfxFile(const QString &path, const QString &text, const ReadCallbacks &callbacks)
{
    // libofx reads whatever part of a cut-off file it can; a statement
    // without its closing tag is refused instead of half imported.
    if (!text.contains(QLatin1String("</OFX>"), Qt::CaseInsensitive))
        throw ImportError(path, 0, QStringLiteral("OFX 文件不完整（缺少结尾的 </OFX>），文件可能已损坏。"));
    static const QRegularExpression start(QStringLiteral("<STMTTRN>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression investment(QStringLiteral("<INVSTMTRS>|<INVTRANLIST>"),
                                               QRegularExpression::CaseInsensitiveOption);
    if (investment.match(text).hasMatch())
        throw ImportError(path, 0, QStringLiteral("这是投资账户的 OFX 文件；只能导入银行和信用卡账户的收支。"));
    QList<int> transactionLines;
    int line = 1;
    qsizetype scanned = 0;
    for (auto it = start.globalMatch(text); it.hasNext();) {
        const qsizetype at = it.next().capturedStart();
        line += int(QStringView(text).mid(scanned, at - scanned).count(QLatin1Char('\n')));
        scanned = at;
        transactionLines.append(line);
    }

    Collected collected;
    {
        ofx_PARSER_msg = ofx_DEBUG_msg = ofx_DEBUG1_msg = ofx_DEBUG2_msg = ofx_DEBUG3_msg = ofx_DEBUG4_msg =
            ofx_DEBUG5_msg = ofx_STATUS_msg = ofx_INFO_msg = ofx_WARNING_msg = ofx_ERROR_msg = 0;
        QuietStderr quiet;
        OfxContext context;
        ofx_set_transaction_cb(context.get(), onTransaction, &collected);
        ofx_set_statement_cb(context.get(), onStatement, &collected);
        ofx_set_status_cb(context.get(), onStatus, nullptr);
        libofx_proc_file(context.get(), QFile::encodeName(path).constData(), OFX);
    }
    if (collected.investment)
        throw ImportError(path, 0, QStringLiteral("这是投资账户的 OFX 文件；只能导入银行和信用卡账户的收支。"));
    if (collected.transactions.size() != transactionLines.size() || (!collected.statement && transactionLines.isEmpty()))
        throw ImportError(path, 0, QStringLiteral("OFX 文件已损坏，无法读出其中的交易（读出 %1 笔，文件中有 %2 笔）。")
                                       .arg(collected.transactions.size())
                                       .arg(transactionLines.size()));

    StatementFile file;
    file.path = path;
    file.source = StatementSource::Ofx;
    Progress progress(callbacks, int(collected.transactions.size()));
    for (int i = 0; i < collected.transactions.size(); ++i) {
        progress.step(i + 1);
        const OfxTransactionData &data = collected.transactions.at(i);
        StatementRow row;
        row.line = transactionLines.at(i);
        if (!data.date_posted_valid)
            throw ImportError(path, row.line, QStringLiteral("这笔交易没有日期（DTPOSTED）。"));
        if (!data.amount_valid || !std::isfinite(data.amount))
            throw ImportError(path, row.line, QStringLiteral("这笔交易没有可以识别的金额（TRNAMT）。"));
        row.date = QDateTime::fromSecsSinceEpoch(qint64(data.date_posted)).date();
        if (!IsDateInRange(row.date))
            throw ImportError(path, row.line, DateProblem(DateStatus::OutOfRange, row.date.toString(Qt::ISODate)));
        row.amount = FormatAmount(std::fabs(data.amount));
        row.direction = data.amount < 0 ? Direction::Expense : Direction::Income;
        row.counterparty = ofxText(data.name, data.name_valid);
        row.goods = ofxText(data.memo, data.memo_valid);
        row.orderNo = ofxText(data.fi_id, data.fi_id_valid);
        row.merchantNo = ofxText(data.check_number, data.check_number_valid);
        row.category = typeName(data);
        file.rows.append(row);
    }
    return file;
}

} // namespace ReaderParts
