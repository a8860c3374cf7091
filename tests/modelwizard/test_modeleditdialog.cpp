// "Edit..." on an existing library model, and the pictures it takes.
#include "models/modellibrary.h"
#include "testregistry.h"
#include "ui/models/editmodelwidget.h"
#include "ui/models/modeleditdialog.h"
#include "ui/models/wizardpicture.h"
#include "wizardrig.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace wizardtest;

namespace {

QString writePicture(const QTemporaryDir &dir, const QString &name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

// A PPM header claims its size before any pixel: this one claims far more than a photo has.
QByteArray hugePictureHeader()
{
    return QByteArrayLiteral("P6\n20000 20000\n255\n") + QByteArray(64, '\x7f');
}

QJsonObject manifestEntry(const ModelLibrary &library, const QString &fileName)
{
    QFile file(library.filePath(QStringLiteral("manifest.json")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(fileName).toObject();
}

struct DialogForm
{
    explicit DialogForm(ModelEditDialog &dialog)
        : name(dialog.findChild<QLineEdit *>(QStringLiteral("nameTextBox")))
        , notes(dialog.findChild<QPlainTextEdit *>(QStringLiteral("notesTextBox")))
        , picture(dialog.findChild<QLabel *>(QStringLiteral("imageLabel")))
        , device(dialog.findChild<QLabel *>(QStringLiteral("deviceLabel")))
        , buttons(dialog.findChild<QDialogButtonBox *>())
    {}

    void typeName(const QString &text) const
    {
        name->selectAll();
        QTest::keyClicks(name, text);
    }
    void typeNotes(const QString &text) const
    {
        notes->selectAll();
        QTest::keyClicks(notes, text);
    }

    QLineEdit *name;
    QPlainTextEdit *notes;
    QLabel *picture;
    QLabel *device;
    QDialogButtonBox *buttons;
};

} // namespace

class ModelEditDialogTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    std::unique_ptr<SyncRig> m_rig;
    QString m_fileName;
    std::shared_ptr<Model> m_model;

private slots:
    void init()
    {
        m_rig = std::make_unique<SyncRig>();
        m_rig->library->setSaveDelay(std::chrono::milliseconds(60000));
        m_fileName = m_rig->addModel(QStringLiteral("Cub"), {}, 0xD9, 0xFF);
        m_model = m_rig->library->openModel(m_fileName);
        m_model->info().setNotes(QStringLiteral("old notes"));
        QVERIFY(m_rig->library->flushPendingSaves());
    }
    void cleanup()
    {
        m_model.reset();
        m_rig.reset();
    }

    // OK writes name, notes and picture through the info, and the library saves them.
    void okReachesTheLibrary()
    {
        ModelEditDialog dialog(m_model);
        dialog.show();
        const DialogForm form(dialog);
        QVERIFY(form.name && form.notes && form.picture && form.device && form.buttons);
        QCOMPARE(form.name->text(), QStringLiteral("Cub"));
        QCOMPARE(form.notes->toPlainText(), QStringLiteral("old notes"));
        QVERIFY(!form.device->text().isEmpty());
        QVERIFY(!dialog.findChild<QComboBox *>());

        form.typeName(QStringLiteral("Piper Cub"));
        form.typeNotes(QStringLiteral("new notes"));
        QVERIFY(dialog.editWidget()->setPictureFromFile(
            writePicture(m_files, QStringLiteral("wide.png"), {600, 300}, Qt::red)));
        form.buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        const ModelInfo &info = m_model->info();
        QCOMPARE(info.name(), QStringLiteral("Piper Cub"));
        QCOMPARE(info.notes(), QStringLiteral("new notes"));
        QCOMPARE(info.image().size(), QSize(kModelPictureSide, kModelPictureSide / 2));
        QCOMPARE(info.image().pixelColor(10, 10), QColor(Qt::red));

        QVERIFY(m_rig->library->isPending(m_fileName));
        QVERIFY(m_rig->library->flushPendingSaves());
        const QJsonObject entry = manifestEntry(*m_rig->library, m_fileName);
        QCOMPARE(entry.value(QStringLiteral("name")).toString(), QStringLiteral("Piper Cub"));
        QCOMPARE(entry.value(QStringLiteral("notes")).toString(), QStringLiteral("new notes"));
        QCOMPARE(decodeModelImage(entry.value(QStringLiteral("image")).toString()).size(),
                 QSize(kModelPictureSide, kModelPictureSide / 2));
    }

    // Whatever the user did, Cancel leaves the model as it was and gives the library nothing
    // to write; OK without a change writes nothing either.
    void untouchedModelIsNotSaved_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<int>("button");
        QTest::newRow("edits cancelled") << true << int(QDialogButtonBox::Cancel);
        QTest::newRow("ok without edits") << false << int(QDialogButtonBox::Ok);
    }
    void untouchedModelIsNotSaved()
    {
        QFETCH(bool, edit);
        QFETCH(int, button);
        const QImage oldImage = m_model->info().image();
        ModelEditDialog dialog(m_model);
        dialog.show();
        const DialogForm form(dialog);
        if (edit) {
            form.typeName(QStringLiteral("Piper Cub"));
            form.typeNotes(QStringLiteral("new notes"));
            QVERIFY(dialog.editWidget()->setPictureFromFile(
                writePicture(m_files, QStringLiteral("blue.png"), {64, 64}, Qt::blue)));
        }
        form.buttons->button(QDialogButtonBox::StandardButton(button))->click();

        QCOMPARE(m_model->info().name(), QStringLiteral("Cub"));
        QCOMPARE(m_model->info().notes(), QStringLiteral("old notes"));
        QCOMPARE(m_model->info().image(), oldImage);
        QVERIFY(!m_rig->library->isPending(m_fileName));
    }

    // A name is what the library lists a model by: OK waits for one.
    void okNeedsAName()
    {
        ModelEditDialog dialog(m_model);
        const DialogForm form(dialog);
        form.typeName(QStringLiteral("   "));
        QVERIFY(!form.buttons->button(QDialogButtonBox::Ok)->isEnabled());
        dialog.accept();
        QCOMPARE(m_model->info().name(), QStringLiteral("Cub"));
    }

    // A file that is no usable picture is refused with a message naming it, and the picture
    // shown (and later saved) stays the one before.
    void unusablePictureIsRefused_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("broken") << QStringLiteral("broken.png")
                                << QByteArrayLiteral("\x89PNG\r\n\x1a\n not really")
                                << QStringLiteral("could not be read as a picture");
        QTest::newRow("not a picture")
            << QStringLiteral("notes.txt") << QByteArrayLiteral("just some text")
            << QStringLiteral("could not be read as a picture");
        QTest::newRow("huge") << QStringLiteral("huge.ppm") << hugePictureHeader()
                              << QStringLiteral("too large for a model picture");
    }
    void unusablePictureIsRefused()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = writeFile(m_files, fileName, bytes);
        QVERIFY(!path.isEmpty());
        const QImage oldImage = m_model->info().image();

