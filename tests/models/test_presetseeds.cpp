#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "models/presetseeds.h"
#include "testregistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::shared_ptr<Model> defaultModel(int productCode, int parameterVersion)
{
    const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
    if (!modelClass)
        return nullptr;
    std::shared_ptr<Model> model = modelClass->create(productCode, parameterVersion);
    model->resetToDefaults();
    return model;
}

// The file of the library's model with that product code and parameter version; empty when
// there is none, "several" when there is more than one.
QString fileOfVariant(const ModelLibrary &library, int productCode, int parameterVersion)
{
    QString found;
    for (const auto &info : library.entries()) {
        if (info->productCode() != productCode || info->parameterVersion() != parameterVersion)
            continue;
        if (!found.isEmpty())
            return QStringLiteral("several");
        found = info->fileName();
    }
    return found;
}

} // namespace

class PresetSeedsTest : public QObject
{
    Q_OBJECT

private slots:
    // Every variant the program ships a preset for, read back by a later start: each is a model
    // of its own class with that class's defaults, a name and notes, bound to no device.
    void emptyLibraryGetsOnePresetPerVariant_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::newRow("airplane receiver") << 0xD9 << 0xFF;
        QTest::newRow("airplane receiver with KOVA") << 0xD9 << 0xFE;
        QTest::newRow("3-axis receiver, current firmware") << 0x83 << 5;
        QTest::newRow("3-axis receiver, earlier firmware") << 0x83 << 4;
        QTest::newRow("transmitter") << 0xEF << 1;
        QTest::newRow("stabiliser box") << 0x3A << 0;
    }
    void emptyLibraryGetsOnePresetPerVariant()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QTemporaryDir dir;
        {
            ModelLibrary presets(dir.path());
            installShippedPresets(presets);
            QCOMPARE(presets.fileNames().size(), shippedPresets().size());
        }

        ModelLibrary reopened(dir.path());
        const QString fileName = fileOfVariant(reopened, productCode, parameterVersion);
        QVERIFY2(!fileName.isEmpty() && fileName != QStringLiteral("several"),
                 qPrintable(fileName));
        const std::shared_ptr<Model> preset = reopened.openModel(fileName);
        QVERIFY(preset);
        QCOMPARE(preset->getModelClassInfo(), findModelClass(productCode, parameterVersion));
        QCOMPARE(preset->info().name(), reopened.entryInfo(fileName).name());
        QVERIFY(!preset->info().name().isEmpty());
        QVERIFY(
            preset->info().notes().contains(findModelDevice(productCode, parameterVersion)->name));
        QVERIFY(preset->info().serialNumber().isEmpty());
        QCOMPARE(preset->info().image(), defaultModelImage());
        QCOMPARE(preset->modelCrc(), defaultModel(productCode, parameterVersion)->modelCrc());
    }

    void libraryWithModelsIsLeftAlone()
    {
        QTemporaryDir dir;
        ModelLibrary presets(dir.path());
        std::shared_ptr<Model> own = defaultModel(0xD9, 0xFF);
        own->info().setName(QStringLiteral("My Own Preset"));
        const QString fileName = presets.addModel(own);
        QVERIFY(!fileName.isEmpty());
        const QByteArray before = readFile(presets.filePath(fileName));

        installShippedPresets(presets);

        QCOMPARE(presets.fileNames(), QStringList{fileName});
        QCOMPARE(readFile(presets.filePath(fileName)), before);
    }

    // Once filled, the library lists models, so neither a second call nor a later start adds
    // anything.
    void secondCallAddsNothing()
    {
        QTemporaryDir dir;
        QStringList installed;
        {
            ModelLibrary presets(dir.path());
            installShippedPresets(presets);
            installed = presets.fileNames();
            installShippedPresets(presets);
            QCOMPARE(presets.fileNames(), installed);
        }
        ModelLibrary reopened(dir.path());
        installShippedPresets(reopened);
        QCOMPARE(reopened.fileNames(), installed);
    }

    // A file that does not load is not listed, so the library counts as empty; the presets
    // must go into new files beside it.
    void unlistedFileStaysUntouched()
    {
        QTemporaryDir dir;
        const QByteArray junk("not a model");
        {
            QFile file(dir.filePath(QStringLiteral("1.zrm")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(junk);
        }
        ModelLibrary presets(dir.path());
        installShippedPresets(presets);

        QCOMPARE(presets.fileNames().size(), shippedPresets().size());
        QVERIFY(!presets.contains(QStringLiteral("1.zrm")));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("1.zrm"))), junk);
    }
};

ZX_REGISTER_TEST(PresetSeedsTest);
#include "test_presetseeds.moc"
