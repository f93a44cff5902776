#include "BrowsePanel.h"
#include "EntryPanel.h"
#include "FileDialog.h"
#include "LedgerBackup.h"
#include "MessageBox.h"
#include "ModalDialogs.h"
#include "TestSupport.h"
#include "unt_clsButtonCreator.h"
#include "unt_clsDatabaseUser.h"
#include "unt_clsOneCopy.h"
#include "unt_frmLogin.h"
#include "unt_frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

// The main window on a real database, set up as the login gate leaves it.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void initialisationFillsTheWindow();
    void userNameIsShownAsTyped();
    void selectPanelShowsExactlyOne();
    void buttonClickDispatchesByName_data();
    void buttonClickDispatchesByName();
    void showCommand_data();
    void showCommand();
    void showCommandBringsActiveDialog();
    void outlineIsTheRoundedRectangle();
    void separatorIsASolidSilverBar();
    void backgroundDragsTheWindow_data();
    void backgroundDragsTheWindow();
    void closeAsksForPendingLists_data();
    void closeAsksForPendingLists();
    void closeStaysOpenWhenTheSaveFails();
    void outputMenuItemsReachTheCommands_data();
    void outputMenuItemsReachTheCommands();
    void importMenuItemReachesTheImport();
    void menuAcceleratorsAreDistinct();
    void cancelledLoginNeverShowsTheWindow();
    void passedLoginShapesTheWindow();
    void loginBacksUpTheLedger_data();
    void loginBacksUpTheLedger();

private:
    void addPending(EntryPanel *panel, const QString &prefix, const QString &name);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<TfrmMain> m_main;
    ProgramNameLists m_names;
};