        ModelEditDialog dialog(m_model);
        dialog.show();
        const QImage shownBefore = DialogForm(dialog).picture->pixmap(Qt::ReturnByValue).toImage();
        synctest::MessageBoxCatcher boxes;
        QVERIFY(!dialog.editWidget()->setPictureFromFile(path));
        QVERIFY(boxes.waitForBoxes(1));
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes.first().contains(fileName), qPrintable(boxes.boxes.first()));
        QVERIFY2(boxes.boxes.first().contains(message), qPrintable(boxes.boxes.first()));
        QCOMPARE(DialogForm(dialog).picture->pixmap(Qt::ReturnByValue).toImage(), shownBefore);

        dialog.accept();
        QCOMPARE(m_model->info().image(), oldImage);
    }

    // A picture dropped on the picture, as image data or as a file, is taken like a chosen one.
    void droppedPictureIsTaken_data()
    {
        QTest::addColumn<bool>("asFile");
        QTest::newRow("image data") << false;
        QTest::newRow("file") << true;
    }
    void droppedPictureIsTaken()
    {
        QFETCH(bool, asFile);
        ModelEditDialog dialog(m_model);
        dialog.show();
        QLabel *target = DialogForm(dialog).picture;

        QMimeData mime;
        if (asFile)
            mime.setUrls({QUrl::fromLocalFile(
                writePicture(m_files, QStringLiteral("tall.png"), {200, 400}, Qt::green))});
        else {
            QImage image(200, 400, QImage::Format_ARGB32);
            image.fill(Qt::green);
            mime.setImageData(image);
        }
        const QPoint centre = target->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);

        QTRY_COMPARE(dialog.editWidget()->picture().size(),
                     QSize(kModelPictureSide / 2, kModelPictureSide));
        dialog.accept();
        QCOMPARE(m_model->info().image().pixelColor(5, 5), QColor(Qt::green));
    }

    // Stored pictures fit the stored size and keep their proportions; small ones stay as
    // they are.
    void picturesAreFitted_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("stored");
        QTest::newRow("photo") << QSize(4000, 3000) << QSize(128, 96);
        QTest::newRow("just too large") << QSize(129, 129) << QSize(128, 128);
        QTest::newRow("small") << QSize(40, 20) << QSize(40, 20);
    }
    void picturesAreFitted()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, stored);
        const QString path = writePicture(m_files, QStringLiteral("fit.jpg"), size, Qt::darkCyan);
        const std::expected<QImage, QString> picture = loadModelPicture(path);
        QVERIFY(picture.has_value());
        QCOMPARE(picture->size(), stored);
    }
};

ZX_REGISTER_TEST(ModelEditDialogTest);
#include "test_modeleditdialog.moc"
