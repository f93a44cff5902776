#include "BrowsePanel.h"

#include "AmountText.h"
#include "AppFonts.h"
#include "BrowseWidgets.h"
#include "BudgetPlan.h"
#include "BusyBracket.h"
#include "DatePicker.h"
#include "ErrorReport.h"
#include "KavloError.h"
#include "MessageBox.h"
#include "ReportTable.h"
#include "unt_clsButtonCreator.h"
#include "unt_frmFindRecord.h"
#include "unt_frmGetProgramTotal.h"
#include "unt_frmModifyRecord.h"
#include "unt_frmMonthTotal.h"
#include "unt_frmShowRecord.h"

#include <QCursor>
#include <QDateEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

#include <algorithm>
#include <memory>

namespace {
const QString kInitialSurplus = QStringLiteral("结余：0.00");
const QString kInitialOut = QStringLiteral("支出合计：0.00");
const QString kInitialIn = QStringLiteral("收入合计：0.00");
const QString kInitialAverage = QStringLiteral("0.00/天");
const QString kInitialDays = QStringLiteral("查询天数：0");

QAction *AddMenuItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void AddMenuSeparator(QMenu *menu, const QString &name) { menu->addSeparator()->setObjectName(name); }

// An output submenu: its two layouts, left for the main window to connect.
void AddLayoutSubmenu(QMenu *menu, const QString &name, const QString &caption)
{
    QMenu *submenu = menu->addMenu(caption);
    submenu->setObjectName(name);
    submenu->menuAction()->setObjectName(name);
    AddMenuItem(submenu, name + QStringLiteral("_1"), QStringLiteral("格式Ⅰ：日期、类别、项目、金额、备注(&1)..."));
    AddMenuItem(submenu, name + QStringLiteral("_2"), QStringLiteral("格式Ⅱ：日期、项目、收入、支出、备注(&2)..."));
}
} // namespace

BrowsePanel::BrowsePanel(MainWindowFields &fields, QWidget *parent) : QWidget(parent), m_fields(fields)
{
    setObjectName(QStringLiteral("pnlInAndOut"));
    resize(616, 372);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setFont(KavloUiFont());

    dtpInAndOut_Date1 = new DatePicker(this, QStringLiteral("dtpInAndOut_Date1"), QRect(12, 8, 112, 20));
    auto *separator = new QLabel(QStringLiteral("-"), this);
    separator->setObjectName(QStringLiteral("lblInAndOut_Separator"));
    separator->move(132, 12);
    dtpInAndOut_Date2 = new DatePicker(this, QStringLiteral("dtpInAndOut_Date2"), QRect(147, 8, 112, 20));

    auto makeButton = [this](const QString &role, const QString &caption, int left, int top, bool narrow,
                             void (BrowsePanel::*handler)()) {
        return CreateHoverButton(this, role, caption, left, top, [this, handler] { (this->*handler)(); }, narrow);
    };
    m_btnView = makeButton(QStringLiteral("InAndOut_View"), QStringLiteral("查看"), 271, 7, false,
                           &BrowsePanel::ViewClick);
    m_btnMore = makeButton(QStringLiteral("InAndOut_More"), QStringLiteral("↓"), 333, 7, true,
                           &BrowsePanel::MoreClick);

    lblInAndOut_Days = MakeFigureLabel(this, QStringLiteral("lblInAndOut_Days"), kInitialDays, 375, 12);
    Label1 = MakeFigureLabel(this, QStringLiteral("Label1"), QString(), 514, 12);
    lblInAndOut_Surplus =
        MakeFigureLabel(this, QStringLiteral("lblInAndOut_Surplus"), kInitialSurplus, 454, 12, 604);

    lvwInAndOut_List1 = new ReportTable(this, QStringLiteral("lvwInAndOut_List1"),
                                        {{QStringLiteral("日期"), 186, false},
                                         {QStringLiteral("支出"), 186, true},
                                         {QStringLiteral("收入"), 188, true}});
    lvwInAndOut_List1->setGeometry(12, 37, 593, 133);
    lvwInAndOut_List2 = new ReportTable(this, QStringLiteral("lvwInAndOut_List2"), RecordColumns());
    lvwInAndOut_List2->setGeometry(12, 179, 593, 157);
    lstInAndOut_List2_ID = new QListWidget(this);
    lstInAndOut_List2_ID->setObjectName(QStringLiteral("lstInAndOut_List2_ID"));
    lstInAndOut_List2_ID->hide();

    lblInAndOut_OutMoney1 = MakeFigureLabel(this, QStringLiteral("lblInAndOut_OutMoney1"), kInitialOut, 13, 349);
    lblInAndOut_OutMoney2 =
        MakeFigureLabel(this, QStringLiteral("lblInAndOut_OutMoney2"), kInitialAverage, 119, 349, 219);
    lblInAndOut_InMoney1 = MakeFigureLabel(this, QStringLiteral("lblInAndOut_InMoney1"), kInitialIn, 246, 349);
    lblInAndOut_InMoney2 =
        MakeFigureLabel(this, QStringLiteral("lblInAndOut_InMoney2"), kInitialAverage, 353, 349, 453);

    m_btnDelete = makeButton(QStringLiteral("InAndOut_Delete"), QStringLiteral("删除"), 483, 344, false,
                             &BrowsePanel::DeleteClick);
    m_btnModify = makeButton(QStringLiteral("InAndOut_Modify"), QStringLiteral("修改"), 547, 344, false,
                             &BrowsePanel::ModifyClick);
    // Figure labels lie over nothing clickable, but keep the buttons on top.
    for (TclsButtonCreator *creator : buttonCreators()) {
        creator->FShape->raise();
        creator->FLabel->raise();
    }

    setTabOrder(dtpInAndOut_Date1, dtpInAndOut_Date2);
    setTabOrder(dtpInAndOut_Date2, lvwInAndOut_List1);
    setTabOrder(lvwInAndOut_List1, lvwInAndOut_List2);

    // A click on the list's empty area unselects the day (Qt does that for
    // single selection); the handler then still lists that day.
    connect(lvwInAndOut_List1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                if (m_fillingDays)
                    return;
                // Selected or unselected, the row's day is what the detail list shows.
                const QModelIndexList indexes = selected.isEmpty() ? deselected.indexes() : selected.indexes();
                if (indexes.isEmpty())
                    return;
                const int row = indexes.first().row();
                runGuarded(window(), [&] { lvwInAndOut_List1SelectItem(row); });
            });

    buildMoreMenu();
}

