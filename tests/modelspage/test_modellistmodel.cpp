// The rows of the model list: grouping for a device, search, the display forms and the shared
// pictures, with QAbstractItemModelTester watching every change.
#include "modelspagerig.h"
#include "online/versions.h"
#include "testregistry.h"
#include "ui/models/modellistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace modelspagetest;

namespace {

using Kind = ModelListModel::RowKind;

QStringList rowTexts(const ModelListModel &model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        const QString text = index.data(Qt::DisplayRole).toString();
        switch (ModelListModel::kindOf(index)) {
        case Kind::Header:
            texts.append(QStringLiteral("[%1]").arg(text));
            break;
        case Kind::NewModel:
            texts.append(QStringLiteral("+%1").arg(text));
            break;
        case Kind::Model:
            texts.append(text);
            break;
        }
    }
    return texts;
}

QImage plainPicture(QColor colour)
{
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(colour);
    return picture;
}

} // namespace

class ModelListModelTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryRig> m_rig;
    std::unique_ptr<ModelListModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    // Models named by the list, each "name/serial"; then the list model over them.
    void fill(const QStringList &models)
    {
        for (const QString &model : models) {
            const QStringList parts = model.split(QLatin1Char('/'));
            QVERIFY(!m_rig->add(parts.value(0), parts.value(1)).isEmpty());
        }
        m_model = std::make_unique<ModelListModel>(m_rig->models.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

private slots:
    void init() { m_rig = std::make_unique<LibraryRig>(); }
    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
        m_rig.reset();
    }

    // Trailing padding goes; hyphens every four characters from the end, but never with five
    // characters or fewer before them.
    void serialNumberDisplayForm_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("nine characters") << "ABCDEFGHI"
                                         << "ABCDEFGHI";
        QTest::newRow("ten characters") << "ABCDEFGHIJ"
                                        << "ABCDEF-GHIJ";
        QTest::newRow("thirteen characters") << "ABCDEFGHIJKLM"
                                             << "ABCDEFGHI-JKLM";
        QTest::newRow("fourteen characters") << "ABCDEFGHIJKLMN"
                                             << "ABCDEF-GHIJ-KLMN";
        QTest::newRow("padded") << QStringLiteral("ABCDEFGHIJKLM") + QString(3, QChar(0))
                                << "ABCDEFGHI-JKLM";
        QTest::newRow("padding only") << QString(4, QChar(0)) << QString();
    }
    void serialNumberDisplayForm()
    {
        QFETCH(QString, serial);
        QFETCH(QString, shown);
        QCOMPARE(::serialNumberDisplayForm(serial), shown);
    }

    // Without a device: one flat list in library order, each row with the model's data.
    void flatListCarriesEachModelsData()
    {
        fill({QStringLiteral("Glider/ABCDEFGHIJKLM"), QStringLiteral("Trainer/")});
        QCOMPARE(rowTexts(*m_model), QStringList({"Glider", "Trainer"}));
        const QModelIndex glider = m_model->index(0);
        QCOMPARE(glider.data(ModelListModel::FileNameRole).toString(), QStringLiteral("1.zrm"));
        QCOMPARE(glider.data(ModelListModel::SerialNumberRole).toString(),
                 QStringLiteral("ABCDEFGHI-JKLM"));
        QCOMPARE(glider.data(ModelListModel::ProductNameRole).toString(),
                 findModelDevice(kReceiver, kReceiverVersion)->name);
        QCOMPARE(ModelListModel::RowGroup(glider.data(ModelListModel::GroupRole).toInt()),
                 ModelListModel::RowGroup::None);
        const QPixmap picture = glider.data(ModelListModel::PictureRole).value<QPixmap>();
        QVERIFY(!picture.isNull());
        QCOMPARE(QSizeF(picture.size()) / picture.devicePixelRatioF(),
                 QSizeF(ModelListModel::kPictureSize));
        QVERIFY(m_model->flags(glider) & Qt::ItemIsSelectable);
        QVERIFY(m_model->flags(glider) & Qt::ItemIsDragEnabled);
    }

    // With a device: its own models first, the others after; a device without a model gets
    // the "New Model" row in its group. Headings can be neither selected nor dragged.
    void groupsForDevice_data()
    {
        QTest::addColumn<QStringList>("models");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("rows");
        const QStringList mixed{"Glider/SER-A", "Trainer/SER-B", "Jet/", "Racer/SER-A"};
        QTest::newRow("some of this device")
            << mixed << "SER-A"
            << QStringList{"[This Device]", "Glider", "Racer", "[Other Devices]", "Trainer", "Jet"};
        QTest::newRow("none of this device")
            << mixed << "SER-C"
            << QStringList{"[This Device]", "+New Model", "[Other Devices]", "Glider", "Trainer",
                           "Jet",           "Racer"};
        QTest::newRow("all of this device")
            << QStringList{"Glider/SER-A"} << "SER-A" << QStringList{"[This Device]", "Glider"};
        QTest::newRow("empty library")
            << QStringList() << "SER-A" << QStringList{"[This Device]", "+New Model"};
    }
    void groupsForDevice()
    {
        QFETCH(QStringList, models);
        QFETCH(QString, device);
        QFETCH(QStringList, rows);
        fill(models);
        m_model->setDeviceSerialNumber(device);
        QCOMPARE(rowTexts(*m_model), rows);
        for (int row = 0; row < m_model->rowCount(); ++row) {
            const QModelIndex index = m_model->index(row);
            const Qt::ItemFlags flags = m_model->flags(index);
            switch (ModelListModel::kindOf(index)) {
            case Kind::Header:
                QCOMPARE(flags, Qt::NoItemFlags);
                break;
            case Kind::NewModel:
                QVERIFY(flags & Qt::ItemIsSelectable);
                QVERIFY(!(flags & Qt::ItemIsDragEnabled));
                QCOMPARE(index.data(ModelListModel::FileNameRole).toString(), QString());
                break;
            case Kind::Model:
                break;
            }
        }

        // Back to one list when the device goes.
        m_model->setDeviceSerialNumber(std::nullopt);
        QCOMPARE(m_model->rowCount(), int(models.size()));
    }

    // Names that contain the text, in any case; a group without matches disappears, and so
    // does the "New Model" row while a search is on.
    void searchFiltersByName_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("flat") << QString() << "gli" << QStringList{"Glider", "Big GLIDER"};
        QTest::newRow("no match") << QString() << "heli" << QStringList();
        QTest::newRow("one group left") << "SER-A"
                                        << "train" << QStringList{"[Other Devices]", "Trainer"};
        QTest::newRow("new-model row hidden")
            << "SER-C"
            << "glider" << QStringList{"[Other Devices]", "Glider", "Big GLIDER"};
        QTest::newRow("cleared") << "SER-A"
                                 << ""
                                 << QStringList{"[This Device]", "Glider", "[Other Devices]",
                                                "Trainer", "Big GLIDER"};
    }
    void searchFiltersByName()
    {
        QFETCH(QString, device);
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        fill({"Glider/SER-A", "Trainer/SER-B", "Big GLIDER/"});
        if (!device.isEmpty())
            m_model->setDeviceSerialNumber(device);
        m_model->setFilterText(QStringLiteral("x"));
        m_model->setFilterText(text);
        QCOMPARE(rowTexts(*m_model), rows);
    }

    // A refresh that changed no file keeps every index (the view keeps its selection and
    // scroll position) but shows renamed models; one that added a file resets.
    void reloadKeepsIndexesUntilFilesChange()
    {
        fill({"Glider/", "Trainer/"});
        QSignalSpy resets(m_model.get(), &QAbstractItemModel::modelReset);
        QSignalSpy changes(m_model.get(), &QAbstractItemModel::dataChanged);
        const std::shared_ptr<Model> glider = m_rig->models->openModel(QStringLiteral("1.zrm"));
        glider->info().setName(QStringLiteral("Sailplane"));
        m_model->reload();
        QCOMPARE(resets.count(), 0);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(rowTexts(*m_model), QStringList({"Sailplane", "Trainer"}));

        QVERIFY(!m_rig->add(QStringLiteral("Jet")).isEmpty());
        m_model->reload();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(rowTexts(*m_model), QStringList({"Sailplane", "Trainer", "Jet"}));
    }

    // A large library is read in steps from the event loop: no rows until all are read, then
    // all at once, and a reload asked for meanwhile waits for them.
    void largeLibraryLoadsInSteps()
    {
        for (const char *name : {"Glider", "Trainer", "Jet", "Racer"})
            QVERIFY(!m_rig->add(QString::fromLatin1(name)).isEmpty());
        m_model = std::make_unique<ModelListModel>(m_rig->models.get(), nullptr, 2);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy finished(m_model.get(), &ModelListModel::loadingFinished);
        QVERIFY(m_model->isLoading());
        QCOMPARE(m_model->rowCount(), 0);
        m_model->reload();
        QVERIFY(finished.wait());
        QVERIFY(!m_model->isLoading());
        QCOMPARE(rowTexts(*m_model), QStringList({"Glider", "Trainer", "Jet", "Racer"}));

        // Read once, the library is read at once from then on.
        QVERIFY(!m_rig->add(QStringLiteral("Heli")).isEmpty());
        m_model->reload();
        QVERIFY(!m_model->isLoading());
        QCOMPARE(m_model->rowCount(), 5);
        QCOMPARE(finished.count(), 1);
    }

    // Only the current model's row says so, and moving the mark tells both rows.
    void currentRowIsMarked()
    {
        fill({"Glider/", "Trainer/", "Jet/"});
        m_model->setCurrentFileName(QStringLiteral("1.zrm"));
        QSignalSpy changes(m_model.get(), &QAbstractItemModel::dataChanged);
        m_model->setCurrentFileName(QStringLiteral("3.zrm"));
        QCOMPARE(changes.count(), 2);
        QList<bool> marks;
        for (int row = 0; row < m_model->rowCount(); ++row)
            marks.append(m_model->index(row).data(ModelListModel::CurrentRole).toBool());
        QCOMPARE(marks, QList<bool>({false, false, true}));
    }

    // Models with the same stored picture share one scaled pixmap; another picture gets its
    // own.
    void sharedPicturesShareOnePixmap()
    {
        fill({"Glider/", "Trainer/"});
        const std::shared_ptr<Model> jet = LibraryRig::newModel(QStringLiteral("Jet"), {});
        jet->info().setImage(plainPicture(Qt::red));
        QVERIFY(!m_rig->models->addModel(jet).isEmpty());
        // Reopened so that every entry comes from the manifest, as after a start.
        m_tester.reset();
        m_model.reset();
        m_rig->models->flushPendingSaves();
        m_rig->models = std::make_unique<ModelLibrary>(m_rig->models->directory());
        fill({});

        auto pictureKey = [&](int row) {
            return m_model->index(row)
                .data(ModelListModel::PictureRole)
                .value<QPixmap>()
                .cacheKey();
        };
        QCOMPARE(pictureKey(0), pictureKey(1));
        QVERIFY(pictureKey(0) != pictureKey(2));
        const QImage jetPicture =
            m_model->index(2).data(ModelListModel::PictureRole).value<QPixmap>().toImage();
        QCOMPARE(jetPicture.pixelColor(jetPicture.width() / 2, jetPicture.height() / 2),
                 QColor(Qt::red));
    }
};

ZX_REGISTER_TEST(ModelListModelTest);
#include "test_modellistmodel.moc"
