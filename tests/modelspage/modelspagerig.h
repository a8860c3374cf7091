#pragma once

#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "app/messagepresenter.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulateddevicestream.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "ui/models/modellistmodel.h"
#include "ui/models/modellistview.h"
#include "ui/models/modelscontext.h"
#include "ui/models/modelspage.h"
#include "ui/navigation/pageregistry.h"
#include "ui/widgets/picture.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace modelspagetest {

inline constexpr int kWaitMs = 10000;
// Product codes and parameter versions of the program's own model classes.
inline constexpr int kReceiver = 0xD9;
inline constexpr int kReceiverVersion = 0xFF;
inline constexpr int kTransmitter = 0xEF;

// Answers the message boxes that show up, wherever they come from: each box takes the next
// queued answer (a button text), boxes without one are dismissed with their first button. Every
// box is recorded as "title: text".
class BoxAnswerer
{
public:
    BoxAnswerer()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { answerVisibleBoxes(); });
        m_timer.start();
    }

    void queue(const QString &buttonText) { m_answers.append(buttonText); }
    // Lets the event loop run until `count` boxes were seen, and a little longer for more.
    bool waitForBoxes(int count)
    {
        return QTest::qWaitFor([&] { return boxes.size() >= count; }, kWaitMs);
    }
    // Boxes opened without waiting are answered from the event loop: give it a turn.
    void settle() { QTest::qWait(50); }

    QStringList boxes;
    // The button texts of each box, in the order the boxes showed.
    QList<QStringList> buttons;

private:
    void answerVisibleBoxes()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || m_answered.contains(box))
                continue;
            m_answered.append(box);
            boxes.append(box->windowTitle() + QStringLiteral(": ") + box->text());
            QStringList texts;
            QAbstractButton *chosen = nullptr;
            const QString wanted = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
            for (QAbstractButton *button : box->buttons()) {
                const QString text = button->text().remove(QLatin1Char('&'));
                texts.append(text);
                if (!chosen && (wanted.isEmpty() || text == wanted))
                    chosen = button;
            }
            buttons.append(texts);
            if (chosen)
                chosen->click();
            else
                box->reject();
        }
        m_answered.removeAll(nullptr);
    }

    QTimer m_timer;
    QStringList m_answers;
    QList<QPointer<QMessageBox>> m_answered;
};

inline QString errorBox(const QString &text)
{
    return QStringLiteral("Error: ") + text;
}

// The models, trash and presets libraries in a temporary folder with a settings file and a
// last-synced table, and a main window stand-in that records the models made current.
class LibraryRig
{
public:
    LibraryRig()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , models(std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models"))))
        , trash(std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models/Trash"))))
        , presets(std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models/Presets"))))
        , lastSynced(
              std::make_unique<LastSyncedModels>(dir.filePath(QStringLiteral("LastSynced.json"))))
    {
        Log::install(&log);
        // The page background, as the program shows it.
        setPictureFolder(QStringLiteral(ZX_PICTURE_DIR));
        models->setClock([] { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)); });
    }
    ~LibraryRig()
    {
        setPictureFolder({});
        Log::install(nullptr);
    }

    [[nodiscard]] ModelsContext context(DeviceManager *manager = nullptr)
    {
        ModelsContext context;
        context.models = models.get();
        context.trash = trash.get();
        context.presets = presets.get();
        context.lastSyncedModels = lastSynced.get();
        context.settings = &settings;
        context.deviceManager = manager;
        context.pages = &pages;
        context.currentModel = [this] { return current; };
        context.setCurrentModel = [this](const std::shared_ptr<Model> &model) {
            current = model;
            madeCurrent.append(model);
            return true;
        };
        return context;
    }

    [[nodiscard]] static std::shared_ptr<Model> newModel(const QString &name, const QString &serial,
                                                         int productCode = kReceiver,
                                                         int parameterVersion = kReceiverVersion)
    {
        const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
        if (!modelClass)
            return nullptr;
        std::shared_ptr<Model> model = modelClass->create(productCode, parameterVersion);
        model->info().setName(name);
        model->info().setSerialNumber(serial);
        return model;
    }
    // A model added to `library` (the models library by default); returns its file name.
    QString add(const QString &name, const QString &serial = {}, int productCode = kReceiver,
                int parameterVersion = kReceiverVersion, ModelLibrary *library = nullptr)
    {
        const std::shared_ptr<Model> model = newModel(name, serial, productCode, parameterVersion);
        return model ? (library ? library : models.get())->addModel(model) : QString();
    }
    [[nodiscard]] QStringList names(const ModelLibrary &library) const
    {
        QStringList result;
        for (const std::shared_ptr<ModelInfo> &info : library.entries())
            result.append(info->name());
        return result;
    }

    Log log;
    QTemporaryDir dir;
    QSettings settings;
    PageRegistry pages;
    std::unique_ptr<ModelLibrary> models;
    std::unique_ptr<ModelLibrary> trash;
    std::unique_ptr<ModelLibrary> presets;
    std::unique_ptr<LastSyncedModels> lastSynced;
    std::shared_ptr<Model> current;
    QList<std::shared_ptr<Model>> madeCurrent;
};

// Core boxes (the device manager's) would otherwise only reach the log; a test that sees one
// has found a fault of its own set-up.
class RecordingPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        messages.append(title + QStringLiteral(": ") + text);
    }
    QStringList messages;
};

