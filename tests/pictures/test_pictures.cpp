#include "stdoutcapture.h"
#include "testregistry.h"
#include "ui/widgets/picture.h"

#include <QCoreApplication>
#include <QImage>
#include <QTest>

// Every picture the program names is rendered by the build into the picture folder at twice
// its shown size, and the loader gives it back with device pixel ratio 2.
class PictureLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { setPictureFolder(QStringLiteral(ZX_PICTURE_DIR)); }
    void cleanupTestCase() { setPictureFolder({}); }

    // Each row: the file name the program uses, the size it shows the picture at.
    void everyPictureLoads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("help indicator") << "Icon-Help.png" << QSize(16, 16);
        QTest::newRow("navigation badge") << "Notification.png" << QSize(16, 16);
        QTest::newRow("model synced") << "Connected.png" << QSize(24, 24);
        QTest::newRow("model not synced") << "Disconnected.png" << QSize(24, 24);
        QTest::newRow("sync either way") << "Sync.png" << QSize(48, 48);
        QTest::newRow("sync from device") << "SyncFromDevice.png" << QSize(48, 48);
        QTest::newRow("sync from computer") << "SyncFromComputer.png" << QSize(48, 48);
        QTest::newRow("page background") << "Background.jpg" << QSize(480, 320);
        QTest::newRow("page logo") << "SmallLogo.png" << QSize(140, 36);
        QTest::newRow("program icon") << "ZandorexProgrammer.png" << QSize(256, 256);
    }
    void everyPictureLoads()
    {
        QFETCH(QString, name);
        QFETCH(QSize, shown);
        const QPixmap picture = loadPicture(name);
        QVERIFY2(!picture.isNull(), qPrintable(name));
        QCOMPARE(picture.size(), shown * 2);
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QCOMPARE(picture.size() / picture.devicePixelRatio(), shown);
    }

    // The page fills itself with RGB(247,247,247) and draws the background in its bottom-right
    // corner, so the picture's top row and left column must be that ground (JPEG tolerance).
    void backgroundMeetsThePageGroundAtItsEdges()
    {
        const QImage background = loadPicture(QStringLiteral("Background.jpg")).toImage();
        QVERIFY(!background.isNull());
        const auto isGround = [&](int x, int y) {
            const QColor c = background.pixelColor(x, y);
            return qAbs(c.red() - 247) <= 3 && qAbs(c.green() - 247) <= 3 &&
                   qAbs(c.blue() - 247) <= 3;
        };
        for (int x = 0; x < background.width(); ++x)
            QVERIFY2(isGround(x, 0), qPrintable(QStringLiteral("top row, x %1").arg(x)));
        for (int y = 0; y < background.height(); ++y)
            QVERIFY2(isGround(0, y), qPrintable(QStringLiteral("left column, y %1").arg(y)));
    }

    void missingPictureReportsAndGivesAnEmptyPixmap()
    {
        const QString path = QStringLiteral(ZX_PICTURE_DIR "/No-Such-Picture.png");
        QByteArray printed;
        QPixmap picture;
        {
            StdoutCapture capture;
            picture = loadPicture(QStringLiteral("No-Such-Picture.png"));
            printed = capture.text();
        }
        // The empty pixmap. The loader sets ratio 2 on it as on any picture, but Qt 5 ignores
        // a ratio on a null pixmap (QPixmap::setDevicePixelRatio returns early), so there is
        // no ratio 2 to observe here; what matters is that nothing is drawn.
        QVERIFY(picture.isNull());
        QVERIFY(picture.size().isEmpty());
        QCOMPARE(QString::fromLocal8Bit(printed),
                 QStringLiteral("Error: failed to load %1\n").arg(path));
    }

    void aPictureIsReadOnce()
    {
        const QPixmap first = loadPicture(QStringLiteral("Icon-Help.png"));
        const QPixmap second = loadPicture(QStringLiteral("Icon-Help.png"));
        QCOMPARE(second.cacheKey(), first.cacheKey());
    }

    void anotherFolderIsUsedAsSet()
    {
        setPictureFolder(QStringLiteral("/nonexistent/folder"));
        QCOMPARE(pictureFolder(), QStringLiteral("/nonexistent/folder"));
        StdoutCapture capture;
        QVERIFY(loadPicture(QStringLiteral("Icon-Help.png")).isNull());
        QCOMPARE(capture.text(),
                 QByteArray("Error: failed to load /nonexistent/folder/Icon-Help.png\n"));
    }

    // The test executable has no "Images" folder beside it, nor an installed one above it, so
    // the default is the "Images" folder beside it.
    void defaultFolderIsBesideTheExecutable()
    {
        setPictureFolder({});
        QCOMPARE(pictureFolder(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Images"));
    }

    // The default model picture is compiled into the models library from the source tree.
    void defaultModelPictureIsCommittedAt128()
    {
        const QImage picture(QStringLiteral(ZX_MODEL_IMAGE_FILE));
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(128, 128));
        QVERIFY(picture.hasAlphaChannel());
    }
};

ZX_REGISTER_TEST(PictureLoaderTest);
#include "test_pictures.moc"
