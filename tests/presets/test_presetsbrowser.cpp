#include "models/model.h"
#include "models/modellibrary.h"
#include "models/presetseeds.h"
#include "presetsrig.h"
#include "testregistry.h"
#include "ui/models/presetsbrowser.h"

#include <QtTest>

using namespace presetsbrowser;

namespace {

// A row as "pc/pv" in hexadecimal for a preset, "# text" for a heading.
QStringList describe(const QList<PresetRow> &rows, const ModelLibrary &presets)
{
    QStringList described;
    for (const PresetRow &row : rows) {
        if (row.heading) {
            described.append(QStringLiteral("# ") + row.name);
            continue;
        }
        const ModelInfo info = presets.entryInfo(row.fileName);
        described.append(QStringLiteral("%1/%2")
                             .arg(info.productCode(), 0, 16)
                             .arg(info.parameterVersion(), 0, 16));
    }
    return described;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QStringList kAllPresets{QStringLiteral("d9/ff"), QStringLiteral("d9/fe"),
                              QStringLiteral("83/5"),  QStringLiteral("83/4"),
                              QStringLiteral("ef/1"),  QStringLiteral("3a/0")};

} // namespace

class PresetsBrowserTest : public QObject
{
    Q_OBJECT

private slots:
    // Without a device every preset is listed; with one, only those of its exact variant,
    // or all of them grouped when the user asks.
    void rows_data()
    {
        QTest::addColumn<int>("productCode"); // -1: no device
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<bool>("showAll");
        QTest::addColumn<QStringList>("expected");

        const QString own = QStringLiteral("# ") + kThisDeviceHeading;
        const QString others = QStringLiteral("# ") + kOtherDevicesHeading;
        QTest::newRow("no device") << -1 << 0 << false << kAllPresets;
        QTest::newRow("no device, show all") << -1 << 0 << true << kAllPresets;
        QTest::newRow("airplane receiver") << 0xD9 << 0xFF << false << QStringList{"d9/ff"};
        QTest::newRow("same product, other version")
            << 0xD9 << 0xFE << false << QStringList{"d9/fe"};
        QTest::newRow("earlier firmware") << 0x83 << 4 << false << QStringList{"83/4"};
        QTest::newRow("earlier firmware, show all")
            << 0x83 << 4 << true
            << QStringList{own, "83/4", others, "d9/ff", "d9/fe", "83/5", "ef/1", "3a/0"};
        QTest::newRow("device without presets") << 0xDA << 0xFF << false << QStringList();
        QTest::newRow("device without presets, show all")
            << 0xDA << 0xFF << true << (QStringList{others} + kAllPresets);
    }
    void rows()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(bool, showAll);
        QFETCH(QStringList, expected);
        presetstest::PresetsRig rig;
        const std::optional<DeviceVariant> device =
            productCode < 0 ? std::nullopt
                            : std::optional(DeviceVariant{productCode, parameterVersion});

        const QList<PresetRow> rows = presetRows(*rig.presets, device, showAll);

        QCOMPARE(describe(rows, *rig.presets), expected);
        for (const PresetRow &row : rows) {
            if (row.heading)
                continue;
            QVERIFY(!row.productName.isEmpty());
            QVERIFY(!row.notes.isEmpty());
            QVERIFY(!row.image.isNull());
        }
    }

    // Each use adds one model with the preset's settings under the preset's name, made unique;
    // the preset itself stays as it was.
    void useAddsOneCopyUnderAUniqueName()
    {
        presetstest::PresetsRig rig;
        const QString preset = rig.presetFile(0xD9, 0xFF);
        const QString presetName = rig.presets->entryInfo(preset).name();
        const QByteArray presetBytes = readFile(rig.presets->filePath(preset));
        const std::uint32_t presetCrc = rig.presets->openModel(preset)->modelCrc();

        const CopyOutcome first = usePreset(*rig.presets, *rig.models, preset);
        const CopyOutcome second = usePreset(*rig.presets, *rig.models, preset);

        QVERIFY(first.ok());
        QVERIFY(second.ok());
        QCOMPARE(rig.models->fileNames(), (QStringList{first.fileName, second.fileName}));
        QCOMPARE(rig.models->entryInfo(first.fileName).name(), presetName);
        QCOMPARE(rig.models->entryInfo(second.fileName).name(), presetName + QStringLiteral(" 2"));
        for (const QString &fileName : {first.fileName, second.fileName}) {
            const std::shared_ptr<Model> copy = rig.models->openModel(fileName);
            QVERIFY(copy);
            QCOMPARE(copy->modelCrc(), presetCrc);
            QCOMPARE(copy->info().notes(), rig.presets->entryInfo(preset).notes());
        }
        QCOMPARE(rig.presets->fileNames().size(), shippedPresets().size());
        QCOMPARE(readFile(rig.presets->filePath(preset)), presetBytes);
    }

    // %1 stands for the airplane receiver's preset.
    void failedUseAddsNothing_data()
    {
        QTest::addColumn<bool>("spoilFile");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("unreadable file") << true << QStringLiteral("%1");
        QTest::newRow("not a preset") << false << QStringLiteral("99.zrm");
        // The same file by a path out of the folder and back is still no file name of it.
        QTest::newRow("path instead of name") << false << QStringLiteral("../Presets/%1");
    }
    void failedUseAddsNothing()
    {
        QFETCH(bool, spoilFile);
        QFETCH(QString, fileName);
        presetstest::PresetsRig rig;
        const QString preset = rig.presetFile(0xD9, 0xFF);
        fileName.replace(QStringLiteral("%1"), preset);
        if (spoilFile)
            QVERIFY(rig.spoil(preset));

        const CopyOutcome outcome = usePreset(*rig.presets, *rig.models, fileName);

        QCOMPARE(outcome.errorText, kCopyFailed);
        QVERIFY(outcome.fileName.isEmpty());
        QVERIFY(rig.models->fileNames().isEmpty());
    }
};

ZX_REGISTER_TEST(PresetsBrowserTest);
#include "test_presetsbrowser.moc"
