#include "app/ui/mainwindow.h"

#include "app/shell/programexit.h"
#include "app/ui/cablepower.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "models/model.h"
#include "models/modellibrary.h"
#include "platform/deviceaccesshint.h"
#include "ui/navigation/navigationpane.h"
#include "ui/widgets/helpindicator.h"
#include "ui/widgets/picture.h"
#include "ui/widgets/progressdialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

constexpr int kGeometrySaveDelayMs = 500;
constexpr int kModelImageSize = 48;
constexpr int kStatusIconSize = 24;
const QString kModelsTitle = QStringLiteral("Models");
const QString kSelectingKey = QStringLiteral("selecting");

} // namespace

MainWindow::MainWindow(MainWindowServices services, MainWindowDialogs dialogs, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_dialogs(std::move(dialogs))
    , m_controller({services.connection, services.models, services.lastSyncedModels,
                    services.settings, services.registry},
                   *this)
{
    setWindowTitle(QStringLiteral("Zandorex Programmer"));
    setWindowIcon(loadPicture(QStringLiteral("ZandorexProgrammer.png")));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildStatusBar(central);
    m_navigation = new NavigationPane(*services.pages, central);
    layout->addWidget(m_navigation, 1);
    setCentralWidget(central);
    buildMenus();

    m_geometryTimer.setSingleShot(true);
    m_geometryTimer.setInterval(kGeometrySaveDelayMs);
    connect(&m_geometryTimer, &QTimer::timeout, this, &MainWindow::updateSavedWidgetGeometry);
    resize(1040, 700);
    restoreGeometry(services.settings->value(kGeometryKey).toByteArray());
    m_geometryRestored = true;

    DeviceConnection *connection = services.connection;
    connect(connection, &DeviceConnection::modeSelected, this, &MainWindow::updateConnectionInfo);
    connect(connection, &DeviceConnection::isOpenChanged, this, &MainWindow::updateConnectionInfo);
    connect(&m_controller.deviceManager(), &DeviceManager::deviceStateChanged, this,
            &MainWindow::updateConnectionInfo);
    connect(&m_controller, &MainWindowController::currentModelChanged, this,
            &MainWindow::updateModelInfo);
    connect(&m_controller, &MainWindowController::modelInfoChanged, this,
            &MainWindow::updateModelInfo);
    connect(&m_controller, &MainWindowController::modelSyncStatusChanged, this,
            &MainWindow::updateConnectionInfo);
    connect(m_powerCheckBox, &QCheckBox::toggled, this, &MainWindow::updateCablePower);
    connect(m_connectButton, &QPushButton::clicked, this, &MainWindow::reconnectDevice);

    updateConnectionInfo();
    updateModelInfo();
    updateLogInInfo();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildStatusBar(QWidget *parent)
{
    auto *bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("deviceBar"));
    bar->setAutoFillBackground(true);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 8, 12, 8);

    m_modelImageLabel = new QLabel(bar);
    m_modelImageLabel->setObjectName(QStringLiteral("modelImageLabel"));
    m_modelImageLabel->setFixedSize(kModelImageSize, kModelImageSize);
    m_modelImageLabel->setScaledContents(true);
    m_modelImageLabel->setAccessibleName(QStringLiteral("Model picture"));
    m_modelLabel = new QLabel(bar);
    m_modelLabel->setObjectName(QStringLiteral("modelLabel"));
    QFont modelFont = m_modelLabel->font();
    modelFont.setPointSizeF(modelFont.pointSizeF() * 1.25);
    modelFont.setBold(true);
    m_modelLabel->setFont(modelFont);
    m_deviceLabel = new QLabel(bar);
    m_deviceLabel->setObjectName(QStringLiteral("deviceLabel"));
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(m_modelLabel);
    names->addWidget(m_deviceLabel);

    m_connectedIconLabel = new QLabel(bar);
    m_connectedIconLabel->setObjectName(QStringLiteral("connectedIconLabel"));
    m_connectedIconLabel->setFixedSize(kStatusIconSize, kStatusIconSize);
    m_connectedIconLabel->setToolTip(QStringLiteral("Model Sync Status"));
    m_connectedIconLabel->setAccessibleName(QStringLiteral("Model Sync Status"));

    m_connectButton = new QPushButton(QStringLiteral("Connect"), bar);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_connectButton->setToolTip(
        QStringLiteral("Restart the device through the cable so that it enters programming mode"));
    m_powerCheckBox = new QCheckBox(QStringLiteral("Power Cable"), bar);
    m_powerCheckBox->setObjectName(QStringLiteral("powerCheckBox"));
    m_powerHelp = new HelpIndicator(QStringLiteral("power-tooltip"), *m_services.tooltips, bar);
    m_powerHelp->setObjectName(QStringLiteral("powerHelp"));

    m_accountLabel = new QLabel(bar);
    m_accountLabel->setObjectName(QStringLiteral("accountLabel"));
    m_logInButton = new QPushButton(QStringLiteral("Log In..."), bar);
    m_logInButton->setObjectName(QStringLiteral("logInButton"));
    m_logOutButton = new QPushButton(QStringLiteral("Log Out"), bar);
    m_logOutButton->setObjectName(QStringLiteral("logOutButton"));

    row->addWidget(m_modelImageLabel);
    row->addSpacing(6);
    row->addLayout(names, 1);
    row->addWidget(m_connectedIconLabel);
    row->addSpacing(12);
    row->addWidget(m_connectButton);
    row->addWidget(m_powerCheckBox);
    row->addWidget(m_powerHelp);
    row->addSpacing(18);
    row->addWidget(m_accountLabel);
    row->addWidget(m_logInButton);
    row->addWidget(m_logOutButton);

    m_noticeLabel = new QLabel(parent);
    m_noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_noticeLabel->setContentsMargins(12, 6, 12, 6);
    m_noticeLabel->setStyleSheet(QStringLiteral(
        "QLabel#noticeLabel { background: #FFF4D6; color: #5A4300; border-top: 1px solid #E8D49A;"
        " border-bottom: 1px solid #E8D49A; }"));
    m_noticeLabel->hide();

    auto *layout = static_cast<QVBoxLayout *>(parent->layout());
    layout->addWidget(bar);
    layout->addWidget(m_noticeLabel);
}

