#include "unt_frmImportBill.h"

#include "AppFonts.h"
#include "EntryPanel.h"
#include "ErrorReport.h"
#include "FileDialog.h"
#include "ImportReviewModel.h"
#include "MessageBox.h"
#include "PasswordPrompt.h"
#include "StatementReader.h"
#include "unt_frmColumnMapping.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace {

// The item cell's editor: the user's item names of the row's type, or any
// name typed, no longer than the entry panels take.
class ItemDelegate : public QStyledItemDelegate
{
public:
    ItemDelegate(ImportReviewModel *model, QObject *parent) : QStyledItemDelegate(parent), m_model(model) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->lineEdit()->setMaxLength(kItemNameLimit);
        const QString type = index.sibling(index.row(), ImportReviewModel::ColType).data().toString();
        box->addItems(m_model->itemNames(type));
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QComboBox *>(editor)->setEditText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
    }

private:
    ImportReviewModel *m_model;
};

struct StateChoice {
    const char *caption;
    std::optional<RowState> state;
};

const StateChoice kStateChoices[] = {
    {"全部", std::nullopt},
    {"新", RowState::New},
    {"已导入", RowState::Imported},
    {"可能已录入", RowState::MaybeTyped},
    {"退款", RowState::Refund},
    {"跳过", RowState::Skipped},
};

} // namespace

