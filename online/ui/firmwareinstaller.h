#pragma once

#include "online/firmwareinstallation.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class DeviceManager;
class InputBlock;
class ProgressDialog;

namespace updateflow {

inline const QString kUpdateFailedTitle = QStringLiteral("Update Failed");
inline const QString kUpdateFinishedTitle = QStringLiteral("Update Finished");
inline const QString kUpdateFinishedText = QStringLiteral("The device was successfully updated.");
inline const QString kProgressKey = QStringLiteral("updating");
inline const QString kProgressLabel = QStringLiteral("Updating device...");

// A message box of the update flow, shown without waiting for it: the device work that
// follows the message must not wait for the user to read it.
QMessageBox *showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                     const QString &text);

} // namespace updateflow

// The desktop side of one installation: the parent window takes no input while the device
// switches to its bootloader, a progress dialog shows the transfer, and a message box tells
// the outcome. Deletes itself when done; the parent may go away at any time before.
class FirmwareInstaller : public QObject
{
    Q_OBJECT

public:
    using Completion = std::function<void()>;

    // `completion` is called once the transfer has ended, successfully or not, right after
    // the outcome's box is shown; not after a failed switch. Returns the running installer.
    static FirmwareInstaller *install(QWidget *parent, DeviceManager *deviceManager,
                                      FirmwareInstallation::Request request, Completion completion);

    ~FirmwareInstaller() override;

private:
    FirmwareInstaller(QWidget *parent, DeviceManager &deviceManager, DeviceConnection &connection,
                      Completion completion);

    void onSwitched(DeviceConnectionError error);
    void onProgress(float fraction);
    void onFinished(DeviceConnectionError error);
    // Where the outcome shows: the outermost window above the parent, which outlives a
    // dialog that the completion closes.
    [[nodiscard]] QWidget *boxParent() const;

    QPointer<QWidget> m_parent;
    std::shared_ptr<InputBlock> m_inputBlock;
    QPointer<ProgressDialog> m_progressDialog;
    FirmwareInstallation *m_installation = nullptr;
    Completion m_completion;
    bool m_switchFailed = false;
};
