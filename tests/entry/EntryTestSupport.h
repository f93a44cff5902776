#pragma once

#include "EntryPanel.h"
#include "MainWindowFields.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

// A real ledger database with one user, and the main window's fields on it.
struct Ledger {
    TempDatabase db;
    MainWindowFields fields;
    QString user = QStringLiteral("张三");

    Ledger()
    {
        fields.g_strUserName = user;
        fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(db.path());
        fields.g_objDatabaseUser->CreateUser(user, QStringLiteral("pw"));
    }

    RangeRecords records(const QDate &start, const QDate &end)
    {
        DayTotals days;
        RangeRecords found;
        TclsDatabaseUser(db.path()).ListRecordsOfDate(user, start, end, days, found);
        return found;
    }
    ProgramNameLists names() { return TclsDatabaseUser(db.path()).LoadProgramNames(user); }
};

inline QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown &box : MessageBox::shown())
        texts << box.text;
    return texts;
}

inline QList<MessageBox::Icon> shownIcons()
{
    QList<MessageBox::Icon> icons;
    for (const MessageBox::Shown &box : MessageBox::shown())
        icons << box.icon;
    return icons;
}

inline QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// The panel's controls by their component names.
struct PanelControls {
    QComboBox *name;
    QLineEdit *money;
    QPlainTextEdit *memo;
    QTreeWidget *list;

    explicit PanelControls(EntryPanel &panel)
    {
        const QString p = panel.kind() == EntryPanel::Expense ? QStringLiteral("Out_") : QStringLiteral("In_");
        name = panel.findChild<QComboBox *>(QStringLiteral("cbo") + p + QStringLiteral("Name"));
        money = panel.findChild<QLineEdit *>(QStringLiteral("edt") + p + QStringLiteral("Money"));
        memo = panel.findChild<QPlainTextEdit *>(QStringLiteral("mem") + p + QStringLiteral("Memo"));
        list = panel.findChild<QTreeWidget *>(QStringLiteral("lvw") + p + QStringLiteral("List"));
    }
    bool complete() const { return name && money && memo && list; }

    // Fills the inputs the way a user leaves them before pressing Add.
    void fill(const QString &itemName, const QString &amount, const QString &memoText = QString())
    {
        name->setEditText(itemName);
        money->setText(amount);
        memo->setPlainText(memoText);
    }
    QStringList row(int index) const
    {
        QStringList texts;
        for (int column = 0; column < list->columnCount(); ++column)
            texts << list->topLevelItem(index)->text(column);
        return texts;
    }
};

// Runs `act` on the modal window once it is up (the busy bracket before it
// runs pending events, so a plain zero timer could fire too early).
inline void whenModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(10, [act] {
        if (QWidget *modal = QApplication::activeModalWidget())
            act(modal);
        else
            whenModal(act);
    });
}