BrowsePanel::~BrowsePanel()
{
    // The lists let go of the cache before it goes.
    lvwInAndOut_List1->tableModel()->clear();
    lvwInAndOut_List2->tableModel()->clear();
}

void BrowsePanel::buildMoreMenu()
{
    mnuInAndOut_More = new QMenu(this);
    mnuInAndOut_More->setObjectName(QStringLiteral("mnuInAndOut_More"));
    QAction *showRecord = AddMenuItem(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_ShowRecord"),
                                      QStringLiteral("详细显示每天所有收支记录(&S)..."));
    QAction *findRecord = AddMenuItem(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_FindRecord"),
                                      QStringLiteral("查找收支记录(&F)..."));
    // Connected by the main window, which holds the pending lists it fills.
    AddMenuItem(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_Import"), QStringLiteral("导入账单(&D)..."));
    AddMenuSeparator(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_Separator0"));
    QAction *outTotal = AddMenuItem(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_OutTotal"),
                                    QStringLiteral("统计各个支出项目所占比例(&O)..."));
    QAction *inTotal = AddMenuItem(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_InTotal"),
                                   QStringLiteral("统计各个收入项目所占比例(&I)..."));
    QAction *monthTotal = AddMenuItem(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_MonthTotal"),
                                      QStringLiteral("按月统计收支(&M)..."));
    AddMenuSeparator(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_Separator1"));
    AddLayoutSubmenu(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_Print"), QStringLiteral("打印(&P)"));
    AddLayoutSubmenu(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_Preview"), QStringLiteral("打印预览(&V)"));
    AddMenuSeparator(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_Separator2"));
    AddLayoutSubmenu(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_SaveAsExcel"),
                     QStringLiteral("导出为Excel文件(&E)"));
    AddLayoutSubmenu(mnuInAndOut_More, QStringLiteral("mnuInAndOut_More_SaveAsTxt"),
                     QStringLiteral("导出为文本文件(&T)"));

    connect(showRecord, &QAction::triggered, this, [this] { mnuInAndOut_More_ShowRecordClick(); });
    connect(outTotal, &QAction::triggered, this, [this] { ShowProgramShare(kTypeExpense); });
    connect(inTotal, &QAction::triggered, this, [this] { ShowProgramShare(kTypeIncome); });
    connect(monthTotal, &QAction::triggered, this, [this] { mnuInAndOut_More_MonthTotalClick(); });
    connect(findRecord, &QAction::triggered, this, [this] { mnuInAndOut_More_FindRecordClick(); });
}

void BrowsePanel::setRange(const QDate &start, const QDate &end)
{
    dtpInAndOut_Date1->setDate(start);
    dtpInAndOut_Date2->setDate(end);
}

QDate BrowsePanel::startDate() const { return dtpInAndOut_Date1->date(); }
QDate BrowsePanel::endDate() const { return dtpInAndOut_Date2->date(); }
QMenu *BrowsePanel::moreMenu() const { return mnuInAndOut_More; }

QList<TclsButtonCreator *> BrowsePanel::buttonCreators() const
{
    return {m_btnView, m_btnMore, m_btnDelete, m_btnModify};
}

bool BrowsePanel::rangeIsValid()
{
    if (endDate() < startDate()) {
        MessageBox::warning(window(), QStringLiteral("查看起始日期不能大于截止日期！"));
        return false;
    }
    return true;
}

int BrowsePanel::selectedDetailRow() const { return lvwInAndOut_List2->selectedRow(); }

void BrowsePanel::ViewClick()
{
    runGuarded(window(), [&] {
        if (!rangeIsValid())
            return;
        BusyBracket busy(m_btnView);
        // A failing query leaves the previous range on screen.
        DayTotals days;
        RangeRows records;
        m_fields.g_objDatabaseUser->ListRecordsOfDate(m_fields.g_strUserName, startDate(), endDate(), days,
                                                      records);
        // The lists show the cache itself: they let go of it before it is
        // replaced.
        m_fillingDays = true;
        lvwInAndOut_List1->tableModel()->clear();
        lvwInAndOut_List2->tableModel()->clear();
        lstInAndOut_List2_ID->clear();
        m_detailRows.clear();
        g_objDayTotals = std::move(days);
        g_objRangeRows = std::move(records);
        lvwInAndOut_List1->tableModel()->setLists(
            {&g_objDayTotals.date, &g_objDayTotals.expense, &g_objDayTotals.income});
        m_fillingDays = false;

        lvwInAndOut_List1->setFocus();
        // Selecting the end date's row, as the End key would, shows its
        // records through the selection handler; the arrow keys go on from it.
        lvwInAndOut_List1->selectRow(g_objDayTotals.size() - 1);
        UpdateRangeTotals();
        // The first screen of the range is drawn before the hourglass goes,
        // so the user sees the wait end when the panel can take input.
        repaint();
    });
}

void BrowsePanel::lvwInAndOut_List1SelectItem(int row)
{
    if (row < 0 || row >= lvwInAndOut_List1->tableModel()->rowCount())
        return;
    // Row i of the per-day list is day i of the range, and the store lists
    // the records in day order: the day's records stand together, found
    // without reading a decade of dates on every click.
    const auto [first, last] = g_objRangeRows.rowsOfDay(row);
    QList<int> entries;
    QStringList ids;
    entries.reserve(last - first);
    ids.reserve(last - first);
    for (int i = first; i < last; ++i) {
        entries << i;
        ids << g_objRangeRows.id(i);
    }
    m_detailRows = std::move(entries);
    lvwInAndOut_List2->tableModel()->setProvider(int(m_detailRows.size()), [this](int detailRow, int column) {
        return RecordText(g_objRangeRows, m_detailRows.value(detailRow, -1), column);
    });
    lstInAndOut_List2_ID->clear();
    lstInAndOut_List2_ID->addItems(ids);
}

void BrowsePanel::UpdateRangeTotals()
{
    lblInAndOut_Days->setText(kInitialDays);
    lblInAndOut_Surplus->setText(kInitialSurplus);
    lblInAndOut_OutMoney1->setText(kInitialOut);
    lblInAndOut_OutMoney2->setText(kInitialAverage);
    lblInAndOut_InMoney1->setText(kInitialIn);
    lblInAndOut_InMoney2->setText(kInitialAverage);

    const int n = g_objDayTotals.size();
    if (n <= 0)
        return;
    const RangeSums sums = SumDayTotals(g_objDayTotals);
    const QString perDay = QStringLiteral("/天");
    lblInAndOut_Days->setText(QStringLiteral("查询天数：%1").arg(n));
    lblInAndOut_Surplus->setText(QStringLiteral("结余：") + FormatAmount(sums.balance));
    lblInAndOut_OutMoney1->setText(QStringLiteral("支出合计：") + FormatAmount(sums.expense));
    lblInAndOut_OutMoney2->setText(FormatAmount(sums.expense / n) + perDay);
    lblInAndOut_InMoney1->setText(QStringLiteral("收入合计：") + FormatAmount(sums.income));
    lblInAndOut_InMoney2->setText(FormatAmount(sums.income / n) + perDay);
}

void BrowsePanel::DeleteClick()
{
    runGuarded(window(), [&] {
        const int row = selectedDetailRow();
        if (row < 0) {
            MessageBox::warning(window(), QStringLiteral("请在上面的列表中选定一条记录，然后删除它。"));
            return;
        }
        if (!MessageBox::question(window(), QStringLiteral("您确定要删除指定的记录吗？")))
            return;
        BusyBracket busy(m_btnDelete);
        // The store goes first: a delete that fails must leave the figures
        // agreeing with the lists and the store.
        QString goneMessage;
        try {
            m_fields.g_objDatabaseUser->DeleteRecord(lstInAndOut_List2_ID->item(row)->text());
        } catch (const KavloError &e) {
            // Another computer deleted it first: it is gone from the store
            // all the same, so it leaves the lists too, and the user is told.
            if (e.cause() != FailureCause::RecordGone)
                throw;
            goneMessage = e.message();
        }
        // Takes the detail row and its ID along with the cache entry.
        ApplyRecordChange(ChangeKind::Delete);
        // No neighbouring record may inherit the selection and be deleted next.
        lvwInAndOut_List2->clearSelection();
        if (!goneMessage.isEmpty())
            MessageBox::warning(window(), goneMessage);
    });
}

void BrowsePanel::ModifyClick()
{
    runGuarded(window(), [&] {
        const int row = selectedDetailRow();
        if (row < 0) {
            MessageBox::warning(window(), QStringLiteral("请在上面的列表中选定一条记录，然后修改它。"));
            return;
        }
        BringToFront(window());
        TfrmModifyRecord dialog(
            m_fields.g_objDatabaseUser->databasePath(),
            [this, row](const QString &name, const QString &amount, const QString &memo) {
                writeDetail(row, name, amount, memo);
            },
            window());
        const ReportTableModel *detail = lvwInAndOut_List2->tableModel();
        dialog.SetRecord(lstInAndOut_List2_ID->item(row)->text(), detail->text(row, 1), detail->text(row, 3),
                         detail->text(row, 4), detail->text(row, 5));
        int result;
        {
            ActiveDialogScope active(m_fields, &dialog);
            result = dialog.exec();
        }
        if (result == QDialog::Accepted)
            ApplyRecordChange(ChangeKind::Modify);
    });
}

void BrowsePanel::writeDetail(int row, const QString &name, const QString &amount, const QString &memo)
{
    const int entry = m_detailRows.value(row, -1);
    if (entry < 0 || entry >= g_objRangeRows.size())
        return;
    g_objRangeRows.setTexts(entry, name, amount, memo);
    lvwInAndOut_List2->tableModel()->textsChanged(row, row);
}

void BrowsePanel::ApplyRecordChange(ChangeKind kind)
{
    const int row = selectedDetailRow();
    if (row < 0)
        return;
    ReportTableModel *detail = lvwInAndOut_List2->tableModel();
    const QString id = lstInAndOut_List2_ID->item(row)->text();
    const QString date = detail->text(row, 1);

    RangeRows &records = g_objRangeRows;
    const int index = records.rowOf(id.toLongLong());
    if (index >= 0 && kind == ChangeKind::Modify) {
        // writeDetail has put the new texts into the cache already.
        detail->textsChanged(row, row);
    } else if (kind == ChangeKind::Delete) {
        // The row shows the very entry its ID names, so both go at once.
        detail->removeRow(row, [this, &records, index, row] {
            if (index >= 0)
                records.removeRow(index);
            m_detailRows.removeAt(row);
            for (int &entry : m_detailRows)
                if (index >= 0 && entry > index)
                    --entry;
        });
        std::unique_ptr<QListWidgetItem> gone(lstInAndOut_List2_ID->takeItem(row));
    }

    double expense = 0;
    double income = 0;
    const int day = g_objDayTotals.date.indexOf(date);
    if (day >= 0) {
        // The day's figures as the store would add them: its amounts as
        // shown, in the order listed.
        const auto [first, last] = records.rowsOfDay(day);
        for (int i = first; i < last; ++i)
            (records.isExpense(i) ? expense : income) += ParseAmountText(records.amount(i));
        g_objDayTotals.expense[day] = FormatAmount(expense);
        g_objDayTotals.income[day] = FormatAmount(income);
        g_objDayTotals.balance[day] = FormatAmount(income - expense);
    }

    // The per-day rows read DayTotals: they only need painting anew.
    lvwInAndOut_List1->tableModel()->textsChanged(0, g_objDayTotals.size() - 1);
    UpdateRangeTotals();
}

void BrowsePanel::MoreClick()
{
    mnuInAndOut_More->popup(QCursor::pos());
}

template <typename Dialog, typename Read, typename Fill> void BrowsePanel::showRangeWindow(Read read, Fill fill)
{
    runGuarded(window(), [&] {
        if (!rangeIsValid())
            return;
        const QDate start = startDate();
        const QDate end = endDate();
        BusyUntilPainted busy;
        read(start, end);
        BringToFront(window());
        Dialog dialog(window());
        ActiveDialogScope active(m_fields, &dialog);
        fill(dialog, start, end);
        busy.showUntilPainted(&dialog);
        dialog.exec();
    });
}

void BrowsePanel::ShowProgramShare(const QString &recordType)
{
    ProgramTotals totals;
    showRangeWindow<TfrmGetProgramTotal>(
        [&](const QDate &start, const QDate &end) {
            m_fields.g_objDatabaseUser->GetProgramTotals(m_fields.g_strUserName, recordType, start, end, totals);
        },
        [&](TfrmGetProgramTotal &dialog, const QDate &start, const QDate &end) {
            dialog.ShowTotals(recordType, start, end, totals);
        });
}

void BrowsePanel::mnuInAndOut_More_ShowRecordClick()
{
    // The listing keeps its own copy; the panel's cache stays as it is.
    DayTotals days;
    RangeRows records;
    showRangeWindow<TfrmShowRecord>(
        [&](const QDate &start, const QDate &end) {
            QApplication::processEvents();
            m_fields.g_objDatabaseUser->ListRecordsOfDate(m_fields.g_strUserName, start, end, days, records);
        },
        [&](TfrmShowRecord &dialog, const QDate &start, const QDate &end) {
            dialog.ShowRecords(start, end, days, std::move(records));
        });
}

void BrowsePanel::mnuInAndOut_More_MonthTotalClick()
{
    DayTotals days;
    QList<BudgetSetting> budgets;
    showRangeWindow<TfrmMonthTotal>(
        [&](const QDate &start, const QDate &end) {
            m_fields.g_objDatabaseUser->ListTotalsOfDate(m_fields.g_strUserName, start, end, days);
            budgets = m_fields.g_objDatabaseUser->LoadBudgets(m_fields.g_strUserName);
        },
        [&](TfrmMonthTotal &dialog, const QDate &start, const QDate &end) {
            PeriodTable table = MakePeriodTable(days, PeriodKindOf(start, end));
            if (table.kind == PeriodKind::Month) {
                QStringList months;
                for (const PeriodRow &row : table.rows)
                    months.append(row.label);
                const QList<double> levels = OverallBudgets(budgets, months);
                // A line at zero all along would only say nothing was planned.
                if (std::any_of(levels.begin(), levels.end(), [](double level) { return level > 0; }))
                    table.budget = levels;
            }
            dialog.ShowPeriods(start, end, table);
        });
}

void BrowsePanel::mnuInAndOut_More_FindRecordClick()
{
    runGuarded(window(), [&] {
        BringToFront(window());
        TfrmFindRecord dialog(m_fields, startDate(), endDate(), window());
        int result;
        {
            ActiveDialogScope active(m_fields, &dialog);
            result = dialog.exec();
        }
        if (result == QDialog::Accepted)
            ShowFoundRecord(dialog.chosenDate(), dialog.chosenId());
    });
}

void BrowsePanel::ShowFoundRecord(const QDate &day, const QString &id)
{
    if (!day.isValid())
        return;
    if (day < startDate() || day > endDate() || endDate() < startDate())
        setRange(QDate(day.year(), day.month(), 1), QDate(day.year(), day.month(), day.daysInMonth()));
    ViewClick();
    const int dayRow = g_objDayTotals.date.indexOf(day.toString(Qt::ISODate));
    const ReportTableModel *days = lvwInAndOut_List1->tableModel();
    if (dayRow < 0 || dayRow >= days->rowCount() || days->text(dayRow, 1) != g_objDayTotals.date[dayRow])
        return; // the View failed and was reported; the old range is still shown
    lvwInAndOut_List1->selectRow(dayRow);
    for (int row = 0; row < lstInAndOut_List2_ID->count(); ++row) {
        if (lstInAndOut_List2_ID->item(row)->text() == id) {
            lvwInAndOut_List2->selectRow(row);
            lvwInAndOut_List2->setFocus();
            break;
        }
    }
}
