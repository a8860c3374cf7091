#include "app/ui/program.h"

#include "app/log.h"
#include "app/shell/cablefirst.h"
#include "app/shell/demodevice.h"
#include "app/shell/devicewatch.h"
#include "app/shell/programexit.h"
#include "app/shell/programlibraries.h"
#include "app/ui/cablefirstprompt.h"
#include "app/ui/mainwindow.h"
#include "app/ui/messageboxpresenter.h"
#include "device/deviceconnection.h"
#include "device/streamenumeration.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "online/siteconfig.h"
#include "online/ui/logindialog.h"
#include "online/ui/registerdialog.h"
#include "online/ui/updatepage.h"
#include "platform/ftdi/ftdiapi.h"
#include "ui/calibration/hexavorcalibrationdialog.h"
#include "ui/models/modelscontext.h"
#include "ui/models/modelspage.h"
#include "ui/navigation/pageregistry.h"
#include "ui/pages/editorpages.h"
#include "ui/sync/syncdialog.h"
#include "ui/widgets/picture.h"
#include "ui/widgets/stylevalues.h"
#include "ui/widgets/systemtaskbarprogress.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace {

constexpr int kDemoSaveIntervalMs = 2000;

MainWindowDialogs standardDialogs(std::function<OnlineContext()> onlineContext)
{
    MainWindowDialogs dialogs;
    dialogs.sync = [](MainWindowController &controller, QWidget *parent) -> QDialog * {
        SyncContext context;
        context.deviceManager = &controller.deviceManager();
        context.library = &controller.models();
        context.lastSyncedModels = &controller.lastSyncedModels();
        context.setCurrentModel = [&controller](const std::shared_ptr<Model> &model) {
            return controller.setCurrentModel(model);
        };
        return new SyncDialog(std::move(context), parent);
    };
    dialogs.calibration = [](MainWindowController &controller, QWidget *parent) -> QDialog * {
        return new HexavorCalibrationDialog(&controller.deviceManager(), &controller.connection(),
                                            parent);
    };
    // The account dialogs are modal, as the update page's own uses of them are.
    dialogs.logIn = [onlineContext](QWidget *parent) {
        LogInDialog dialog(onlineContext(), parent);
        dialog.exec();
    };
    dialogs.registerAccount = [onlineContext](QWidget *parent) {
        RegisterDialog dialog(onlineContext(), parent);
        dialog.exec();
    };
    return dialogs;
}

} // namespace

std::expected<std::unique_ptr<Program>, QString> Program::start(Setup setup)
{
    std::unique_ptr<Program> program(new Program);
    if (auto built = program->build(setup); !built)
        return std::unexpected(built.error());
    return program;
}

Program::~Program()
{
    // The window and the watch use the connection; the connection goes after them.
    m_window.reset();
    m_watch.reset();
    m_cableFirst.reset();
    m_prompt.reset();
    m_exit.reset();
    m_connection.reset();
    m_demo.reset();
    if (m_presenter)
        installMessagePresenter(nullptr);
}

