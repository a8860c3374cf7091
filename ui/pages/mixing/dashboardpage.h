#pragma once

#include "app/tooltipparser.h"
#include "ui/navigation/page.h"

#include <QList>
#include <QPointer>
#include <QTimer>

#include <memory>

class AirplaneRxModel;
class DeviceConnection;
class DeviceManager;
class QFormLayout;
class QLabel;

// The model at a glance: its picture and name, the receiver it is for, whether a receiver is
// connected and the model is in step with it, and the settings that shape the aircraft.
// Read-only; it follows every change of the model, its info, the connection and the device.
class DashboardPage : public Page
{
    Q_OBJECT

public:
    static constexpr int kPictureSize = 128;
    // Nothing announces the end of the device memory's delayed flash commit, so while one is
    // pending the page looks again at this pace.
    static constexpr int kSyncCheckIntervalMs = 500;

    // `manager` and `connection` may be null (no device side, as in tests of other screens);
    // without a connection the manager's is used.
    DashboardPage(std::shared_ptr<AirplaneRxModel> model, DeviceManager *manager,
                  DeviceConnection *connection, const TooltipTable *tooltips,
                  QWidget *parent = nullptr);
    ~DashboardPage() override;

private:
    [[nodiscard]] QWidget *buildHeader();
    [[nodiscard]] QWidget *buildConnection(const TooltipTable *tooltips);
    [[nodiscard]] QWidget *buildSettings();
    // A read-only row of `form`; the returned label shows the value.
    [[nodiscard]] QLabel *addValueRow(QFormLayout &form, const QString &label,
                                      const QString &objectName);
    void followDevice();

    [[nodiscard]] QString deviceName() const;
    [[nodiscard]] QString connectionText() const;
    [[nodiscard]] QString syncText();
    [[nodiscard]] bool isLinked() const;
    [[nodiscard]] QString flightModeSwitchText() const;
    [[nodiscard]] QString mixesText() const;

    std::shared_ptr<AirplaneRxModel> m_model;
    QPointer<DeviceManager> m_manager;
    QPointer<DeviceConnection> m_connection;
    QTimer m_syncCheck;
    QList<QLabel *> m_rowLabels;
};
