#include "unt_frmMain.h"

#include "AppFonts.h"
#include "BudgetPlan.h"
#include "BrowsePanel.h"
#include "DueOccurrences.h"
#include "EntryPanel.h"
#include "ErrorReport.h"
#include "FormParts.h"
#include "KavloImages.h"
#include "OutputCommands.h"
#include "ReportCommands.h"
#include "TextCodec.h"
#include "unt_clsButtonCreator.h"
#include "unt_clsOneCopy.h"
#include "unt_frmImportBill.h"
#include "unt_frmLogin.h"
#include "unt_frmBudget.h"
#include "unt_frmRecurring.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <cstdio>
#include <map>

namespace {
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kMaroon(128, 0, 0);

void setTextColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QLabel *makeGlyph(QWidget *parent, const QString &name, const QString &text, const QColor &color, int left,
                  int top, const QString &hint)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = KavloUiFont();
    font.setBold(true);
    label->setFont(font);
    setTextColor(label, color);
    label->setToolTip(hint);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->adjustSize();
    label->move(left, top);
    return label;
}

TclsShape *makeShape(QWidget *parent, const QString &name, const QRect &place, const QColor &fill)
{
    auto *shape = new TclsShape(parent);
    shape->setObjectName(name);
    shape->setGeometry(place);
    shape->setPenColor(QColor());
    shape->setBrushColor(fill);
    return shape;
}

bool isLeftPress(QEvent *event, QEvent::Type type)
{
    return event->type() == type && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
}
} // namespace

QRegion MainWindowOutline(const QSize &size)
{
    // Drawn without antialiasing into a bitmap: the region is exactly the
    // pixels of the filled rounded rectangle.
    QBitmap bitmap(size);
    bitmap.fill(Qt::color0);
    QPainter painter(&bitmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRect(QPoint(2, 3), QPoint(size.width() - 2, size.height() - 2)), 13, 13);
    painter.end();
    return QRegion(bitmap);
}

