#include "EntryPanel.h"

#include "AmountText.h"
#include "AppFonts.h"
#include "DatePicker.h"
#include "BusyBracket.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "KavloImages.h"
#include "KavloError.h"
#include "MessageBox.h"
#include "StorableText.h"
#include "ReportList.h"
#include "TextCodec.h"
#include "unt_clsButtonCreator.h"
#include "unt_frmEditProgramNames.h"

#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTreeWidget>
#include <QValidator>

#include <memory>

namespace {

const int kNameMaxLength = 50;
const int kMoneyMaxLength = 11;
const int kMemoMaxLength = 255;

// Pending list columns; column 0 is hidden and stays empty.
enum Column { ColHidden, ColDate, ColType, ColName, ColAmount, ColMemo, ColumnCount };

// Where a pending row keeps its identity: not shown, and taken away with
// the row when it is deleted.
constexpr int kIdentityRole = Qt::UserRole + 1;

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Text that reaches the amount edit without a key press (pasted, dropped or
// committed by an input method) is filtered like typed text: anything but
// digits and the point is dropped.
class AmountFilter : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override
    {
        QString kept;
        kept.reserve(input.size());
        int keptPos = pos;
        for (int i = 0; i < input.size(); ++i) {
            if (EntryPanel::IsAmountCharacter(input.at(i)))
                kept.append(input.at(i));
            else if (i < pos)
                --keptPos;
        }
        input = kept;
        pos = keptPos;
        return Acceptable;
    }
};

} // namespace

EntryPanel::EntryPanel(Kind kind, MainWindowFields &fields, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_fields(fields), m_rowIcon(QPixmap(kImageList1Image))
{
    setObjectName(kind == Expense ? QStringLiteral("pnlOut") : QStringLiteral("pnlIn"));
    setFixedSize(616, 372);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setFont(KavloUiFont());

    buildInputs();
    buildList();
    buildButtons();

    setTabOrder(m_date, m_name);
    setTabOrder(m_name, m_money);
    setTabOrder(m_money, m_memo);
    setTabOrder(m_memo, m_list);
}

QString EntryPanel::prefixed(const QString &role) const
{
    return (m_kind == Expense ? QStringLiteral("Out_") : QStringLiteral("In_")) + role;
}

QString EntryPanel::recordType() const { return m_kind == Expense ? kTypeExpense : kTypeIncome; }

QString EntryPanel::listKind() const { return m_kind == Expense ? kKindExpenseNames : kKindIncomeNames; }

void EntryPanel::buildInputs()
{
    const bool expense = m_kind == Expense;
    const QStringList notices = {
        QStringLiteral("第1步，选择日期，例如：2007-01-01。"),
        expense ? QStringLiteral("第2步，填写项目，例如：书籍及音像。") : QStringLiteral("第2步，填写项目，例如：亲属增与金。"),
        QStringLiteral("第3步，填写金额，例如：1000000.99。"),
        expense ? QStringLiteral("第4步，填写备注，例如：9999张光碟。") : QStringLiteral("第4步，填写备注，例如：老丈人给的。"),
        QStringLiteral("第5步，确认无误，请点添加按钮即可。"),
        expense ? QStringLiteral("第6步，添加完所有支出请点完成按钮。") : QStringLiteral("第6步，添加完所有收入请点完成按钮。"),
    };
    const int noticeTops[] = {12, 34, 56, 78, 100, 123};
    for (int i = 0; i < notices.size(); ++i)
        AddLabel(this, QStringLiteral("lbl") + prefixed(QStringLiteral("Notice%1").arg(i + 1)), notices.at(i), 18,
                  noticeTops[i]);

    AddLabel(this, QStringLiteral("lbl") + prefixed(QStringLiteral("Date")), QStringLiteral("日期："), 258, 12);
    AddLabel(this, QStringLiteral("lbl") + prefixed(QStringLiteral("Name")), QStringLiteral("项目："), 258, 42);
    AddLabel(this, QStringLiteral("lbl") + prefixed(QStringLiteral("Money")), QStringLiteral("金额："), 258, 72);
    AddLabel(this, QStringLiteral("lbl") + prefixed(QStringLiteral("Memo")), QStringLiteral("备注："), 258, 100);

    m_date = new DatePicker(this, QStringLiteral("dtp") + prefixed(QStringLiteral("Date")), QRect(303, 8, 232, 20));
    m_date->installEventFilter(this);
    for (QLineEdit *inner : m_date->findChildren<QLineEdit *>())
        inner->installEventFilter(this);

    m_name = new QComboBox(this);
    m_name->setObjectName(QStringLiteral("cbo") + prefixed(QStringLiteral("Name")));
    m_name->setGeometry(303, 38, 232, 20);
    m_name->setEditable(true);
    m_name->setInsertPolicy(QComboBox::NoInsert); // typed names stay out of the drop-down
    m_name->setCompleter(nullptr);
    m_name->lineEdit()->setMaxLength(kNameMaxLength);
    // The limit holds for typing only: a name picked from the list is taken
    // whole, however long, and typing cannot grow it until it fits again.
    const auto takeItemWhole = [this](int index) {
        const QString item = index >= 0 ? m_name->itemText(index) : QString();
        m_name->lineEdit()->setMaxLength(qMax(kNameMaxLength, int(item.size())));
        if (index >= 0 && m_name->lineEdit()->text() != item)
            m_name->lineEdit()->setText(item);
    };
    connect(m_name, &QComboBox::currentIndexChanged, this, takeItemWhole);
    connect(m_name, &QComboBox::activated, this, takeItemWhole);
    connect(m_name->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        m_name->lineEdit()->setMaxLength(qMax(kNameMaxLength, int(text.size())));
    });
    m_name->installEventFilter(this);
    m_name->lineEdit()->installEventFilter(this);

    m_money = new QLineEdit(this);
    m_money->setObjectName(QStringLiteral("edt") + prefixed(QStringLiteral("Money")));
    m_money->setGeometry(303, 68, 232, 20);
    m_money->setMaxLength(kMoneyMaxLength);
    m_money->setValidator(new AmountFilter(m_money));
    m_money->installEventFilter(this);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("mem") + prefixed(QStringLiteral("Memo")));
    m_memo->setGeometry(303, 98, 232, 42);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setTabChangesFocus(true);
    new PlainTextLimit(m_memo, kMemoMaxLength); // owned by the memo
    m_memo->installEventFilter(this);
}

