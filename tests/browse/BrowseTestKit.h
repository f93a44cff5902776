#pragma once

// Shared set-up of the browse tests: a user's ledger in a temporary database
// and a look into the modal windows the browse commands show.

#include "MainWindowFields.h"
#include "ReportTable.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>

inline const QString kUser = QStringLiteral("张三");
inline const QString kOtherUser = QStringLiteral("李四");

// The main window's fields on a fresh database.
struct Ledger {
    TempDatabase db;
    MainWindowFields fields;
    Ledger()
    {
        fields.g_strUserName = kUser;
        fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(db.path());
    }
    TclsDatabaseUser &store() { return *fields.g_objDatabaseUser; }
    void add(const QString &type, const QString &date, const QString &name, const QString &amount,
             const QString &memo = QString(), const QString &user = kUser)
    {
        store().AddRecord(user, type, {date}, {name}, {amount}, {memo});
    }
    // What the store holds now, read by a store object of its own.
    RangeRecords stored(const QDate &start, const QDate &end)
    {
        DayTotals days;
        return stored(start, end, days);
    }
    RangeRecords stored(const QDate &start, const QDate &end, DayTotals &days)
    {
        TclsDatabaseUser fresh(db.path());
        RangeRecords records;
        fresh.ListRecordsOfDate(kUser, start, end, days, records);
        return records;
    }
};

// Makes every delete and update of the database fail in the engine. Root
// writes through file permissions, so there the engine is told to refuse.
void RefuseWrites(const QString &path);

// Runs `act` on the modal dialog the next command shows, then closes it if
// it is still open. A command that shows none leaves count() at 0.
class ModalProbe
{
public:
    explicit ModalProbe(std::function<void(QDialog *)> act) : m_act(std::move(act))
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(0);
    }
    int count() const { return m_count; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            m_timer.start(5);
            return;
        }
        ++m_count;
        m_act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    }
    std::function<void(QDialog *)> m_act;
    QTimer m_timer;
    int m_count = 0;
};

inline QString LabelText(const QWidget *root, const char *name)
{
    auto *label = root->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

// The visible columns of every row, as the view's model gives them.
inline QList<QStringList> Rows(const QTreeView *list)
{
    QList<QStringList> rows;
    const QAbstractItemModel *model = list->model();
    for (int i = 0; i < model->rowCount(); ++i) {
        QStringList texts;
        for (int c = 1; c < model->columnCount(); ++c)
            texts << model->index(i, c).data().toString();
        rows << texts;
    }
    return rows;
}

// The rows a record list shows for the records of `date`, or for all.
inline QList<QStringList> RecordRows(const RangeRecords &records, const QString &date = QString())
{
    QList<QStringList> rows;
    for (int i = 0; i < records.size(); ++i)
        if (date.isNull() || records.date[i] == date)
            rows << QStringList{records.date[i], records.type[i], records.name[i], records.amount[i], records.memo[i]};
    return rows;
}

inline QStringList RecordIds(const RangeRecords &records, const QString &date)
{
    QStringList ids;
    for (int i = 0; i < records.size(); ++i)
        if (records.date[i] == date)
            ids << records.id[i];
    return ids;
}

inline int RowCount(const QTreeView *list) { return list->model()->rowCount(); }

// The rows selected, each once, in order.
inline QList<int> SelectedRows(const QTreeView *list)
{
    QList<int> rows;
    for (const QModelIndex &index : list->selectionModel()->selectedIndexes())
        if (!rows.contains(index.row()))
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}