TfrmMain::TfrmMain(const QString &databasePath, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_databasePath(databasePath)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(MessageBox::title());
    setWindowIcon(QIcon(kIconImage));
    setFont(KavloUiFont());
    setFixedSize(650, 480);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    imgBackground = new QLabel(this);
    imgBackground->setObjectName(QStringLiteral("imgBackground"));
    imgBackground->setGeometry(0, 0, 650, 480);
    imgBackground->setPixmap(QPixmap(kSkinImage));
    imgBackground->installEventFilter(this);

    buildCaption();
    buildRadioButtons();

    pnlOut = new EntryPanel(EntryPanel::Expense, g_objFields, this);
    pnlIn = new EntryPanel(EntryPanel::Income, g_objFields, this);
    pnlInAndOut = new BrowsePanel(g_objFields, this);
    for (QWidget *panel : {static_cast<QWidget *>(pnlOut), static_cast<QWidget *>(pnlIn),
                           static_cast<QWidget *>(pnlInAndOut)})
        panel->setGeometry(17, 91, 616, 372);
    setTabOrder(rdoInAndOut, pnlOut);
    setTabOrder(pnlOut, pnlIn);
    setTabOrder(pnlIn, pnlInAndOut);

    addPlanMenu();

    connect(pnlOut, &EntryPanel::saved, this,
            [this](const SaveOutcome &, const QList<PendingRow> &rows) { TellExceededBudgets(rows); });

    g_objOutputCommands = std::make_unique<OutputCommands>(g_objFields, this);
    g_objReportCommands = std::make_unique<ReportCommands>(g_objFields, *g_objOutputCommands, this);
    connectOutputMenu();

    ddeServer = new TclsDdeServer(this);
    ddeServer->setObjectName(QStringLiteral("ddeServer"));
    ddeServer->OnExecuteMacro = [this](const QStringList &lines) { ddeServerExecuteMacro(lines); };

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

TfrmMain::~TfrmMain()
{
    // The panels hold references to the fields: they go first.
    delete pnlInAndOut;
    delete pnlIn;
    delete pnlOut;
}

void TfrmMain::buildCaption()
{
    shpMinimize = makeShape(this, QStringLiteral("shpMinimize"), QRect(582, 16, 17, 16), Qt::white);
    shpMinimize->setToolTip(QStringLiteral("最小化"));
    lblMinimize = makeGlyph(this, QStringLiteral("lblMinimize"), QStringLiteral("_"), kGrey, 586, 16,
                            QStringLiteral("最小化"));
    shpClose = makeShape(this, QStringLiteral("shpClose"), QRect(605, 16, 17, 16), Qt::white);
    shpClose->setToolTip(QStringLiteral("关闭"));
    lblClose = makeGlyph(this, QStringLiteral("lblClose"), QStringLiteral("×"), kMaroon, 607, 18,
                         QStringLiteral("关闭"));
    // The glyphs keep inside their shapes; "×" is centred in the width of a
    // Chinese character, which it takes in SimSun but not in every font.
    lblMinimize->resize(lblMinimize->width(), qMin(lblMinimize->height(), 16));
    lblClose->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblClose->resize(12, qMin(lblClose->height(), 14));
    for (QWidget *w : {static_cast<QWidget *>(shpMinimize), static_cast<QWidget *>(lblMinimize),
                       static_cast<QWidget *>(shpClose), static_cast<QWidget *>(lblClose)})
        w->installEventFilter(this);

    lblUserName = new QLabel(this);
    lblUserName->setObjectName(QStringLiteral("lblUserName"));
    lblUserName->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblUserName->setTextFormat(Qt::PlainText); // a name like "<b>x" is shown as typed
    lblUserName->setAttribute(Qt::WA_TranslucentBackground);

    lblBackup = new QLabel(this);
    lblBackup->setObjectName(QStringLiteral("lblBackup"));
    lblBackup->setTextFormat(Qt::PlainText);
    lblBackup->setAttribute(Qt::WA_TranslucentBackground);
    SetTextColor(lblBackup, QColor(0x80, 0, 0));
    lblBackup->move(29, 454);
    lblBackup->hide();

    // The foot line's right end: what a login put into the pending lists.
    lblRecurring = new QLabel(this);
    lblRecurring->setObjectName(QStringLiteral("lblRecurring"));
    lblRecurring->setTextFormat(Qt::PlainText);
    lblRecurring->setAttribute(Qt::WA_TranslucentBackground);
    SetTextColor(lblRecurring, QColor(0x80, 0, 0));
    lblRecurring->hide();

    shpSeparator = makeShape(this, QStringLiteral("shpSeparator"), QRect(29, 86, 593, 2), kSilver);
    shpSeparator->setCornerRadius(0);
}

void TfrmMain::buildRadioButtons()
{
    QFont bold = KavloUiFont();
    bold.setBold(true);
    auto make = [&](const QString &name, const QString &caption, int left) {
        auto *radio = new QRadioButton(caption, this);
        radio->setObjectName(name);
        radio->setFont(bold);
        radio->setGeometry(left, 58, 72, 17);
        radio->setAttribute(Qt::WA_TranslucentBackground);
        // Only the button that becomes selected switches the panel.
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool checked) {
            if (checked)
                runGuarded(this, [&] { SelectPanel(radio); });
        });
        return radio;
    };
    rdoOut = make(QStringLiteral("rdoOut"), QStringLiteral("支出记帐"), 34);
    rdoIn = make(QStringLiteral("rdoIn"), QStringLiteral("收入记帐"), 131);
    rdoInAndOut = make(QStringLiteral("rdoInAndOut"), QStringLiteral("收支目录"), 228);
    setTabOrder(rdoOut, rdoIn);
    setTabOrder(rdoIn, rdoInAndOut);
}

void TfrmMain::addPlanMenu()
{
    // Beside the range windows, before the outputs.
    QMenu *menu = pnlInAndOut->moreMenu();
    QAction *before = nullptr;
    for (QAction *action : menu->actions())
        if (action->objectName() == QStringLiteral("mnuInAndOut_More_Separator1"))
            before = action;
    auto add = [&](const QString &name, const QString &caption, void (TfrmMain::*handler)()) {
        auto *action = new QAction(caption, menu);
        action->setObjectName(name);
        menu->insertAction(before, action);
        connect(action, &QAction::triggered, this, [this, handler] { runGuarded(this, [&] { (this->*handler)(); }); });
    };
    add(QStringLiteral("mnuInAndOut_More_Budget"), QStringLiteral("预算(&B)..."), &TfrmMain::mnuInAndOut_More_BudgetClick);
    add(QStringLiteral("mnuInAndOut_More_Recurring"), QStringLiteral("定期收支(&R)..."),
        &TfrmMain::mnuInAndOut_More_RecurringClick);
}

void TfrmMain::mnuInAndOut_More_BudgetClick()
{
    TfrmBudget dialog(g_objFields, QDate::currentDate(), this);
    ActiveDialogScope active(g_objFields, &dialog);
    dialog.exec();
}

void TfrmMain::mnuInAndOut_More_RecurringClick()
{
    TfrmRecurring dialog(g_objFields, QDate::currentDate(), this);
    ActiveDialogScope active(g_objFields, &dialog);
    dialog.exec();
}

