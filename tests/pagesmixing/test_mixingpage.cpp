// The mixing page as the user drives it, against the real airplane receiver model.
#include "models/edithistory.h"
#include "pagesrig.h"
#include "testregistry.h"
#include "ui/pages/mixing/mixchannels.h"
#include "ui/pages/mixing/mixingpage.h"
#include "ui/widgets/helpindicator.h"
#include "ui/widgets/picture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>

using namespace pagestest;
using AirplaneRx::SettingType;

namespace {

enum class Control { SpinBox, ComboBox, CheckBox };

const QList<SettingType> kMixSettings = {
    SettingType::MixMaster,    SettingType::MixSlave,           SettingType::MixPosRate,
    SettingType::MixNegRate,   SettingType::MixOffset,          SettingType::MixTrimEnabled,
    SettingType::MixCondition, SettingType::MixActivePositions,
};

const QString kMixLimitMessage = QStringLiteral(
    "critical Error: Another mix can't be added because the limit (of mixes) was reached.");
const QString kSurfaceLimitMessage =
    QStringLiteral("critical Error: Another mix can't be added because the limit (of mix "
                   "surfaces) was reached.");

QStringList listedMixes(const MixingPage &page)
{
    const auto *list = page.findChild<QListWidget *>(QStringLiteral("mixList"));
    QStringList texts;
    for (int row = 0; list && row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

QList<int> mixValues(const AirplaneRxModel &model, int mix)
{
    QList<int> values;
    for (SettingType type : kMixSettings)
        values.append(model.value(mixSetting(type, mix), 0));
    return values;
}

// As the user picks an item: the box reports `activated` only for a choice made by hand.
void choose(QComboBox &box, int code)
{
    const int index = box.findData(code);
    QVERIFY(index >= 0);
    box.setCurrentIndex(index);
    emit box.activated(index);
}

struct SurfaceLink
{
    int axis;
    int mix;
    bool operator==(const SurfaceLink &) const = default;
};

SurfaceLink surfaceLink(const AirplaneRxModel &model, int slot)
{
    QByteArray bytes = imageOf(model);
    const AirplaneRxImage image(AirplaneRxModel::imageSchema(), bytes);
    return {image.surfaceAxis(slot), image.surfaceMix(slot)};
}

int surfaceFieldOffset(int slot, const char *field)
{
    return locateField(AirplaneRxModel::imageSchema(), {{"surface", slot}, {field}}).offset;
}

// A receiver whose every mix but the never-used index 7 drives an output of its own.
void useEveryMix(AirplaneRxModel &model)
{
    QByteArray bytes = imageOf(model);
    AirplaneRxImage image(AirplaneRxModel::imageSchema(), bytes);
    int slot = 3;
    for (int mix = 0; mix < AirplaneRx::kMixCount; ++mix) {
        if (mix == AirplaneRx::kNoMix)
            continue;
        image.setSurfaceAxis(slot, AirplaneRx::kMixDrivenAxis);
        image.setSurfaceMix(slot, mix);
        ++slot;
    }
    model.memory().setModelData(0, bytes);
}

} // namespace

Q_DECLARE_METATYPE(Control)
Q_DECLARE_METATYPE(AirplaneRx::SettingType)

class MixingPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setPictureFolder(QStringLiteral(ZX_PICTURE_DIR)); }
    void cleanupTestCase() { setPictureFolder({}); }

