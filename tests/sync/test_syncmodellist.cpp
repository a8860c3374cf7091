// The sync dialog's list of library models.
#include "devsim/profiles.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "testregistry.h"
#include "ui/sync/syncmodellist.h"

#include <QAbstractItemModelTester>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr QSize kPictureSize{40, 40};

std::shared_ptr<DeviceModel> receiverModel(const QString &name)
{
    const devsim::DeviceProfile device = devsim::profiles::airplaneReceiver();
    const ModelClassInfo *modelClass = findModelClass(device.productCode, device.parameterVersion);
    auto model = std::dynamic_pointer_cast<DeviceModel>(
        modelClass->create(device.productCode, device.parameterVersion));
    model->info().setName(name);
    return model;
}

QPixmap pictureOf(const SyncModelList &rows, const QString &fileName)
{
    return rows.indexOfFile(fileName).data(Qt::DecorationRole).value<QPixmap>();
}

} // namespace

class SyncModelListTest : public QObject
{
    Q_OBJECT

private slots:
    // One row per library model in library order, found by file name. Rows with the default
    // picture share one scaled copy, whether their info comes from the manifest or from an
    // open model; every row's picture has the list's size, also for a model without one,
    // since the view sizes all rows like the first.
    void rowsAndPictures()
    {
        QTemporaryDir dir;
        ModelLibrary library(dir.filePath(QStringLiteral("Models")));
        const QString stored = library.addModel(receiverModel(QStringLiteral("Stored")));
        const std::shared_ptr<DeviceModel> open = receiverModel(QStringLiteral("Open"));
        const QString opened = library.addModel(open);
        const std::shared_ptr<DeviceModel> photo = receiverModel(QStringLiteral("Photo"));
        QImage red(120, 60, QImage::Format_ARGB32);
        red.fill(Qt::red);
        photo->info().setImage(red);
        const QString photographed = library.addModel(photo);
        const std::shared_ptr<DeviceModel> bare = receiverModel(QStringLiteral("Bare"));
        bare->info().setImage(QImage());
        const QString pictureless = library.addModel(bare);

        SyncModelList rows(library, kPictureSize);
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);

        QCOMPARE(rows.rowCount(), 4);
        const QStringList files{stored, opened, photographed, pictureless};
        const QStringList names{"Stored", "Open", "Photo", "Bare"};
        for (int i = 0; i < files.size(); ++i) {
            const QModelIndex index = rows.indexOfFile(files.at(i));
            QCOMPARE(index.row(), i);
            QCOMPARE(index.data(Qt::DisplayRole).toString(), names.at(i));
            QCOMPARE(index.data(SyncModelList::FileNameRole).toString(), files.at(i));
            const QPixmap picture = index.data(Qt::DecorationRole).value<QPixmap>();
            QVERIFY(!picture.isNull());
            QCOMPARE(picture.size() / picture.devicePixelRatio(), kPictureSize);
        }
        QVERIFY(!rows.indexOfFile(QStringLiteral("999.zrm")).isValid());

        QCOMPARE(pictureOf(rows, stored).cacheKey(), pictureOf(rows, opened).cacheKey());
        QVERIFY(pictureOf(rows, photographed).cacheKey() != pictureOf(rows, stored).cacheKey());
        // Asked again, a row draws from the copy made the first time.
        QCOMPARE(pictureOf(rows, photographed).cacheKey(),
                 pictureOf(rows, photographed).cacheKey());
        // Scaled keeping its aspect: the photograph is twice as wide as it is high.
        const QImage scaledPhoto = pictureOf(rows, photographed).toImage();
        const int middle = scaledPhoto.height() / 2;
        QCOMPARE(scaledPhoto.pixelColor(scaledPhoto.width() / 2, middle), QColor(Qt::red));
        QCOMPARE(scaledPhoto.pixelColor(scaledPhoto.width() / 2, 0).alpha(), 0);
        QCOMPARE(pictureOf(rows, pictureless).toImage().pixelColor(4, 4).alpha(), 0);
    }
};

ZX_REGISTER_TEST(SyncModelListTest);
#include "test_syncmodellist.moc"
