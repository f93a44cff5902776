#include "unt_frmEditProgramNames.h"

#include "AppFonts.h"
#include "BusyBracket.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "MessageBox.h"
#include "StorableText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEditProgramNames::TfrmEditProgramNames(MainWindowFields &fields, QWidget *parent)
    : QDialog(parent), m_fields(fields)
{
    setObjectName(QStringLiteral("frmEditProgramNames"));
    setFont(KavloUiFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    lblNotice1 = new QLabel(QStringLiteral("1.对项目名称可以任意修改，不影响软件使用。"), this);
    lblNotice1->setObjectName(QStringLiteral("lblNotice1"));
    lblNotice2 = new QLabel(QStringLiteral("2.每个项目名称单独占一行，修改完点“保存”。"), this);
    lblNotice2->setObjectName(QStringLiteral("lblNotice2"));

    memEdit = new QPlainTextEdit(this);
    memEdit->setObjectName(QStringLiteral("memEdit"));
    memEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memEdit->setTabChangesFocus(true);
    memEdit->setFixedSize(280, 300);

    btnSave = new QPushButton(QStringLiteral("保存(&S)"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnSave, &QPushButton::clicked, this, &TfrmEditProgramNames::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmEditProgramNames::btnCancelClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblNotice1);
    layout->addWidget(lblNotice2);
    layout->addWidget(memEdit);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TfrmEditProgramNames::~TfrmEditProgramNames() = default;

void TfrmEditProgramNames::setLines(const QStringList &lines) { memEdit->setPlainText(lines.join(u'\n')); }

void TfrmEditProgramNames::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    runGuarded(this, [this] { FormShow(); });
}

void TfrmEditProgramNames::FormShow()
{
    // The dialog's own store works on the same database as the main window's.
    if (!g_objDatabaseUser) {
        g_objDatabaseUser = m_fields.g_objDatabaseUser
                                ? std::make_unique<TclsDatabaseUser>(m_fields.g_objDatabaseUser->databasePath())
                                : std::make_unique<TclsDatabaseUser>();
    }
    setWindowTitle(g_strListKind + QStringLiteral(" - 编辑"));
    CentreOnScreen(this);
}

void TfrmEditProgramNames::btnSaveClick()
{
    runGuarded(this, [this] {
        if (!g_objDatabaseUser)
            FormShow();
        // The stored list text separates names by CR LF; blank lines and
        // blanks around names stay as typed.
        const QString text = memEdit->toPlainText().split(u'\n').join(QStringLiteral("\r\n"));
        if (RefuseUnstorable(this, memEdit, text, g_strListKind))
            return;
        ProgramNameLists fresh;
        {
            BusyButton busy(btnSave);
            g_objDatabaseUser->SaveProgramNames(g_strUserName, g_strListKind, text);
            fresh = g_objDatabaseUser->LoadProgramNames(g_strUserName);
        }
        m_savedNames = g_strListKind == kKindExpenseNames ? fresh.expense : fresh.income;
        MessageBox::information(this, g_strListKind + QStringLiteral("保存成功！"));
        accept();
    });
}

void TfrmEditProgramNames::btnCancelClick() { reject(); }
