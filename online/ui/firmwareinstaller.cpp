#include "online/ui/firmwareinstaller.h"

#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "ui/widgets/inputblocker.h"
#include "ui/widgets/progressdialog.h"

#include <QApplication>

namespace updateflow {

QMessageBox *showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                     const QString &text)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    // Not exec(): a nested event loop would run the device's completions inside the box.
    box->open();
    return box;
}

} // namespace updateflow

FirmwareInstaller *FirmwareInstaller::install(QWidget *parent, DeviceManager *deviceManager,
                                              FirmwareInstallation::Request request,
                                              Completion completion)
{
    DeviceConnection *connection = deviceManager ? deviceManager->connection() : nullptr;
    if (!connection) {
        updateflow::showBox(parent ? parent->window() : nullptr, QMessageBox::Critical,
                            updateflow::kUpdateFailedTitle,
                            DeviceConnection::errorString(DeviceConnectionError::InvalidState));
        return nullptr;
    }
    auto *installer =
        new FirmwareInstaller(parent, *deviceManager, *connection, std::move(completion));
    installer->m_installation->start(std::move(request));
    return installer;
}

FirmwareInstaller::FirmwareInstaller(QWidget *parent, DeviceManager &deviceManager,
                                     DeviceConnection &connection, Completion completion)
    : m_parent(parent)
    , m_inputBlock(blockInput(parent ? parent->window() : nullptr))
    , m_installation(new FirmwareInstallation(deviceManager, connection, this))
    , m_completion(std::move(completion))
{
    connect(m_installation, &FirmwareInstallation::switchedToBootloader, this,
            &FirmwareInstaller::onSwitched);
    connect(m_installation, &FirmwareInstallation::progress, this, &FirmwareInstaller::onProgress);
    connect(m_installation, &FirmwareInstallation::finished, this, &FirmwareInstaller::onFinished);
}

FirmwareInstaller::~FirmwareInstaller()
{
    delete m_progressDialog.data();
}

void FirmwareInstaller::onSwitched(DeviceConnectionError error)
{
    m_inputBlock.reset();
    if (error != DeviceConnectionError::NoError) {
        m_switchFailed = true;
        updateflow::showBox(boxParent(), QMessageBox::Critical, updateflow::kUpdateFailedTitle,
                            DeviceConnection::errorString(error));
        return;
    }
    m_progressDialog = new ProgressDialog(m_parent);
    m_progressDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_progressDialog->addProgress(updateflow::kProgressKey, updateflow::kProgressLabel);
    m_progressDialog->open();
}

void FirmwareInstaller::onProgress(float fraction)
{
    if (m_progressDialog)
        m_progressDialog->setProgress(updateflow::kProgressKey, int(fraction * 100));
}

void FirmwareInstaller::onFinished(DeviceConnectionError error)
{
    deleteLater();
    if (m_switchFailed)
        return;
    if (m_progressDialog)
        m_progressDialog->close();
    if (error != DeviceConnectionError::NoError)
        updateflow::showBox(boxParent(), QMessageBox::Critical, updateflow::kUpdateFailedTitle,
                            DeviceConnection::errorString(error));
    else
        updateflow::showBox(boxParent(), QMessageBox::Information, updateflow::kUpdateFinishedTitle,
                            updateflow::kUpdateFinishedText);
    if (m_completion)
        m_completion();
}

QWidget *FirmwareInstaller::boxParent() const
{
    QWidget *window = m_parent ? m_parent->window() : QApplication::activeWindow();
    while (window && window->parentWidget())
        window = window->parentWidget()->window();
    return window;
}
