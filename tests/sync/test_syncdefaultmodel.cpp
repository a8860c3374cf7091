// The model the sync dialog offers first, without a dialog or a device.
#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modelinfo.h"
#include "models/modellibrary.h"
#include "testregistry.h"
#include "ui/sync/syncdefaultmodel.h"

#include <QTemporaryDir>
#include <QTest>

using modelsync::SyncDevice;

namespace {

constexpr int kReceiver = 0xD9;
constexpr int kSiblingReceiver = 0xDA;
constexpr int kTransmitter = 0xEF;
constexpr int kPlain = 0xFF;
constexpr int kKova = 0xFE;

const QString kSerial = QStringLiteral("S-1");
const QString kTag = QStringLiteral("T");

struct LibraryModel
{
    QString name;
    QString serial;
    int productCode = 0;
    int parameterVersion = 0;
};

// Rows of the last-synced column that name no listed model.
constexpr int kNoLastSynced = -1;
constexpr int kDeletedLastSynced = -2;
// The expected default when it is a new model.
constexpr int kNewModel = -1;

} // namespace

Q_DECLARE_METATYPE(LibraryModel)
Q_DECLARE_METATYPE(QList<LibraryModel>)
Q_DECLARE_METATYPE(SyncDevice)

class SyncDefaultModelTest : public QObject
{
    Q_OBJECT

    static ModelInfo infoOf(int productCode, int parameterVersion)
    {
        ModelInfo info;
        info.setProductCode(productCode);
        info.setParameterVersion(parameterVersion);
        return info;
    }

    static QString addModel(ModelLibrary &library, const LibraryModel &row)
    {
        const ModelClassInfo *modelClass = findModelClass(row.productCode, row.parameterVersion);
        if (!modelClass)
            return {};
        std::shared_ptr<Model> model = modelClass->create(row.productCode, row.parameterVersion);
        model->info().setName(row.name);
        model->info().setSerialNumber(row.serial);
        return library.addModel(model);
    }

    static QStringList modelSyncLog(const Log &log)
    {
        QStringList lines;
        for (int i = 0; i < log.count(); ++i)
            if (log.entry(i).category == modelsync::kLogCategory)
                lines.append(log.entry(i).message);
        return lines;
    }

private slots:
    // A model fits when its class serves the device's variant at the model's own parameter
    // version, or when its class can upgrade it to the device's variant.
    void fitsDevice_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<SyncDevice>("device");
        QTest::addColumn<bool>("fits");

        const SyncDevice receiver{kSerial, kReceiver, kPlain};
        QTest::newRow("same variant") << kReceiver << kPlain << receiver << true;
        QTest::newRow("sibling product of the class")
            << kSiblingReceiver << kPlain << receiver << true;
        QTest::newRow("other parameter version, nothing converts it")
            << kReceiver << kKova << receiver << false;
        QTest::newRow("other class") << kTransmitter << 1 << receiver << false;
        QTest::newRow("no class for the model")
            << 0x01 << 0 << SyncDevice{kSerial, 0x01, 0} << false;
        QTest::newRow("device without parameter version")
            << kReceiver << kPlain << SyncDevice{kSerial, kReceiver, std::nullopt} << false;
        QTest::newRow("older transmitter upgrades")
            << kTransmitter << 0 << SyncDevice{kSerial, kTransmitter, 1} << true;
        QTest::newRow("newer transmitter does not go back")
            << kTransmitter << 1 << SyncDevice{kSerial, kTransmitter, 0} << false;
    }
    void fitsDevice()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(SyncDevice, device);
        QFETCH(bool, fits);
        QCOMPARE(modelsync::fitsDevice(infoOf(productCode, parameterVersion), device), fits);
    }

    // The last-synced model while it is listed and fits; otherwise the first model recorded
    // for the device's serial number, product code and parameter version; otherwise a new one.
    // Each way logs its line, then the choice.
    void chooseDefaultModel_data()
    {
        QTest::addColumn<QList<LibraryModel>>("models");
        QTest::addColumn<int>("lastSynced");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("reason");

        const QString fromLast = QStringLiteral("setting default model to last synced");
        const QString fromList = QStringLiteral("setting default model from model list");

        QTest::newRow("first-seen device")
            << QList<LibraryModel>{{"Other device", "S-2", kReceiver, kPlain}} << kNoLastSynced
            << kNewModel << QString();
        QTest::newRow("last synced before the list")
            << QList<LibraryModel>{{"Listed", kSerial, kReceiver, kPlain},
                                   {"Last", "S-9", kReceiver, kPlain}}
            << 1 << 1 << fromLast;
        QTest::newRow("deleted last synced: list search")
            << QList<LibraryModel>{{"Other version", kSerial, kReceiver, kKova},
                                   {"Other product", kSerial, kSiblingReceiver, kPlain},
                                   {"Other device", "S-2", kReceiver, kPlain},
                                   {"Mine", kSerial, kReceiver, kPlain},
                                   {"Mine too", kSerial, kReceiver, kPlain}}
            << kDeletedLastSynced << 3 << fromList;
        QTest::newRow("unfit last synced: list search")
            << QList<LibraryModel>{{"Receiver", kSerial, kReceiver, kPlain},
                                   {"Transmitter", kSerial, kTransmitter, 1}}
            << 1 << 0 << fromList;
        QTest::newRow("nothing fits")
            << QList<LibraryModel>{{"Other version", kSerial, kReceiver, kKova}} << 0 << kNewModel
            << QString();
    }
    void chooseDefaultModel()
    {
        QFETCH(QList<LibraryModel>, models);
        QFETCH(int, lastSynced);
        QFETCH(int, expected);
        QFETCH(QString, reason);

        QTemporaryDir dir;
        ModelLibrary library(dir.filePath(QStringLiteral("Models")));
        LastSyncedModels lastSyncedModels(dir.filePath(QStringLiteral("LastSyncedModels.json")));
        QStringList fileNames;
        for (const LibraryModel &model : models) {
            fileNames.append(addModel(library, model));
            QVERIFY(!fileNames.last().isEmpty());
        }
        if (lastSynced == kDeletedLastSynced) {
            const QString deleted = addModel(library, {"Deleted", kSerial, kReceiver, kPlain});
            QVERIFY(library.removeModel(deleted));
            lastSyncedModels.setLastSyncedModel(kSerial, deleted);
        } else if (lastSynced != kNoLastSynced) {
            lastSyncedModels.setLastSyncedModel(kSerial, fileNames.at(lastSynced));
        }

        Log log;
        Log::install(&log);
        const modelsync::DefaultModel choice = modelsync::chooseDefaultModel(
            library, &lastSyncedModels, {kSerial, kReceiver, kPlain}, kTag);
        Log::install(nullptr);

        const QString selection =
            expected == kNewModel ? modelsync::kNewModelMarker : fileNames.at(expected);
        QCOMPARE(choice.selection, selection);
        QCOMPARE(choice.isNew(), expected == kNewModel);
        if (!choice.isNew())
            QCOMPARE(choice.info->name(), models.at(expected).name);

        QStringList lines;
        if (!reason.isEmpty())
            lines.append(QStringLiteral("Sync dialog T: ") + reason);
        lines.append(
            QStringLiteral("Sync dialog T: serial number S-1, default model %1").arg(selection));
        QCOMPARE(modelSyncLog(log), lines);
    }
};

ZX_REGISTER_TEST(SyncDefaultModelTest);
#include "test_syncdefaultmodel.moc"