// The simulated airplane receiver behind the real connection and device manager.
class DeviceRig
{
public:
    DeviceRig()
        : simulator(std::make_shared<devsim::DeviceSimulator>(devsim::profiles::airplaneReceiver()))
    {
        m_previousPresenter = installMessagePresenter(&presenter);
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = 600;
        options.timings.inputResetMs = 400;
        options.timings.modeSwitchTimeoutMs = 1500;
        options.timings.announcementSettleMs = 20;
        options.timings.bootloaderGoTimeoutMs = 1000;
        options.enumerator = [](bool) { return DeviceConnection::StreamList(); };
        connection = std::make_unique<DeviceConnection>(options);
        manager = std::make_unique<DeviceManager>(connection.get(), modelClassRegistry());
    }
    ~DeviceRig()
    {
        manager.reset();
        connection.reset();
        installMessagePresenter(m_previousPresenter);
    }

    // Opens the link and waits until the device manager has identified the application.
    [[nodiscard]] bool identify()
    {
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), [](bool) {});
        return QTest::qWaitFor(
            [&] {
                return !manager->isBusy() && manager->parameterVersion().has_value() &&
                       manager->hasModelClass();
            },
            kWaitMs);
    }

    RecordingPresenter presenter;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;

private:
    MessagePresenter *m_previousPresenter = nullptr;
};

// A models page on screen over a rig's libraries, with what the tests look at.
class PageDriver
{
public:
    explicit PageDriver(ModelsContext context)
        : page(std::move(context))
    {
        page.resize(760, 560);
        page.show();
        QApplication::setActiveWindow(&page);
    }

    [[nodiscard]] bool ready() { return QTest::qWaitForWindowActive(&page); }
    [[nodiscard]] ModelListView *list() const { return page.form().list; }
    [[nodiscard]] ModelListModel *model() const
    {
        return qobject_cast<ModelListModel *>(page.form().list->model());
    }
    // Makes the model's row the list's current one and gives the list the focus.
    [[nodiscard]] bool choose(const QString &fileName)
    {
        const QModelIndex index = model()->indexOfFile(fileName);
        if (!index.isValid())
            return false;
        list()->setFocus();
        list()->setCurrentIndex(index);
        return true;
    }
    [[nodiscard]] QString chosenFile() const
    {
        return list()->currentIndex().data(ModelListModel::FileNameRole).toString();
    }
    [[nodiscard]] QStringList rowTexts() const
    {
        QStringList texts;
        for (int row = 0; row < model()->rowCount(); ++row)
            texts.append(model()->index(row).data(Qt::DisplayRole).toString());
        return texts;
    }
    // The visible dialogs of the page of that class (by class name).
    [[nodiscard]] QList<QDialog *> openDialogs(const char *className) const
    {
        QList<QDialog *> found;
        for (QDialog *dialog : page.findChildren<QDialog *>()) {
            if (dialog->isVisible() && dialog->inherits(className))
                found.append(dialog);
        }
        return found;
    }

    ModelsPage page;
};

} // namespace modelspagetest
