#pragma once

#include "MessageBox.h"
#include "unt_clsDatabaseUser.h"

#include <QPointer>
#include <QWidget>

#include <memory>

// The main window's fields that its panels and menus share: the current user,
// the main window's own store, the title and the modal window it is showing.
// TfrmMain holds them; the panels get a reference, and tests make their own.
struct MainWindowFields {
    QString g_strUserName;
    QString g_strTitle = MessageBox::title();
    std::unique_ptr<TclsDatabaseUser> g_objDatabaseUser;
    // The modal window the main window shows right now; a second start of the
    // program brings this one to the front instead of the main window.
    QPointer<QWidget> g_hActiveDialog;
};

// Records a modal window in g_hActiveDialog for as long as it is shown.
class ActiveDialogScope
{
public:
    ActiveDialogScope(MainWindowFields &fields, QWidget *dialog) : m_fields(fields)
    {
        m_fields.g_hActiveDialog = dialog;
    }
    ~ActiveDialogScope() { m_fields.g_hActiveDialog = nullptr; }
    ActiveDialogScope(const ActiveDialogScope &) = delete;
    ActiveDialogScope &operator=(const ActiveDialogScope &) = delete;

private:
    MainWindowFields &m_fields;
};
