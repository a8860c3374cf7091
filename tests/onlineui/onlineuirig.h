#pragma once

#include "app/log.h"
#include "app/messagepresenter.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "devsim/simulateddevicestream.h"
#include "online/credentials.h"
#include "online/siteconfig.h"
#include "online/ui/onlinecontext.h"
#include "online/zandorexsite.h"
#include "testservice/testservice.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace onlineuitest {

inline constexpr int kWaitMs = 10000;

// Records every message box that shows up, wherever it comes from, and closes it, so that a
// test sees exactly which boxes the user would have had to dismiss ("title: text").
class MessageBoxCatcher
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { closeVisibleBoxes(); });
        m_timer.start();
    }

    bool waitForBoxes(int count)
    {
        return QTest::qWaitFor([&] { return boxes.size() >= count; }, kWaitMs);
    }

    // The boxes visible right now, without closing them.
    static QStringList visibleBoxes()
    {
        QStringList shown;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                shown.append(describe(*box));
        return shown;
    }

    QStringList boxes;

private:
    static QString describe(const QMessageBox &box)
    {
        return box.windowTitle() + QStringLiteral(": ") + box.text();
    }

    void closeVisibleBoxes()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            boxes.append(describe(*box));
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};

// Runs `answer` on the next modal dialog of type T once it is up (exec() or open()).
template <typename T> void answerModal(std::function<void(T *)> answer)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer = std::move(answer)] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->deleteLater();
        timer->stop();
        answer(dialog);
    });
    timer->start();
}

// The visible top-level widget of type T, if any.
template <typename T> T *findWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<T *>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

// The device manager's boxes reach the test's list instead of the screen.
class RecordingPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        messages.append(title + QStringLiteral(": ") + text);
    }
    QStringList messages;
};

// Model classes for the simulator profiles used here, so that the device manager keeps the
// devices in their application.
inline ListModelClassRegistry onlineRegistry()
{
    return ListModelClassRegistry({
        {QStringLiteral("AirplaneRxModel"), -1, true, {{0xD9, 0xFF}}},
        {QStringLiteral("TrivorModel"), -1, true, {{0x83, 4}, {0x83, 5}}},
        {QStringLiteral("BaseStationModel"), -1, false, {{0x6A, 0}}},
    });
}

// A serial number that the device catalog reads as the product with `serialCode`.
inline QByteArray catalogSerialNumber(char serialCode, const QByteArray &prefix = "ZX217-")
{
    QByteArray data(18, '\x01');
    data[8] = serialCode;
    return prefix.left(6).leftJustified(6, '-') + data.toBase64();
}

// A simulated device behind the real connection and device manager.
class DeviceRig
{
public:
    explicit DeviceRig(devsim::DeviceProfile deviceProfile = devsim::profiles::airplaneReceiver(),
                       bool usbCdc = false)
        : profile(fast(std::move(deviceProfile)))
        , simulator(std::make_shared<devsim::DeviceSimulator>(profile))
        , m_usbCdc(usbCdc)
    {
        Log::install(&log);
        m_previousPresenter = installMessagePresenter(&presenter);
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = 600;
        options.timings.inputResetMs = 400;
        options.timings.modeSwitchTimeoutMs = 1500;
        options.timings.announcementSettleMs = 20;
        options.timings.bootloaderGoTimeoutMs = 1000;
        options.enumerator = [](bool) { return DeviceConnection::StreamList(); };
        connection = std::make_unique<DeviceConnection>(options);
        manager = std::make_unique<DeviceManager>(connection.get(), registry);
    }

    ~DeviceRig()
    {
        manager.reset();
        connection.reset();
        installMessagePresenter(m_previousPresenter);
        Log::install(nullptr);
    }