TfrmImportBill::TfrmImportBill(MainWindowFields &fields, EntryPanel &expense, EntryPanel &income, ImportBatch batch,
                               QWidget *parent)
    : QDialog(parent), m_fields(fields), m_expense(expense), m_income(income)
{
    setObjectName(QStringLiteral("frmImportBill"));
    setWindowTitle(QStringLiteral("导入账单"));
    setFont(KavloUiFont());

    m_model = new ImportReviewModel(std::move(batch), this);
    m_filter = new ImportStateFilter(this);
    m_filter->setSourceModel(m_model);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("显示："), this));
    cboImport_State = new QComboBox(this);
    cboImport_State->setObjectName(QStringLiteral("cboImport_State"));
    for (const StateChoice &choice : kStateChoices)
        cboImport_State->addItem(QString::fromUtf8(choice.caption));
    top->addWidget(cboImport_State);
    auto *tickAll = new QPushButton(QStringLiteral("全选"), this);
    tickAll->setObjectName(QStringLiteral("btnImport_TickAll"));
    auto *untickAll = new QPushButton(QStringLiteral("全不选"), this);
    untickAll->setObjectName(QStringLiteral("btnImport_UntickAll"));
    top->addWidget(tickAll);
    top->addWidget(untickAll);
    top->addStretch();
    layout->addLayout(top);

    tblImport_Rows = new QTableView(this);
    tblImport_Rows->setObjectName(QStringLiteral("tblImport_Rows"));
    tblImport_Rows->setModel(m_filter);
    tblImport_Rows->setItemDelegateForColumn(ImportReviewModel::ColItem, new ItemDelegate(m_model, this));
    tblImport_Rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblImport_Rows->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                    QAbstractItemView::EditKeyPressed);
    tblImport_Rows->verticalHeader()->hide();
    tblImport_Rows->horizontalHeader()->setStretchLastSection(true);
    tblImport_Rows->setColumnWidth(ImportReviewModel::ColTick, 44);
    tblImport_Rows->setColumnWidth(ImportReviewModel::ColDate, 90);
    tblImport_Rows->setColumnWidth(ImportReviewModel::ColType, 44);
    tblImport_Rows->setColumnWidth(ImportReviewModel::ColItem, 110);
    tblImport_Rows->setColumnWidth(ImportReviewModel::ColAmount, 80);
    tblImport_Rows->setColumnWidth(ImportReviewModel::ColMemo, 240);
    layout->addWidget(tblImport_Rows);

    auto *bottom = new QHBoxLayout;
    lblImport_Totals = new QLabel(this);
    lblImport_Totals->setObjectName(QStringLiteral("lblImport_Totals"));
    bottom->addWidget(lblImport_Totals);
    bottom->addStretch();
    btnImport_Import = new QPushButton(QStringLiteral("导入"), this);
    btnImport_Import->setObjectName(QStringLiteral("btnImport_Import"));
    btnImport_Import->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnImport_Cancel"));
    bottom->addWidget(btnImport_Import);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    resize(860, 520);

    const ProgramNameLists names = fields.g_objDatabaseUser->LoadProgramNames(fields.g_strUserName);
    m_model->setItemNames(names.expense, names.income);

    connect(cboImport_State, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { cboImport_StateChange(index); });
    connect(tickAll, &QPushButton::clicked, this, [this] { btnTickAllClick(true); });
    connect(untickAll, &QPushButton::clicked, this, [this] { btnTickAllClick(false); });
    connect(btnImport_Import, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { btnImportClick(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_model, &ImportReviewModel::totalsChanged, this, &TfrmImportBill::updateTotals);
    connect(m_model, &ImportReviewModel::itemRefused, this,
            [this](const QString &message) { MessageBox::warning(this, message); });
    // Queued: the question box must not open while the view is still
    // closing the item's editor.
    connect(
        m_model, &ImportReviewModel::itemEdited, this,
        [this](int row, const QString &previous) { runGuarded(this, [&] { onItemEdited(row, previous); }); },
        Qt::QueuedConnection);
    updateTotals();
}

TfrmImportBill::~TfrmImportBill() = default;

void TfrmImportBill::updateTotals() { lblImport_Totals->setText(m_model->totalsText()); }

void TfrmImportBill::cboImport_StateChange(int index)
{
    if (index >= 0 && index < int(std::size(kStateChoices)))
        m_filter->setState(kStateChoices[index].state);
}

void TfrmImportBill::btnTickAllClick(bool ticked)
{
    // Only the rows the filter shows: "全选" on 新 must not tick refunds.
    QList<int> rows;
    for (int r = 0; r < m_filter->rowCount(); ++r)
        rows.append(m_filter->mapToSource(m_filter->index(r, 0)).row());
    m_model->setTicked(rows, ticked);
}

void TfrmImportBill::onItemEdited(int row, const QString &previous)
{
    Q_UNUSED(previous);
    const ProposedRecord &record = m_model->records().at(row);
    const QString text = ImportReviewModel::RuleText(record);
    if (text.isEmpty())
        return;
    const QString item = record.item;
    const QString type = record.recordType;
    if (!MessageBox::question(this, QStringLiteral("以后导入时，把“%1”的%2都记为“%3”吗？").arg(text, type, item)))
        return;
    m_fields.g_objDatabaseUser->SaveItemRule(m_fields.g_strUserName, text, item, type);
    m_model->applyRule(text, item, type);
}

void TfrmImportBill::btnImportClick()
{
    const TickedByType ticked = CollectTicked(m_model->records());
    if (ticked.expense.size() + ticked.income.size() == 0) {
        MessageBox::warning(this, QStringLiteral("没有勾选要导入的记录。"));
        return;
    }
    auto toPending = [](const TickedRows &rows) {
        QList<PendingRow> pending;
        pending.reserve(rows.size());
        for (int i = 0; i < rows.size(); ++i)
            pending.append({QDate::fromString(rows.dates.at(i), Qt::ISODate), rows.names.at(i), rows.amounts.at(i),
                            rows.memos.at(i), rows.identities.at(i)});
        return pending;
    };
    if (ticked.expense.size() > 0)
        m_expense.AddPendingRows(toPending(ticked.expense));
    if (ticked.income.size() > 0)
        m_income.AddPendingRows(toPending(ticked.income));
    MessageBox::information(this, QStringLiteral("已把 %1 条支出、%2 条收入放入待保存的列表。\r\n\r\n"
                                                 "请到“支出记帐”“收入记帐”页按“完成”保存它们。")
                                      .arg(ticked.expense.size())
                                      .arg(ticked.income.size()));
    accept();
}

namespace {

QSet<QString> pendingIdentities(const EntryPanel &panel, QSet<QString> identities)
{
    for (const PendingRow &row : panel.pendingRows())
        if (!row.identity.isEmpty())
            identities.insert(row.identity);
    return identities;
}

} // namespace

void ShowImportBill(MainWindowFields &fields, EntryPanel &expense, EntryPanel &income, QWidget *parent)
{
    const QStringList files = FileDialog::getOpenFileNames(
        parent, QStringLiteral("账单文件 (*.csv *.xlsx *.xls *.zip *.ofx *.qfx *.qif);;所有文件 (*)"));
    if (files.isEmpty())
        return;

    std::unique_ptr<QProgressDialog> progress;
    BatchCallbacks callbacks;
    callbacks.password = [parent](const QString &path, bool wrongBefore) {
        const QString name = QFileInfo(path).fileName();
        return PasswordPrompt::ask(parent, wrongBefore
                                               ? QStringLiteral("密码不对。请重新输入 %1 的密码：").arg(name)
                                               : QStringLiteral("%1 是加了密码的压缩文件，请输入它的密码：").arg(name));
    };
    callbacks.mapping = [parent](const QString &path, const BankTable &table) -> std::optional<ColumnMapping> {
        TfrmColumnMapping dialog(path, table, GuessMapping(table), parent);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.mapping();
    };
    callbacks.progress = [&](const QString &path, int done, int total) {
        if (total <= kProgressRowThreshold)
            return;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(parent);
            progress->setWindowTitle(MessageBox::title());
            progress->setCancelButton(nullptr);
            progress->setMinimumDuration(0);
            progress->setWindowModality(Qt::WindowModal);
        }
        progress->setLabelText(QStringLiteral("正在读取 %1 ……").arg(QFileInfo(path).fileName()));
        progress->setMaximum(total);
        progress->setValue(done);
    };
    callbacks.refusedFile = [&](const ImportError &error) {
        progress.reset();
        MessageBox::warning(parent, error.describe() +
                                        QStringLiteral("\r\n\r\n这个文件的记录一条也没有导入；其他文件照常导入。"));
    };

    const ImportBatch batch =
        ReadImportBatch(files, *fields.g_objDatabaseUser, fields.g_strUserName, callbacks,
                        pendingIdentities(income, pendingIdentities(expense, {})));
    progress.reset();
    if (batch.records.isEmpty()) {
        if (batch.refused.size() < files.size())
            MessageBox::information(parent, QStringLiteral("所选的文件中没有可以导入的记录。"));
        return;
    }
    TfrmImportBill dialog(fields, expense, income, batch, parent);
    ActiveDialogScope active(fields, &dialog);
    dialog.exec();
}
