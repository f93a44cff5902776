#pragma once

#include "MainWindowFields.h"
#include "RangeRows.h"
#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QList>
#include <QWidget>

class QDateEdit;
class QLabel;
class QListWidget;
class QMenu;
class ReportTable;
class TclsButtonCreator;

// The date-range browse panel "pnlInAndOut": the days of a range with their
// expense and income, the range figures, and the records of the selected day,
// which can be modified or deleted. The More menu opens the range windows and
// the outputs, which read the pickers themselves.
class BrowsePanel : public QWidget
{
    Q_OBJECT
public:
    explicit BrowsePanel(MainWindowFields &fields, QWidget *parent = nullptr);
    ~BrowsePanel() override;

    void setRange(const QDate &start, const QDate &end);
    QDate startDate() const;
    QDate endDate() const;
    QMenu *moreMenu() const;
    QList<TclsButtonCreator *> buttonCreators() const; // View, More, Delete, Modify

    // Hover-button handlers. Each reports its own failures.
    void ViewClick();
    void MoreClick();
    void DeleteClick();
    void ModifyClick();

    // More menu handlers.
    void mnuInAndOut_More_ShowRecordClick();
    void ShowProgramShare(const QString &recordType);
    void mnuInAndOut_More_MonthTotalClick();
    void mnuInAndOut_More_FindRecordClick();

    // A View of a range holding the day (the pickers' range when it does,
    // otherwise the day's month), with the day and the record selected.
    void ShowFoundRecord(const QDate &day, const QString &id);

    enum class ChangeKind { Modify, Delete };
    // Brings cache, per-day rows and figures up to date for the record of the
    // selected detail row after it was modified or deleted in the store. The
    // detail list shows the cache itself, so a deleted record's detail row
    // and ID go with its cache entry.
    void ApplyRecordChange(ChangeKind kind);
    void UpdateRangeTotals();
    // Shows the records of the per-day row given (selected or not).
    void lvwInAndOut_List1SelectItem(int row);

private:
    bool rangeIsValid();
    int selectedDetailRow() const;
    // The modify dialog's change, written into the record of detail row `row`.
    void writeDetail(int row, const QString &name, const QString &amount, const QString &memo);
    void onDaySelectionChanged(const QList<int> &selectedRows, const QList<int> &unselectedRows);
    void buildMoreMenu();
    // The More menu's range windows: the pickers' range checked, the store
    // read under the hourglass, then the window filled and shown modally,
    // recorded in g_hActiveDialog while it shows.
    template <typename Dialog, typename Read, typename Fill> void showRangeWindow(Read read, Fill fill);

    MainWindowFields &m_fields;

    QDateEdit *dtpInAndOut_Date1;
    QDateEdit *dtpInAndOut_Date2;
    QLabel *lblInAndOut_Days;
    QLabel *Label1;
    QLabel *lblInAndOut_Surplus;
    // Both lists show the cache below: the days all of DayTotals, the details
    // the selected day's rows of RangeRows (m_detailRows names them).
    ReportTable *lvwInAndOut_List1;
    ReportTable *lvwInAndOut_List2;
    QListWidget *lstInAndOut_List2_ID; // never shown: the ID of each detail row
    QLabel *lblInAndOut_OutMoney1;
    QLabel *lblInAndOut_OutMoney2;
    QLabel *lblInAndOut_InMoney1;
    QLabel *lblInAndOut_InMoney2;
    QMenu *mnuInAndOut_More;

    TclsButtonCreator *m_btnView;
    TclsButtonCreator *m_btnMore;
    TclsButtonCreator *m_btnDelete;
    TclsButtonCreator *m_btnModify;

    // The range of the last View.
    DayTotals g_objDayTotals;
    RangeRows g_objRangeRows;
    QList<int> m_detailRows; // the cache's row of each detail row
    bool m_fillingDays = false; // the per-day list is being rebuilt
};
