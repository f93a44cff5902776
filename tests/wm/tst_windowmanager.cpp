// The real windows under a real window manager: openbox with a tint2 panel
// that reserves the bottom of the screen (run-under-openbox.sh starts them).
// What is checked is what the window manager and the panel read: the
// window's frame, its state and the actions the manager allows.
#include "CompositeReport.h"
#include "EntryPanel.h"
#include "MessageBox.h"
#include "OutputReport.h"
#include "ReportTestData.h"
#include "ModalDialogs.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_clsOneCopy.h"
#include "unt_frmAccount.h"
#include "unt_frmEditProgramNames.h"
#include "unt_frmGetProgramTotal.h"
#include "unt_frmLogin.h"
#include "unt_frmMain.h"
#include "unt_frmModifyRecord.h"
#include "unt_frmPreview.h"
#include "unt_frmShowRecord.h"
#include "unt_frmSplash.h"

#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The X server as the window manager and the panel see it.
class XServer
{
public:
    XServer()
    {
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        c = x11 ? x11->connection() : nullptr;
        if (c)
            root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    xcb_atom_t atom(const char *name) const
    {
        Reply<xcb_intern_atom_reply_t> r(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    QList<uint32_t> values(xcb_window_t w, const char *property, xcb_atom_t type) const
    {
        Reply<xcb_get_property_reply_t> r(
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom(property), type, 0, 4096), nullptr));
        QList<uint32_t> list;
        if (!r || r->format != 32 || r->type != type)
            return list;
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(r.get()));
        for (int i = 0; i < xcb_get_property_value_length(r.get()) / 4; ++i)
            list << data[i];
        return list;
    }
    // The names of the atoms a window lists under a property.
    QStringList atomNames(xcb_window_t w, const char *property) const
    {
        QStringList names;
        for (uint32_t a : values(w, property, XCB_ATOM_ATOM)) {
            Reply<xcb_get_atom_name_reply_t> r(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr));
            if (r)
                names << QString::fromLatin1(xcb_get_atom_name_name(r.get()), xcb_get_atom_name_name_length(r.get()));
        }
        return names;
    }
    QRect workArea() const
    {
        const QList<uint32_t> v = values(root, "_NET_WORKAREA", XCB_ATOM_CARDINAL);
        return v.size() >= 4 ? QRect(int(v[0]), int(v[1]), int(v[2]), int(v[3])) : QRect();
    }
    QRect screen() const
    {
        const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        return QRect(0, 0, s->width_in_pixels, s->height_in_pixels);
    }
    // The outer rectangle of a window on the screen: the window manager's
    // frame around it where there is one.
    QRect outerRect(xcb_window_t w) const
    {
        for (;;) {
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
            if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
                break;
            w = tree->parent;
        }
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
        if (!g)
            return QRect();
        return QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
    }
    bool managed(xcb_window_t w) const
    {
        return values(root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW).contains(w) &&
               values(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).size() == 4;
    }
    // The windows of this process that the window manager lists and a
    // taskbar would show: those not marked to be skipped.
    QList<xcb_window_t> taskbarEntriesOfThisProcess() const
    {
        QList<xcb_window_t> entries;
        for (uint32_t w : values(root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
            if (values(w, "_NET_WM_PID", XCB_ATOM_CARDINAL) != QList<uint32_t>{uint32_t(QCoreApplication::applicationPid())})
                continue;
            if (!atomNames(w, "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")))
                entries << w;
        }
        return entries;
    }
    void sendToRoot(xcb_window_t w, const char *type, std::initializer_list<uint32_t> data) const
    {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = atom(type);
        int i = 0;
        for (uint32_t v : data)
            e.data.data32[i++] = v;
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&e));
        xcb_flush(c);
    }

    xcb_connection_t *c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
};

xcb_window_t Id(QWidget *w) { return xcb_window_t(w->winId()); }

bool WaitManaged(const XServer &x, QWidget *w)
{
    return QTest::qWaitFor([&] { return x.managed(Id(w)); }, 5000);
}

const QString kUser = QStringLiteral("王五");

} // namespace

class TestWindowManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void splashHasNoTaskbarEntry();
    void loginHasNoTaskbarEntryNorButtonsThenMainWindowHasOne();
    void loginCloseByTheWindowManagerCancels();
    void previewFrameFitsTheWorkArea_data();
    void previewFrameFitsTheWorkArea();
    void fixedDialogsCannotMaximiseOrResize_data();
    void fixedDialogsCannotMaximiseOrResize();

private:
    XServer x;
    std::unique_ptr<TempDatabase> m_db;
};

void TestWindowManager::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(x.c);
    QVERIFY2(!x.values(x.root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).isEmpty(), "no window manager running");
    // The panel reserves the bottom of the screen: the work area is shorter.
    const QRect work = x.workArea();
    QVERIFY(work.isValid());
    QCOMPARE(work.top(), 0);
    QVERIFY2(work.height() < x.screen().height(), "the panel reserves no strut");
    QTRY_COMPARE(QGuiApplication::primaryScreen()->availableGeometry(), work);
}

void TestWindowManager::init()
{
    MessageBox::setTestMode(true);
    MessageBox::clearShown();
    m_db = std::make_unique<TempDatabase>();
    QVERIFY(TclsDatabaseUser(m_db->path()).CreateUser(kUser, QStringLiteral("pw")));
}