namespace {
const QString kUser = QStringLiteral("王五");

QStringList comboItems(QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

void whenLoginShows(QObject *context, std::function<void(TfrmLogin *)> act)
{
    WhenModalShows<TfrmLogin>(context, std::move(act));
}

QAction *findAction(QMenu *menu, const QString &name)
{
    for (QAction *action : menu->actions()) {
        if (action->objectName() == name)
            return action;
        if (action->menu())
            if (QAction *found = findAction(action->menu(), name))
                return found;
    }
    return nullptr;
}
} // namespace

void TestMainWindow::init()
{
    MessageBox::setTestMode(true);
    MessageBox::clearShown();
    m_db = std::make_unique<TempDatabase>();
    TclsDatabaseUser store(m_db->path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    m_names = store.LoadProgramNames(kUser);
    m_main = std::make_unique<TfrmMain>(m_db->path());
    m_main->g_objFields.g_strUserName = kUser;
    m_main->InitMainWindow();
    m_main->show();
}

void TestMainWindow::cleanup()
{
    m_main.reset();
    m_db.reset();
}

void TestMainWindow::addPending(EntryPanel *panel, const QString &prefix, const QString &name)
{
    panel->findChild<QComboBox *>(QStringLiteral("cbo%1_Name").arg(prefix))->setEditText(name);
    panel->findChild<QLineEdit *>(QStringLiteral("edt%1_Money").arg(prefix))->setText(QStringLiteral("12.5"));
    panel->AddClick();
}

void TestMainWindow::initialisationFillsTheWindow()
{
    TfrmMain &main = *m_main;
    QCOMPARE(main.size(), QSize(650, 480));
    QVERIFY(main.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(main.lblUserName->text(), QStringLiteral("当前用户：") + kUser);
    QCOMPARE(main.lblUserName->geometry().right() + 1, 622);
    QCOMPARE(main.g_objFields.g_strTitle, QStringLiteral("Kavlo"));
    QVERIFY(main.g_objFields.g_objDatabaseUser);
    QVERIFY(main.rdoOut->isChecked());
    QVERIFY(main.pnlOut->isVisible());
    QVERIFY(!main.pnlIn->isVisible());
    QVERIFY(!main.pnlInAndOut->isVisible());

    const QDate today = QDate::currentDate();
    QCOMPARE(main.findChild<QDateEdit *>(QStringLiteral("dtpOut_Date"))->date(), today);
    QCOMPARE(main.findChild<QDateEdit *>(QStringLiteral("dtpIn_Date"))->date(), today);
    QCOMPARE(main.pnlInAndOut->startDate(), QDate(today.year(), today.month(), 1));
    QCOMPARE(main.pnlInAndOut->endDate(), today);

    QVERIFY(!m_names.expense.isEmpty());
    QCOMPARE(comboItems(main.findChild<QComboBox *>(QStringLiteral("cboOut_Name"))), m_names.expense);
    QCOMPARE(comboItems(main.findChild<QComboBox *>(QStringLiteral("cboIn_Name"))), m_names.income);

    // All twelve hover buttons report to the window's dispatcher.
    QList<TclsButtonCreator *> creators = main.pnlOut->buttonCreators() + main.pnlIn->buttonCreators() +
                                          main.pnlInAndOut->buttonCreators();
    QCOMPARE(creators.size(), 12);
    for (TclsButtonCreator *creator : creators)
        QVERIFY(creator->OnButtonClick);
    // Through the re-pointed event: Add on the income panel with no item name.
    main.pnlIn->buttonCreators().at(1)->OnButtonClick(main.pnlIn->buttonCreators().at(1)->FLabel);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("您没有填写收入项目名称！"));
}

void TestMainWindow::userNameIsShownAsTyped()
{
    const QString name = QStringLiteral("<b>张</b>");
    QVERIFY(TclsDatabaseUser(m_db->path()).CreateUser(name, QStringLiteral("pw")));
    TfrmMain main(m_db->path());
    main.g_objFields.g_strUserName = name;
    main.InitMainWindow();
    // Taken as markup the tags would vanish and the label would shrink.
    const QString shown = QStringLiteral("当前用户：") + name;
    QCOMPARE(main.lblUserName->text(), shown);
    QVERIFY(main.lblUserName->width() >= QFontMetrics(main.lblUserName->font()).horizontalAdvance(shown));
    QCOMPARE(main.lblUserName->geometry().right() + 1, 622);
}

void TestMainWindow::selectPanelShowsExactlyOne()
{
    TfrmMain &main = *m_main;
    addPending(main.pnlOut, QStringLiteral("Out"), QStringLiteral("书籍"));
    QCOMPARE(main.pnlOut->pendingCount(), 1);

    main.rdoIn->click();
    QVERIFY(main.rdoIn->isChecked());
    QVERIFY(!main.pnlOut->isVisible());
    QVERIFY(main.pnlIn->isVisible());
    QVERIFY(!main.pnlInAndOut->isVisible());

    main.rdoInAndOut->click();
    QVERIFY(!main.pnlOut->isVisible());
    QVERIFY(!main.pnlIn->isVisible());
    QVERIFY(main.pnlInAndOut->isVisible());
    // Hidden panels keep what they hold.
    QCOMPARE(main.pnlOut->pendingCount(), 1);

    main.rdoOut->click();
    QVERIFY(main.pnlOut->isVisible());
    QVERIFY(!main.pnlInAndOut->isVisible());

    // Any caption but the two entry ones shows the browse panel.
    QRadioButton other(QStringLiteral("其他"));
    main.SelectPanel(&other);
    QVERIFY(main.pnlInAndOut->isVisible());
    QVERIFY(!main.pnlOut->isVisible());
}

void TestMainWindow::buttonClickDispatchesByName_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("message");
    QTest::newRow("expense add label") << "lblOut_Add" << "您没有填写支出项目名称！";
    QTest::newRow("expense add shape") << "shpOut_Add" << "您没有填写支出项目名称！";
    QTest::newRow("income add label") << "lblIn_Add" << "您没有填写收入项目名称！";
    QTest::newRow("income add shape") << "shpIn_Add" << "您没有填写收入项目名称！";
    QTest::newRow("unknown name") << "lblOut_Nothing" << "";
    QTest::newRow("no prefix") << "Out_Add" << "";
}

void TestMainWindow::buttonClickDispatchesByName()
{
    QFETCH(QString, sender);
    QFETCH(QString, message);
    QLabel label;
    label.setObjectName(sender);
    m_main->ButtonClick(&label);
    if (message.isEmpty()) {
        QVERIFY(MessageBox::shown().isEmpty());
    } else {
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, message);
    }
}

void TestMainWindow::showCommand_data()
{
    QTest::addColumn<int>("ready");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("acts");
    QTest::newRow("show") << 1 << QStringList{"show"} << true;
    QTest::newRow("blanks around") << 1 << QStringList{" show "} << true;
    QTest::newRow("tab and control characters") << 1 << QStringList{"\tshow\r"} << true;
    QTest::newRow("further lines") << 1 << QStringList{"show", "more"} << true;
    QTest::newRow("capital") << 1 << QStringList{"Show"} << false;
    QTest::newRow("upper case") << 1 << QStringList{"SHOW"} << false;
    QTest::newRow("more text on the line") << 1 << QStringList{"show x"} << false;
    QTest::newRow("show on second line") << 1 << QStringList{"", "show"} << false;
    QTest::newRow("no lines") << 1 << QStringList{} << false;
    QTest::newRow("not ready") << 0 << QStringList{"show"} << false;
}

