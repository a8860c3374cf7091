#include "devicestate/modelclassregistry.h"
#include "models/devicemodel.h"
#include "models/model.h"
#include "models/modelcodes.h"
#include "testmodelclasses.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Single = TestSingleSectionModel;
using Multi = TestMultiSectionModel;

QByteArray fileBytes(const QJsonObject &root)
{
    return QJsonDocument(root).toJson();
}

QJsonObject singleFile(QJsonObject extra = {})
{
    QJsonObject root{{"deviceProductCode", "0xD9"}, {"parameterVersion", "0xFF"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        root.insert(it.key(), it.value());
    return root;
}

QJsonObject multiFile(QJsonObject extra = {})
{
    QJsonObject root{{"deviceProductCode", "0x83"}, {"parameterVersion", "0x05"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        root.insert(it.key(), it.value());
    return root;
}

QByteArray sectionBytes(const std::shared_ptr<Model> &model, int index)
{
    return qobject_cast<DeviceModel *>(model.get())->memory().modelData(index);
}

int sectionCount(const std::shared_ptr<Model> &model)
{
    return qobject_cast<DeviceModel *>(model.get())->memory().sectionCount();
}

// A BMP header that claims a picture of 100 000 × 100 000 pixels.
QByteArray hugeBitmapHeader()
{
    QByteArray header(54, '\0');
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(54) << quint32(0) << quint32(54) << quint32(40) << qint32(100000)
        << qint32(100000) << quint16(1) << quint16(24);
    return header;
}

} // namespace

class ModelDocumentTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_classes = std::make_unique<ScopedModelClasses>(testModelClasses()); }
    void cleanup() { m_classes.reset(); }

    // Codes are read with C-style base detection; absent ones mean the first airplane
    // receiver. The class is chosen by the first device row with both codes equal.
    void findsTheClassByTheFileCodes_data()
    {
        QTest::addColumn<QJsonValue>("productCode");
        QTest::addColumn<QJsonValue>("parameterVersion");
        QTest::addColumn<QString>("className"); // empty: no model
        QTest::addColumn<int>("expectedProductCode");

        const QJsonValue absent;
        QTest::newRow("absent codes") << absent << absent << "TestSingleSectionModel" << 0xD9;
        QTest::newRow("empty codes")
            << QJsonValue("") << QJsonValue("") << "TestSingleSectionModel" << 0xD9;
        QTest::newRow("lower-case hex")
            << QJsonValue("0x3a") << QJsonValue("0x00") << "TestSingleSectionModel" << 0x3A;
        QTest::newRow("upper-case hex")
            << QJsonValue("0x3A") << QJsonValue("0") << "TestSingleSectionModel" << 0x3A;
        QTest::newRow("decimal") << QJsonValue("58") << QJsonValue("0") << "TestSingleSectionModel"
                                 << 0x3A;
        QTest::newRow("octal") << QJsonValue("072") << QJsonValue("00") << "TestSingleSectionModel"
                               << 0x3A;
        QTest::newRow("second class")
            << QJsonValue("0x83") << QJsonValue("5") << "TestMultiSectionModel" << 0x83;
        QTest::newRow("hex with junk") << QJsonValue("0x3G") << QJsonValue("0") << "" << 0;
        QTest::newRow("beyond 32 bits")
            << QJsonValue("0x1000000D9") << QJsonValue("0xFF") << "" << 0;
        QTest::newRow("unknown device") << QJsonValue("0x99") << QJsonValue("0") << "" << 0;
        QTest::newRow("known code, other version")
            << QJsonValue("0xD9") << QJsonValue("0xFE") << "" << 0;
    }

    void findsTheClassByTheFileCodes()
    {
        QFETCH(QJsonValue, productCode);
        QFETCH(QJsonValue, parameterVersion);
        QFETCH(QString, className);
        QFETCH(int, expectedProductCode);

        QJsonObject root{{"rawData", QJsonObject{}}};
        if (!productCode.isUndefined())
            root.insert("deviceProductCode", productCode);
        if (!parameterVersion.isUndefined())
            root.insert("parameterVersion", parameterVersion);
        if (className.contains("Multi"))
            root.insert("rawSectionData", QJsonObject{});
        const std::shared_ptr<Model> model = loadModelData(fileBytes(root));
        if (className.isEmpty()) {
            QVERIFY(!model);
            return;
        }
        QVERIFY(model);
        QCOMPARE(model->getModelClassInfo()->className, className);
        QCOMPARE(model->info().productCode(), expectedProductCode);
    }

    void writesCodesAsPaddedUpperCaseHex_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("217") << 217 << "0xD9";
        QTest::newRow("5") << 5 << "0x05";
        QTest::newRow("0") << 0 << "0x00";
        QTest::newRow("wide") << 0x1234 << "0x1234";
        QTest::newRow("negative as its pattern") << -5 << "0xFFFFFFFB";
    }

    void writesCodesAsPaddedUpperCaseHex()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(formatModelCode(code), text);
        QCOMPARE(parseModelCode(text), std::optional<std::int32_t>(code));
    }

    void loadsOnlyModelFilesThatParse()
    {
        QTemporaryDir dir;
        const QByteArray good = fileBytes(singleFile({{"rawData", QJsonObject{}}}));
        const auto write = [&](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write("good.zrm", good);
        write("other.zdm", good);
        write("other.json", good);
        write("broken.zrm", good.left(good.size() / 2));
        write("array.zrm", "[1, 2]");

        QVERIFY(loadModelFile(dir.filePath("good.zrm")));
        QVERIFY(!loadModelFile(dir.filePath("other.zdm")));
        QVERIFY(!loadModelFile(dir.filePath("other.json")));
        QVERIFY(!loadModelFile(dir.filePath("broken.zrm")));
        QVERIFY(!loadModelFile(dir.filePath("array.zrm")));
        QVERIFY(!loadModelFile(dir.filePath("missing.zrm")));
    }

    // "rawData" patches bytes at decimal offsets, "data" is applied on top; a file needs one of
    // them, and a patch must start inside the section or right at its end.
    void loadsSingleSection_data()
    {
        QTest::addColumn<QJsonObject>("keys");
        QTest::addColumn<QByteArray>("expected"); // empty: the load fails

        const QByteArray defaults = Single::defaultBytes();
        QByteArray patched = defaults;
        patched[16] = 0x0A;
        patched[17] = 0x0B;
        QByteArray fromData = defaults;
        fromData[0] = 7;
        fromData[7] = char(0xD0); // servo 1 pulse 2000
        fromData[8] = 0x07;

        QTest::newRow("data on the defaults")
            << QJsonObject{{"data",
                            QJsonObject{
                                {"mode", 7},
                                {"servo", QJsonObject{{"1", QJsonObject{{"pulse", 2000}}}}}}}}
            << fromData;
        QTest::newRow("exact raw bytes") << QJsonObject{{"rawData", QJsonObject{{"0", "00112233"}}}}
                                         << QByteArray::fromHex("00112233") + defaults.mid(4);
        QTest::newRow("patch at 16")
            << QJsonObject{{"rawData", QJsonObject{{"16", "0A0B"}}}} << patched;
        QTest::newRow("lenient hex skips junk")
            << QJsonObject{{"rawData", QJsonObject{{"16", "0A zz0B"}}}} << patched;
        QTest::newRow("patch at the end appends")
            << QJsonObject{{"rawData", QJsonObject{{"24", "EE"}}}} << defaults + "\xEE";
        QTest::newRow("raw then data") << QJsonObject{{"rawData", QJsonObject{{"0", "09"}}},
                                                      {"data", QJsonObject{{"mode", 7}}}}
                                       << QByteArray("\x07") + defaults.mid(1);
        QTest::newRow("neither key") << QJsonObject{{"name", "x"}} << QByteArray();
        QTest::newRow("offset not a number")
            << QJsonObject{{"rawData", QJsonObject{{"x", "00"}}}} << QByteArray();
        QTest::newRow("negative offset")
            << QJsonObject{{"rawData", QJsonObject{{"-1", "00"}}}} << QByteArray();
        QTest::newRow("offset past the end")
            << QJsonObject{{"rawData", QJsonObject{{"25", "00"}}}} << QByteArray();
        QTest::newRow("offset beyond 32 bits")
            << QJsonObject{{"rawData", QJsonObject{{"4294967296", "00"}}}} << QByteArray();
    }

    void loadsSingleSection()
    {
        QFETCH(QJsonObject, keys);
        QFETCH(QByteArray, expected);
        const std::shared_ptr<Model> model = loadModelData(fileBytes(singleFile(keys)));
        if (expected.isEmpty()) {
            QVERIFY(!model);
            return;
        }
        QVERIFY(model);
        QCOMPARE(sectionBytes(model, 0).toHex(), expected.toHex());
    }

    void rejectedFileLeavesTheModelAsItWas()
    {
        Single model;
        QVERIFY(!model.fromJsonDocument(
            QJsonDocument(singleFile({{"rawData", QJsonObject{{"0", "FFFF"}, {"99", "00"}}}}))));
        QCOMPARE(model.memory().modelData(0), Single::defaultBytes());
    }

    void loadsSections()
    {
        // Only section 2 listed: the sections below it end up empty.
        auto model =
            loadModelData(fileBytes(multiFile({{"rawSectionData", QJsonObject{{"2", "0102"}}}})));
        QVERIFY(model);
        QCOMPARE(sectionBytes(model, 0), QByteArray());
        QCOMPARE(sectionBytes(model, 1), QByteArray());
        QCOMPARE(sectionBytes(model, 2).toHex(), QByteArray("0102"));

        // The mirror is applied on the raw bytes, then cut to the stored length.
        model = loadModelData(fileBytes(multiFile(
            {{"rawSectionData", QJsonObject{{"1", "0000"}}},
             {"sectionData", QJsonObject{{"general", QJsonObject{{"enabled", 5}, {"rate", 300}}},
                                         {"mixer", QJsonObject{{"weight", QJsonArray{-1}}}},
                                         {"unknown", QJsonObject{{"a", 1}}}}}})));
        QVERIFY(model);
        QCOMPARE(sectionBytes(model, 0), QByteArray());
        QCOMPARE(sectionBytes(model, 1).toHex(), QByteArray("0500"));
        QCOMPARE(sectionBytes(model, 2).toHex(), QByteArray("fffff6ff")); // past the listed ones

        // A mirror alone loads onto the defaults.
        model = loadModelData(fileBytes(
            multiFile({{"sectionData", QJsonObject{{"general", QJsonObject{{"level", 3}}}}}})));
        QVERIFY(model);
        QCOMPARE(sectionBytes(model, 1).toHex(), QByteArray("01033200"));

        // A section beyond the class's list is added.
        model = loadModelData(fileBytes(multiFile({{"rawSectionData", QJsonObject{{"4", "AA"}}}})));
        QVERIFY(model);
        QCOMPARE(sectionCount(model), 5);
        QCOMPARE(sectionBytes(model, 3), QByteArray());
        QCOMPARE(sectionBytes(model, 4).toHex(), QByteArray("aa"));
    }

    void rejectsSectionFilesWithoutSettings_data()
    {
        QTest::addColumn<QJsonObject>("keys");
        QTest::newRow("neither key") << QJsonObject{{"data", QJsonObject{{"mode", 1}}}};
        QTest::newRow("only unknown mirrors")
            << QJsonObject{{"sectionData", QJsonObject{{"other", QJsonObject{}}}}};
        QTest::newRow("index not a number")
            << QJsonObject{{"rawSectionData", QJsonObject{{"one", "00"}}}};
        QTest::newRow("index beyond a byte")
            << QJsonObject{{"rawSectionData", QJsonObject{{"256", "00"}}}};
        QTest::newRow("huge index")
            << QJsonObject{{"rawSectionData", QJsonObject{{"2000000000", "00"}}}};
        QTest::newRow("negative index")
            << QJsonObject{{"rawSectionData", QJsonObject{{"-1", "00"}}}};
    }

    void rejectsSectionFilesWithoutSettings()
    {
        QFETCH(QJsonObject, keys);
        QVERIFY(!loadModelData(fileBytes(multiFile(keys))));
    }

    void readsTheInfoAndSignalsIt()
    {
        Single model;
        QSignalSpy infoSpy(&model, &Model::infoChanged);
        QSignalSpy settingsSpy(&model, &DeviceModel::settingsChanged);
        QImage picture(3, 2, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        QVERIFY(model.fromJsonDocument(QJsonDocument(singleFile({
            {"rawData", QJsonObject{}},
            {"name", "Cub"},
            {"image", encodeModelImage(picture)},
            {"serialNumber", "SN1"},
            {"notes", "windy"},
        }))));
        QCOMPARE(model.info().name(), "Cub");
        QCOMPARE(model.info().image().size(), QSize(3, 2));
        QCOMPARE(model.info().serialNumber(), "SN1");
        QCOMPARE(model.info().notes(), "windy");
        QCOMPARE(model.info().productCode(), 0xD9);
        QVERIFY(infoSpy.count() > 0);
        QCOMPARE(settingsSpy.count(), 0);

        // A missing name is empty; a picture that does not decode is the default one.
        for (const QJsonValue &image :
             {QJsonValue("not base64 at all"), QJsonValue(), QJsonValue(42),
              QJsonValue(QString::fromLatin1(hugeBitmapHeader().toBase64()))}) {
            QJsonObject root = singleFile({{"rawData", QJsonObject{}}});
            if (!image.isUndefined())
                root.insert("image", image);
            QVERIFY(model.fromJsonDocument(QJsonDocument(root)));
            QCOMPARE(model.info().name(), QString());
            QCOMPARE(model.info().image(), defaultModelImage());
        }
    }

    void newModelStartsWithNameAndPicture()
    {
        Multi model;
        QCOMPARE(model.info().name(), "Model");
        QVERIFY(!model.info().image().isNull());
        QCOMPARE(model.info().image(), defaultModelImage());
    }

    // Saving writes every key into the object the model was loaded from, so keys this version
    // does not write survive.
    void saveKeepsUnknownKeys()
    {
        const QJsonObject extra{{"future", QJsonObject{{"a", QJsonArray{1, "x"}}}},
                                {"data", QJsonObject{{"legacy", 1}}}};
        QJsonObject root = multiFile({{"rawSectionData", QJsonObject{{"1", "02030400"}}}});
        for (auto it = extra.begin(); it != extra.end(); ++it)
            root.insert(it.key(), it.value());
        auto model = loadModelData(fileBytes(root));
        QVERIFY(model);
        model->info().setName("Renamed");

        const QJsonObject saved = QJsonDocument::fromJson(model->toFileData()).object();
        QCOMPARE(saved.value("future"), extra.value("future"));
        QCOMPARE(saved.value("data"), extra.value("data"));
        QCOMPARE(saved.value("name"), QJsonValue("Renamed"));

        auto reloaded = loadModelData(model->toFileData());
        QVERIFY(reloaded);
        QCOMPARE(reloaded->modelCrc(), model->modelCrc());
        QCOMPARE(QJsonDocument::fromJson(reloaded->toFileData()).object(), saved);
    }

    void writesTheSingleSectionForm()
    {
        Single model;
        model.info().setSerialNumber("SN9");
        const QByteArray text = model.toFileData();
        QVERIFY(text.contains("\n    \"")); // indented
        const QJsonObject saved = QJsonDocument::fromJson(text).object();
        QCOMPARE(saved.value("deviceProductCode"), QJsonValue("0xD9"));
        QCOMPARE(saved.value("parameterVersion"), QJsonValue("0xFF"));
        QCOMPARE(saved.value("serialNumber"), QJsonValue("SN9"));
        QCOMPARE(saved.value("notes"), QJsonValue(""));
        QCOMPARE(
            saved.value("rawData").toObject(),
            (QJsonObject{{"0", QString::fromLatin1(Single::defaultBytes().toHex().toUpper())}}));
        QCOMPARE(saved.value("data").toObject().value("trim"), QJsonValue(-2));
        QVERIFY(!saved.contains("rfu"));
        QVERIFY(!saved.contains("sectionData"));
        QCOMPARE(decodeModelImage(saved.value("image").toString()).size(),
                 defaultModelImage().size());
    }

    void writesTheSectionsForm()
    {
        Multi model;
        model.memory().setModelData(1, QByteArray());
        const QJsonObject saved = QJsonDocument::fromJson(model.toFileData()).object();
        // Empty sections and sections without fields have no mirror; empty ones no raw bytes.
        QCOMPARE(saved.value("rawSectionData").toObject(),
                 (QJsonObject{{"0", "00010203"}, {"2", "6400F6FF"}}));
        QCOMPARE(saved.value("sectionData").toObject(),
                 (QJsonObject{{"mixer", QJsonObject{{"weight", QJsonArray{100, -10}}}}}));
        QVERIFY(!saved.contains("rawData"));
        QVERIFY(!saved.contains("data"));
    }

    // Whatever the file holds, loading ends in a model or in none, never in a crash.
    void survivesHostileFiles()
    {
        QByteArray nested(100000, '[');
        QVERIFY(!loadModelData(nested));
        QVERIFY(!loadModelData("{\"deviceProductCode\": " + nested + "}"));
        QVERIFY(!loadModelData(QByteArray()));
        QVERIFY(!loadModelData(QByteArray("\xEF\xBB\xBF\x00\xFF", 5)));

        const QJsonObject wrongTypes = singleFile({{"rawData", QJsonObject{{"0", 17}}},
                                                   {"data", "text"},
                                                   {"name", QJsonArray{}},
                                                   {"notes", QJsonObject{}}});
        const auto model = loadModelData(fileBytes(wrongTypes));
        QVERIFY(model);
        QCOMPARE(sectionBytes(model, 0), Single::defaultBytes());

        const QJsonObject hugeNumbers = singleFile(
            {{"data", QJsonObject{{"gain", QJsonArray{1e308, -1e308, 4294967296.0, 1, 2, 3, 4}},
                                  {"flags", QJsonObject{{"low", -1}, {"high", 1e200}}}}}});
        const auto clamped = loadModelData(fileBytes(hugeNumbers));
        QVERIFY(clamped);
        QCOMPARE(sectionBytes(clamped, 0).size(), Single::defaultBytes().size());
        QCOMPARE(sectionBytes(clamped, 0).mid(12).toHex(), QByteArray("ffffffff0000000000000000"));
    }

private:
    std::unique_ptr<ScopedModelClasses> m_classes;
};

class ModelClassesTest : public QObject
{
    Q_OBJECT

private slots:
    // The first row in class order, then device order, with both codes equal.
    void findsTheFirstMatchingDevice()
    {
        ModelClassInfo first;
        first.className = "First";
        first.devices = {{0x10, 1, "a"}, {0x20, 2, "b"}};
        ModelClassInfo second;
        second.className = "Second";
        second.devices = {{0x20, 2, "shadowed"}, {0x20, 3, "c"}};
        const ScopedModelClasses classes({&first, &second});

        QCOMPARE(findModelDevice(0x20, 2)->name, "b");
        QCOMPARE(findModelClass(0x20, 2), &first);
        QCOMPARE(findModelDevice(0x20, 3)->name, "c");
        QCOMPARE(findModelClass(0x20, 3), &second);
        QVERIFY(!findModelDevice(0x10, 2));
        QVERIFY(!findModelClass(0x30, 1));

        // The device manager's view follows the current list.
        const QList<ModelClassEntry> entries = modelClassRegistry().modelClasses();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(1).className, "Second");
        QCOMPARE(entries.at(1).registryIndex, 1);
        QCOMPARE(modelClassRegistry().classFor(0x20, 3)->className, "Second");
    }

    void scopedListRestoresThePreviousOne()
    {
        const QList<const ModelClassInfo *> before = allModelClasses();
        {
            const ScopedModelClasses classes(testModelClasses());
            QCOMPARE(allModelClasses(), testModelClasses());
        }
        QCOMPARE(allModelClasses(), before);
    }
};

ZX_REGISTER_TEST(ModelDocumentTest);
ZX_REGISTER_TEST(ModelClassesTest);
#include "test_modeldocument.moc"