void TestWindowManager::splashHasNoTaskbarEntry()
{
    TfrmSplash splash;
    splash.show();
    QVERIFY(WaitManaged(x, &splash));
    QVERIFY(x.atomNames(Id(&splash), "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));
    QVERIFY(x.taskbarEntriesOfThisProcess().isEmpty());
}

void TestWindowManager::loginHasNoTaskbarEntryNorButtonsThenMainWindowHasOne()
{
    TfrmMain main(m_db->path());
    bool managed = false;
    QStringList state;
    QList<xcb_window_t> entriesDuringLogin{1}, entriesDuringAccount{1};
    bool accountManaged = false;
    QRect outer, client;
    QImage frameTop;
    WhenModalShows<TfrmLogin>(this, [&](TfrmLogin *login) {
        managed = WaitManaged(x, login);
        state = x.atomNames(Id(login), "_NET_WM_STATE");
        entriesDuringLogin = x.taskbarEntriesOfThisProcess();
        outer = x.outerRect(Id(login));
        client = login->geometry();
        // The user management dialog, opened from the login, has none either.
        WhenModalShows<TfrmAccount>(this, [&](TfrmAccount *account) {
            accountManaged = WaitManaged(x, account);
            entriesDuringAccount = x.taskbarEntriesOfThisProcess();
            account->reject();
        });
        login->btnAccount->click();
        login->edtPassword->setText(QStringLiteral("pw"));
        login->btnOK->click();
    });
    QVERIFY(main.FormCreate());
    QVERIFY(managed);
    QVERIFY2(state.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")), qPrintable(state.join(' ')));
    QVERIFY(entriesDuringLogin.isEmpty());
    QVERIFY(accountManaged);
    QVERIFY(entriesDuringAccount.isEmpty());
    // No frame of the window manager's around the dialog, so none of its
    // title-bar buttons: the dialog draws its own caption, without any.
    QCOMPARE(outer, client);

    main.show();
    QVERIFY(WaitManaged(x, &main));
    QVERIFY(!x.atomNames(Id(&main), "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));
    QCOMPARE(x.taskbarEntriesOfThisProcess(), QList<xcb_window_t>{Id(&main)});
}

void TestWindowManager::loginCloseByTheWindowManagerCancels()
{
    TfrmMain main(m_db->path());
    bool managed = false;
    WhenModalShows<TfrmLogin>(this, [&](TfrmLogin *login) {
        managed = WaitManaged(x, login);
        // What a window manager's close (a key, a menu) does.
        x.sendToRoot(Id(login), "_NET_CLOSE_WINDOW", {0, 2});
    });
    QVERIFY(!main.FormCreate());
    QVERIFY(managed);
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(!main.isVisible());
}

void TestWindowManager::previewFrameFitsTheWorkArea_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("one page") << 3;
    QTest::newRow("three pages") << 100;
}

void TestWindowManager::previewFrameFitsTheWorkArea()
{
    QFETCH(int, records);
    OutputRows rows = SampleRows(records, OutputLayout::I);
    const auto reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(96, 96));
    CompositeReport composite;
    QObject::connect(&composite, &CompositeReport::addReports, &composite, [&] {
        for (const auto &report : reports)
            composite.addReport(report.get());
    });
    composite.prepare();
    const int pages = int(reports.size());

    TfrmPreview preview(composite);
    preview.show();
    QVERIFY(WaitManaged(x, &preview));
    const QRect work = x.workArea();
    // The frame, title bar included, is the work area: nothing of the
    // window lies under the panel or off the screen.
    QTRY_COMPARE(x.outerRect(Id(&preview)), work);
    const QList<uint32_t> extents = x.values(Id(&preview), "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    QVERIFY2(extents.size() == 4 && extents[2] > 0, "the preview has the window manager's title bar");

    QLabel *label = preview.lblCurrentPage;
    QCOMPARE(label->text(), QStringLiteral("第 1 页 / 共 %1 页").arg(pages));
    QVERIFY(label->isVisible());
    const QRect labelOnScreen(label->mapToGlobal(QPoint(0, 0)), label->size());
    QVERIFY2(work.contains(labelOnScreen), qPrintable(QStringLiteral("label at %1,%2 %3x%4")
                                                          .arg(labelOnScreen.x()).arg(labelOnScreen.y())
                                                          .arg(labelOnScreen.width()).arg(labelOnScreen.height())));

    // The picture in the documentation is taken from this very window.
    const QString shots = qEnvironmentVariable("KAVLO_SCREENSHOT_DIR");
    if (!shots.isEmpty() && pages > 1) {
        QTest::qWait(500);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(shots + QStringLiteral("/preview-openbox.png")));
    }
}

void TestWindowManager::fixedDialogsCannotMaximiseOrResize_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("share window") << "share";
    QTest::newRow("daily listing") << "listing";
    QTest::newRow("modification dialog") << "modify";
    QTest::newRow("item-name editor") << "editor";
}

void TestWindowManager::fixedDialogsCannotMaximiseOrResize()
{
    QFETCH(QString, window);
    TfrmMain main(m_db->path());
    main.g_objFields.g_strUserName = kUser;
    main.InitMainWindow();
    std::unique_ptr<QWidget> dialog;
    if (window == QLatin1String("share"))
        dialog = std::make_unique<TfrmGetProgramTotal>();
    else if (window == QLatin1String("listing"))
        dialog = std::make_unique<TfrmShowRecord>();
    else if (window == QLatin1String("modify"))
        dialog = std::make_unique<TfrmModifyRecord>(m_db->path(), [](const QString &, const QString &, const QString &) {});
    else
        dialog = std::make_unique<TfrmEditProgramNames>(main.g_objFields);
    dialog->show();
    QVERIFY(WaitManaged(x, dialog.get()));
    const QStringList actions = x.atomNames(Id(dialog.get()), "_NET_WM_ALLOWED_ACTIONS");
    QVERIFY2(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE")), qPrintable(actions.join(' ')));
    QVERIFY2(!actions.contains(QStringLiteral("_NET_WM_ACTION_RESIZE")), qPrintable(actions.join(' ')));
    QVERIFY2(!actions.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ")), qPrintable(actions.join(' ')));
    QVERIFY2(!actions.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_VERT")), qPrintable(actions.join(' ')));

    // Asking the window manager to maximise it changes nothing.
    const QSize before = dialog->size();
    const QSize outerBefore = x.outerRect(Id(dialog.get())).size();
    x.sendToRoot(Id(dialog.get()), "_NET_WM_STATE",
                 {1, x.atom("_NET_WM_STATE_MAXIMIZED_HORZ"), x.atom("_NET_WM_STATE_MAXIMIZED_VERT"), 2});
    QTest::qWait(300);
    QCOMPARE(x.outerRect(Id(dialog.get())).size(), outerBefore);
    QCOMPARE(dialog->size(), before);
    QVERIFY(dialog->minimumSize() == dialog->maximumSize());
}

QTEST_MAIN(TestWindowManager)
#include "tst_windowmanager.moc"