void TestMainWindow::showCommand()
{
    QFETCH(int, ready);
    QFETCH(QStringList, lines);
    QFETCH(bool, acts);
    TfrmMain &main = *m_main;
    main.ddeServer->Tag = ready;
    main.showMinimized();
    QVERIFY(main.isMinimized());
    QCOMPARE(main.ddeServerExecuteMacro(lines), acts);
    QCOMPARE(main.isMinimized(), !acts);
    QVERIFY(main.isVisible());
}

void TestMainWindow::showCommandBringsActiveDialog()
{
    TfrmMain &main = *m_main;
    main.ddeServer->Tag = 1;
    main.showMinimized();
    {
        QDialog dialog(&main);
        ActiveDialogScope scope(main.g_objFields, &dialog);
        dialog.show();
        QVERIFY(main.ddeServerExecuteMacro({QStringLiteral("show")}));
        // The dialog is brought forward; the main window is not touched.
        QVERIFY(main.isMinimized());
    }
    QVERIFY(!main.g_objFields.g_hActiveDialog);
    QVERIFY(main.ddeServerExecuteMacro({QStringLiteral("show")}));
    QVERIFY(!main.isMinimized());
}

void TestMainWindow::outlineIsTheRoundedRectangle()
{
    const QRegion region = MainWindowOutline(QSize(650, 480));
    QCOMPARE(region.boundingRect(), QRect(QPoint(2, 3), QPoint(648, 478)));
    QVERIFY(region.contains(QPoint(325, 3)));
    QVERIFY(region.contains(QPoint(2, 240)));
    QVERIFY(region.contains(QPoint(648, 240)));
    QVERIFY(region.contains(QPoint(325, 478)));
    QVERIFY(!region.contains(QPoint(1, 240)));
    QVERIFY(!region.contains(QPoint(649, 240)));
    QVERIFY(!region.contains(QPoint(325, 479)));
    // Corners are cut by the 26 by 26 arcs.
    QVERIFY(!region.contains(QPoint(3, 4)));
    QVERIFY(!region.contains(QPoint(647, 477)));
    QVERIFY(region.contains(QPoint(2 + 13, 3 + 13)));
}

void TestMainWindow::backgroundDragsTheWindow_data()
{
    QTest::addColumn<bool>("onBackground");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("left press") << true << Qt::LeftButton << false;
    QTest::newRow("right press") << true << Qt::RightButton << false;
    QTest::newRow("second press of a double click") << true << Qt::LeftButton << true;
    QTest::newRow("panel does not drag") << false << Qt::LeftButton << false;
}

