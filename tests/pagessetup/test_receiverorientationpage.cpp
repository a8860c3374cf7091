// The receiver orientation page against a real receiver model.
#include "setuprig.h"
#include "testregistry.h"
#include "ui/pages/setup/mountingorientation.h"
#include "ui/pages/setup/orientationview.h"
#include "ui/pages/setup/receiverorientationpage.h"

#include <QLabel>
#include <QtTest>

using namespace setuptest;

namespace {

const DeviceSetting kOrientation = makeSetting(SettingType::Orientation);

int packed(int x, int y, int z)
{
    return (x & 0xFF) | ((y & 0xFF) << 8) | ((z & 0xFF) << 16);
}

} // namespace

class ReceiverOrientationPageTest : public QObject
{
    Q_OBJECT

private slots:
    // The page offers every mounting, shows the model's, and choosing one stores exactly
    // the orientation: the two bytes of the receiver's axis map and axis directions.
    void choosingAMountingStoresOnlyTheOrientation()
    {
        Rig rig;
        ReceiverOrientationPage page(rig.model, rig.context);
        QComboBox *box = page.orientationBox();
        QCOMPARE(box->count(), int(Mounting::orientations().size()));
        QCOMPARE(box->currentText(), QStringLiteral("Label up, connectors toward the tail"));
        QCOMPARE(page.orientationView()->orientation(),
                 std::optional(Mounting::standardOrientation()));

        const int axisMap = rig.offsetOf(SettingType::Orientation);
        QVERIFY(axisMap > 0);
        const QList<int> orientationBytes{axisMap, axisMap + 1};
        for (const Mounting::Orientation &orientation : Mounting::orientations()) {
            const QByteArray before = rig.bytes();
            const int value = Mounting::settingValue(orientation);
            if (value == rig.model->value(kOrientation, 0))
                continue;
            QVERIFY(choose(box, value));
            QCOMPARE(rig.model->value(kOrientation, 0), value);
            const QList<int> changed = changedOffsets(before, rig.bytes());
            QVERIFY(!changed.isEmpty());
            for (int offset : changed)
                QVERIFY2(orientationBytes.contains(offset), qPrintable(QString::number(offset)));
            QCOMPARE(page.orientationView()->orientation(), std::optional(orientation));
        }
    }

    // The keyboard reaches the list and changes the mounting.
    void keyboardChangesTheMounting()
    {
        Rig rig;
        ReceiverOrientationPage page(rig.model, rig.context);
        page.show();
        QComboBox *box = page.orientationBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(rig.model->value(kOrientation, 0),
                 Mounting::settingValue(Mounting::orientations().at(1)));
    }

    // A change made elsewhere shows; a stored value that is no mounting leaves the list
    // without a choice and says so.
    void followsTheModel()
    {
        Rig rig;
        ReceiverOrientationPage page(rig.model, rig.context);
        page.show();
        const auto *note = page.findChild<QLabel *>(QStringLiteral("orientationNote"));
        QVERIFY(note && !note->isVisible());

        const Mounting::Orientation upsideDown{Mounting::Direction::Down,
                                               Mounting::Direction::Back};
        rig.model->setValue(kOrientation, 0, Mounting::settingValue(upsideDown));
        QCOMPARE(page.orientationBox()->currentText(),
                 QStringLiteral("Label down, connectors toward the tail"));
        QCOMPARE(page.orientationView()->orientation(), std::optional(upsideDown));

        rig.model->setValue(kOrientation, 0, packed(1, -2, 3));
        QCOMPARE(page.orientationBox()->currentIndex(), -1);
        QCOMPARE(page.orientationView()->orientation(), std::nullopt);
        QVERIFY(note->isVisible());

        rig.model->resetToDefaults();
        QCOMPARE(page.orientationView()->orientation(),
                 std::optional(Mounting::standardOrientation()));
        QVERIFY(!note->isVisible());
    }
};

ZX_REGISTER_TEST(ReceiverOrientationPageTest);
#include "test_receiverorientationpage.moc"
