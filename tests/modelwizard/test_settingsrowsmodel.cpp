// The settings rows of a model as a table, and where the wizard shows them.
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "models/classes/transmittermodel.h"
#include "testregistry.h"
#include "ui/models/addmodelwizard.h"
#include "ui/models/editmodelwidget.h"
#include "ui/models/settingsrowsmodel.h"
#include "ui/models/settingsrowsview.h"
#include "ui/models/wizarddevices.h"
#include "ui/models/wizardpages.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

namespace {

int rowOf(const SettingsRowsModel &rows, const QString &label)
{
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (rows.index(row, SettingsRowsModel::SettingColumn).data() == label)
            return row;
    }
    return -1;
}

} // namespace

class SettingsRowsModelTest : public QObject
{
    Q_OBJECT

private slots:
    // One row per setting with its label, value and range; only rows with something to
    // choose are editable, and only within their range. Switching models resets the table.
    void rowsOfAReceiver()
    {
        SettingsRowsModel rows;
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(rows.rowCount(), 0);
        QCOMPARE(rows.columnCount(), 3);

        auto receiver = std::make_shared<AirplaneRxModel>(0xD9, 0xFF);
        rows.setSource(receiver, true);
        const int channels = rowOf(rows, QStringLiteral("Transmitter Channels:"));
        const int type = rowOf(rows, QStringLiteral("Aircraft Type:"));
        QVERIFY(channels >= 0 && type >= 0);
        const QModelIndex value = rows.index(channels, SettingsRowsModel::ValueColumn);
        QCOMPARE(value.data().toString(), QStringLiteral("9"));
        QCOMPARE(value.data(Qt::EditRole).toInt(), 9);
        QCOMPARE(rows.index(channels, SettingsRowsModel::RangeColumn).data().toString(),
                 QStringLiteral("5 to 24"));
        QVERIFY(value.flags() & Qt::ItemIsEditable);
        QVERIFY(
            !(rows.index(channels, SettingsRowsModel::SettingColumn).flags() & Qt::ItemIsEditable));
        // The receiver flies airplanes only: nothing to choose.
        QCOMPARE(rows.index(type, SettingsRowsModel::ValueColumn).data().toString(),
                 QStringLiteral("Airplane"));
        QCOMPARE(rows.index(type, SettingsRowsModel::RangeColumn).data().toString(),
                 QStringLiteral("Airplane"));
        QVERIFY(!(rows.index(type, SettingsRowsModel::ValueColumn).flags() & Qt::ItemIsEditable));
        QVERIFY(!rows.setData(rows.index(type, SettingsRowsModel::ValueColumn), 2, Qt::EditRole));

        QSignalSpy changed(&rows, &QAbstractItemModel::dataChanged);
        QVERIFY(rows.setData(value, 12, Qt::EditRole));
        QCOMPARE(receiver->transmitterChannels(), 12);
        QCOMPARE(value.data().toString(), QStringLiteral("12"));
        QVERIFY(changed.count() >= 1);
        for (int outside : {4, 25})
            QVERIFY(!rows.setData(value, outside, Qt::EditRole));
        QVERIFY(!rows.setData(value, QStringLiteral("ten"), Qt::EditRole));
        QCOMPARE(receiver->transmitterChannels(), 12);

        // A change made elsewhere reaches the views.
        changed.clear();
        receiver->setValue(AirplaneRx::makeSetting(AirplaneRx::SettingType::FlightModeSwitch), 0,
                           20);
        QVERIFY(changed.count() >= 1);

        rows.setSource(receiver, false);
        QVERIFY(
            !(rows.index(channels, SettingsRowsModel::ValueColumn).flags() & Qt::ItemIsEditable));
        QVERIFY(
            !rows.setData(rows.index(channels, SettingsRowsModel::ValueColumn), 10, Qt::EditRole));

        // A class without rows leaves the table empty.
        rows.setSource(
            std::make_shared<TransmitterModel>(TransmitterModel::kTransmitterProductCode, 1), true);
        QCOMPARE(rows.rowCount(), 0);
        QVERIFY(!rows.source());
        rows.setSource(nullptr, true);
        QCOMPARE(rows.rowCount(), 0);
    }

    // The editor offers only the row's values: a spin box over its range.
    void editorKeepsToTheRange()
    {
        SettingsRowsView view;
        auto receiver = std::make_shared<AirplaneRxModel>(0xD9, 0xFF);
        view.showModel(receiver, true);
        view.show();
        SettingsRowsModel *rows = view.rowsModel();
        const QModelIndex value = rows->index(rowOf(*rows, QStringLiteral("Transmitter Channels:")),
                                              SettingsRowsModel::ValueColumn);
        view.setCurrentIndex(value);
        view.edit(value);
        auto *spin = view.findChild<QSpinBox *>();
        QVERIFY(spin);
        QCOMPARE(spin->minimum(), AirplaneRxModel::kMinTransmitterChannels);
        QCOMPARE(spin->maximum(), AirplaneRxModel::kMaxTransmitterChannels);
        QCOMPARE(spin->value(), 9);
        spin->setValue(16);
        QTest::keyClick(spin, Qt::Key_Return);
        // The delegate commits on the next turn of the event loop.
        QCoreApplication::processEvents();
        QCOMPARE(receiver->transmitterChannels(), 16);
        QVERIFY(view.sizeHint().height() > 0);
    }

    // The wizard's first page lists the chosen device's settings, editable, and hides the
    // list for a device whose class has none.
    void wizardShowsTheChosenModelsSettings()
    {
        ModelsContext context;
        AddModelWizard wizard(context);
        wizard.show();
        auto *first = qobject_cast<WizardFirstPage *>(wizard.page(wizard.startId()));
        QVERIFY(first);
        SettingsRowsView *view = first->settingsView();
        QVERIFY(!view->isVisible());

        const auto choose = [&](int productCode, int parameterVersion) {
            const int index =
                indexOfDevice(wizard.editWidget()->deviceChoices(), productCode, parameterVersion);
            QVERIFY(index >= 0);
            wizard.findChild<QComboBox *>(QStringLiteral("deviceComboBox"))->setCurrentIndex(index);
        };
        choose(0xD9, 0xFF);
        QVERIFY(view->isVisible());
        QCOMPARE(view->rowsModel()->source(), wizard.session().model());
        const QModelIndex value = view->rowsModel()->index(
            rowOf(*view->rowsModel(), QStringLiteral("Transmitter Channels:")),
            SettingsRowsModel::ValueColumn);
        QVERIFY(view->rowsModel()->setData(value, 7, Qt::EditRole));
        const auto receiver = std::dynamic_pointer_cast<AirplaneRxModel>(wizard.session().model());
        QVERIFY(receiver);
        QCOMPARE(receiver->transmitterChannels(), 7);

        choose(0xEF, 1);
        QVERIFY(!view->isVisible());
        QCOMPARE(view->rowsModel()->rowCount(), 0);
    }
};

ZX_REGISTER_TEST(SettingsRowsModelTest);
#include "test_settingsrowsmodel.moc"
