#include "ui/calibration/hexavorcalibrationdialog.h"

#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Wide enough that the instructions wrap into a few even lines.
constexpr int kMinimumWidth = 420;
// Room for every status line the dialog shows, so the form does not jump when one appears.
constexpr int kStatusLines = 2;

} // namespace

HexavorCalibrationDialog::HexavorCalibrationDialog(DeviceManager *deviceManager,
                                                   DeviceConnection *connection, QWidget *parent)
    : QDialog(parent)
    , m_deviceManager(deviceManager)
    , m_supportsProgress(deviceManager && deviceManager->canReadCalibration().value_or(false))
    , m_connection(connection)
{
    m_pollTimer.setSingleShot(true);
    m_pollTimer.setInterval(kPollIntervalMs);
    buildForm();

    connect(m_startButton, &QPushButton::clicked, this, &HexavorCalibrationDialog::start);
    connect(m_closeButton, &QPushButton::clicked, this, &HexavorCalibrationDialog::reject);
    connect(&m_pollTimer, &QTimer::timeout, this, &HexavorCalibrationDialog::checkCalStatus);
    connect(this, &QDialog::finished, this, &HexavorCalibrationDialog::onFinished);
    m_pollTimer.start();
}

HexavorCalibrationDialog::~HexavorCalibrationDialog()
{
    // Deleted before it finished: a poll still under way must not reach a dialog that is gone.
    *m_closed = true;
}

void HexavorCalibrationDialog::buildForm()
{
    setWindowTitle(QStringLiteral("Calibration Needed"));
    setMinimumWidth(kMinimumWidth);

    m_label = new QLabel(levelcalibration::kIntroText, this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setWordWrap(true);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setAccessibleName(QStringLiteral("Calibration status"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusLabel->setMinimumHeight(kStatusLines * m_statusLabel->fontMetrics().lineSpacing());

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAccessibleName(QStringLiteral("Calibration progress"));
    if (m_supportsProgress) {
        m_progressBar->setRange(0, levelcalibration::kProgressMaximum);
        m_progressBar->setValue(0);
        m_progressBar->setTextVisible(true);
    } else {
        // A receiver that reports no progress gets a busy bar.
        m_progressBar->setRange(0, 0);
        m_progressBar->setTextVisible(false);
    }

    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Close, this);
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    m_startButton = m_buttonBox->button(QDialogButtonBox::Ok);
    m_startButton->setText(QStringLiteral("Start"));
    m_startButton->setVisible(m_supportsProgress);
    m_closeButton = m_buttonBox->button(QDialogButtonBox::Close);
    m_closeButton->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_statusLabel);
    layout->addWidget(m_progressBar);
    layout->addStretch(1);
    layout->addWidget(m_buttonBox);
}

void HexavorCalibrationDialog::setStatus(const QString &text)
{
    m_statusLabel->setText(text);
    // A window's layout does not raise its minimum height for wrapped text; a longer line
    // than the form has room for (a larger font) would otherwise be cut off.
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

void HexavorCalibrationDialog::start()
{
    m_startButton->setEnabled(false);
    setStatus(levelcalibration::kCalibratingText);
    // The poll reports how the calibration goes.
    if (m_connection)
        m_connection->fskStartSensorTnc([](DeviceConnectionError) {});
}

void HexavorCalibrationDialog::checkCalStatus()
{
    if (*m_closed)
        return;
    if (!m_connection) {
        applyPoll(levelcalibration::interpretPoll(DeviceConnectionError::InvalidState, {},
                                                  m_supportsProgress, m_shownOutcome));
        return;
    }
    m_connection->fskTncStatus([this, closed = m_closed](DeviceConnectionError error, std::uint8_t,
                                                         QByteArray data) {
        if (*closed)
            return;
        applyPoll(levelcalibration::interpretPoll(error, data, m_supportsProgress, m_shownOutcome));
    });
}

void HexavorCalibrationDialog::applyPoll(const levelcalibration::PollStep &step)
{
    if (step.status)
        setStatus(*step.status);
    if (step.hideProgress)
        m_progressBar->hide();
    if (step.progress)
        m_progressBar->setValue(*step.progress);
    if (step.enableClose) {
        m_closeButton->setEnabled(true);
        m_closeButton->setDefault(true);
    }
    if (step.disableStart)
        m_startButton->setEnabled(false);
    if (step.outcome != levelcalibration::Outcome::None)
        m_shownOutcome = step.outcome;
    if (step.outcome == levelcalibration::Outcome::Passed)
        m_passed = true;
    if (step.pollAgain)
        m_pollTimer.start();
}

void HexavorCalibrationDialog::reject()
{
    if (!m_closeButton->isEnabled())
        return;
    QDialog::reject();
}

void HexavorCalibrationDialog::onFinished()
{
    *m_closed = true;
    m_pollTimer.stop();
    if (m_passed && m_deviceManager)
        m_deviceManager->reidentify();
}