void EntryPanel::buildList()
{
    m_list = MakeReportList(this, QStringLiteral("lvw") + prefixed(QStringLiteral("List")), RecordColumns());
    m_list->setGeometry(12, 151, 593, 185);
    m_list->setIconSize(QSize(16, 16));

    m_total = AddLabel(this, QStringLiteral("lbl") + prefixed(QStringLiteral("Total")), QString(), 13, 349);
    SetTextColor(m_total, kMaroon);
    resetTotal();
}

TclsButtonCreator *EntryPanel::makeButton(const QString &role, const QString &caption, int left, int top,
                                          void (EntryPanel::*handler)())
{
    return CreateHoverButton(this, prefixed(role), caption, left, top, [this, handler] { (this->*handler)(); });
}

void EntryPanel::buildButtons()
{
    m_btnEdit = makeButton(QStringLiteral("Edit"), QStringLiteral("编辑"), 547, 37, &EntryPanel::EditClick);
    m_btnAdd = makeButton(QStringLiteral("Add"), QStringLiteral("添加"), 547, 118, &EntryPanel::AddClick);
    m_btnDelete = makeButton(QStringLiteral("Delete"), QStringLiteral("删除"), 483, 344, &EntryPanel::DeleteClick);
    m_btnFinish = makeButton(QStringLiteral("Finish"), QStringLiteral("完成"), 547, 344, &EntryPanel::FinishClick);
}

void EntryPanel::setItemNames(const QStringList &names)
{
    // Refilling an empty combo box makes its first item current and puts it
    // into the edit: keep what the user has typed instead.
    const QString typed = m_name->currentText();
    m_name->clear();
    m_name->addItems(names);
    m_name->setCurrentIndex(-1);
    m_name->lineEdit()->setMaxLength(qMax(kNameMaxLength, int(typed.size())));
    m_name->setEditText(typed);
}

void EntryPanel::setDate(const QDate &date) { m_date->setDate(date); }

