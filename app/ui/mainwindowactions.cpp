// The main window's menus and the actions behind them.
#include "app/appidentity.h"
#include "app/log.h"
#include "app/processflags.h"
#include "app/shell/devicerules.h"
#include "app/ui/logview/logdialog.h"
#include "app/ui/logview/protocollogdialog.h"
#include "app/ui/mainwindow.h"
#include "app/ui/tncstepsdialog.h"
#include "device/deviceconnection.h"
#include "device/streamenumeration.h"
#include "device/ui/fskprotocolutility.h"
#include "devicestate/devicemanager.h"
#include "models/edithistory.h"
#include "online/credentials.h"
#include "ui/widgets/picture.h"

#include <QAction>
#include <QCheckBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>

namespace {

void showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void showUnsupportedDevice(QWidget *parent, const QString &text)
{
    showBox(parent, QMessageBox::Warning, QStringLiteral("Unsupported Device"), text);
}

void showError(QWidget *parent, const QString &text)
{
    showBox(parent, QMessageBox::Critical, QStringLiteral("Error"), text);
}

// Shows a tool window once; a second request brings it to the front.
template <typename Make> void showToolWindow(QPointer<QWidget> &slot, Make make)
{
    if (!slot) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

} // namespace

QAction *MainWindow::addAction(QMenu *menu, const QString &objectName, const QString &text,
                               void (MainWindow::*slot)())
{
    QAction *action = menu->addAction(text);
    action->setObjectName(objectName);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    return action;
}

QAction *MainWindow::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void MainWindow::buildMenus()
{
    QMenu *account = menuBar()->addMenu(QStringLiteral("&Account"));
    account->setObjectName(QStringLiteral("menuAccount"));
    QAction *logIn =
        addAction(account, QStringLiteral("actionLog_In"), QStringLiteral("Log In..."), nullptr);
    QAction *registerAccount = addAction(account, QStringLiteral("actionRegister"),
                                         QStringLiteral("Register..."), nullptr);
    QAction *logOut =
        addAction(account, QStringLiteral("actionLog_Out"), QStringLiteral("Log Out"), nullptr);
    const auto openLogIn = [this] {
        if (m_dialogs.logIn)
            m_dialogs.logIn(this);
    };
    connect(logIn, &QAction::triggered, this, openLogIn);
    connect(m_logInButton, &QPushButton::clicked, this, openLogIn);
    connect(registerAccount, &QAction::triggered, this, [this] {
        if (m_dialogs.registerAccount)
            m_dialogs.registerAccount(this);
    });
    const auto doLogOut = [this] {
        credentials::logOut(*m_services.settings);
        updateLogInInfo();
    };
    connect(logOut, &QAction::triggered, this, doLogOut);
    connect(m_logOutButton, &QPushButton::clicked, this, doLogOut);

    buildEditMenu();

    QMenu *debug = menuBar()->addMenu(QStringLiteral("&Debug"));
    debug->setObjectName(QStringLiteral("menuDebug"));
    QAction *viewLog = addAction(debug, QStringLiteral("actionView_Log"),
                                 QStringLiteral("View Log"), &MainWindow::onActionViewLog);
    viewLog->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+L")));
    addAction(debug, QStringLiteral("actionView_Protocol_Log"), QStringLiteral("View Protocol Log"),
              &MainWindow::onActionViewProtocolLog);
    addAction(debug, QStringLiteral("actionProtocol_Test_Window"),
              QStringLiteral("Protocol Test Window..."), &MainWindow::onActionProtocolTestWindow);
    debug->addSeparator();
    QAction *logCables = addAction(debug, QStringLiteral("actionLog_FTDI_Cables"),
                                   QStringLiteral("Log FTDI Cables"), nullptr);
    connect(logCables, &QAction::triggered, this,
            [this] { m_services.connection->logFtdiCables(); });
    addAction(debug, QStringLiteral("actionLog_Serial_Ports"), QStringLiteral("Log Serial Ports"),
              &MainWindow::onActionLogSerialPorts);
    debug->addSeparator();
    QAction *pinging = addAction(debug, QStringLiteral("actionEnable_Device_Pinging"),
                                 QStringLiteral("Device Pinging Enabled"), nullptr);
    pinging->setCheckable(true);
    pinging->setChecked(processflags::devicePingingEnabled());
    connect(pinging, &QAction::toggled, this, &processflags::setDevicePingingEnabled);
    QAction *leavePowered = addAction(debug, QStringLiteral("actionLeave_Cable_Powered_after_Exit"),
                                      QStringLiteral("Leave Cable Powered after Exit"), nullptr);
    leavePowered->setCheckable(true);
    leavePowered->setChecked(processflags::leaveCablePoweredAfterExit());
    connect(leavePowered, &QAction::toggled, this, &processflags::setLeaveCablePoweredAfterExit);
    QAction *ftdiPid = addAction(debug, QStringLiteral("actionFTDI_PID_Enabled"),
                                 QStringLiteral("FTDI PID Enabled"), nullptr);
    ftdiPid->setCheckable(true);
    ftdiPid->setChecked(m_services.connection->ftdiPidEnabled());
    connect(ftdiPid, &QAction::toggled, this,
            [this](bool enabled) { m_services.connection->setFtdiPidEnabled(enabled); });
    debug->addSeparator();
    addAction(debug, QStringLiteral("actionClear_TNC_Steps"), QStringLiteral("Clear TNC Steps..."),
              &MainWindow::onActionClearTncSteps);
    addAction(debug, QStringLiteral("actionRead_Calibration"), QStringLiteral("Read Calibration"),
              &MainWindow::onActionReadCalibration);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    addAction(help, QStringLiteral("actionAbout"), QStringLiteral("About Zandorex Programmer..."),
              &MainWindow::onActionAbout);

    auto *quit = new QAction(QStringLiteral("Quit"), this);
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    QMainWindow::addAction(quit);
}

void MainWindow::buildEditMenu()
{
    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    EditHistory &history = m_controller.editHistory();
    QAction *undo = addAction(edit, QStringLiteral("actionUndo"), QStringLiteral("Undo"), nullptr);
    undo->setShortcuts(QKeySequence::Undo);
    // Ctrl+Shift+Z everywhere, beside the platform's own (Ctrl+Y on Windows).
    QList<QKeySequence> redoKeys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Redo))
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    QAction *redo = addAction(edit, QStringLiteral("actionRedo"), QStringLiteral("Redo"), nullptr);
    redo->setShortcuts(redoKeys);
    connect(undo, &QAction::triggered, &history, &EditHistory::undo);
    connect(redo, &QAction::triggered, &history, &EditHistory::redo);
    undo->setEnabled(history.canUndo());
    redo->setEnabled(history.canRedo());
    connect(&history, &EditHistory::canUndoChanged, undo, &QAction::setEnabled);
    connect(&history, &EditHistory::canRedoChanged, redo, &QAction::setEnabled);
}

