#pragma once

#include <QDialog>

class CompositeReport;
class QLabel;
class QPushButton;
class ReportPreview;

// The print preview of a run: the prepared pages of the composite, page
// buttons and "print now", which leaves the preview open.
class TfrmPreview : public QDialog
{
    Q_OBJECT
public:
    // The composite must outlive the dialog.
    TfrmPreview(CompositeReport &composite, QWidget *parent = nullptr);

    QWidget *pnlTop;
    QPushButton *btnHeadPage;
    QPushButton *btnBackPage;
    QPushButton *btnNextPage;
    QPushButton *btnTailPage;
    QPushButton *btnPrint;
    ReportPreview *QRPreview1;
    QWidget *pnlBottom;
    QLabel *lblCurrentPage;

    void FormCreate();
    void FormShow();
    void ShowCurrentPage();
    void btnHeadPageClick();
    void btnBackPageClick();
    void btnNextPageClick();
    void btnTailPageClick();
    void btnPrintClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FitToWorkArea();

    CompositeReport &m_composite;
};
