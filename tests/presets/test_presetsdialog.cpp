#include "devsim/profiles.h"
#include "models/model.h"
#include "models/modellibrary.h"
#include "presetsrig.h"
#include "testregistry.h"
#include "ui/models/presetsbrowser.h"
#include "ui/models/presetsdialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using presetstest::PresetsRig;

namespace {

// The dialog's parts, found the way a test user would: by what they are.
struct Form
{
    explicit Form(PresetsDialog &dialog)
        : list(dialog.findChild<QListWidget *>(QStringLiteral("presetList")))
        , showAll(dialog.findChild<QCheckBox *>(QStringLiteral("showAllBox")))
        , use(dialog.findChild<QPushButton *>(QStringLiteral("useButton")))
        , notes(dialog.findChild<QLabel *>(QStringLiteral("notesLabel")))
        , picture(dialog.findChild<QLabel *>(QStringLiteral("pictureLabel")))
    {}

    // The first line of every row: preset names and headings.
    [[nodiscard]] QStringList rowNames() const
    {
        QStringList names;
        for (int row = 0; row < list->count(); ++row)
            names.append(list->item(row)->text().section(QLatin1Char('\n'), 0, 0));
        return names;
    }

    bool select(const QString &name) const
    {
        const QList<QListWidgetItem *> items = list->findItems(name, Qt::MatchStartsWith);
        if (items.isEmpty())
            return false;
        list->setCurrentItem(items.first());
        return true;
    }

    QListWidget *list;
    QCheckBox *showAll;
    QPushButton *use;
    QLabel *notes;
    QLabel *picture;
};

QString presetName(const PresetsRig &rig, int productCode, int parameterVersion)
{
    return rig.presets->entryInfo(rig.presetFile(productCode, parameterVersion)).name();
}

QStringList allPresetNames(const PresetsRig &rig)
{
    QStringList names;
    for (const auto &info : rig.presets->entries())
        names.append(info->name());
    return names;
}

} // namespace

class PresetsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutDeviceListsEveryPreset()
    {
        PresetsRig rig;
        PresetsDialog dialog(rig.context());
        const Form form(dialog);

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Presets"));
        QCOMPARE(form.rowNames(), allPresetNames(rig));
        QVERIFY(form.showAll->isChecked());
        QVERIFY(!form.showAll->isEnabled());
        // The first preset is chosen and previewed.
        QCOMPARE(form.list->currentRow(), 0);
        QVERIFY(form.use->isEnabled());
        QCOMPARE(form.notes->text(), rig.presets->entries().first()->notes());
        QVERIFY(!form.picture->pixmap(Qt::ReturnByValue).isNull());
    }

    // The device's own preset alone, then all of them grouped; the chosen one stays chosen.
    void withDeviceListsItsPresetsFirst()
    {
        PresetsRig rig;
        QVERIFY(rig.connect(devsim::profiles::trivorReceiver(devsim::profiles::Generation::Older)));
        PresetsDialog dialog(rig.context());
        const Form form(dialog);
        const QString own = presetName(rig, 0x83, 4);

        QCOMPARE(form.rowNames(), QStringList{own});
        QVERIFY(form.showAll->isEnabled());
        QVERIFY(!form.showAll->isChecked());

        form.showAll->click();
        QStringList others = allPresetNames(rig);
        others.removeOne(own);
        QCOMPARE(form.rowNames(), QStringList{presetsbrowser::kThisDeviceHeading} +
                                      QStringList{own} +
                                      QStringList{presetsbrowser::kOtherDevicesHeading} + others);
        QCOMPARE(form.list->currentItem()->text().section(QLatin1Char('\n'), 0, 0), own);
        QVERIFY(!(form.list->item(0)->flags() & Qt::ItemIsSelectable));

        form.showAll->click();
        QCOMPARE(form.rowNames(), QStringList{own});
    }

    void deviceWithoutPresetsSaysSo()
    {
        PresetsRig rig;
        QVERIFY(rig.presets->removeModel(rig.presetFile(0xD9, 0xFF)));
        QVERIFY(rig.connect(devsim::profiles::airplaneReceiver()));
        PresetsDialog dialog(rig.context());
        const Form form(dialog);

        QCOMPARE(form.list->count(), 0);
        QVERIFY(!form.use->isEnabled());
        QVERIFY(form.notes->text().contains(QStringLiteral("no presets for this device")));
    }

    // However the user confirms, one copy is made, with the preset's settings, and the dialog
    // closes accepted naming it.
    void useAddsExactlyOneModel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter") << "enter";
        QTest::newRow("button") << "button";
        QTest::newRow("double click") << "double click";
    }
    void useAddsExactlyOneModel()
    {
        QFETCH(QString, how);
        PresetsRig rig;
        PresetsDialog dialog(rig.context());
        const Form form(dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString preset = rig.presetFile(0x3A, 0);
        QVERIFY(form.select(presetName(rig, 0x3A, 0)));

        if (how == QLatin1String("enter")) {
            QTest::keyClick(form.list, Qt::Key_Return);
        } else if (how == QLatin1String("button")) {
            form.use->click();
        } else {
            form.list->scrollToItem(form.list->currentItem());
            const QRect rect = form.list->visualItemRect(form.list->currentItem());
            // A widget's double click comes after the press and release of a first click.
            QTest::mouseClick(form.list->viewport(), Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(form.list->viewport(), Qt::LeftButton, {}, rect.center());
        }

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(rig.models->fileNames(), QStringList{dialog.createdFileName()});
        const std::shared_ptr<Model> copy = rig.models->openModel(dialog.createdFileName());
        QVERIFY(copy);
        QCOMPARE(copy->info().name(), presetName(rig, 0x3A, 0));
        QCOMPARE(copy->modelCrc(), rig.presets->openModel(preset)->modelCrc());
    }

    void unreadablePresetShowsErrorAndAddsNothing()
    {
        PresetsRig rig;
        presetstest::MessageBoxCatcher boxes;
        PresetsDialog dialog(rig.context());
        const Form form(dialog);
        dialog.show();
        QVERIFY(form.select(presetName(rig, 0xEF, 1)));
        QVERIFY(rig.spoil(rig.presetFile(0xEF, 1)));

        form.use->click();

        QCOMPARE(boxes.boxes,
                 QStringList{QStringLiteral("Error: There was a problem copying the preset.")});
        QVERIFY(rig.models->fileNames().isEmpty());
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.createdFileName().isEmpty());
    }

    // The list has the focus first, then the check box and Use Preset, the default button;
    // Escape closes without a copy.
    void keyboard()
    {
        PresetsRig rig;
        QVERIFY(rig.connect(devsim::profiles::airplaneReceiver()));
        PresetsDialog dialog(rig.context());
        const Form form(dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QCOMPARE(dialog.focusWidget(), form.list);
        QVERIFY(form.use->isDefault());
        QTest::keyClick(form.list, Qt::Key_Tab);
        QCOMPARE(dialog.focusWidget(), form.showAll);
        QTest::keyClick(form.showAll, Qt::Key_Tab);
        QCOMPARE(dialog.focusWidget(), form.use);
        QVERIFY(!form.list->accessibleName().isEmpty());
        QVERIFY(!form.picture->accessibleName().isEmpty());

        QTest::keyClick(form.use, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(rig.models->fileNames().isEmpty());
    }
};

ZX_REGISTER_TEST(PresetsDialogTest);
#include "test_presetsdialog.moc"
