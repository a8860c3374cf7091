#include "testregistry.h"
#include "ui/widgets/inputblocker.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTouchEvent>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace {

// Notes which events reach it, past the application's event filters.
class EventRecorder : public QWidget
{
public:
    using QWidget::QWidget;
    QList<QEvent::Type> seen;

protected:
    bool event(QEvent *event) override
    {
        seen << event->type();
        return QWidget::event(event);
    }
};

std::unique_ptr<QEvent> makeEvent(QEvent::Type type)
{
    const QPointF at(2, 2);
    switch (type) {
    case QEvent::KeyPress:
        return std::make_unique<QKeyEvent>(type, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    case QEvent::MouseButtonPress:
        return std::make_unique<QMouseEvent>(type, at, Qt::LeftButton, Qt::LeftButton,
                                             Qt::NoModifier);
    case QEvent::Wheel:
        return std::make_unique<QWheelEvent>(at, at, QPoint(), QPoint(0, 120), Qt::NoButton,
                                             Qt::NoModifier, Qt::NoScrollPhase, false);
    case QEvent::ContextMenu:
        return std::make_unique<QContextMenuEvent>(QContextMenuEvent::Mouse, QPoint(2, 2));
    case QEvent::Shortcut:
        return std::make_unique<QShortcutEvent>(QKeySequence(QStringLiteral("Ctrl+S")), 1);
    case QEvent::TouchBegin: {
        static QTouchDevice *device = QTest::createTouchDevice();
        QTouchEvent::TouchPoint point(1);
        point.setPos(at);
        point.setState(Qt::TouchPointPressed);
        return std::make_unique<QTouchEvent>(type, device, Qt::NoModifier, Qt::TouchPointPressed,
                                             QList<QTouchEvent::TouchPoint>{point});
    }
    case QEvent::DragEnter: {
        static QMimeData data;
        return std::make_unique<QDragEnterEvent>(QPoint(2, 2), Qt::CopyAction, &data,
                                                 Qt::LeftButton, Qt::NoModifier);
    }
    case QEvent::Timer:
        return std::make_unique<QTimerEvent>(1);
    case QEvent::Close:
        return std::make_unique<QCloseEvent>();
    default:
        return std::make_unique<QEvent>(type);
    }
}

// A window with a line edit and a button, the controls a user would type into and click.
struct Window
{
    Window()
    {
        auto *layout = new QVBoxLayout(&widget);
        layout->addWidget(edit);
        layout->addWidget(button);
        widget.show();
    }
    // Types "x" into the edit and clicks the button; true when both took effect.
    bool takesInput()
    {
        edit->clear();
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keyClick(edit, Qt::Key_X);
        QTest::mouseClick(button, Qt::LeftButton);
        return edit->text() == QLatin1String("x") && clicked.count() == 1;
    }

    QWidget widget;
    QLineEdit *edit = new QLineEdit;
    QPushButton *button = new QPushButton(QStringLiteral("Press"));
};

} // namespace

Q_DECLARE_METATYPE(QEvent::Type)

class InputBlockerTest : public QObject
{
    Q_OBJECT

private slots:
    // User input to a widget inside the blocked window is swallowed; everything else reaches
    // it, and the same input still reaches a widget of another window.
    void swallowsOnlyUserInputToTheBlockedWindow_data()
    {
        QTest::addColumn<QEvent::Type>("type");
        QTest::addColumn<bool>("swallowed");
        QTest::newRow("key") << QEvent::KeyPress << true;
        QTest::newRow("mouse") << QEvent::MouseButtonPress << true;
        QTest::newRow("wheel") << QEvent::Wheel << true;
        QTest::newRow("context menu") << QEvent::ContextMenu << true;
        QTest::newRow("shortcut") << QEvent::Shortcut << true;
        QTest::newRow("touch") << QEvent::TouchBegin << true;
        QTest::newRow("drag") << QEvent::DragEnter << true;
        QTest::newRow("timer") << QEvent::Timer << false;
        QTest::newRow("close") << QEvent::Close << false;
        QTest::newRow("update request") << QEvent::UpdateRequest << false;
    }
    void swallowsOnlyUserInputToTheBlockedWindow()
    {
        QFETCH(QEvent::Type, type);
        QFETCH(bool, swallowed);
        QWidget blocked;
        auto *inside = new EventRecorder(&blocked);
        EventRecorder other;
        for (QWidget *recorder : {static_cast<QWidget *>(inside), static_cast<QWidget *>(&other)}) {
            recorder->setAttribute(Qt::WA_AcceptTouchEvents);
            recorder->setAcceptDrops(true);
        }

        InputBlock block(&blocked);
        for (QWidget *receiver : {static_cast<QWidget *>(inside), static_cast<QWidget *>(&other)}) {
            const std::unique_ptr<QEvent> event = makeEvent(type);
            QApplication::sendEvent(receiver, event.get());
        }
        QCOMPARE(inside->seen.contains(type), !swallowed);
        QVERIFY(other.seen.contains(type));
    }