void TfrmMain::connectOutputMenu()
{
    using Handler = void (TfrmMain::*)();
    const std::map<QString, Handler> handlers = {
        {QStringLiteral("mnuInAndOut_More_Print_1"), &TfrmMain::mnuInAndOut_More_Print_1Click},
        {QStringLiteral("mnuInAndOut_More_Print_2"), &TfrmMain::mnuInAndOut_More_Print_2Click},
        {QStringLiteral("mnuInAndOut_More_Preview_1"), &TfrmMain::mnuInAndOut_More_Preview_1Click},
        {QStringLiteral("mnuInAndOut_More_Preview_2"), &TfrmMain::mnuInAndOut_More_Preview_2Click},
        {QStringLiteral("mnuInAndOut_More_SaveAsExcel_1"), &TfrmMain::mnuInAndOut_More_SaveAsExcel_1Click},
        {QStringLiteral("mnuInAndOut_More_SaveAsExcel_2"), &TfrmMain::mnuInAndOut_More_SaveAsExcel_2Click},
        {QStringLiteral("mnuInAndOut_More_SaveAsTxt_1"), &TfrmMain::mnuInAndOut_More_SaveAsTxt_1Click},
        {QStringLiteral("mnuInAndOut_More_SaveAsTxt_2"), &TfrmMain::mnuInAndOut_More_SaveAsTxt_2Click},
        {QStringLiteral("mnuInAndOut_More_Import"), &TfrmMain::mnuInAndOut_More_ImportClick},
    };
    // The items sit in submenus; walk the whole menu tree.
    QList<QMenu *> menus{pnlInAndOut->moreMenu()};
    while (!menus.isEmpty()) {
        QMenu *menu = menus.takeFirst();
        if (!menu)
            continue;
        for (QAction *action : menu->actions()) {
            if (action->menu())
                menus.append(action->menu());
            const auto found = handlers.find(action->objectName());
            if (found == handlers.end())
                continue;
            const Handler handler = found->second;
            connect(action, &QAction::triggered, this, [this, handler] { runGuarded(this, [&] { (this->*handler)(); }); });
        }
    }
}

bool TfrmMain::FormCreate()
{
    ddeServer->Tag = 0;
    if (!Login())
        return false;
    InitMainWindow();
    OfferDueRecurring(QDate::currentDate());
    StartDailyBackup();
    setMask(MainWindowOutline(size()));
    ddeServer->Tag = 1;
    return true;
}

bool TfrmMain::Login()
{
    TfrmLogin login(nullptr, m_databasePath);
    const bool passed = login.exec() == QDialog::Accepted;
    g_objFields.g_strUserName = login.g_strUserName;
    return passed;
}

void TfrmMain::StartDailyBackup()
{
    // A ledger on a server has no file here to copy; it is backed up on the
    // server, with pg_dump.
    if (g_objFields.g_objDatabaseUser->location().isServer())
        return;
    const QString path = g_objFields.g_objDatabaseUser->databasePath();
    m_backup.start(path, QDate::currentDate(), [this](const std::optional<KavloError> &failure) {
        if (!failure)
            return;
        const QString text = ErrorReportText(*failure);
        std::fprintf(stderr, "kavlo: 今天的自动备份没有做成：%s\n",
                     QString(text).replace(QStringLiteral("\r\n\r\n"), QStringLiteral("；")).toLocal8Bit().constData());
        // Back on the window's thread; nothing here may wait for the user.
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                lblBackup->setText(QStringLiteral("今天的自动备份没有做成，账本本身没有受影响。"));
                lblBackup->setToolTip(text);
                lblBackup->adjustSize();
                lblBackup->show();
            },
            Qt::QueuedConnection);
    });
}

void TfrmMain::OfferDueRecurring(const QDate &today)
{
    // A failure is reported and the login goes on: the entries are offered
    // again at the next one.
    runGuarded(this, [&] {
        const QList<DueOccurrence> due =
            FindDueOccurrences(*g_objFields.g_objDatabaseUser, g_objFields.g_strUserName, today);
        QList<PendingRow> expense;
        QList<PendingRow> income;
        for (const DueOccurrence &o : due)
            (o.recordType == kTypeIncome ? income : expense).append({o.date, o.name, o.amount, o.memo, o.identity});
        if (!expense.isEmpty())
            pnlOut->AddPendingRows(expense);
        if (!income.isEmpty())
            pnlIn->AddPendingRows(income);
        if (due.isEmpty()) {
            lblRecurring->hide();
            return;
        }
        lblRecurring->setText(QStringLiteral("%1 笔到期的定期收支已放入列表，核对后请按“完成”。").arg(due.size()));
        lblRecurring->setToolTip(QStringLiteral("支出 %1 笔，收入 %2 笔；不保存的下次登录时再放入。")
                                     .arg(expense.size())
                                     .arg(income.size()));
        lblRecurring->adjustSize();
        lblRecurring->move(622 - lblRecurring->width(), 454);
        lblRecurring->show();
        lblRecurring->raise();
    });
}

