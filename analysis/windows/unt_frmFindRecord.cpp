#include "unt_frmFindRecord.h"

#include "BusyBracket.h"
#include "DialogParts.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "MessageBox.h"
#include "RecordFinder.h"
#include "ReportTable.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr int kTextLimit = 255; // the longest memo
} // namespace

TfrmFindRecord::TfrmFindRecord(MainWindowFields &fields, const QDate &start, const QDate &end, QWidget *parent)
    : QDialog(parent), m_fields(fields), m_start(start), m_end(end)
{
    setObjectName(QStringLiteral("frmFindRecord"));
    SetupFixedDialog(this, QStringLiteral("查找收支记录"), 604, 440);

    AddLabel(this, QStringLiteral("lblText"), QStringLiteral("查找内容："), 10, 13);
    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    edtText->setMaxLength(kTextLimit);
    edtText->setGeometry(74, 9, 250, 20);
    AddLabel(this, QStringLiteral("lblType"), QStringLiteral("类别："), 336, 13);
    cboType = new QComboBox(this);
    cboType->setObjectName(QStringLiteral("cboType"));
    cboType->addItems({QStringLiteral("全部"), kTypeExpense, kTypeIncome});
    cboType->setGeometry(374, 9, 80, 20);
    btnFind = new QPushButton(QStringLiteral("查找(&F)"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setGeometry(514, 7, 80, 24);
    btnFind->setDefault(true);

    rdoRange = new QRadioButton(QStringLiteral("日期范围：") + RangeLineText(start, end).chopped(1), this);
    rdoRange->setObjectName(QStringLiteral("rdoRange"));
    rdoRange->setGeometry(74, 36, 250, 18);
    rdoRange->setChecked(true);
    rdoAllDates = new QRadioButton(QStringLiteral("全部日期"), this);
    rdoAllDates->setObjectName(QStringLiteral("rdoAllDates"));
    rdoAllDates->setGeometry(336, 36, 120, 18);

    lvwFound = new ReportTable(this, QStringLiteral("lvwFound"), RecordColumns());
    lvwFound->setGeometry(10, 62, 584, 340);
    lblSummary = MakeFigureLabel(this, QStringLiteral("lblSummary"), QString(), 10, 412, 594);
    lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setTabOrder(edtText, cboType);
    setTabOrder(cboType, btnFind);
    setTabOrder(btnFind, rdoRange);
    setTabOrder(rdoRange, rdoAllDates);
    setTabOrder(rdoAllDates, lvwFound);
    connect(btnFind, &QPushButton::clicked, this, &TfrmFindRecord::btnFindClick);
    connect(lvwFound, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { lvwFoundDoubleClick(index.row()); });
}

// The results go before the list that reads them.
TfrmFindRecord::~TfrmFindRecord() { lvwFound->tableModel()->clear(); }

void TfrmFindRecord::btnFindClick()
{
    runGuarded(this, [&] {
        const QString text = edtText->text();
        if (text.isEmpty()) {
            MessageBox::warning(this, QStringLiteral("请输入要查找的内容！"));
            edtText->setFocus();
            return;
        }
        RecordScope scope;
        scope.recordType = cboType->currentIndex() == 0 ? QString() : cboType->currentText();
        scope.allDates = rdoAllDates->isChecked();
        scope.start = m_start;
        scope.end = m_end;
        if (!scope.allDates && m_end < m_start) {
            MessageBox::warning(this, QStringLiteral("查看起始日期不能大于截止日期！"));
            return;
        }
        RangeRecords found;
        {
            BusyButton busy(btnFind);
            m_fields.g_objDatabaseUser->FindRecords(m_fields.g_strUserName, scope, TextFinder(text), found);
        }
        // The list reads the results where they are: let go of the old ones
        // before they are replaced.
        lvwFound->tableModel()->clear();
        m_found = std::move(found);
        lvwFound->tableModel()->setLists({&m_found.date, &m_found.type, &m_found.name, &m_found.amount, &m_found.memo});
        lblSummary->setText(FindSummaryText(SummariseFound(m_found)));
    });
}

void TfrmFindRecord::lvwFoundDoubleClick(int row)
{
    if (row < 0 || row >= m_found.size())
        return;
    m_chosenId = m_found.id[row];
    m_chosenDate = QDate::fromString(m_found.date[row], Qt::ISODate);
    accept();
}
