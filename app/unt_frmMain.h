#pragma once

#include "LedgerBackup.h"
#include "MainWindowFields.h"

#include <QPoint>
#include <QRegion>
#include <QWidget>

#include <memory>

class BrowsePanel;
class EntryPanel;
struct PendingRow;
class OutputCommands;
class QLabel;
class QRadioButton;
class ReportCommands;
class TclsDdeServer;
class TclsShape;

// The outline of the main window: the rounded rectangle from (2, 3) to
// (width - 1, height - 1) with 26 by 26 corner arcs.
QRegion MainWindowOutline(const QSize &size);

// The program's only main window: borderless and skinned, moved by dragging
// its background, with its own minimise and close glyphs and three panels of
// which one is visible at a time.
class TfrmMain : public QWidget
{
    Q_OBJECT
public:
    // An empty path means the program's own database.
    explicit TfrmMain(const QString &databasePath = QString(), QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The login gate: true when a user logged in and the window is ready to be
    // shown; false when the login was cancelled (the window must never show).
    bool FormCreate();
    bool Login();
    void InitMainWindow();
    void SelectPanel(QRadioButton *sender);
    void ButtonClick(QWidget *sender);
    // Acts on the command channel's "show"; true when the command was acted on.
    bool ddeServerExecuteMacro(const QStringList &lines);
    // Starts the day's backup of the ledger beside the window (FormCreate
    // does after a login); a backup that cannot be made is told in
    // lblBackup and on stderr, never in a box that would hold the user up.
    void StartDailyBackup();
    void WaitForBackup() { m_backup.wait(); }
    // Puts the recurring entries' occurrences due by `today` and not stored
    // into the pending lists (FormCreate does after a login), with a note in
    // lblRecurring. Nothing is stored until the user's 完成.
    void OfferDueRecurring(const QDate &today);
    // After 完成 on the expense panel: one box for what the saved rows took
    // past its budget, once per item and month.
    void TellExceededBudgets(const QList<PendingRow> &rows);

    void mnuInAndOut_More_Print_1Click();
    void mnuInAndOut_More_Print_2Click();
    void mnuInAndOut_More_Preview_1Click();
    void mnuInAndOut_More_Preview_2Click();
    void mnuInAndOut_More_SaveAsExcel_1Click();
    void mnuInAndOut_More_SaveAsExcel_2Click();
    void mnuInAndOut_More_SaveAsTxt_1Click();
    void mnuInAndOut_More_SaveAsTxt_2Click();
    void mnuInAndOut_More_BudgetClick();
    void mnuInAndOut_More_RecurringClick();
    void mnuInAndOut_More_ImportClick();

    MainWindowFields g_objFields;

    QLabel *imgBackground;
    TclsShape *shpMinimize, *shpClose, *shpSeparator;
    QLabel *lblMinimize, *lblClose, *lblUserName;
    QLabel *lblBackup; // hidden unless the day's backup failed
    QLabel *lblRecurring; // hidden unless a login offered recurring entries
    QRadioButton *rdoOut, *rdoIn, *rdoInAndOut;
    EntryPanel *pnlOut;
    EntryPanel *pnlIn;
    BrowsePanel *pnlInAndOut;
    TclsDdeServer *ddeServer;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildCaption();
    void buildRadioButtons();
    void connectOutputMenu();
    void addPlanMenu();
    void FormShow();
    bool FormClose(); // false: a requested save failed, the window stays open
    void BringToFront();

    bool imgBackgroundMouseEvent(QEvent *event);
    void lblMinimizeMouseDown();
    void lblMinimizeMouseUp();
    void lblCloseMouseDown();
    void lblCloseMouseUp();

    QString m_databasePath;
    std::unique_ptr<OutputCommands> g_objOutputCommands;
    std::unique_ptr<ReportCommands> g_objReportCommands;
    bool m_initialised = false;
    bool m_shown = false;
    bool m_dragging = false; // moving the window by hand (no window manager)
    QPoint m_dragOffset;
    // Last, so a running backup is waited for before anything else goes.
    LedgerBackup::Runner m_backup;
};