void TfrmMain::TellExceededBudgets(const QList<PendingRow> &rows)
{
    runGuarded(this, [&] {
        QList<SavedExpense> saved;
        for (const PendingRow &row : rows)
            saved.append({row.date, row.name});
        QStringList parts;
        for (const MonthExcess &excess :
             NewlyExceeded(*g_objFields.g_objDatabaseUser, g_objFields.g_strUserName, saved))
            parts.append(OverBudgetText(excess.month, excess.lines));
        if (!parts.isEmpty())
            MessageBox::information(pnlOut, parts.join(QStringLiteral("\r\n\r\n")));
    });
}

void TfrmMain::InitMainWindow()
{
    QList<TclsButtonCreator *> creators = pnlOut->buttonCreators();
    creators += pnlIn->buttonCreators();
    creators += pnlInAndOut->buttonCreators();
    for (TclsButtonCreator *creator : creators)
        creator->OnButtonClick = [this](QWidget *sender) { ButtonClick(sender); };

    g_objFields.g_strTitle = MessageBox::title();
    lblUserName->setText(QStringLiteral("当前用户：") + g_objFields.g_strUserName);
    lblUserName->adjustSize();
    lblUserName->move(622 - lblUserName->width(), 60);

    const QDate today = QDate::currentDate();
    pnlOut->setDate(today);
    pnlIn->setDate(today);
    pnlInAndOut->setRange(QDate(today.year(), today.month(), 1), today);

    g_objFields.g_objDatabaseUser = m_databasePath.isEmpty() ? std::make_unique<TclsDatabaseUser>()
                                                             : std::make_unique<TclsDatabaseUser>(m_databasePath);
    const ProgramNameLists names = g_objFields.g_objDatabaseUser->LoadProgramNames(g_objFields.g_strUserName);
    pnlOut->setItemNames(names.expense);
    pnlIn->setItemNames(names.income);

    rdoOut->setChecked(true);
    m_initialised = true;
}

void TfrmMain::SelectPanel(QRadioButton *sender)
{
    pnlOut->hide();
    pnlIn->hide();
    pnlInAndOut->hide();
    // Let the empty area paint before the new panel appears.
    QApplication::processEvents();
    QThread::msleep(100);
    const QString caption = sender->text();
    if (caption == QStringLiteral("支出记帐"))
        pnlOut->show();
    else if (caption == QStringLiteral("收入记帐"))
        pnlIn->show();
    else
        pnlInAndOut->show();
}

void TfrmMain::ButtonClick(QWidget *sender)
{
    if (!sender)
        return;
    using Handler = std::function<void()>;
    const std::map<QString, Handler> handlers = {
        {QStringLiteral("Out_Edit"), [this] { pnlOut->EditClick(); }},
        {QStringLiteral("Out_Add"), [this] { pnlOut->AddClick(); }},
        {QStringLiteral("Out_Delete"), [this] { pnlOut->DeleteClick(); }},
        {QStringLiteral("Out_Finish"), [this] { pnlOut->FinishClick(); }},
        {QStringLiteral("In_Edit"), [this] { pnlIn->EditClick(); }},
        {QStringLiteral("In_Add"), [this] { pnlIn->AddClick(); }},
        {QStringLiteral("In_Delete"), [this] { pnlIn->DeleteClick(); }},
        {QStringLiteral("In_Finish"), [this] { pnlIn->FinishClick(); }},
        {QStringLiteral("InAndOut_View"), [this] { pnlInAndOut->ViewClick(); }},
        {QStringLiteral("InAndOut_More"), [this] { pnlInAndOut->MoreClick(); }},
        {QStringLiteral("InAndOut_Delete"), [this] { pnlInAndOut->DeleteClick(); }},
        {QStringLiteral("InAndOut_Modify"), [this] { pnlInAndOut->ModifyClick(); }},
    };
    // "lblOut_Add" and "shpOut_Add" name the same button.
    const QString name = sender->objectName();
    if (!name.startsWith(QStringLiteral("lbl")) && !name.startsWith(QStringLiteral("shp")))
        return;
    const auto found = handlers.find(name.mid(3));
    if (found != handlers.end())
        runGuarded(this, found->second);
}