void MainWindow::showStartupNotice(const QString &text)
{
    m_startupNotice = text;
    updateNotice();
}

void MainWindow::updateNotice()
{
    QStringList lines;
    const DeviceConnection &connection = *m_services.connection;
    const StreamOpenFailure &failure = connection.lastOpenFailure();
    if (!connection.isOpen() && !failure.reason.isEmpty()) {
        lines << failure.reason;
        if (failure.accessDenied && !deviceAccessHint().isEmpty())
            lines << deviceAccessHint();
    }
    if (!m_startupNotice.isEmpty())
        lines << m_startupNotice;
    m_noticeLabel->setText(lines.join(QLatin1Char('\n')));
    m_noticeLabel->setVisible(!lines.isEmpty());
}

void MainWindow::updateConnectionInfo()
{
    const DeviceConnection &connection = *m_services.connection;
    m_deviceLabel->setText(connection.statusText());
    const bool attached = m_controller.isCurrentModelAttached();
    m_connectedIconLabel->setPixmap(loadPicture(attached ? QStringLiteral("Connected.png")
                                                         : QStringLiteral("Disconnected.png")));

    const bool canPower =
        connection.isOpen() && connection.stream() && connection.stream()->supportsPower();
    m_powerCheckBox->setEnabled(canPower);
    if (!canPower && m_powerCheckBox->isChecked())
        m_powerCheckBox->setChecked(false);
    // A receiver whose programming line doubles as its throttle input only listens right
    // after power-up: restarting it through the cable brings it into programming mode.
    m_connectButton->setVisible(canPower);
    m_connectButton->setEnabled(canPower && m_powerCheckBox->isChecked() &&
                                connection.mode() == DeviceMode::Unknown);
    updateNotice();
}