int EntryPanel::pendingCount() const { return m_list->topLevelItemCount(); }

QList<TclsButtonCreator *> EntryPanel::buttonCreators() const
{
    return {m_btnEdit, m_btnAdd, m_btnDelete, m_btnFinish};
}

bool EntryPanel::IsAmountCharacter(QChar c) { return (c >= u'0' && c <= u'9') || c == u'.'; }

bool EntryPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_money)
            return CheckKey(key);
        if (watched == m_memo)
            return MemoKeyPress(key);
        if (watched == m_name || watched == m_name->lineEdit())
            return NameKeyPress(key);
        if (watched == m_date || watched->parent() == m_date)
            return DateKeyPress(key);
    }
    return QWidget::eventFilter(watched, event);
}

bool EntryPanel::CheckKey(QKeyEvent *event)
{
    if (isEnter(event)) {
        m_memo->setFocus();
        return true;
    }
    // Keys without a printable character (Backspace, Delete, arrows, Tab,
    // Ctrl shortcuts) are not typed characters: the edit handles them.
    const QString text = event->text();
    for (QChar c : text) {
        if (c.category() != QChar::Other_Control && !IsAmountCharacter(c))
            return true;
    }
    return false;
}

bool EntryPanel::DateKeyPress(QKeyEvent *event)
{
    if (!isEnter(event))
        return false;
    m_name->setFocus();
    return true;
}

bool EntryPanel::NameKeyPress(QKeyEvent *event)
{
    if (!isEnter(event))
        return false;
    m_money->setFocus();
    return true;
}

bool EntryPanel::MemoKeyPress(QKeyEvent *event)
{
    if (!isEnter(event))
        return false;
    AddClick();
    return true;
}

TclsDatabaseUser &EntryPanel::store() const
{
    if (!m_fields.g_objDatabaseUser)
        throw KavloError(QStringLiteral("The main window has no database connection."));
    return *m_fields.g_objDatabaseUser;
}

void EntryPanel::AddClick()
{
    runGuarded(this, [this] {
        const QString name = m_name->currentText();
        const QString memo = m_memo->toPlainText();

        if (IsBlank(name)) {
            MessageBox::warning(this, QStringLiteral("您没有填写") + recordType() + QStringLiteral("项目名称！"));
            m_name->setFocus();
            return;
        }
        if (RefuseUnstorable(this, m_name, name, QStringLiteral("项目名称")) ||
            RefuseUnstorable(this, m_memo, memo, QStringLiteral("备注")))
            return;
        const AmountResult amount = NormalizeAmount(m_money->text());
        if (amount.status != AmountStatus::Ok) {
            MessageBox::warning(this, amount.status == AmountStatus::NotANumber
                                          ? QStringLiteral("金额有错误，请重新填写！")
                                          : QStringLiteral("金额不能为空或为0，请重新填写！"));
            m_money->clear();
            m_money->setFocus();
            return;
        }

        appendRow({m_date->date(), name, amount.text, memo, QString()});

        m_name->setCurrentIndex(-1);
        m_name->clearEditText();
        m_money->clear();
        m_memo->clear();
        m_name->setFocus();
        UpdateTotal();
    });
}

void EntryPanel::DeleteClick()
{
    runGuarded(this, [this] {
        const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
        if (selected.isEmpty()) {
            MessageBox::warning(this, QStringLiteral("请在上面的列表中选定一条记录，然后删除它。"));
            return;
        }
        if (!MessageBox::question(this, QStringLiteral("您确定要删除指定的记录吗？")))
            return;
        std::unique_ptr<QTreeWidgetItem> removed(m_list->takeTopLevelItem(m_list->indexOfTopLevelItem(selected.first())));
        // Nothing is selected afterwards, so the next Delete cannot hit a row
        // the user has not chosen.
        m_list->clearSelection();
        listShrank();
        UpdateTotal();
    });
}

void EntryPanel::appendRow(const PendingRow &pending)
{
    if (m_list->topLevelItemCount() == 0 || m_saveKey.isEmpty())
        m_saveKey = TclsDatabaseUser::NewSaveKey();
    QTreeWidgetItem *row = MakeReportRow(m_list, {pending.date.toString(QStringLiteral("yyyy-MM-dd")), recordType(),
                                                  pending.name, pending.amount, pending.memo});
    row->setIcon(ColDate, m_rowIcon);
    row->setData(ColHidden, kIdentityRole, pending.identity);
    m_list->addTopLevelItem(row);
}