bool TfrmMain::ddeServerExecuteMacro(const QStringList &lines)
{
    if (ddeServer->Tag != 1 || lines.isEmpty())
        return false;
    if (TrimBlanks(lines.first()) != QStringLiteral("show"))
        return false;
    if (QWidget *dialog = g_objFields.g_hActiveDialog) {
        dialog->raise();
        dialog->activateWindow();
        return true;
    }
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    BringToFront();
    QApplication::processEvents();
    BringToFront();
    return true;
}

void TfrmMain::BringToFront()
{
    raise();
    activateWindow();
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    BringToFront();
    QApplication::processEvents();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    BringToFront();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TfrmMain::FormClose()
{
    // Only an initialised window (past the login gate) has anything to save.
    // The questions offer no Cancel; the window stays open only when a save
    // the user asked for failed, so its rows are not lost.
    bool close = true;
    if (m_initialised)
        runGuarded(this, [&] { close = AskToSavePending(*pnlOut, *pnlIn, this); });
    return close;
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgBackground)
        return imgBackgroundMouseEvent(event) || QWidget::eventFilter(watched, event);
    const bool minimize = watched == shpMinimize || watched == lblMinimize;
    const bool close = watched == shpClose || watched == lblClose;
    if (minimize || close) {
        if (isLeftPress(event, QEvent::MouseButtonPress) || isLeftPress(event, QEvent::MouseButtonDblClick)) {
            minimize ? lblMinimizeMouseDown() : lblCloseMouseDown();
            return true;
        }
        if (isLeftPress(event, QEvent::MouseButtonRelease)) {
            minimize ? lblMinimizeMouseUp() : lblCloseMouseUp();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmMain::imgBackgroundMouseEvent(QEvent *event)
{
    // Only a mouse event may be taken for one: the filter sees every event.
    auto globalPos = [event] { return static_cast<QMouseEvent *>(event)->globalPosition().toPoint(); };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // the second press of a double click moves it too
        // Moved by the window system as if by its caption; without a window
        // manager that is refused, and the window follows the mouse itself.
        m_dragging = !(windowHandle() && windowHandle()->startSystemMove());
        m_dragOffset = globalPos() - pos();
        return true;
    case QEvent::MouseMove:
        if (m_dragging)
            move(globalPos() - m_dragOffset);
        return m_dragging;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return true;
    default:
        return false;
    }
}

void TfrmMain::lblMinimizeMouseDown()
{
    setTextColor(lblMinimize, Qt::white);
    shpMinimize->setBrushColor(kGrey);
}

void TfrmMain::lblMinimizeMouseUp()
{
    setTextColor(lblMinimize, kGrey);
    shpMinimize->setBrushColor(Qt::white);
    showMinimized();
}

void TfrmMain::lblCloseMouseDown()
{
    setTextColor(lblClose, QColor(255, 0, 0));
    shpClose->setBrushColor(kGrey);
}

void TfrmMain::lblCloseMouseUp()
{
    setTextColor(lblClose, kMaroon);
    shpClose->setBrushColor(Qt::white);
    close();
}

void TfrmMain::mnuInAndOut_More_Print_1Click()
{
    g_objReportCommands->Print(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::I);
}

void TfrmMain::mnuInAndOut_More_Print_2Click()
{
    g_objReportCommands->Print(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::II);
}

void TfrmMain::mnuInAndOut_More_Preview_1Click()
{
    g_objReportCommands->Preview(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::I);
}

void TfrmMain::mnuInAndOut_More_Preview_2Click()
{
    g_objReportCommands->Preview(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::II);
}

void TfrmMain::mnuInAndOut_More_SaveAsExcel_1Click()
{
    g_objOutputCommands->SaveAsExcel(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::I);
}

void TfrmMain::mnuInAndOut_More_SaveAsExcel_2Click()
{
    g_objOutputCommands->SaveAsExcel(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::II);
}

void TfrmMain::mnuInAndOut_More_SaveAsTxt_1Click()
{
    g_objOutputCommands->SaveAsTxt(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::I);
}

void TfrmMain::mnuInAndOut_More_SaveAsTxt_2Click()
{
    g_objOutputCommands->SaveAsTxt(pnlInAndOut->startDate(), pnlInAndOut->endDate(), OutputLayout::II);
}

void TfrmMain::mnuInAndOut_More_ImportClick() { ShowImportBill(g_objFields, *pnlOut, *pnlIn, this); }