void TestMainWindow::backgroundDragsTheWindow()
{
    QFETCH(bool, onBackground);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, doubleClick);
    TfrmMain &main = *m_main;
    QWidget *target = onBackground ? static_cast<QWidget *>(main.imgBackground) : main.pnlOut;
    const QPointF from(300, 10);
    const QPointF to(330, 50);
    auto send = [&](QEvent::Type type, const QPointF &at, Qt::MouseButton changed, Qt::MouseButtons held) {
        QMouseEvent event(type, at, target->mapToGlobal(at), changed, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    const QPoint before = main.pos();
    send(QEvent::MouseButtonPress, from, button, button);
    if (doubleClick) {
        send(QEvent::MouseButtonRelease, from, button, Qt::NoButton);
        send(QEvent::MouseButtonDblClick, from, button, button);
    }
    // Without a window manager the window follows the pointer by itself.
    send(QEvent::MouseMove, to, Qt::NoButton, button);
    send(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    QCOMPARE(main.pos(), onBackground ? before + (to - from).toPoint() : before);
}

void TestMainWindow::closeAsksForPendingLists_data()
{
    QTest::addColumn<bool>("expensePending");
    QTest::addColumn<bool>("incomePending");
    QTest::addColumn<QList<int>>("answers"); // MessageBox::Answer per question
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("savedExpense");
    QTest::addColumn<int>("savedIncome");
    const QString out = QStringLiteral("您有支出记录没有保存，现在要保存吗？");
    const QString in = QStringLiteral("您有收入记录没有保存，现在要保存吗？");
    QTest::newRow("nothing pending") << false << false << QList<int>{} << QStringList{} << 0 << 0;
    QTest::newRow("both, no to both") << true << true << QList<int>{MessageBox::No, MessageBox::No}
                                      << QStringList{out, in} << 0 << 0;
    QTest::newRow("both, yes then no") << true << true << QList<int>{MessageBox::Yes, MessageBox::No}
                                       << QStringList{out, in} << 1 << 0;
    QTest::newRow("income only, yes") << false << true << QList<int>{MessageBox::Yes} << QStringList{in} << 0 << 1;
}

void TestMainWindow::closeAsksForPendingLists()
{
    QFETCH(bool, expensePending);
    QFETCH(bool, incomePending);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, questions);
    QFETCH(int, savedExpense);
    QFETCH(int, savedIncome);
    TfrmMain &main = *m_main;
    if (expensePending)
        addPending(main.pnlOut, QStringLiteral("Out"), QStringLiteral("书籍"));
    if (incomePending)
        addPending(main.pnlIn, QStringLiteral("In"), QStringLiteral("工资"));
    MessageBox::clearShown();
    for (int answer : answers)
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
    QVERIFY(main.close());
    QVERIFY(!main.isVisible());

    QStringList asked;
    for (const MessageBox::Shown &box : MessageBox::shown())
        if (box.icon == MessageBox::Question)
            asked << box.text;
    QCOMPARE(asked, questions);

    DayTotals days;
    RangeRecords records;
    TclsDatabaseUser(m_db->path()).ListRecordsOfDate(kUser, QDate::currentDate(), QDate::currentDate(), days, records);
    QCOMPARE(records.type.count(QStringLiteral("支出")), savedExpense);
    QCOMPARE(records.type.count(QStringLiteral("收入")), savedIncome);
}

void TestMainWindow::closeStaysOpenWhenTheSaveFails()
{
    TfrmMain &main = *m_main;
    main.show();
    addPending(main.pnlOut, QStringLiteral("Out"), QStringLiteral("书籍"));
    QVERIFY(QFile::rename(m_db->path(), m_db->path() + QStringLiteral(".away")));
    MessageBox::clearShown();
    MessageBox::setNextAnswer(MessageBox::Yes);
    QVERIFY(!main.close());
    QVERIFY(main.isVisible());
    QCOMPARE(main.pnlOut->pendingCount(), 1);
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Error);

    // Once the database is back, closing saves the rows and the window goes.
    QVERIFY(QFile::rename(m_db->path() + QStringLiteral(".away"), m_db->path()));
    MessageBox::setNextAnswer(MessageBox::Yes);
    QVERIFY(main.close());
    QCOMPARE(main.pnlOut->pendingCount(), 0);
}

void TestMainWindow::outputMenuItemsReachTheCommands_data()
{
    QTest::addColumn<QString>("item");
    for (const char *kind : {"Print", "Preview", "SaveAsExcel", "SaveAsTxt"})
        for (int layout : {1, 2}) {
            const QString name = QStringLiteral("mnuInAndOut_More_%1_%2").arg(QLatin1String(kind)).arg(layout);
            QTest::newRow(qPrintable(name)) << name;
        }
}

void TestMainWindow::importMenuItemReachesTheImport()
{
    TfrmMain &main = *m_main;
    QAction *action = findAction(main.pnlInAndOut->moreMenu(), QStringLiteral("mnuInAndOut_More_Import"));
    QVERIFY(action);
    // A file that is not there is refused by name: proof the chosen files
    // reached the import, and that nothing was queued.
    const int dialogs = FileDialog::shownCount();
    FileDialog::setNextOpenFileNames({QStringLiteral("/nonexistent/账单.csv")});
    action->trigger();
    QCOMPARE(FileDialog::shownCount(), dialogs + 1);
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("账单.csv")));
    QCOMPARE(main.pnlOut->pendingCount() + main.pnlIn->pendingCount(), 0);
}

// Two items of one menu with the same letter make that letter only move
// between them: the user pressing it expects a window to open.
void TestMainWindow::menuAcceleratorsAreDistinct()
{
    std::function<void(QMenu *)> check = [&](QMenu *menu) {
        QHash<QChar, QString> taken;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const QString text = action->text();
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            QVERIFY2(at >= 0 && at + 1 < text.size(), qPrintable(text));
            const QChar letter = text.at(at + 1).toUpper();
            QVERIFY2(!taken.contains(letter), qPrintable(taken.value(letter) + QStringLiteral(" / ") + text));
            taken.insert(letter, text);
            if (action->menu())
                check(action->menu());
        }
    };
    check(m_main->pnlInAndOut->moreMenu());
    QVERIFY(findAction(m_main->pnlInAndOut->moreMenu(), QStringLiteral("mnuInAndOut_More_Budget")));
}