    // Typing and clicking: blocked in the blocked window, not in another window nor in a
    // dialog opened from the blocked one; both work again once the block ends.
    void blockedWindowIgnoresTypingAndClicks()
    {
        Window blocked;
        Window other;
        QDialog dialog(&blocked.widget);
        auto *dialogEdit = new QLineEdit(&dialog);
        dialog.show();
        {
            InputBlock block(&blocked.widget);
            QVERIFY(block.isActive());
            QVERIFY(!blocked.takesInput());
            QVERIFY(other.takesInput());
            QTest::keyClick(dialogEdit, Qt::Key_Y);
            QCOMPARE(dialogEdit->text(), QStringLiteral("y"));
        }
        QVERIFY(blocked.takesInput());
    }

    // Blocks of one window nest: input returns with the end of the last one, however the
    // blocks end (scope, early release, the last copy of a shared block dropped).
    void nestedBlocksEndWithTheLast()
    {
        Window window;
        auto outer = std::make_unique<InputBlock>(&window.widget);
        std::function<void()> completion = [shared = blockInput(&window.widget)] {};
        {
            InputBlock inner(&window.widget);
            inner.release();
            QVERIFY(!inner.isActive());
            QVERIFY(isInputBlocked(window.edit));
        }
        QVERIFY(!window.takesInput());
        outer.reset();
        QVERIFY(isInputBlocked(window.edit));
        completion = nullptr; // a completion dropped without ever running
        QVERIFY(!isInputBlocked(window.edit));
        QVERIFY(window.takesInput());
    }

    // The wait cursor shows while blocked; afterwards the widget has the cursor it had, or
    // again inherits its parent's.
    void restoresTheCursor_data()
    {
        QTest::addColumn<bool>("ownCursor");
        QTest::newRow("own cursor") << true;
        QTest::newRow("inherited cursor") << false;
    }
    void restoresTheCursor()
    {
        QFETCH(bool, ownCursor);
        QWidget window;
        window.setCursor(Qt::CrossCursor);
        auto *panel = new QWidget(&window);
        if (ownCursor)
            panel->setCursor(Qt::PointingHandCursor);
        {
            InputBlock first(panel);
            InputBlock second(panel);
            QCOMPARE(panel->cursor().shape(), Qt::WaitCursor);
        }
        QCOMPARE(panel->cursor().shape(), ownCursor ? Qt::PointingHandCursor : Qt::CrossCursor);
        window.setCursor(Qt::IBeamCursor);
        QCOMPARE(panel->cursor().shape(), ownCursor ? Qt::PointingHandCursor : Qt::IBeamCursor);
    }

    // A window destroyed while blocked leaves a block that ends quietly, and blocks no widget
    // made afterwards.
    void blockOutlivingItsWindowEndsCleanly()
    {
        auto doomed = std::make_unique<Window>();
        auto block = blockInput(&doomed->widget);
        InputBlock nested(&doomed->widget);
        doomed.reset();
        nested.release();
        Window next;
        QVERIFY(!isInputBlocked(next.edit));
        QVERIFY(next.takesInput());
        block.reset();
        QVERIFY(next.takesInput());
    }
};

ZX_REGISTER_TEST(InputBlockerTest);
#include "test_inputblocker.moc"
