#include "unt_frmRecurringEntry.h"

#include "BusyBracket.h"
#include "DatePicker.h"
#include "DialogParts.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kNameMaxLength = 50;
constexpr int kMoneyMaxLength = 11;
constexpr int kMemoMaxLength = 255;
const int kLeft = 80;
} // namespace

TfrmRecurringEntry::TfrmRecurringEntry(MainWindowFields &fields, const RecurringEntry &entry, const QDate &today,
                                       QWidget *parent)
    : QDialog(parent), m_fields(fields), m_entry(entry), m_today(today)
{
    setObjectName(QStringLiteral("frmRecurringEntry"));
    SetupFixedDialog(this, entry.id ? QStringLiteral("修改定期收支") : QStringLiteral("添加定期收支"), 380, 330);
    m_lists = m_fields.g_objDatabaseUser->LoadProgramNames(m_fields.g_strUserName);

    int top = 12;
    auto row = [&](const QString &name, const QString &caption) {
        AddLabel(this, name, caption, 12, top + 3);
        const int at = top;
        top += 30;
        return at;
    };
    cboType = new QComboBox(this);
    cboType->setObjectName(QStringLiteral("cboType"));
    cboType->addItems({kTypeExpense, kTypeIncome});
    cboType->setGeometry(kLeft, row(QStringLiteral("lblType"), QStringLiteral("类别：")), 120, 22);

    cboName = new QComboBox(this);
    cboName->setObjectName(QStringLiteral("cboName"));
    cboName->setEditable(true);
    cboName->setInsertPolicy(QComboBox::NoInsert);
    cboName->setCompleter(nullptr);
    cboName->lineEdit()->setMaxLength(kNameMaxLength);
    cboName->setGeometry(kLeft, row(QStringLiteral("lblName"), QStringLiteral("项目：")), 280, 22);

    edtMoney = new QLineEdit(this);
    edtMoney->setObjectName(QStringLiteral("edtMoney"));
    edtMoney->setMaxLength(kMoneyMaxLength);
    edtMoney->setGeometry(kLeft, row(QStringLiteral("lblMoney"), QStringLiteral("金额：")), 140, 22);

    edtMemo = new QLineEdit(this);
    edtMemo->setObjectName(QStringLiteral("edtMemo"));
    edtMemo->setMaxLength(kMemoMaxLength);
    edtMemo->setGeometry(kLeft, row(QStringLiteral("lblMemo"), QStringLiteral("备注：")), 280, 22);

    const int ruleTop = row(QStringLiteral("lblKind"), QStringLiteral("重复："));
    cboKind = new QComboBox(this);
    cboKind->setObjectName(QStringLiteral("cboKind"));
    cboKind->addItems({QStringLiteral("每月"), QStringLiteral("每周"), QStringLiteral("每年")});
    cboKind->setGeometry(kLeft, ruleTop, 70, 22);
    edtMonth = new QLineEdit(this);
    edtMonth->setObjectName(QStringLiteral("edtMonth"));
    edtMonth->setMaxLength(2);
    edtMonth->setGeometry(kLeft + 80, ruleTop, 36, 22);
    lblMonth = AddLabel(this, QStringLiteral("lblMonthUnit"), QStringLiteral("月"), kLeft + 120, ruleTop + 3);
    edtDay = new QLineEdit(this);
    edtDay->setObjectName(QStringLiteral("edtDay"));
    edtDay->setMaxLength(2);
    edtDay->setGeometry(kLeft + 140, ruleTop, 36, 22);
    lblDay = AddLabel(this, QStringLiteral("lblDayUnit"), QStringLiteral("日"), kLeft + 180, ruleTop + 3);
    cboWeekday = new QComboBox(this);
    cboWeekday->setObjectName(QStringLiteral("cboWeekday"));
    cboWeekday->addItems({QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
                          QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"),
                          QStringLiteral("星期日")});
    cboWeekday->setGeometry(kLeft + 80, ruleTop, 90, 22);

    dtpFirst = new DatePicker(this, QStringLiteral("dtpFirst"),
                              QRect(kLeft, row(QStringLiteral("lblFirst"), QStringLiteral("开始：")), 140, 22));
    const int endTop = row(QStringLiteral("lblEnd"), QStringLiteral("结束："));
    chkEnd = new QCheckBox(QStringLiteral("到"), this);
    chkEnd->setObjectName(QStringLiteral("chkEnd"));
    chkEnd->setGeometry(kLeft, endTop, 44, 22);
    dtpEnd = new DatePicker(this, QStringLiteral("dtpEnd"), QRect(kLeft + 48, endTop, 140, 22));
    AddLabel(this, QStringLiteral("lblRuleNote"),
             QStringLiteral("每月的日期大于当月天数时记在当月最后一天；\r\n每年 2 月 29 日在平年记在 2 月 28 日。"), 12,
             top + 2);

    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(190, 294, 84, 26);
    btnOk->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(284, 294, 84, 26);
    connect(btnOk, &QPushButton::clicked, this, &TfrmRecurringEntry::btnOkClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The entry as stored; a new one starts on today's day of the month.
    const bool isNew = entry.id == 0;
    cboType->setCurrentIndex(entry.recordType == kTypeIncome ? 1 : 0);
    fillNames();
    cboName->lineEdit()->setMaxLength(qMax(kNameMaxLength, int(entry.name.size())));
    cboName->setEditText(entry.name); // kept as typed, even if the list no longer has it
    edtMoney->setText(entry.amount);
    edtMemo->setText(entry.memo);
    cboKind->setCurrentIndex(int(entry.rule.kind));
    const RecurrenceRule rule = entry.rule;
    edtDay->setText(QString::number(isNew ? today.day() : rule.kind == RepeatKind::Weekly ? 1 : rule.day));
    edtMonth->setText(QString::number(isNew ? today.month() : rule.month));
    cboWeekday->setCurrentIndex(rule.kind == RepeatKind::Weekly ? rule.day - 1 : (isNew ? today.dayOfWeek() - 1 : 0));
    dtpFirst->setDate(isNew ? today : entry.first);
    chkEnd->setChecked(entry.end.isValid());
    dtpEnd->setDate(entry.end.isValid() ? entry.end : (isNew ? today : entry.first).addYears(1));
    dtpEnd->setEnabled(chkEnd->isChecked());

    connect(cboType, &QComboBox::currentIndexChanged, this, [this] { fillNames(); });
    connect(cboKind, &QComboBox::currentIndexChanged, this, [this] { showKind(); });
    connect(chkEnd, &QCheckBox::toggled, dtpEnd, &QWidget::setEnabled);
    showKind();
}

void TfrmRecurringEntry::fillNames()
{
    const QString typed = cboName->currentText();
    cboName->clear();
    cboName->addItems(cboType->currentIndex() == 1 ? m_lists.income : m_lists.expense);
    cboName->setCurrentIndex(-1);
    cboName->setEditText(typed);
}

void TfrmRecurringEntry::showKind()
{
    const auto kind = RepeatKind(cboKind->currentIndex());
    const bool weekly = kind == RepeatKind::Weekly;
    const bool yearly = kind == RepeatKind::Yearly;
    cboWeekday->setVisible(weekly);
    edtDay->setVisible(!weekly);
    lblDay->setVisible(!weekly);
    edtMonth->setVisible(yearly);
    lblMonth->setVisible(yearly);
}

RecurringInput TfrmRecurringEntry::input() const
{
    RecurringInput in;
    in.recordType = cboType->currentIndex() == 1 ? kTypeIncome : kTypeExpense;
    in.name = cboName->currentText();
    in.amount = edtMoney->text();
    in.memo = edtMemo->text();
    in.kind = RepeatKind(cboKind->currentIndex());
    in.day = edtDay->text();
    in.weekday = cboWeekday->currentIndex() + 1;
    in.month = edtMonth->text();
    in.first = dtpFirst->date();
    in.hasEnd = chkEnd->isChecked();
    in.end = dtpEnd->date();
    return in;
}

void TfrmRecurringEntry::btnOkClick()
{
    runGuarded(this, [this] {
        const RecurringCheck check = CheckRecurringInput(input());
        if (!check.message.isEmpty()) {
            MessageBox::warning(this, check.message);
            QWidget *field = nullptr;
            switch (check.field) {
            case RecurringField::Name:
                field = cboName;
                break;
            case RecurringField::Amount:
                edtMoney->clear();
                field = edtMoney;
                break;
            case RecurringField::Memo:
                field = edtMemo;
                break;
            case RecurringField::Day:
                field = cboWeekday->isVisible() ? static_cast<QWidget *>(cboWeekday) : edtDay;
                break;
            case RecurringField::Month:
                field = edtMonth;
                break;
            case RecurringField::End:
                field = dtpEnd;
                break;
            case RecurringField::None:
                break;
            }
            if (field)
                field->setFocus();
            return;
        }
        RecurringEntry stored = ChangedEntry(m_entry, check.entry, m_today);
        {
            BusyButton busy(btnOk);
            stored.id = m_fields.g_objDatabaseUser->SaveRecurringEntry(m_fields.g_strUserName, stored);
        }
        m_entry = stored;
        accept();
    });
}