    // Opens the link and waits until the manager has identified the device's application
    // (and, for a device seen as USB CDC, the devices behind it).
    [[nodiscard]] bool identify()
    {
        auto stream = std::make_unique<devsim::SimulatedDeviceStream>(simulator);
        stream->setReportsUsbCdc(m_usbCdc);
        connection->open(std::move(stream), {});
        return waitForApplication(profile.appVersionMajor);
    }

    [[nodiscard]] bool waitForApplication(int major)
    {
        return QTest::qWaitFor(
            [&] {
                return connection->mode() == DeviceMode::FSK && !manager->isBusy() &&
                       manager->parameterVersion().has_value() &&
                       manager->appVersionMajor() == major &&
                       (!m_usbCdc || manager->knowsConnectedDevices());
            },
            kWaitMs * 2);
    }

    [[nodiscard]] QByteArray firmware(int major, int minor = 0) const
    {
        devsim::sax::Options options;
        options.appVersionMajor = major;
        options.appVersionMinor = minor;
        return devsim::sax::writeFile(profile, options);
    }

    Log log;
    RecordingPresenter presenter;
    ListModelClassRegistry registry = onlineRegistry();
    devsim::DeviceProfile profile;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;

private:
    static devsim::DeviceProfile fast(devsim::DeviceProfile profile)
    {
        profile.eraseDurationMs = 20;
        return profile;
    }

    bool m_usbCdc = false;
    MessagePresenter *m_previousPresenter = nullptr;
};

// The settings file of the online screens, in a temporary folder, and the context over it.
struct SettingsRig
{
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};

    [[nodiscard]] OnlineContext context(DeviceManager *manager = nullptr)
    {
        return {&settings, manager, manager ? manager->connection() : nullptr, {}};
    }
    void logIn(const QString &userGuid = QStringLiteral("guid-of-the-test-user"))
    {
        credentials::storeLogIn(settings, QStringLiteral("tester"), userGuid,
                                QStringLiteral("Test"), QStringLiteral("User"));
    }
};

// The test service on loopback, over plain HTTP, with the client pointed at it.
class ServiceRig
{
public:
    ServiceRig()
    {
        QString error;
        listening = service.listen(0, &error);
        if (listening)
            listening = siteconfig::setServiceUrlOverride(service.serviceUrl()).has_value();
    }
    ~ServiceRig() { (void)siteconfig::setServiceUrlOverride(QUrl()); }

    // An address the service answers with "Not Found".
    [[nodiscard]] QString missingFile() const
    {
        return service.baseUrl().resolved(QUrl(QStringLiteral("no-such-file"))).toString();
    }

    testservice::TestService service;
    bool listening = false;
};

// Updates-list replies made by the test, so that every outcome of a check can be staged
// without a service.
class FakeUpdates
{
public:
    ~FakeUpdates()
    {
        for (const QPointer<UpdatesReply> &reply : replies)
            delete reply.data();
    }

    [[nodiscard]] std::function<UpdatesReply *(const QString &, const QString &)> requester()
    {
        return [this](const QString &userGuid, const QString &serialNumber) {
            requests.append(userGuid + QLatin1Char('/') + serialNumber);
            auto *reply = new UpdatesReply;
            replies.append(reply);
            return reply;
        };
    }

    // Ends the latest request as the service would.
    void answer(int networkError, ZandorexSiteError siteError,
                const QList<UpdateData> &updates = {})
    {
        UpdatesReply *reply = replies.isEmpty() ? nullptr : replies.last().data();
        if (!reply)
            return;
        reply->networkError = networkError;
        reply->siteError = siteError;
        reply->updates = updates;
        emit reply->finished();
    }

    QStringList requests;
    QList<QPointer<UpdatesReply>> replies;
};

inline UpdateData update(const QString &version, std::optional<std::uint16_t> productCode,
                         const QString &title = {})
{
    UpdateData data;
    data.guid = QStringLiteral("update-") + version;
    data.title = title.isEmpty() ? QStringLiteral("Version ") + version : title;
    data.version = version;
    data.productCode = productCode;
    return data;
}

} // namespace onlineuitest
