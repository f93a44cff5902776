#include "unt_clsButtonCreator.h"

#include <QLabel>
#include <QWindow>
#include <QtTest>

// The hover buttons driven through the window, the way the window system
// delivers the mouse: the widget under a press also takes its release.
class TestHoverButton : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pressShowsPressedLookAndReleaseClicks_data();
    void pressShowsPressedLookAndReleaseClicks();
    void releaseOutsideStillClicks();
    void otherButtonsDoNothing_data();
    void otherButtonsDoNothing();
    void disabledButtonIsSilverAndSilent();

private:
    QPoint centreOf(QWidget *w) const { return w->mapTo(m_window.get(), w->rect().center()); }

    std::unique_ptr<QWidget> m_window;
    HoverButtonParts m_parts{};
    TclsButtonCreator *m_creator = nullptr;
    QList<QWidget *> m_clicks;
};

namespace {
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
QColor textColor(QLabel *label) { return label->palette().color(QPalette::Active, QPalette::WindowText); }
} // namespace

void TestHoverButton::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(200, 100);
    m_parts = MakeHoverButton(m_window.get(), QStringLiteral("Out_Add"), QStringLiteral("添加"), 40, 30);
    m_creator = new TclsButtonCreator(m_window.get());
    m_creator->CreateButton(m_parts.shape, m_parts.label);
    m_clicks.clear();
    m_creator->OnButtonClick = [this](QWidget *sender) { m_clicks.append(sender); };
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestHoverButton::cleanup() { m_window.reset(); }

void TestHoverButton::pressShowsPressedLookAndReleaseClicks_data()
{
    QTest::addColumn<bool>("onLabel");
    QTest::newRow("label") << true;
    QTest::newRow("shape") << false;
}

void TestHoverButton::pressShowsPressedLookAndReleaseClicks()
{
    QFETCH(bool, onLabel);
    QCOMPARE(m_parts.shape->geometry(), QRect(40, 30, 57, 22));
    QCOMPARE(m_parts.label->pos(), QPoint(56, 35));
    // At rest: grey outline, no fill, black text.
    QCOMPARE(m_parts.shape->penColor(), kGrey);
    QVERIFY(!m_parts.shape->brushColor().isValid());

    // A point of the shape away from the label, or the label itself.
    QWidget *target = onLabel ? static_cast<QWidget *>(m_parts.label) : m_parts.shape;
    const QPoint at = onLabel ? centreOf(m_parts.label) : QPoint(42, 32);
    QWindow *window = m_window->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QVERIFY(!m_parts.shape->penColor().isValid());
    QCOMPARE(m_parts.shape->brushColor(), kGrey);
    QCOMPARE(textColor(m_parts.label), QColor(Qt::white));
    QVERIFY(m_clicks.isEmpty());

    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
    QCOMPARE(m_clicks, QList<QWidget *>{target});
    QCOMPARE(m_parts.shape->penColor(), kGrey);
    QVERIFY(!m_parts.shape->brushColor().isValid());
    QCOMPARE(textColor(m_parts.label), QColor(Qt::black));
}

void TestHoverButton::releaseOutsideStillClicks()
{
    QWindow *window = m_window->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, centreOf(m_parts.label));
    QTest::mouseMove(window, QPoint(180, 90));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(180, 90));
    QCOMPARE(m_clicks, QList<QWidget *>{m_parts.label});
    QCOMPARE(m_parts.shape->penColor(), kGrey);
}

void TestHoverButton::otherButtonsDoNothing_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestHoverButton::otherButtonsDoNothing()
{
    QFETCH(Qt::MouseButton, button);
    QWindow *window = m_window->windowHandle();
    QTest::mousePress(window, button, {}, centreOf(m_parts.label));
    QCOMPARE(m_parts.shape->penColor(), kGrey);
    QVERIFY(!m_parts.shape->brushColor().isValid());
    QCOMPARE(textColor(m_parts.label), QColor(Qt::black));
    QTest::mouseRelease(window, button, {}, centreOf(m_parts.label));
    QVERIFY(m_clicks.isEmpty());
}

void TestHoverButton::disabledButtonIsSilverAndSilent()
{
    m_creator->SetEnabled(false);
    QVERIFY(!m_creator->isEnabled());
    QCOMPARE(m_parts.shape->penColor(), kSilver);
    QWindow *window = m_window->windowHandle();
    for (QWidget *w : {static_cast<QWidget *>(m_parts.label), static_cast<QWidget *>(m_parts.shape)}) {
        const QPoint at = w == m_parts.label ? centreOf(m_parts.label) : QPoint(42, 32);
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        QVERIFY(!m_parts.shape->brushColor().isValid());
        QTest::mouseRelease(window, Qt::LeftButton, {}, at);
    }
    QVERIFY(m_clicks.isEmpty());
    QCOMPARE(m_parts.shape->penColor(), kSilver);

    m_creator->SetEnabled(true);
    QCOMPARE(m_parts.shape->penColor(), kGrey);
    QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(m_parts.label));
    QCOMPARE(m_clicks.size(), 1);
}

QTEST_MAIN(TestHoverButton)
#include "tst_hoverbutton.moc"