void EntryPanel::listShrank()
{
    if (m_list->topLevelItemCount() == 0)
        m_saveKey.clear();
}

void EntryPanel::AddPendingRows(const QList<PendingRow> &rows)
{
    for (const PendingRow &row : rows)
        appendRow(row);
    if (!rows.isEmpty())
        UpdateTotal();
}

QList<PendingRow> EntryPanel::pendingRows() const
{
    QList<PendingRow> rows;
    rows.reserve(m_list->topLevelItemCount());
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_list->topLevelItem(i);
        rows.append({QDate::fromString(row->text(ColDate), Qt::ISODate), row->text(ColName), row->text(ColAmount),
                     row->text(ColMemo), row->data(ColHidden, kIdentityRole).toString()});
    }
    return rows;
}

void EntryPanel::FinishClick()
{
    runGuarded(this, [this] {
        if (m_list->topLevelItemCount() == 0) {
            MessageBox::warning(this, QStringLiteral("上面的列表中没有") + recordType() + QStringLiteral("记录需要保存!"));
            return;
        }
        const QList<PendingRow> rows = pendingRows();
        QStringList dates, names, amounts, memos, identities;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = m_list->topLevelItem(i);
            dates << row->text(ColDate);
            names << row->text(ColName);
            amounts << row->text(ColAmount);
            memos << row->text(ColMemo);
            identities << rows.at(i).identity;
        }
        SaveOutcome outcome;
        {
            BusyBracket busy(m_btnFinish);
            // All rows or none are stored, and the list's key goes with
            // them: after a failure the list keeps every row and its key, so
            // saving it again stores each row once, also when the first
            // attempt was stored after all.
            outcome = store().AddRecord(m_fields.g_strUserName, recordType(), dates, names, amounts, memos,
                                        identities, m_saveKey);
        }
        m_list->clear();
        m_saveKey.clear();
        resetTotal();
        emit saved(outcome, rows);
        MessageBox::information(this, recordType() +
                                          QStringLiteral("记录保存成功！\r\n\r\n您可以到“收支目录”处查看这些记录。"));
    });
}

void EntryPanel::EditClick()
{
    runGuarded(this, [this] {
        ProgramNameLists lists;
        {
            BusyBracket busy(m_btnEdit);
            lists = store().LoadProgramNames(m_fields.g_strUserName);
        }
        QWidget *mainWindow = window();
        mainWindow->raise();
        mainWindow->activateWindow();

        TfrmEditProgramNames editor(m_fields, mainWindow);
        editor.setUserName(m_fields.g_strUserName);
        editor.setListKind(listKind());
        editor.setLines(m_kind == Expense ? lists.expense : lists.income);
        ActiveDialogScope active(m_fields, &editor);
        if (editor.exec() == QDialog::Accepted)
            setItemNames(editor.savedNames());
    });
}

void EntryPanel::UpdateTotal()
{
    double sum = 0;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        sum += ParseAmountText(m_list->topLevelItem(i)->text(ColAmount));
    m_total->setText(recordType() + QStringLiteral("合计：") + FormatAmount(sum));
    m_total->adjustSize();
}

void EntryPanel::resetTotal()
{
    m_total->setText(recordType() + QStringLiteral("合计：0.00"));
    m_total->adjustSize();
}

bool AskToSavePending(EntryPanel &expense, EntryPanel &income, QWidget *parent)
{
    // A save the user asked for that failed leaves its rows pending; the
    // caller then keeps the window open rather than lose them.
    bool saved = true;
    if (expense.pendingCount() > 0 &&
        MessageBox::question(parent, QStringLiteral("您有支出记录没有保存，现在要保存吗？"))) {
        expense.FinishClick();
        saved = expense.pendingCount() == 0;
    }
    if (income.pendingCount() > 0 &&
        MessageBox::question(parent, QStringLiteral("您有收入记录没有保存，现在要保存吗？"))) {
        income.FinishClick();
        saved = saved && income.pendingCount() == 0;
    }
    return saved;
}