std::expected<void, QString> Program::build(Setup &setup)
{
    m_environment = prepareEnvironment(setup.environment);
    if (auto applied = applyServiceOptions(setup.options); !applied)
        return std::unexpected(applied.error());
    m_libraries = std::make_unique<ProgramLibraries>(
        openProgramLibraries(m_environment.dataDirectory, m_environment.betaDataDirectory));
    initStyleValues();
    SystemTaskbarProgress::installWhereAvailable();
    m_presenter = std::make_unique<MessageBoxPresenter>();
    installMessagePresenter(m_presenter.get());

    DeviceConnection::Options connectionOptions;
    if (setup.options.demoProfile) {
        const QString stateFile = m_environment.dataDirectory +
                                  QStringLiteral("/Demo/%1.json").arg(*setup.options.demoProfile);
        auto demo = DemoDevice::create(*setup.options.demoProfile, stateFile);
        if (!demo)
            return std::unexpected(demo.error());
        m_demo = std::move(*demo);
        connectionOptions.enumerator = m_demo->enumerator();
        connectionOptions.cableLogger = m_demo->cableLogger();
    } else if (!setup.options.ports.isEmpty()) {
        connectionOptions.enumerator = [ports = setup.options.ports](bool ftdiPidEnabled) {
            return availableStreams(ftdiPidEnabled, ftdi::defaultFtdiApi(), ports);
        };
    }
    m_connection = std::make_unique<DeviceConnection>(std::move(connectionOptions));

    m_exit = std::make_unique<ProgramExit>(*m_environment.settings, *m_connection,
                                           std::move(setup.terminate));
    // The models library is flushed by the window as it closes; the other two may still be
    // writing their lists.
    m_exit->addBeforeTermination([libraries = m_libraries.get()] {
        libraries->trash->waitForWrites();
        libraries->presets->waitForWrites();
    });
    if (m_demo) {
        DemoDevice *demo = m_demo.get();
        m_exit->addBeforeTermination([demo] { demo->saveState(); });
        auto *saveTimer = new QTimer(m_connection.get());
        saveTimer->setInterval(kDemoSaveIntervalMs);
        QObject::connect(saveTimer, &QTimer::timeout, m_connection.get(),
                         [demo] { demo->saveState(); });
        saveTimer->start();
    }

    ProgramExit *exit = m_exit.get();
    m_prompt = std::make_unique<CableFirstPromptBox>(
        [this](int result) { m_cableFirst->promptFinished(result); });
    m_cableFirst = std::make_unique<CableFirstRule>(*m_environment.settings, *m_prompt,
                                                    [exit] { exit->finishAndExit(); });
    m_watch = std::make_unique<DeviceWatch>(*m_connection);
    QObject::connect(m_watch.get(), &DeviceWatch::openAttempted, m_watch.get(),
                     [this] { m_cableFirst->openAttempted(m_connection->isOpen()); });

    m_pages = std::make_unique<PageRegistry>();
    MainWindowServices services;
    services.connection = m_connection.get();
    services.models = m_libraries->models.get();
    services.lastSyncedModels = m_environment.lastSyncedModels;
    services.settings = m_environment.settings;
    services.registry = &modelClassRegistry();
    services.log = m_environment.log;
    services.tooltips = &m_environment.tooltips;
    services.pages = m_pages.get();
    services.exit = m_exit.get();
    m_window =
        std::make_unique<MainWindow>(services, standardDialogs([this] { return onlineContext(); }));
    registerOnlineScreens();
    registerEditorPages(*m_pages);
    registerModelScreens();
    // A failed attempt changes nothing on the connection; the window still says why.
    QObject::connect(m_watch.get(), &DeviceWatch::openAttempted, m_window.get(),
                     &MainWindow::updateConnectionInfo);
    if (const QString problems = startupProblems(); !problems.isEmpty())
        m_window->showStartupNotice(problems);
    if (setup.showWindow)
        m_window->show();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // The first look happens at once; the timer keeps looking every 800 ms.
    if (setup.startDeviceWatch) {
        m_watch->start();
        QTimer::singleShot(0, m_watch.get(), &DeviceWatch::tick);
    }
    return {};
}

QString Program::startupProblems() const
{
    QStringList problems;
    if (!m_environment.dataDirectoryWritable)
        problems << QStringLiteral("The data folder %1 cannot be written: models and settings "
                                   "will not be kept.")
                        .arg(m_environment.dataDirectory);
    if (!QDir(pictureFolder()).exists())
        problems << QStringLiteral("The program's pictures were not found (%1); it runs "
                                   "without them.")
                        .arg(QDir::toNativeSeparators(pictureFolder()));
    if (!m_environment.tooltipProblem.isEmpty())
        problems << QStringLiteral("The help texts could not be read (tooltips.txt, %1).")
                        .arg(m_environment.tooltipProblem);
    return problems.join(QLatin1Char('\n'));
}

std::expected<void, QString> Program::applyServiceOptions(const ProgramOptions &options)
{
    if (!options.serviceUrl.isEmpty()) {
        if (auto set = siteconfig::setServiceUrlOverride(QUrl(options.serviceUrl)); !set)
            return std::unexpected(QStringLiteral("--service-url: %1").arg(set.error()));
    }
    if (!options.serviceCaFile.isEmpty()) {
        if (auto added = siteconfig::addTrustedCertificatesFile(options.serviceCaFile); !added)
            return std::unexpected(QStringLiteral("--service-ca: %1").arg(added.error()));
    }
    return {};
}

OnlineContext Program::onlineContext() const
{
    OnlineContext context;
    context.settings = m_environment.settings;
    context.deviceManager = &m_window->controller().deviceManager();
    context.connection = m_connection.get();
    MainWindow *window = m_window.get();
    context.accountChanged = [window] { window->updateLogInInfo(); };
    return context;
}

void Program::registerOnlineScreens()
{
    m_pages->setFactory(PageKind::SoftwareUpdate,
                        [context = onlineContext()](const PageInfo &, const PageContext &) {
                            return new UpdatePage(context);
                        });
    m_window->updateLogInInfo();
}

void Program::registerModelScreens()
{
    MainWindowController &controller = m_window->controller();
    ModelsContext context;
    context.models = m_libraries->models.get();
    context.trash = m_libraries->trash.get();
    context.presets = m_libraries->presets.get();
    context.lastSyncedModels = m_environment.lastSyncedModels;
    context.settings = m_environment.settings;
    context.deviceManager = &controller.deviceManager();
    context.pages = m_pages.get();
    context.currentModel = [&controller] { return controller.currentModel(); };
    context.setCurrentModel = [&controller](const std::shared_ptr<Model> &model) {
        return controller.setCurrentModel(model);
    };
    context.rerunDeviceStateHandling = [&controller] { controller.deviceStateChanged(); };
    m_pages->setFactory(PageKind::ModelLibrary, [context](const PageInfo &, const PageContext &) {
        return createModelsPage(context);
    });
    // The first build of the navigation makes the models page through its factory.
    controller.restoreCurrentModel();
}
