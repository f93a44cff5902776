#include "unt_frmRecurring.h"

#include "BusyBracket.h"
#include "DialogParts.h"
#include "ErrorReport.h"
#include "KavloError.h"
#include "MessageBox.h"
#include "Recurrence.h"
#include "ReportList.h"
#include "unt_frmRecurringEntry.h"

#include <QPushButton>
#include <QTreeWidget>

namespace {
// The list's hidden first column holds the entry's row in m_entries.
constexpr int kColRow = 0;

QStringList entryTexts(const RecurringEntry &e, bool listed)
{
    QString name = e.name;
    if (!listed)
        name += QStringLiteral("（已不在项目列表中）");
    return {e.recordType,
            name,
            e.amount,
            RuleText(e.rule),
            e.first.toString(Qt::ISODate),
            e.end.isValid() ? e.end.toString(Qt::ISODate) : QStringLiteral("不限"),
            e.paused ? QStringLiteral("已暂停") : QStringLiteral("启用"),
            e.memo};
}
} // namespace

TfrmRecurring::TfrmRecurring(MainWindowFields &fields, const QDate &today, QWidget *parent)
    : QDialog(parent), m_fields(fields), m_today(today)
{
    setObjectName(QStringLiteral("frmRecurring"));
    SetupFixedDialog(this, QStringLiteral("定期收支"), 700, 400);
    lvwRecurring = MakeReportList(this, QStringLiteral("lvwRecurring"),
                                  {{QStringLiteral("类别"), 44, false},
                                   {QStringLiteral("项目"), 150, false},
                                   {QStringLiteral("金额"), 80, true},
                                   {QStringLiteral("规则"), 110, false},
                                   {QStringLiteral("开始"), 80, false},
                                   {QStringLiteral("结束"), 80, false},
                                   {QStringLiteral("状态"), 50, false},
                                   {QStringLiteral("备注"), 90, false}});
    lvwRecurring->setGeometry(10, 10, 680, 340);
    auto button = [this](const QString &name, const QString &caption, int left, void (TfrmRecurring::*handler)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(left, 362, 96, 26);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    btnAdd = button(QStringLiteral("btnAdd"), QStringLiteral("添加(&A)..."), 278, &TfrmRecurring::btnAddClick);
    btnChange = button(QStringLiteral("btnChange"), QStringLiteral("修改(&C)..."), 382, &TfrmRecurring::btnChangeClick);
    btnPause = button(QStringLiteral("btnPause"), QStringLiteral("暂停/恢复(&P)"), 486, &TfrmRecurring::btnPauseClick);
    btnDelete = button(QStringLiteral("btnDelete"), QStringLiteral("删除(&D)"), 590, &TfrmRecurring::btnDeleteClick);
    connect(lvwRecurring, &QTreeWidget::itemDoubleClicked, this, [this] { btnChangeClick(); });
    reload();
}

void TfrmRecurring::reload()
{
    {
        BusyCursor busy;
        m_lists = m_fields.g_objDatabaseUser->LoadProgramNames(m_fields.g_strUserName);
        m_entries = m_fields.g_objDatabaseUser->LoadRecurringEntries(m_fields.g_strUserName);
    }
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < m_entries.size(); ++i) {
        const RecurringEntry &e = m_entries.at(i);
        const QStringList &names = e.recordType == kTypeIncome ? m_lists.income : m_lists.expense;
        QTreeWidgetItem *row = MakeReportRow(lvwRecurring, entryTexts(e, names.contains(e.name)));
        row->setData(kColRow, Qt::UserRole, i);
        rows.append(row);
    }
    FillReportList(lvwRecurring, rows);
}

int TfrmRecurring::selectedEntry()
{
    const QList<QTreeWidgetItem *> selected = lvwRecurring->selectedItems();
    if (selected.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请在上面的列表中选定一条定期收支。"));
        return -1;
    }
    return selected.first()->data(kColRow, Qt::UserRole).toInt();
}

void TfrmRecurring::selectEntry(qint64 id)
{
    for (int row = 0; row < lvwRecurring->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = lvwRecurring->topLevelItem(row);
        if (m_entries.value(item->data(kColRow, Qt::UserRole).toInt()).id == id) {
            lvwRecurring->setCurrentItem(item);
            return;
        }
    }
}

void TfrmRecurring::btnAddClick()
{
    runGuarded(this, [this] {
        RecurringEntry fresh;
        fresh.recordType = kTypeExpense;
        TfrmRecurringEntry editor(m_fields, fresh, m_today, this);
        ActiveDialogScope active(m_fields, &editor);
        if (editor.exec() != QDialog::Accepted)
            return;
        reload();
        selectEntry(editor.entry().id);
    });
}

void TfrmRecurring::btnChangeClick()
{
    runGuarded(this, [this] {
        const int at = selectedEntry();
        if (at < 0)
            return;
        TfrmRecurringEntry editor(m_fields, m_entries.at(at), m_today, this);
        ActiveDialogScope active(m_fields, &editor);
        const bool changed = editor.exec() == QDialog::Accepted;
        // Also after a cancel: the entry may have gone on another computer.
        reload();
        selectEntry(changed ? editor.entry().id : m_entries.value(at).id);
    });
}

void TfrmRecurring::btnPauseClick()
{
    runGuarded(this, [this] {
        const int at = selectedEntry();
        if (at < 0)
            return;
        const RecurringEntry e = m_entries.at(at);
        try {
            BusyButton busy(btnPause);
            m_fields.g_objDatabaseUser->SetRecurringPaused(m_fields.g_strUserName, e.id, !e.paused, m_today);
        } catch (const KavloError &error) {
            if (error.cause() == FailureCause::RecordGone)
                reload();
            throw;
        }
        reload();
        selectEntry(e.id);
    });
}

void TfrmRecurring::btnDeleteClick()
{
    runGuarded(this, [this] {
        const int at = selectedEntry();
        if (at < 0)
            return;
        const RecurringEntry e = m_entries.at(at);
        if (!MessageBox::question(this, QStringLiteral("您确定要删除定期收支“%1”吗？已保存的记录不受影响。").arg(e.name)))
            return;
        try {
            BusyButton busy(btnDelete);
            m_fields.g_objDatabaseUser->DeleteRecurringEntry(m_fields.g_strUserName, e.id);
        } catch (const KavloError &error) {
            if (error.cause() == FailureCause::RecordGone)
                reload();
            throw;
        }
        reload();
    });
}