void TestMainWindow::outputMenuItemsReachTheCommands()
{
    QFETCH(QString, item);
    TfrmMain &main = *m_main;
    QAction *action = findAction(main.pnlInAndOut->moreMenu(), item);
    QVERIFY(action);
    // A reversed range is refused by the command itself: proof it was reached
    // with the pickers' dates.
    main.pnlInAndOut->setRange(QDate(2020, 5, 2), QDate(2020, 5, 1));
    action->trigger();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("查看起始日期不能大于截止日期！"));
}

void TestMainWindow::separatorIsASolidSilverBar()
{
    TfrmMain &main = *m_main;
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const QImage image = main.grab().toImage();
    const QRect bar(29, 86, 593, 2);
    QCOMPARE(main.shpSeparator->geometry(), bar);
    // Every pixel of the bar, its ends included, is silver.
    int silver = 0;
    for (int y = bar.top(); y <= bar.bottom(); ++y)
        for (int x = bar.left(); x <= bar.right(); ++x)
            silver += image.pixelColor(x, y) == QColor(192, 192, 192);
    QCOMPARE(silver, 593 * 2);
    // And nothing of it spills over the skin around it.
    QCOMPARE(image.pixelColor(28, 86), main.imgBackground->pixmap().toImage().pixelColor(28, 86));
    QCOMPARE(image.pixelColor(29, 88), main.imgBackground->pixmap().toImage().pixelColor(29, 88));
}

void TestMainWindow::cancelledLoginNeverShowsTheWindow()
{
    TfrmMain main(m_db->path());
    whenLoginShows(this, [](TfrmLogin *login) { login->btnCancel->click(); });
    QVERIFY(!main.FormCreate());
    QCOMPARE(main.ddeServer->Tag, 0);
    QVERIFY(!main.isVisible());
    QVERIFY(!main.g_objFields.g_objDatabaseUser);
    // The show command is still ignored: the window must never appear.
    QVERIFY(!main.ddeServerExecuteMacro({QStringLiteral("show")}));
    QVERIFY(!main.isVisible());
}

void TestMainWindow::passedLoginShapesTheWindow()
{
    TfrmMain main(m_db->path());
    whenLoginShows(this, [](TfrmLogin *login) {
        login->edtPassword->setText(QStringLiteral("pw"));
        login->btnOK->click();
    });
    QVERIFY(main.FormCreate());
    QCOMPARE(main.g_objFields.g_strUserName, kUser);
    QCOMPARE(main.ddeServer->Tag, 1);
    QCOMPARE(main.mask(), MainWindowOutline(QSize(650, 480)));
    QVERIFY(main.rdoOut->isChecked());
}

void TestMainWindow::loginBacksUpTheLedger_data()
{
    QTest::addColumn<bool>("blocked");
    QTest::newRow("backup made") << false;
    QTest::newRow("backup impossible") << true;
}

void TestMainWindow::loginBacksUpTheLedger()
{
    QFETCH(bool, blocked);
    const QString backup = LedgerBackup::PathFor(m_db->path(), QDate::currentDate());
    if (blocked) {
        // A file where the backup folder goes: no backup, for root too.
        QFile blocker(LedgerBackup::Folder(m_db->path()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    TfrmMain main(m_db->path());
    whenLoginShows(this, [](TfrmLogin *login) {
        login->edtPassword->setText(QStringLiteral("pw"));
        login->btnOK->click();
    });
    QVERIFY(main.FormCreate());
    main.WaitForBackup();
    QCoreApplication::processEvents();
    QCOMPARE(QFileInfo::exists(backup), !blocked);
    // A failure is told beside the work, never in a box that holds it up.
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(main.lblBackup->isVisibleTo(&main), blocked);
    if (blocked) {
        QCOMPARE(main.lblBackup->text(), QStringLiteral("今天的自动备份没有做成，账本本身没有受影响。"));
        QVERIFY2(main.lblBackup->toolTip().contains(LedgerBackup::Folder(m_db->path())),
                 qPrintable(main.lblBackup->toolTip()));
    } else {
        QCOMPARE(TclsDatabaseUser(backup).GetUserNames(), QStringList{kUser});
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
