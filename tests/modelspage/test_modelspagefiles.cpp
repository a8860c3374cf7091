// The models page and files: export and import through the file dialogs (answered by the
// page's file chooser), files dropped onto the list and rows dragged out of it.
#include "models/libraryoperations.h"
#include "modelspagerig.h"
#include "testregistry.h"

#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTest>

using namespace modelspagetest;
namespace ops = libraryoperations;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void drop(QWidget *viewport, const QList<QUrl> &urls)
{
    QMimeData mimeData;
    mimeData.setUrls(urls);
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &dropped);
}

void sendMouse(QWidget *viewport, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

} // namespace

class ModelsPageFilesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryRig> m_rig;
    std::unique_ptr<PageDriver> m_driver;
    QList<ModelsPageController::FileRequest> m_requests;
    QString m_chosenPath;

    void openPage()
    {
        m_driver = std::make_unique<PageDriver>(m_rig->context());
        QVERIFY(m_driver->ready());
        m_driver->page.setFileChooser([this](const ModelsPageController::FileRequest &request) {
            m_requests.append(request);
            return m_chosenPath;
        });
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<LibraryRig>();
        m_requests.clear();
        m_chosenPath.clear();
    }
    void cleanup()
    {
        m_driver.reset();
        m_rig.reset();
    }

    // The save dialog offers the row text in the remembered folder; the model file lands at
    // the chosen path, whose folder the next dialog starts in. A cancelled dialog does nothing.
    void exportWritesModelFile()
    {
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        const QString target = m_rig->dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(target));
        m_rig->settings.setValue(ops::kOpenSaveDirectoryKey, m_rig->dir.path());
        openPage();
        BoxAnswerer boxes;
        QVERIFY(m_driver->choose(glider));

        m_chosenPath = target + QStringLiteral("/Glider.zrm");
        m_driver->page.form().exportAction->trigger();
        QCOMPARE(m_requests.size(), 1);
        const ModelsPageController::FileRequest &request = m_requests.first();
        QCOMPARE(request.mode, ModelsPageController::FileRequest::Mode::Save);
        QCOMPARE(request.title, ops::kExportDialogTitle);
        QCOMPARE(request.filters, ops::modelFileFilters());
        QCOMPARE(request.directory, m_rig->dir.path());
        QCOMPARE(request.suggestedPath, m_rig->dir.filePath(QStringLiteral("Glider")));
        QCOMPARE(fileBytes(m_chosenPath), fileBytes(m_rig->models->filePath(glider)));
        QCOMPARE(m_rig->settings.value(ops::kOpenSaveDirectoryKey).toString(), target);

        m_chosenPath.clear();
        m_driver->page.form().exportAction->trigger();
        QCOMPARE(m_requests.last().directory, target);
        boxes.settle();
        QCOMPARE(boxes.boxes, QStringList());
    }

    // "Import..." adds the chosen file under a unique name and chooses its row.
    void importAddsAndChoosesModel()
    {
        m_rig->add(QStringLiteral("Glider"));
        m_chosenPath = m_rig->dir.filePath(QStringLiteral("Glider.zrm"));
        QVERIFY(writeFile(m_chosenPath,
                          LibraryRig::newModel(QStringLiteral("Glider"), {})->toFileData()));
        openPage();
        BoxAnswerer boxes;
        m_driver->page.form().importButton->click();
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests.first().mode, ModelsPageController::FileRequest::Mode::Open);
        QCOMPARE(m_requests.first().title, ops::kImportDialogTitle);
        QCOMPARE(m_driver->rowTexts(), QStringList({"Glider", "Glider 2"}));
        QCOMPARE(m_driver->list()->currentIndex().data().toString(), QStringLiteral("Glider 2"));
        QCOMPARE(m_rig->settings.value(ops::kOpenSaveDirectoryKey).toString(), m_rig->dir.path());
        boxes.settle();
        QCOMPARE(boxes.boxes, QStringList());
    }

    // A dropped model file is imported; a folder, a file far too large to be a model and a
    // file that is no model give the import error and change nothing; what is not a local
    // file is not taken at all.
    void droppedFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("imported");
        QTest::addColumn<QStringList>("expectedBoxes");
        const QStringList importError{errorBox(ops::kImportFailed)};
        QTest::newRow("model file") << "model" << true << QStringList();
        QTest::newRow("folder") << "folder" << false << importError;
        QTest::newRow("huge file") << "huge" << false << importError;
        QTest::newRow("not a model") << "text" << false << importError;
        QTest::newRow("web address") << "web" << false << QStringList();
    }
    void droppedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, imported);
        QFETCH(QStringList, expectedBoxes);
        const QString path = m_rig->dir.filePath(QStringLiteral("dropped.zrm"));
        QUrl url = QUrl::fromLocalFile(path);
        if (kind == QLatin1String("model")) {
            QVERIFY(writeFile(path, LibraryRig::newModel(QStringLiteral("Jet"), {})->toFileData()));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("huge")) {
            // Sparse: the size is what counts, not the bytes.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(ModelsPageController::kMaxModelFileBytes + 1));
        } else if (kind == QLatin1String("text")) {
            QVERIFY(writeFile(path, "{\"name\": \"not a model\"}"));
        } else {
            url = QUrl(QStringLiteral("https://example.com/dropped.zrm"));
        }
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        openPage();
        BoxAnswerer boxes;
        drop(m_driver->list()->viewport(), {url});
        boxes.settle();
        QCOMPARE(boxes.boxes, expectedBoxes);
        QCOMPARE(m_driver->rowTexts(),
                 imported ? QStringList({"Glider", "Jet"}) : QStringList{"Glider"});
        QCOMPARE(m_rig->models->fileNames().size(), imported ? 2 : 1);
    }

    // A row dragged out is offered as a copy named after the row (characters that file names
    // cannot hold replaced), which exists while the drag runs and is gone afterwards.
    void dragOutOffersNamedCopy()
    {
        const QString file = m_rig->add(QStringLiteral("Club: A/B"));
        openPage();
        QString offered;
        QByteArray bytesDuringDrag;
        m_driver->list()->setDragRunner([&](QDrag &drag) {
            const QList<QUrl> urls = drag.mimeData()->urls();
            offered = urls.value(0).toLocalFile();
            bytesDuringDrag = fileBytes(offered);
            return Qt::CopyAction;
        });
        QWidget *viewport = m_driver->list()->viewport();
        const QPoint start =
            m_driver->list()->visualRect(m_driver->model()->indexOfFile(file)).center();
        const QPoint step(0, QApplication::startDragDistance() + 2);
        sendMouse(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, start + step, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, start + 2 * step, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseButtonRelease, start + 2 * step, Qt::NoButton);

        QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("Club_ A_B.zrm"));
        QCOMPARE(bytesDuringDrag, fileBytes(m_rig->models->filePath(file)));
        QVERIFY(!QFileInfo::exists(offered));
        QCOMPARE(m_rig->models->fileNames(), QStringList{file});
    }
};

ZX_REGISTER_TEST(ModelsPageFilesTest);
#include "test_modelspagefiles.moc"