    // Without mixes the page says so; with mixes it lists them by name and its controls show
    // the chosen mix's settings as the model holds them, signed values included.
    void showsTheChosenMix()
    {
        const auto model = newReceiver();
        MixingPage empty(model, nullptr);
        QCOMPARE(empty.currentMix(), -1);
        QVERIFY(listedMixes(empty).isEmpty());
        QCOMPARE(empty.findChild<QStackedWidget *>()->currentWidget()->objectName(),
                 QStringLiteral("noMixesLabel"));

        int first = -1;
        int second = -1;
        QCOMPARE(model->addMix(first), AirplaneRx::AddMixResult::Added);
        QCOMPARE(model->addMix(second), AirplaneRx::AddMixResult::Added);
        model->setValue(mixSetting(SettingType::MixMaster, second), 0, AirplaneRx::kYawChannel);
        model->setValue(mixSetting(SettingType::MixTrimEnabled, second), 0, 1);
        model->setValue(mixSetting(SettingType::MixPosRate, second), 0, 80);
        model->setValue(mixSetting(SettingType::MixNegRate, second), 0, -40);
        model->setValue(mixSetting(SettingType::MixOffset, second), 0, -15);
        model->setValue(mixSetting(SettingType::MixCondition, second), 0, 21);
        model->setValue(mixSetting(SettingType::MixActivePositions, second), 0, 0b101);

        MixingPage page(model, nullptr);
        QCOMPARE(listedMixes(page), (QStringList{"Mix 1", "Mix 2"}));
        QCOMPARE(page.currentMix(), first);
        page.selectMix(second);
        QCOMPARE(page.currentMix(), second);
        QCOMPARE(page.findChild<QListWidget *>()->currentRow(), 1);
        QCOMPARE(page.findChild<QGroupBox *>(QStringLiteral("mixEditor"))->title(),
                 QStringLiteral("Mix 2"));
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("mixNameEdit"))->text(),
                 QStringLiteral("Mix 2"));
        const auto *master = page.findChild<QComboBox *>(QStringLiteral("mixMasterBox"));
        QCOMPARE(master->currentData().toInt(), AirplaneRx::kYawChannel);
        QCOMPARE(master->currentText(), QStringLiteral("Rudder"));
        const auto *slave = page.findChild<QComboBox *>(QStringLiteral("mixSlaveBox"));
        QCOMPARE(slave->currentData().toInt(), MixChannels::kNoChannel);
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("mixPositiveRateBox"))->value(), 80);
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("mixNegativeRateBox"))->value(), -40);
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("mixOffsetBox"))->value(), -15);
        QVERIFY(page.findChild<QCheckBox *>(QStringLiteral("mixTrimBox"))->isChecked());
        QCOMPARE(page.findChild<QSpinBox *>(QStringLiteral("mixConditionBox"))->value(), 21);
        QCOMPARE(page.findChild<QLabel *>(QStringLiteral("mixConditionName"))->text(),
                 QStringLiteral("Aux 2"));
        QVERIFY(page.findChild<QCheckBox *>(QStringLiteral("mixActivePosition1"))->isChecked());
        QVERIFY(!page.findChild<QCheckBox *>(QStringLiteral("mixActivePosition2"))->isChecked());
        QVERIFY(page.findChild<QCheckBox *>(QStringLiteral("mixActivePosition3"))->isChecked());

        // Values beyond what the boxes offer would be clipped silently by the receiver.
        const auto *rate = page.findChild<QSpinBox *>(QStringLiteral("mixPositiveRateBox"));
        QCOMPARE(rate->minimum(), -MixingPage::kRateLimitPercent);
        QCOMPARE(rate->maximum(), MixingPage::kRateLimitPercent);
        QCOMPARE(rate->suffix(), QStringLiteral(" %"));
    }

    // Each control writes the setting it names into the chosen mix (not the first one) and no
    // other byte of the image; the other settings of the mix keep their values, including the
    // master that shares its byte with the trim flag.
    void editChangesOnlyItsField_data()
    {
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QString>("control");
        QTest::addColumn<Control>("kind");
        QTest::addColumn<int>("input");
        QTest::addColumn<SettingType>("type");
        QTest::addColumn<int>("expected");

        QTest::newRow("positive rate") << kPlainVersion << "mixPositiveRateBox" << Control::SpinBox
                                       << 75 << SettingType::MixPosRate << 75;
        QTest::newRow("negative rate, reversed")
            << kPlainVersion << "mixNegativeRateBox" << Control::SpinBox << -125
            << SettingType::MixNegRate << -125;
        QTest::newRow("offset") << kPlainVersion << "mixOffsetBox" << Control::SpinBox << -20
                                << SettingType::MixOffset << -20;
        QTest::newRow("master") << kPlainVersion << "mixMasterBox" << Control::ComboBox
                                << int(AirplaneRx::kPitchChannel) << SettingType::MixMaster
                                << int(AirplaneRx::kPitchChannel);
        QTest::newRow("master aux") << kPlainVersion << "mixMasterBox" << Control::ComboBox << 29
                                    << SettingType::MixMaster << 29;
        QTest::newRow("trim") << kPlainVersion << "mixTrimBox" << Control::CheckBox << 1
                              << SettingType::MixTrimEnabled << 1;
        QTest::newRow("condition") << kPlainVersion << "mixConditionBox" << Control::SpinBox << 30
                                   << SettingType::MixCondition << 30;
        QTest::newRow("second active position")
            << kPlainVersion << "mixActivePosition2" << Control::CheckBox << 1
            << SettingType::MixActivePositions << 0b010;
        QTest::newRow("positive rate, envelope receiver")
            << kEnvelopeVersion << "mixPositiveRateBox" << Control::SpinBox << 60
            << SettingType::MixPosRate << 60;
        QTest::newRow("master, envelope receiver")
            << kEnvelopeVersion << "mixMasterBox" << Control::ComboBox
            << int(AirplaneRx::kThrottleChannel) << SettingType::MixMaster
            << int(AirplaneRx::kThrottleChannel);
    }
    void editChangesOnlyItsField()
    {
        QFETCH(int, parameterVersion);
        QFETCH(QString, control);
        QFETCH(Control, kind);
        QFETCH(int, input);
        QFETCH(SettingType, type);
        QFETCH(int, expected);

        const auto model = newReceiver(parameterVersion);
        int first = -1;
        int second = -1;
        QCOMPARE(model->addMix(first), AirplaneRx::AddMixResult::Added);
        QCOMPARE(model->addMix(second), AirplaneRx::AddMixResult::Added);
        // A master to keep: the trim flag lives in the master's byte.
        model->setValue(mixSetting(SettingType::MixMaster, second), 0, AirplaneRx::kRollChannel);
        MixingPage page(model, nullptr);
        page.selectMix(second);

        const QByteArray before = imageOf(*model);
        QList<int> valuesBefore = mixValues(*model, second);
        QWidget *widget = page.findChild<QWidget *>(control);
        QVERIFY(widget);
        switch (kind) {
        case Control::SpinBox:
            qobject_cast<QSpinBox *>(widget)->setValue(input);
            break;
        case Control::ComboBox:
            choose(*qobject_cast<QComboBox *>(widget), input);
            break;
        case Control::CheckBox:
            qobject_cast<QCheckBox *>(widget)->click();
            break;
        }

        QCOMPARE(model->value(mixSetting(type, second), 0), expected);
        QCOMPARE(changedOffsets(before, imageOf(*model)),
                 QList<int>{mixOffset(*model, type, second)});
        QList<int> valuesAfter = mixValues(*model, second);
        const auto index = kMixSettings.indexOf(type);
        valuesBefore.removeAt(index);
        valuesAfter.removeAt(index);
        QCOMPARE(valuesAfter, valuesBefore);
    }

    // A mix into an axis drives every surface of that axis and gives back the output it had
    // of its own; back to its own output it takes a free surface again and lets the axis go.
    void slaveToAxisTakesTheAxisSurfaces()
    {
        const auto model = newReceiver();
        int mix = -1;
        QCOMPARE(model->addMix(mix), AirplaneRx::AddMixResult::Added);
        constexpr int kOwnSlot = 3;   // the first slot the default image leaves free
        constexpr int kPitchSlot = 1; // the default elevator
        QCOMPARE(surfaceLink(*model, kOwnSlot), (SurfaceLink{AirplaneRx::kMixDrivenAxis, mix}));
        MixingPage page(model, nullptr);
        auto *slave = page.findChild<QComboBox *>(QStringLiteral("mixSlaveBox"));

        QByteArray before = imageOf(*model);
        choose(*slave, AirplaneRx::kPitchChannel);
        QCOMPARE(model->value(mixSetting(SettingType::MixSlave, mix), 0),
                 AirplaneRx::kPitchChannel);
        QCOMPARE(surfaceLink(*model, kOwnSlot),
                 (SurfaceLink{AirplaneRx::kFreeSurfaceAxis, AirplaneRx::kNoMix}));
        QCOMPARE(surfaceLink(*model, kPitchSlot).mix, mix);
        QList<int> expected{mixOffset(*model, SettingType::MixSlave, mix),
                            surfaceFieldOffset(kPitchSlot, "associatedMix"),
                            surfaceFieldOffset(kOwnSlot, "associatedMix"),
                            surfaceFieldOffset(kOwnSlot, "associatedAxis")};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(changedOffsets(before, imageOf(*model)), expected);
        QCOMPARE(listedMixes(page), QStringList{"Mix 1"});
        QCOMPARE(slave->currentText(), QStringLiteral("Elevator surfaces"));

        choose(*slave, MixChannels::kNoChannel);
        QCOMPARE(surfaceLink(*model, kOwnSlot), (SurfaceLink{AirplaneRx::kMixDrivenAxis, mix}));
        QCOMPARE(surfaceLink(*model, kPitchSlot).mix, AirplaneRx::kNoMix);
        QCOMPARE(page.currentMix(), mix);
    }

    // Whatever changes the model (another page, undo, a sync) shows on the page at once.
    void followsOutsideChanges()
    {
        const auto model = newReceiver();
        int mix = -1;
        QCOMPARE(model->addMix(mix), AirplaneRx::AddMixResult::Added);
        MixingPage page(model, nullptr);
        auto *rate = page.findChild<QSpinBox *>(QStringLiteral("mixPositiveRateBox"));
        auto *master = page.findChild<QComboBox *>(QStringLiteral("mixMasterBox"));
        auto *conditionName = page.findChild<QLabel *>(QStringLiteral("mixConditionName"));

        model->setValue(mixSetting(SettingType::MixPosRate, mix), 0, 33);
        QCOMPARE(rate->value(), 33);
        model->setValue(mixSetting(SettingType::MixCondition, mix), 0, 20);
        QCOMPARE(conditionName->text(), QStringLiteral("Aux 1"));

        // A code the box does not offer still shows, and goes once the mix leaves it.
        const int offered = master->count();
        model->setValue(mixSetting(SettingType::MixMaster, mix), 0, 100);
        QCOMPARE(master->currentText(), QStringLiteral("Code 100"));
        QCOMPARE(master->count(), offered + 1);
        model->setValue(mixSetting(SettingType::MixMaster, mix), 0, AirplaneRx::kRollChannel);
        QCOMPARE(master->currentText(), QStringLiteral("Aileron"));
        QCOMPARE(master->count(), offered);

        model->setMixName(mix, QStringLiteral("Crow"));
        QCOMPARE(listedMixes(page), QStringList{"Crow"});
        QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("mixNameEdit"))->text(),
                 QStringLiteral("Crow"));

        int other = -1;
        QCOMPARE(model->addMix(other), AirplaneRx::AddMixResult::Added);
        QCOMPARE(listedMixes(page), (QStringList{"Crow", "Mix 1"}));
        QCOMPARE(page.currentMix(), mix);

        // A new wing type resets every mix.
        model->setWingType(DeviceModel::WingTypeDualAileron);
        QVERIFY(listedMixes(page).isEmpty());
        QCOMPARE(page.currentMix(), -1);
        QCOMPARE(page.findChild<QStackedWidget *>()->currentWidget()->objectName(),
                 QStringLiteral("noMixesLabel"));
    }

    // A name typed and confirmed becomes the mix's name and changes no setting; an emptied
    // field gives the old name back.
    void renamesTheChosenMix()
    {
        const auto model = newReceiver();
        int first = -1;
        int second = -1;
        QCOMPARE(model->addMix(first), AirplaneRx::AddMixResult::Added);
        QCOMPARE(model->addMix(second), AirplaneRx::AddMixResult::Added);
        MixingPage page(model, nullptr);
        page.selectMix(second);
        auto *edit = page.findChild<QLineEdit *>(QStringLiteral("mixNameEdit"));
        const QByteArray before = imageOf(*model);

        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("  Snap Flap "));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(model->mixNames().value(second), QStringLiteral("Snap Flap"));
        QCOMPARE(model->mixNames().value(first), QStringLiteral("Mix 1"));
        QCOMPARE(listedMixes(page), (QStringList{"Mix 1", "Snap Flap"}));
        QCOMPARE(imageOf(*model), before);

        edit->clear();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(model->mixNames().value(second), QStringLiteral("Snap Flap"));
        QCOMPARE(edit->text(), QStringLiteral("Snap Flap"));
        QCOMPARE(edit->maxLength(), MixingPage::kMaxNameLength);
    }

    // Add Mix makes a mix and shows it; once the first surface slots are taken it leaves the
    // model alone and says why, in the receiver's own words.
    void addMixStopsAtTheSurfaceLimit()
    {
        RecordingPresenter presenter;
        const auto model = newReceiver();
        MixingPage page(model, nullptr);
        auto *add = page.findChild<QPushButton *>(QStringLiteral("addMixButton"));
        // The default image leaves five of the first eight slots free.
        for (int count = 1; count <= 5; ++count) {
            add->click();
            QCOMPARE(listedMixes(page).size(), count);
            QCOMPARE(page.currentMix(), model->usedMixes().last());
            QCOMPARE(listedMixes(page).last(), QStringLiteral("Mix %1").arg(count));
        }
        QVERIFY(presenter.messages.isEmpty());

        const QByteArray before = imageOf(*model);
        add->click();
        QCOMPARE(presenter.messages, QStringList{kSurfaceLimitMessage});
        QCOMPARE(imageOf(*model), before);
        QCOMPARE(listedMixes(page).size(), 5);
    }

    void addMixStopsAtTheMixLimit()
    {
        RecordingPresenter presenter;
        const auto model = newReceiver();
        useEveryMix(*model);
        MixingPage page(model, nullptr);
        QCOMPARE(listedMixes(page).size(), AirplaneRx::kMixCount - 1);

        const QByteArray before = imageOf(*model);
        page.findChild<QPushButton *>(QStringLiteral("addMixButton"))->click();
        QCOMPARE(presenter.messages, QStringList{kMixLimitMessage});
        QCOMPARE(imageOf(*model), before);
    }

    // Remove Mix, or Delete in the list, removes the chosen mix without asking (Undo brings it
    // back) and changes only what the mix held; the list then shows the mix that took its row,
    // or the one above it. Without mixes there is nothing to remove.
    void removeMixRemovesTheChosenMix()
    {
        RecordingPresenter presenter;
        const auto model = newReceiver();
        EditHistory history;
        history.setModel(model);
        QList<int> mixes;
        for (int i = 0; i < 3; ++i) {
            int mix = -1;
            QCOMPARE(model->addMix(mix), AirplaneRx::AddMixResult::Added);
            mixes.append(mix);
        }
        model->setMixName(mixes[1], QStringLiteral("Crow"));
        MixingPage page(model, nullptr);
        page.resize(1000, 700);
        page.show();
        QApplication::setActiveWindow(&page);
        QVERIFY(QTest::qWaitForWindowActive(&page));
        auto *list = page.findChild<QListWidget *>(QStringLiteral("mixList"));
        auto *remove = page.findChild<QPushButton *>(QStringLiteral("removeMixButton"));
        page.selectMix(mixes[1]);
        QVERIFY(remove->isEnabled());
        constexpr int kSecondMixSlot = 4; // slots 3 to 5 are the three mixes' own surfaces

        // Between user actions, so that the removal is a step of its own.
        QVERIFY(QTest::qWaitFor([&] { return history.undoCount() == 1; }));
        const QByteArray before = imageOf(*model);
        remove->click();
        QCOMPARE(model->usedMixes(), (QList<int>{mixes[0], mixes[2]}));
        QCOMPARE(listedMixes(page), (QStringList{"Mix 1", "Mix 3"}));
        QCOMPARE(page.currentMix(), mixes[2]);
        QCOMPARE(changedOffsets(before, imageOf(*model)),
                 (QList<int>{surfaceFieldOffset(kSecondMixSlot, "associatedMix"),
                             surfaceFieldOffset(kSecondMixSlot, "associatedAxis")}));
        history.undo();
        QCOMPARE(imageOf(*model), before);
        QCOMPARE(listedMixes(page), (QStringList{"Mix 1", "Crow", "Mix 3"}));

        // Delete in the name field edits the name, not the mixes.
        auto *name = page.findChild<QLineEdit *>(QStringLiteral("mixNameEdit"));
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Delete);
        QCOMPARE(model->usedMixes().size(), 3);

        list->setFocus();
        QCOMPARE(page.currentMix(), mixes[2]);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(model->usedMixes(), (QList<int>{mixes[0], mixes[1]}));
        QCOMPARE(page.currentMix(), mixes[1]);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Crow"));
        QTest::keyClick(list, Qt::Key_Delete);
        QTest::keyClick(list, Qt::Key_Delete);
        QVERIFY(model->usedMixes().isEmpty());
        QCOMPARE(page.currentMix(), -1);
        QVERIFY(!remove->isEnabled());
        QCOMPARE(page.findChild<QStackedWidget *>()->currentWidget()->objectName(),
                 QStringLiteral("noMixesLabel"));
        QVERIFY(model->mixNames().isEmpty());
        QVERIFY(presenter.messages.isEmpty());
    }

    // Every help indicator finds its text in the shipped tooltip file; the wizard's pages
    // have no help texts and get no indicators.
    void helpIndicatorsHaveTexts()
    {
        const auto model = newReceiver();
        int mix = -1;
        QCOMPARE(model->addMix(mix), AirplaneRx::AddMixResult::Added);
        const TooltipTable tooltips = shippedTooltips();
        MixingPage page(model, &tooltips);
        const QList<HelpIndicator *> indicators = page.findChildren<HelpIndicator *>();
        QCOMPARE(indicators.size(), 8);
        for (const HelpIndicator *indicator : indicators)
            QVERIFY2(!indicator->helpText().isEmpty(), qPrintable(indicator->tooltipKey()));

        MixingPage wizardPage(model, nullptr);
        QVERIFY(wizardPage.findChildren<HelpIndicator *>().isEmpty());
    }
};

ZX_REGISTER_TEST(MixingPageTest);
#include "test_mixingpage.moc"
