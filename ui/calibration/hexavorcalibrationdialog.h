#pragma once

#include "ui/calibration/calibrationpoll.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <memory>

class DeviceConnection;
class DeviceManager;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;

// Asks the user to keep a stabilised receiver flat and still while it learns its level
// attitude, lets the user start the calibration where the receiver reports its progress, and
// shows the outcome the receiver reports. After a passed calibration, closing the dialog has
// the device identified again, so the program goes on with the calibrated receiver.
//
// The owner deletes the dialog once it has finished; it may also delete it at any time
// before (a device that goes away).
class HexavorCalibrationDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kPollIntervalMs = 500;

    HexavorCalibrationDialog(DeviceManager *deviceManager, DeviceConnection *connection,
                             QWidget *parent = nullptr);
    ~HexavorCalibrationDialog() override;

    // Tests poll faster.
    void setPollIntervalMs(int ms) { m_pollTimer.setInterval(ms); }
    [[nodiscard]] int pollIntervalMs() const { return m_pollTimer.interval(); }

public slots:
    // Ignored while Close is disabled: the receiver must not be left half-calibrated by
    // Escape or the window's close button either.
    void reject() override;

private:
    void buildForm();
    void setStatus(const QString &text);
    void start();
    void checkCalStatus();
    void applyPoll(const levelcalibration::PollStep &step);
    void onFinished();

    // The form.
    QLabel *m_label = nullptr;
    QLabel *m_statusLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_closeButton = nullptr;

    QTimer m_pollTimer;
    QPointer<DeviceManager> m_deviceManager;
    bool m_supportsProgress = false;
    QPointer<DeviceConnection> m_connection;
    bool m_passed = false;
    levelcalibration::Outcome m_shownOutcome = levelcalibration::Outcome::None;
    // Set once the dialog has finished or is gone; completions test it before touching it.
    std::shared_ptr<bool> m_closed = std::make_shared<bool>(false);
};