void MainWindow::updateModelInfo()
{
    const std::shared_ptr<Model> &model = m_controller.currentModel();
    if (!model) {
        m_modelLabel->setText(QStringLiteral("No Model Selected"));
        m_modelImageLabel->setPixmap(QPixmap::fromImage(defaultModelImage()));
        return;
    }
    m_modelLabel->setText(model->info().name());
    const QImage &image = model->info().image();
    m_modelImageLabel->setPixmap(QPixmap::fromImage(image.isNull() ? defaultModelImage() : image));
}

void MainWindow::updateCablePower()
{
    DeviceConnection *connection = m_services.connection;
    if (m_powerCheckBox->isChecked()) {
        if (connection->isOpen())
            cablepower::powerOnWithWarning(connection, m_powerCheckBox);
    } else if (connection->isOpen()) {
        connection->powerOff(-1, [](DeviceConnectionError) {});
    }
    updateConnectionInfo();
}

void MainWindow::reconnectDevice()
{
    constexpr int kRestartOffMs = 500;
    m_services.connection->powerOff(kRestartOffMs, [](DeviceConnectionError) {});
}

void MainWindow::closeDeviceDialogs()
{
    delete m_calibrationDialog.data();
    delete m_syncDialog.data();
}

void MainWindow::showDialog(QPointer<QDialog> &slot, QDialog *dialog)
{
    if (!dialog)
        return;
    slot = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

void MainWindow::openCalibrationDialog()
{
    if (m_dialogs.calibration) {
        showDialog(m_calibrationDialog, m_dialogs.calibration(m_controller, this));
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Level Calibration"),
                                QStringLiteral("This receiver must be level-calibrated before it "
                                               "can be programmed."),
                                QMessageBox::Ok, this);
    showDialog(m_calibrationDialog, box);
}

void MainWindow::openSyncDialog()
{
    if (m_dialogs.sync)
        showDialog(m_syncDialog, m_dialogs.sync(m_controller, this));
}

void MainWindow::rebuildNavigation(const std::shared_ptr<Model> &model)
{
    PageContext context{model, &m_controller.deviceManager(), m_services.connection, this,
                        m_services.tooltips};
    const QString selected = m_navigation->selectedTitle();
    m_navigation->rebuildNavigation(model, context, selected.isEmpty() ? kModelsTitle : selected);
}

void MainWindow::updateEnabledPages()
{
    m_navigation->updateEnabledPages(m_services.connection->mode(),
                                     m_controller.deviceManager().hasModelClass());
}

void MainWindow::showSelectingProgress()
{
    delete m_selectingProgress.data();
    m_selectingProgress = new ProgressDialog(this);
    m_selectingProgress->setAttribute(Qt::WA_DeleteOnClose);
    m_selectingProgress->addProgress(kSelectingKey, QStringLiteral("Selecting Model..."));
    m_selectingProgress->open();
}

void MainWindow::setSelectingProgress(float progress)
{
    if (m_selectingProgress)
        m_selectingProgress->setProgress(kSelectingKey, int(progress * 100));
}

void MainWindow::closeSelectingProgress()
{
    if (m_selectingProgress)
        m_selectingProgress->close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    updateSavedWidgetGeometry();
    // Nothing the user changed may be lost: pending model files are written before the
    // process ends (it ends without running destructors).
    m_services.models->flushPendingSaves();
    event->ignore();
    m_services.exit->finishAndExit();
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (m_geometryRestored)
        m_geometryTimer.start();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_geometryRestored)
        m_geometryTimer.start();
}

void MainWindow::updateSavedWidgetGeometry()
{
    m_services.settings->setValue(kGeometryKey, saveGeometry());
}
