#include "unt_frmBudget.h"

#include "AmountText.h"
#include "BusyBracket.h"
#include "DialogParts.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "MessageBox.h"
#include "TextCodec.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>

#include <algorithm>

namespace {
constexpr int kWidth = 600;
constexpr int kHeight = 460;

QDate firstOfMonth(const QDate &date) { return QDate(date.year(), date.month(), 1); }

QTableWidgetItem *figureItem(const QString &text, bool editable)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

QWidget *budgetBar(const BudgetLine &line)
{
    auto *bar = new QProgressBar;
    bar->setRange(0, 100);
    bar->setTextVisible(line.budget > 0);
    bar->setValue(std::clamp(int(line.percent() + 0.5), 0, 100));
    bar->setFormat(QStringLiteral("%1%").arg(line.percent(), 0, 'f', 0));
    if (line.over())
        bar->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: #c00000; }"));
    return bar;
}
} // namespace

TfrmBudget::TfrmBudget(MainWindowFields &fields, const QDate &month, QWidget *parent)
    : QDialog(parent), m_fields(fields), m_month(firstOfMonth(month))
{
    setObjectName(QStringLiteral("frmBudget"));
    SetupFixedDialog(this, QStringLiteral("预算"), kWidth, kHeight);

    AddLabel(this, QStringLiteral("lblMonth"), QStringLiteral("月份："), 10, 14);
    dtpMonth = new QDateEdit(m_month, this);
    dtpMonth->setObjectName(QStringLiteral("dtpMonth"));
    dtpMonth->setDisplayFormat(QStringLiteral("yyyy-MM"));
    dtpMonth->setGeometry(52, 10, 110, 22);

    tblBudget = new QTableWidget(0, ColumnCount, this);
    tblBudget->setObjectName(QStringLiteral("tblBudget"));
    tblBudget->setGeometry(10, 40, 580, 380);
    tblBudget->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("预算"), QStringLiteral("已支出"),
                                          QStringLiteral("剩余"), QStringLiteral("进度")});
    tblBudget->verticalHeader()->hide();
    tblBudget->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblBudget->setSelectionMode(QAbstractItemView::SingleSelection);
    tblBudget->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    const int widths[] = {170, 95, 95, 95, 100};
    for (int c = 0; c < ColumnCount; ++c)
        tblBudget->setColumnWidth(c, widths[c]);

    lblNote = AddLabel(this, QStringLiteral("lblNote"),
                       QStringLiteral("双击预算可修改，从所显示的月份起生效，之前的月份不变；清空即取消预算。"), 10,
                       430);

    connect(tblBudget, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        // After the edit has ended: the answer refills the table, and the
        // item must not go while the view is still committing it.
        if (!m_filling && item->column() == ColBudget)
            QMetaObject::invokeMethod(
                this, [this, row = item->row(), text = item->text()] { budgetEdited(row, text); },
                Qt::QueuedConnection);
    });
    connect(dtpMonth, &QDateEdit::dateChanged, this, [this](const QDate &date) {
        if (firstOfMonth(date) != m_month)
            runGuarded(this, [&] { setMonth(date); });
    });
    setMonth(m_month);
}

void TfrmBudget::setMonth(const QDate &month)
{
    m_month = firstOfMonth(month);
    if (dtpMonth->date() != m_month) {
        const QSignalBlocker quiet(dtpMonth);
        dtpMonth->setDate(m_month);
    }
    {
        BusyCursor busy;
        m_lines = ReadBudgetLines(*m_fields.g_objDatabaseUser, m_fields.g_strUserName, m_month);
    }
    fill();
}

void TfrmBudget::fill()
{
    m_filling = true;
    tblBudget->setRowCount(int(m_lines.size()));
    for (int row = 0; row < m_lines.size(); ++row) {
        const BudgetLine &line = m_lines.at(row);
        QString name = BudgetLineName(line);
        if (!line.listed)
            name += QStringLiteral("（已不在项目列表中）");
        auto *item = new QTableWidgetItem(name);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (line.item.isEmpty()) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        tblBudget->setItem(row, ColItem, item);
        const bool has = line.budget > 0;
        tblBudget->setItem(row, ColBudget, figureItem(has ? FormatAmount(line.budget) : QString(), true));
        tblBudget->setItem(row, ColSpent, figureItem(FormatAmount(line.spent), false));
        auto *left = figureItem(has ? FormatAmount(line.left()) : QString(), false);
        if (line.over())
            left->setForeground(QColor(0xc0, 0, 0));
        tblBudget->setItem(row, ColLeft, left);
        tblBudget->setCellWidget(row, ColBar, budgetBar(line));
    }
    m_filling = false;
}

void TfrmBudget::budgetEdited(int row, const QString &text)
{
    if (row < 0 || row >= m_lines.size())
        return;
    runGuarded(this, [&] {
        double amount = 0;
        if (!IsBlank(text)) {
            const AmountResult typed = NormalizeAmount(TrimBlanks(text));
            if (typed.status != AmountStatus::Ok) {
                // The cell goes back to the budget in force before the message.
                fill();
                MessageBox::warning(this, typed.status == AmountStatus::NotANumber
                                              ? QStringLiteral("金额有错误，请重新填写！")
                                              : QStringLiteral("金额不能为空或为0，请重新填写！"));
                return;
            }
            amount = ParseAmountText(typed.text);
        }
        const QString item = m_lines.at(row).item;
        try {
            BusyCursor busy;
            m_fields.g_objDatabaseUser->SetBudget(m_fields.g_strUserName, item, m_month, amount);
        } catch (...) {
            fill(); // the cell shows what the ledger still holds
            throw;
        }
        setMonth(m_month);
    });
}
