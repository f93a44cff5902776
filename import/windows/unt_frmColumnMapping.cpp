#include "unt_frmColumnMapping.h"

#include "AppFonts.h"
#include "MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

struct ColumnRole {
    const char *key;
    const char *caption;
    int ColumnMapping::*field;
};

const ColumnRole kRoles[] = {
    {"date", "日期", &ColumnMapping::date},
    {"time", "时间", &ColumnMapping::time},
    {"amount", "金额（有正负）", &ColumnMapping::amount},
    {"debit", "支出（借方）", &ColumnMapping::debit},
    {"credit", "收入（贷方）", &ColumnMapping::credit},
    {"description", "摘要", &ColumnMapping::description},
    {"counterparty", "对方户名", &ColumnMapping::counterparty},
    {"memo", "备注", &ColumnMapping::memo},
    {"balance", "余额", &ColumnMapping::balance},
};

} // namespace

TfrmColumnMapping::TfrmColumnMapping(const QString &path, const BankTable &table, const ColumnMapping &proposal,
                                     QWidget *parent)
    : QDialog(parent), m_headerLine(table.headerLine)
{
    setObjectName(QStringLiteral("frmColumnMapping"));
    setWindowTitle(QStringLiteral("银行账单的列"));
    setFont(KavloUiFont());
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("请指出 %1 的各列分别是什么。以后表头相同的文件会照此导入。")
                                 .arg(QFileInfo(path).fileName()),
                             this);
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    int columns = int(table.header.size());
    for (const QStringList &row : table.rows)
        columns = qMax(columns, int(row.size()));

    auto *form = new QFormLayout;
    for (const ColumnRole &role : kRoles) {
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("cboMap_") + QLatin1String(role.key));
        box->addItem(QStringLiteral("（无）"), -1);
        for (int c = 0; c < columns; ++c) {
            const QString name = table.header.value(c);
            box->addItem(name.isEmpty() ? QStringLiteral("第 %1 列").arg(c + 1)
                                        : QStringLiteral("第 %1 列：%2").arg(c + 1).arg(name),
                         c);
        }
        form->addRow(QString::fromUtf8(role.caption), box);
        m_roles.append({QLatin1String(role.key), box});
    }
    chkMap_OutPositive = new QCheckBox(QStringLiteral("金额列中正数表示支出"), this);
    chkMap_OutPositive->setObjectName(QStringLiteral("chkMap_OutPositive"));
    form->addRow(QString(), chkMap_OutPositive);
    layout->addLayout(form);

    tblMap_Preview = new QTableWidget(this);
    tblMap_Preview->setObjectName(QStringLiteral("tblMap_Preview"));
    tblMap_Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int shown = int(qMin<qsizetype>(kPreviewRows, table.rows.size()));
    tblMap_Preview->setColumnCount(columns);
    tblMap_Preview->setRowCount(shown);
    QStringList headers;
    for (int c = 0; c < columns; ++c)
        headers << (table.header.value(c).isEmpty() ? QString::number(c + 1) : table.header.value(c));
    tblMap_Preview->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < shown; ++r)
        for (int c = 0; c < columns; ++c)
            tblMap_Preview->setItem(r, c, new QTableWidgetItem(table.rows.at(r).value(c)));
    tblMap_Preview->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(tblMap_Preview);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmColumnMapping::btnOkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(620, 520);

    setMapping(proposal);
}

QComboBox *TfrmColumnMapping::columnBox(const QString &role) const
{
    for (const Role &r : m_roles)
        if (r.key == role)
            return r.box;
    return nullptr;
}

ColumnMapping TfrmColumnMapping::mapping() const
{
    ColumnMapping mapping;
    for (int i = 0; i < m_roles.size(); ++i)
        mapping.*(kRoles[i].field) = m_roles.at(i).box->currentData().toInt();
    mapping.amountOutPositive = chkMap_OutPositive->isChecked();
    mapping.headerLine = m_headerLine;
    return mapping;
}

void TfrmColumnMapping::setMapping(const ColumnMapping &mapping)
{
    for (int i = 0; i < m_roles.size(); ++i) {
        QComboBox *box = m_roles.at(i).box;
        const int at = box->findData(mapping.*(kRoles[i].field));
        box->setCurrentIndex(at < 0 ? 0 : at);
    }
    chkMap_OutPositive->setChecked(mapping.amountOutPositive);
}

void TfrmColumnMapping::btnOkClick()
{
    const ColumnMapping chosen = mapping();
    if (!chosen.isValid()) {
        MessageBox::warning(this, QStringLiteral("请至少选出日期列和金额列（或支出列、收入列）。"));
        m_roles.first().box->setFocus();
        return;
    }
    // One column cannot be two things: a date column taken for the amount
    // would make every row a wrong record.
    QList<int> used;
    for (const Role &role : m_roles) {
        const int column = role.box->currentData().toInt();
        if (column < 0)
            continue;
        if (used.contains(column)) {
            MessageBox::warning(this, QStringLiteral("第 %1 列被选了两次，请每列只选一次。").arg(column + 1));
            role.box->setFocus();
            return;
        }
        used.append(column);
    }
    if (chosen.amount >= 0 && (chosen.debit >= 0 || chosen.credit >= 0)) {
        MessageBox::warning(this, QStringLiteral("请只选“金额”一列，或只选“支出”“收入”列，不要都选。"));
        columnBox(QStringLiteral("amount"))->setFocus();
        return;
    }
    accept();
}
