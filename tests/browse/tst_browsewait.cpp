// The hourglass of the range windows: up from the click (before the store is
// read), still up when the first screen of the result is drawn, gone once the
// window takes input, also when the read fails.
#include "BrowsePanel.h"
#include "BrowseTestKit.h"
#include "MessageBox.h"
#include "unt_frmShowRecord.h"

#include <QFile>
#include <QTest>

namespace {

bool busyNow() { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; }

// Watches the whole application for the first paint of a widget the test
// names, and notes whether the hourglass was up then.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(std::function<bool(QObject *)> watched) : m_watched(std::move(watched))
    {
        qApp->installEventFilter(this);
    }
    ~FirstPaint() override { qApp->removeEventFilter(this); }
    bool painted = false;
    bool busyWhenPainted = false;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (!painted && event->type() == QEvent::Paint && m_watched(object)) {
            painted = true;
            busyWhenPainted = busyNow();
        }
        return false;
    }

private:
    std::function<bool(QObject *)> m_watched;
};

} // namespace

class TestBrowseWait : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void hourglassSpansTheWait_data()
    {
        QTest::addColumn<bool>("listing");
        QTest::addColumn<bool>("readFails");
        QTest::newRow("View") << false << false;
        QTest::newRow("daily listing") << true << false;
        QTest::newRow("View, ledger gone") << false << true;
        QTest::newRow("daily listing, ledger gone") << true << true;
    }

    void hourglassSpansTheWait()
    {
        QFETCH(bool, listing);
        QFETCH(bool, readFails);
        Ledger ledger;
        for (int day = 0; day < 40; ++day)
            ledger.add(day % 3 ? kTypeExpense : kTypeIncome, QDate(2007, 3, 1).addDays(day).toString(Qt::ISODate),
                       QStringLiteral("早饭"), QStringLiteral("12.50"), QStringLiteral("备注%1").arg(day));
        BrowsePanel panel(ledger.fields);
        panel.setRange(QDate(2007, 3, 1), QDate(2007, 4, 30));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QVERIFY(!QApplication::overrideCursor());
        if (readFails)
            QVERIFY(QFile::remove(ledger.db.path()));

        // Fires in the first pass of events after the click, before the
        // store is asked for anything.
        bool busyBeforeRead = false;
        QTimer::singleShot(0, [&] { busyBeforeRead = busyNow(); });

        auto *days = panel.findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List1"));
        FirstPaint firstPaint([&](QObject *object) {
            return listing ? object->objectName() == QLatin1String("frmShowRecord") : object == days->viewport();
        });
        bool dialogShown = false;
        bool busyOnceDrawn = true;
        std::function<void()> poll = [&] {
            auto *dialog = qobject_cast<TfrmShowRecord *>(QApplication::activeModalWidget());
            if (!dialog || !firstPaint.painted) {
                QTimer::singleShot(1, poll);
                return;
            }
            dialogShown = true;
            busyOnceDrawn = busyNow();
            dialog->reject();
        };
        if (listing && !readFails)
            QTimer::singleShot(0, poll);

        if (listing)
            panel.mnuInAndOut_More_ShowRecordClick();
        else
            panel.ViewClick();

        QVERIFY(busyBeforeRead);
        QVERIFY(!QApplication::overrideCursor());
        if (readFails) {
            QCOMPARE(MessageBox::shown().size(), 1);
            QCOMPARE(MessageBox::shown().first().icon, MessageBox::Error);
            return;
        }
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(firstPaint.painted);
        QVERIFY2(firstPaint.busyWhenPainted, "the first screen was drawn after the hourglass had gone");
        if (listing) {
            QVERIFY(dialogShown);
            QVERIFY2(!busyOnceDrawn, "the hourglass outlasted the listing's first screen");
        }
    }
};

QTEST_MAIN(TestBrowseWait)
#include "tst_browsewait.moc"