void MainWindow::updateLogInInfo()
{
    const QSettings &settings = *m_services.settings;
    const bool loggedIn = credentials::account(settings).isLoggedIn();
    m_accountLabel->setText(devicerules::accountText(settings));
    m_accountLabel->setVisible(loggedIn);
    m_logOutButton->setVisible(loggedIn);
    m_logInButton->setVisible(!loggedIn && m_dialogs.logIn);
    action(QStringLiteral("actionLog_Out"))->setVisible(loggedIn);
    QAction *logIn = action(QStringLiteral("actionLog_In"));
    logIn->setVisible(!loggedIn);
    logIn->setEnabled(bool(m_dialogs.logIn));
    QAction *registerAccount = action(QStringLiteral("actionRegister"));
    registerAccount->setVisible(!loggedIn);
    registerAccount->setEnabled(bool(m_dialogs.registerAccount));
}

void MainWindow::onActionClearTncSteps()
{
    DeviceConnection *connection = m_services.connection;
    if (connection->mode() != DeviceMode::FSK) {
        showBox(this, QMessageBox::Information, QStringLiteral("Programming Mode Required"),
                QStringLiteral("A device must be in programming mode to reset its TNC flags."));
        return;
    }
    const std::optional<QList<devicerules::TncFlag>> flags =
        devicerules::tncFlagsFor(m_controller.deviceManager().productCode());
    if (!flags) {
        showUnsupportedDevice(this, QStringLiteral("This app does not support resetting TNC flags "
                                                   "on the currently connected device."));
        return;
    }
    auto *dialog = new TncStepsDialog(*flags, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QPointer<MainWindow> self(this);
    connect(dialog, &QDialog::accepted, this, [this, dialog, self] {
        m_services.connection->fskTncStart(
            dialog->checkedValue(), [self](DeviceConnectionError error) {
                if (self && error != DeviceConnectionError::NoError)
                    showError(self, QStringLiteral("There was a problem resetting the TNC flags."));
            });
    });
    dialog->open();
}

void MainWindow::onActionReadCalibration()
{
    if (!devicerules::canReadCalibration(m_controller.deviceManager().productCode())) {
        showUnsupportedDevice(this, QStringLiteral("This app does not support reading calibration "
                                                   "of the currently connected device."));
        return;
    }
    QPointer<MainWindow> self(this);
    DeviceConnection *connection = m_services.connection;
    connection->switchToMode(DeviceMode::FSK, [self, connection](DeviceConnectionError error) {
        if (!self)
            return;
        if (error != DeviceConnectionError::NoError) {
            showError(self, QStringLiteral("There was a problem switching to programming mode."));
            return;
        }
        connection->fskReadCal(
            devicerules::kCalibrationIndex, devicerules::kCalibrationByteCount,
            [self](DeviceConnectionError readError, const QByteArray &reply) {
                if (!self)
                    return;
                const std::optional<QString> text = readError == DeviceConnectionError::NoError
                                                        ? devicerules::calibrationText(reply)
                                                        : std::nullopt;
                if (!text) {
                    showError(self, QStringLiteral("There was a problem reading the calibration."));
                    return;
                }
                showBox(self, QMessageBox::Information, QStringLiteral("Calibration"), *text);
            });
    });
}

void MainWindow::onActionViewLog()
{
    showToolWindow(m_logDialog, [this] { return new LogDialog(*m_services.log, this); });
}

void MainWindow::onActionViewProtocolLog()
{
    showToolWindow(m_protocolLogDialog, [this] { return new ProtocolLogDialog(this); });
}

void MainWindow::onActionProtocolTestWindow()
{
    showToolWindow(m_protocolTestWindow,
                   [this] { return new FskProtocolUtility(*m_services.connection, this); });
}

void MainWindow::onActionLogSerialPorts()
{
    for (const QString &line : devicerules::serialPortLines(systemSerialPorts()))
        log(QStringLiteral("Serial Ports"), line);
}

void MainWindow::onActionAbout()
{
    auto *box = new QMessageBox(this);
    box->setWindowTitle(QStringLiteral("About Zandorex Programmer"));
    box->setIconPixmap(loadPicture(QStringLiteral("ZandorexProgrammer.png"))
                           .scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    box->setTextFormat(Qt::RichText);
    box->setText(QStringLiteral("<h3>Zandorex Programmer %1</h3>"
                                "<p>Programs the receivers, transmitters and stabiliser boxes of "
                                "the family: models, settings and firmware.</p><p>&copy; %2</p>")
                     .arg(appidentity::kApplicationVersion, appidentity::kOrganisationName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
