#include "testregistry.h"
#include "ui/widgets/helpindicator.h"
#include "ui/widgets/picture.h"

#include <QEnterEvent>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

// A help indicator shows its key's text as a tooltip: "\n" as "<br>", wrapped in a span; an
// unknown key shows nothing. Pointer, focus, F1 and Space all show it.
class HelpIndicatorTest : public QObject
{
    Q_OBJECT

private:
    const TooltipTable m_table{
        {QStringLiteral("power-tooltip"), QStringLiteral("First line\nsecond line")},
        {QStringLiteral("one-line"), QStringLiteral("Only this")}};
    const QString m_powerHtml = QStringLiteral("<span>First line<br>second line</span>");

    static void enter(QWidget *widget)
    {
        const QPointF inside(widget->rect().center());
        QEnterEvent event(inside, inside, widget->mapToGlobal(inside.toPoint()));
        QCoreApplication::sendEvent(widget, &event);
    }

private slots:
    void initTestCase() { setPictureFolder(QStringLiteral(ZX_PICTURE_DIR)); }
    void cleanupTestCase() { setPictureFolder({}); }
    void init()
    {
        QToolTip::hideText();
        QTRY_VERIFY(QToolTip::text().isEmpty());
    }

    void convertsTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("html");
        QTest::newRow("one line") << "Only this"
                                  << "<span>Only this</span>";
        QTest::newRow("two lines") << "a\nb"
                                   << "<span>a<br>b</span>";
        QTest::newRow("paragraph") << "a\n\nb"
                                   << "<span>a<br><br>b</span>";
        QTest::newRow("empty") << ""
                               << "<span></span>";
    }
    void convertsTheText()
    {
        QFETCH(QString, text);
        QFETCH(QString, html);
        QCOMPARE(HelpIndicator::tooltipHtml(text), html);
    }

    void showsTheTooltipWhenThePointerEnters()
    {
        HelpIndicator indicator(QStringLiteral("power-tooltip"), m_table);
        indicator.show();
        QVERIFY(QTest::qWaitForWindowExposed(&indicator));
        enter(&indicator);
        QCOMPARE(QToolTip::text(), m_powerHtml);
        QVERIFY(QToolTip::isVisible());
    }

    void unknownKeyShowsNoTooltip()
    {
        HelpIndicator indicator(QStringLiteral("no-such-key"), m_table);
        indicator.show();
        QVERIFY(QTest::qWaitForWindowExposed(&indicator));
        QVERIFY(indicator.helpText().isEmpty());
        enter(&indicator);
        QCOMPARE(QToolTip::text(), QString());
        QVERIFY(!QToolTip::isVisible());
    }

    void showsTheHelpPicture()
    {
        HelpIndicator indicator(QStringLiteral("power-tooltip"), m_table);
        const QPixmap picture = indicator.pixmap(Qt::ReturnByValue);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(32, 32));
        QCOMPARE(indicator.sizeHint(), QSize(16, 16));
    }

    void isNamedForAssistiveTechnology()
    {
        HelpIndicator indicator(QStringLiteral("power-tooltip"), m_table);
        QCOMPARE(indicator.accessibleName(), QStringLiteral("Help"));
        QCOMPARE(indicator.accessibleDescription(), QStringLiteral("First line\nsecond line"));
        QCOMPARE(indicator.focusPolicy(), Qt::TabFocus);
    }

    // Keyboard users tab to the indicator: focus shows the text, and so do F1 and Space.
    void keyboardShowsTheTooltip()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *before = new QWidget;
        before->setFocusPolicy(Qt::StrongFocus);
        auto *indicator = new HelpIndicator(QStringLiteral("power-tooltip"), m_table);
        layout->addWidget(before);
        layout->addWidget(indicator);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        before->setFocus();
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(indicator->hasFocus());
        QCOMPARE(QToolTip::text(), m_powerHtml);

        for (const Qt::Key key : {Qt::Key_F1, Qt::Key_Space}) {
            QToolTip::hideText();
            QTRY_VERIFY(QToolTip::text().isEmpty());
            QTest::keyClick(indicator, key);
            QCOMPARE(QToolTip::text(), m_powerHtml);
        }
    }
};

ZX_REGISTER_TEST(HelpIndicatorTest);
#include "test_helpindicator.moc"
