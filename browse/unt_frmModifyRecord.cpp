#include "unt_frmModifyRecord.h"

#include "AmountText.h"
#include "BrowseWidgets.h"
#include "BusyBracket.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "MessageBox.h"
#include "StorableText.h"
#include "TextCodec.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>

namespace {
constexpr int kNameLimit = 50;
constexpr int kMoneyLimit = 11;
constexpr int kMemoLimit = 255;

QLabel *MakeCaption(QWidget *parent, const QString &text, int top)
{
    auto *label = new QLabel(text, parent);
    label->move(16, top + 4);
    return label;
}

QLineEdit *MakeEdit(QWidget *parent, const QString &name, int top, int limit)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(64, top, 240, 21);
    edit->setMaxLength(limit);
    return edit;
}

// Like an edit control's own limit: text put in by the program is kept whole,
// while typing can only grow the text up to the limit. A longer text can be
// shortened freely until it fits.
void KeepLimitAboveText(QLineEdit *edit, int limit)
{
    edit->setMaxLength(qMax(limit, int(edit->text().size())));
}

} // namespace

TfrmModifyRecord::TfrmModifyRecord(const QString &databasePath, StoredChange writeRow, QWidget *parent)
    : QDialog(parent), m_databasePath(databasePath), m_writeRow(std::move(writeRow))
{
    setObjectName(QStringLiteral("frmModifyRecord"));
    SetupFixedDialog(this, QStringLiteral("修改"), 322, 236);

    MakeCaption(this, QStringLiteral("日期："), 14);
    edtDate = MakeEdit(this, QStringLiteral("edtDate"), 14, 32767);
    edtDate->setReadOnly(true);
    QPalette grey = edtDate->palette();
    grey.setColor(QPalette::Base, palette().color(QPalette::Window));
    edtDate->setPalette(grey);

    MakeCaption(this, QStringLiteral("项目："), 44);
    edtName = MakeEdit(this, QStringLiteral("edtName"), 44, kNameLimit);
    connect(edtName, &QLineEdit::textEdited, this, [this] { KeepLimitAboveText(edtName, kNameLimit); });
    MakeCaption(this, QStringLiteral("金额："), 74);
    edtMoney = MakeEdit(this, QStringLiteral("edtMoney"), 74, kMoneyLimit);
    connect(edtMoney, &QLineEdit::textEdited, this, [this] { KeepLimitAboveText(edtMoney, kMoneyLimit); });

    MakeCaption(this, QStringLiteral("备注："), 104);
    memMemo = new QPlainTextEdit(this);
    memMemo->setObjectName(QStringLiteral("memMemo"));
    memMemo->setGeometry(64, 104, 240, 64);
    memMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memMemo->setTabChangesFocus(true);
    m_memoLimit = new PlainTextLimit(memMemo, kMemoLimit);

    for (int top : {180, 182}) {
        auto *line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(8, top, 306, 2);
    }

    btnSave = new QPushButton(QStringLiteral("保存(&S)"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setGeometry(148, 196, 75, 25);
    btnSave->setDefault(true);
    btnSave->setAutoDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(229, 196, 75, 25);
    // Enter on the focused Cancel must cancel, not press the default Save.
    btnCancel->setAutoDefault(true);
    connect(btnSave, &QPushButton::clicked, this, &TfrmModifyRecord::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmModifyRecord::btnCancelClick);

    setTabOrder(edtDate, edtName);
    setTabOrder(edtName, edtMoney);
    setTabOrder(edtMoney, memMemo);
    setTabOrder(memMemo, btnSave);
    setTabOrder(btnSave, btnCancel);
}

TfrmModifyRecord::~TfrmModifyRecord()
{
    // The memo reports its text changing while it is torn down; its limit
    // must not look at it then.
    memMemo->blockSignals(true);
}

void TfrmModifyRecord::SetRecord(const QString &id, const QString &date, const QString &name,
                                 const QString &amount, const QString &memo)
{
    g_strID = id;
    edtDate->setText(date);
    edtName->setMaxLength(qMax(kNameLimit, int(name.size())));
    edtName->setText(name);
    edtMoney->setMaxLength(qMax(kMoneyLimit, int(amount.size())));
    edtMoney->setText(amount);
    memMemo->setPlainText(memo);
    m_memoLimit->acceptCurrentText();
}

void TfrmModifyRecord::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmModifyRecord::FormShow()
{
    if (!g_objDatabaseUser)
        g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(m_databasePath);
}

void TfrmModifyRecord::rejectAmount(const QString &message)
{
    MessageBox::warning(this, message);
    edtMoney->clear();
    KeepLimitAboveText(edtMoney, kMoneyLimit);
    edtMoney->setFocus();
}

void TfrmModifyRecord::btnSaveClick()
{
    runGuarded(this, [&] {
        const QString name = edtName->text();
        const QString memo = memMemo->toPlainText();
        if (IsBlank(name)) {
            MessageBox::warning(this, QStringLiteral("项目名称不能为空！"));
            edtName->setFocus();
            return;
        }
        if (RefuseUnstorable(this, edtName, name, QStringLiteral("项目名称")) ||
            RefuseUnstorable(this, memMemo, memo, QStringLiteral("备注")))
            return;
        const AmountResult amount = NormalizeAmount(edtMoney->text());
        if (amount.status == AmountStatus::NotANumber) {
            rejectAmount(QStringLiteral("金额错误！请重新输入。"));
            return;
        }
        if (amount.status == AmountStatus::NotPositive) {
            rejectAmount(QStringLiteral("金额不能为空或为0！"));
            return;
        }
        {
            // The button and the cursor come back also when the store fails.
            BusyButton busy(btnSave);
            FormShow(); // the store exists even when saving before the first show
            g_objDatabaseUser->UpdateRecord(g_strID, name, amount.text, memo);
        }
        if (m_writeRow)
            m_writeRow(name, amount.text, memo);
        MessageBox::information(this, QStringLiteral("修改成功！"));
        accept();
    });
}

void TfrmModifyRecord::btnCancelClick() { reject(); }
