// A guided tour of the desktop program on the demo device, for machines without a person in
// front of them: it drives the real main window through a first session (the cable found and
// powered, the device identified, the settings mismatch, the sync from the device, the
// online software update from a test service on this computer, the log) and saves a
// screenshot of each step into a folder it prints.
//
// Usage: zandorex-tour [OUTPUT_FOLDER]
#include "app/shell/demodevice.h"
#include "app/shell/mainwindowcontroller.h"
#include "app/tour/screencapture.h"
#include "app/ui/mainwindow.h"
#include "app/ui/program.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "models/model.h"
#include "online/siteconfig.h"
#include "online/ui/deviceupdatewidget.h"
#include "online/ui/updatepage.h"
#include "testservice/testservice.h"
#include "ui/navigation/navigationpane.h"
#include "ui/navigation/page.h"
#include "ui/widgets/progressdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

namespace {

constexpr int kStepTimeoutMs = 20'000;
constexpr int kSettleMs = 400;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

[[noreturn]] void fail(const QString &what)
{
    QTextStream(stderr) << "zandorex-tour: " << what << Qt::endl;
    std::_Exit(1);
}

// Runs the event loop until `done` holds; the tour fails when it does not in time.
void waitFor(const QString &what, const std::function<bool()> &done, int timeoutMs = kStepTimeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            fail(QStringLiteral("timed out waiting for %1").arg(what));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void settle(int ms = kSettleMs)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

QMessageBox *visibleBox(const QString &title)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget);
            box && box->isVisible() && box->windowTitle() == title)
            return box;
    return nullptr;
}

void press(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == text) {
            button->click();
            return;
        }
    fail(QStringLiteral("no button \"%1\" in \"%2\"").arg(text, box->windowTitle()));
}

// Modal dialogs run their own event loop, so the tour answers them from a timer that fires
// inside it: `act` runs once, on the first modal window with this object name or title.
void whenModal(const QString &name, std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (modal->objectName() != name && modal->windowTitle() != name))
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

QAbstractButton *buttonNamed(QWidget *parent, const QString &objectName)
{
    auto *button = parent->findChild<QAbstractButton *>(objectName);
    if (!button)
        fail(QStringLiteral("no button %1").arg(objectName));
    return button;
}

// Clicks from the event loop, so that a modal dialog the click opens does not stop the tour.
void clickLater(QAbstractButton *button)
{
    QTimer::singleShot(0, button, &QAbstractButton::click);
}

void selectPage(MainWindow &window, const QString &title)
{
    QListWidget *list = window.navigation()->navList();
    const QList<QListWidgetItem *> rows =
        list ? list->findItems(title, Qt::MatchExactly) : QList<QListWidgetItem *>();
    if (rows.isEmpty())
        fail(QStringLiteral("no page \"%1\"").arg(title));
    list->setCurrentItem(rows.first());
}

// A few edits as an owner would make them, so that the pictures show a set-up aircraft: softer
// centres on the sticks, and one mix.
void showSampleEdits(MainWindow &window, const QString &title)
{
    Page *page = window.navigation()->pageForTitle(title);
    if (!page)
        return;
    if (title == QLatin1String("Exponential")) {
        const int sample[] = {30, 30, 25, 20, 40, 40};
        const QList<QSpinBox *> boxes = page->findChildren<QSpinBox *>();
        for (int index = 0; index < boxes.size() && index < int(std::size(sample)); ++index)
            boxes.at(index)->setValue(sample[index]);
    } else if (title == QLatin1String("Mixing")) {
        if (auto *add = page->findChild<QAbstractButton *>(QStringLiteral("addMixButton")))
            add->click();
    }
}

class Tour
{
public:
    explicit Tour(QString folder)
        : m_folder(std::move(folder))
    {}

    void shot(const QString &name, const QString &caption)
    {
        settle();
        const QString path = QDir(m_folder).filePath(
            QStringLiteral("%1-%2.png").arg(++m_step, 2, 10, QLatin1Char('0')).arg(name));
        if (!saveCapture(path))
            fail(QStringLiteral("could not save %1").arg(path));
        out() << "  " << QDir::toNativeSeparators(path) << "  " << caption << Qt::endl;
    }

private:
    QString m_folder;
    int m_step = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString folder = arguments.size() > 1
                               ? QDir(arguments[1]).absolutePath()
                               : QDir::temp().filePath(QStringLiteral("zandorex-tour"));
    QDir().mkpath(folder);

    // A first start: settings and models in a folder of their own, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());

    // The account and update service: our test service on loopback, over TLS with its own
    // certificate authority, with a demo account whose updates the demo device accepts.
    testservice::TestService service;
    {
        QSslCertificate certificate;
        QSslKey key;
        const QString certificates = testservice::certificateFolder();
        if (!testservice::TestService::loadCertificate(
                certificates + "/service.pem", certificates + "/service.key", &certificate, &key))
            fail(QStringLiteral("the test service's certificate is missing"));
        service.setCertificate(certificate, key);
        QString error;
        if (!service.listen(0, &error))
            fail(QStringLiteral("the test service cannot listen: %1").arg(error));
        service.addDemoContent();
    }

    Program::Setup setup;
    setup.options.demoProfile = DemoDevice::kDefaultProfile;
    setup.options.serviceUrl = service.serviceUrl().toString();
    setup.options.serviceCaFile = testservice::certificateFolder() + "/test-ca.pem";
    bool exited = false;
    setup.terminate = [&exited](int) { exited = true; };
    auto started = Program::start(std::move(setup));
    if (!started)
        fail(started.error());
    Program &program = **started;
    MainWindow &window = program.mainWindow();
    window.move(0, 0);
    window.resize(1100, 720);

    out() << "Tour of Zandorex Programmer on the demo device; screenshots in "
          << QDir::toNativeSeparators(folder) << ":" << Qt::endl;
    Tour tour(folder);

    waitFor(QStringLiteral("the programming cable"),
            [&] { return window.powerCheckBox()->isEnabled(); });
    tour.shot(QStringLiteral("cable-found"),
              QStringLiteral("The cable is found; the receiver behind it is not powered yet."));

    window.powerCheckBox()->click();
    QMessageBox *warning = nullptr;
    waitFor(QStringLiteral("the battery warning"),
            [&] { return (warning = visibleBox(QStringLiteral("Unplug Battery"))) != nullptr; });
    tour.shot(QStringLiteral("power-warning"),
              QStringLiteral("Before powering the cable the program warns about the battery."));
    press(warning, QStringLiteral("Power Cable"));

    waitFor(QStringLiteral("the settings mismatch"),
            [&] { return window.syncDialog() != nullptr; });
    tour.shot(QStringLiteral("mismatch"),
              QStringLiteral("Identified; no model of the library matches the receiver."));

    auto *useDevice =
        window.syncDialog()->findChild<QAbstractButton *>(QStringLiteral("useDeviceButton"));
    if (!useDevice)
        fail(QStringLiteral("the sync dialog has no \"Use Device Settings\" button"));
    useDevice->click();
    waitFor(QStringLiteral("the sync from the device"),
            [&] { return !window.syncDialog() && window.controller().isCurrentModelAttached(); });
    if (QListWidget *list = window.navigation()->navList()) {
        const QList<QListWidgetItem *> rows =
            list->findItems(QStringLiteral("Dashboard"), Qt::MatchExactly);
        if (!rows.isEmpty())
            list->setCurrentItem(rows.first());
    }
    tour.shot(QStringLiteral("synced"),
              QStringLiteral("The receiver's settings are a new model, in step with the device."));

    // Each editor page of the receiver, as its owner sees it.
    const std::pair<const char *, const char *> editorPages[] = {
        {"Exponential", "Exponential per flight mode and axis, with the stick curve."},
        {"Dual Rate", "Dual rates per flight mode and axis, the same curve."},
        {"Gain & Priority", "Stabilisation gains per flight mode and axis."},
        {"Mixing", "The mixes in use, their inputs, rates and conditions."},
        {"Receiver Orientation", "How the receiver is mounted in the aircraft."},
        {"Flight Mode Switch", "The channel that selects the flight mode."},
        {"Aircraft Type", "Aircraft, wing and tail type, drawn as chosen."},
        {"Surface Setup", "Travel, sub-trim, reverse and balance of each surface."},
        {"Port Assignment & Failsafe", "What each port drives, and what it does on signal loss."},
    };
    for (const auto &[title, caption] : editorPages) {
        selectPage(window, QString::fromLatin1(title));
        showSampleEdits(window, QString::fromLatin1(title));
        QString name = QString::fromLatin1(title).toLower();
        name.replace(QLatin1String(" & "), QLatin1String("-"));
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        tour.shot(QStringLiteral("page-") + name, QString::fromLatin1(caption));
    }

    // The online update: log in, see the newer version, install it.
    selectPage(window, QStringLiteral("Software Update"));
    auto *updatePage = qobject_cast<UpdatePage *>(
        window.navigation()->pageForTitle(QStringLiteral("Software Update")));
    if (!updatePage)
        fail(QStringLiteral("no update page"));
    waitFor(QStringLiteral("the update page's device"),
            [&] { return !updatePage->deviceWidgets().isEmpty(); });
    DeviceUpdateWidget *device = updatePage->deviceWidgets().first();
    tour.shot(QStringLiteral("update-login"),
              QStringLiteral("Software Update: checking for updates needs a log-in."));

    whenModal(QStringLiteral("logInDialog"), [&](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("username"))->setText("demo");
        dialog->findChild<QLineEdit *>(QStringLiteral("password"))->setText("demo");
        tour.shot(QStringLiteral("log-in"),
                  QStringLiteral("Logging in to the account (the demo service on this computer)."));
        buttonNamed(dialog, QStringLiteral("logInButton"))->click();
    });
    clickLater(buttonNamed(device, QStringLiteral("checkForUpdateButton")));
    auto *updateLabel = device->findChild<QLabel *>(QStringLiteral("updateLabel"));
    waitFor(QStringLiteral("the offered update"),
            [&] { return updateLabel && updateLabel->isVisible(); });
    tour.shot(QStringLiteral("update-available"),
              QStringLiteral("Logged in: a newer version is available for the receiver."));

    whenModal(QStringLiteral("Update Available"), [&](QWidget *dialog) {
        auto *changes = dialog->findChild<QTextEdit *>(QStringLiteral("changesTextEdit"));
        waitFor(QStringLiteral("the list of changes"),
                [&] { return !changes || !changes->toPlainText().isEmpty(); });
        tour.shot(QStringLiteral("update-dialog"),
                  QStringLiteral("The update with its list of changes, before installing."));
        buttonNamed(dialog, QStringLiteral("updateButton"))->click();
    });
    clickLater(buttonNamed(device, QStringLiteral("installButton")));
    QMessageBox *finished = nullptr;
    waitFor(
        QStringLiteral("the installed update"),
        [&] { return (finished = visibleBox(QStringLiteral("Update Finished"))) != nullptr; },
        2 * kStepTimeoutMs);
    // Meanwhile the receiver is identified again with its new version, has nothing newer to
    // install, and its model is selected; once that progress window is gone, the box goes
    // back on top for the picture.
    waitFor(
        QStringLiteral("the receiver identified with its new version"),
        [&] {
            const QList<DeviceUpdateWidget *> widgets = updatePage->deviceWidgets();
            if (widgets.isEmpty())
                return false;
            auto *pages = widgets.first()->findChild<QStackedWidget *>(QStringLiteral("pages"));
            return pages && pages->currentWidget() &&
                   pages->currentWidget()->objectName() == QLatin1String("noUpdatesPage");
        },
        2 * kStepTimeoutMs);
    waitFor(
        QStringLiteral("the model selected after the update"),
        [] {
            settle(kSettleMs);
            const QList<QWidget *> windows = QApplication::topLevelWidgets();
            return std::none_of(windows.cbegin(), windows.cend(), [](QWidget *widget) {
                return widget->isVisible() && qobject_cast<ProgressDialog *>(widget);
            });
        },
        2 * kStepTimeoutMs);
    finished->raise();
    tour.shot(QStringLiteral("update-finished"),
              QStringLiteral("The firmware was downloaded and installed on the receiver."));
    press(finished, QStringLiteral("OK"));
    tour.shot(QStringLiteral("updated"),
              QStringLiteral("Back in its application, the receiver runs the new version."));

    window.onActionViewLog();
    waitFor(QStringLiteral("the log viewer"),
            [&] { return window.logDialog() && window.logDialog()->isVisible(); });
    window.logDialog()->move(window.x() + 160, window.y() + 90);
    window.logDialog()->resize(860, 560);
    tour.shot(QStringLiteral("log"),
              QStringLiteral("The log viewer: what the program did, by category."));
    window.logDialog()->close();

    window.onActionProtocolTestWindow();
    waitFor(QStringLiteral("the protocol test window"), [&] {
        return window.protocolTestWindow() && window.protocolTestWindow()->isVisible();
    });
    window.protocolTestWindow()->move(window.x() + 60, window.y() + 40);
    for (auto *button : window.protocolTestWindow()->findChildren<QAbstractButton *>())
        if (button->text() == QLatin1String("ID_REQ"))
            button->click();
    auto *logBox = window.protocolTestWindow()->findChild<QPlainTextEdit *>();
    if (logBox)
        waitFor(QStringLiteral("the identification answer"), [&] {
            return logBox->toPlainText().contains(QLatin1String("Received ID_REQ_ACK"));
        });
    tour.shot(QStringLiteral("protocol-test"),
              QStringLiteral("The protocol test window for single requests by hand."));
    window.protocolTestWindow()->close();

    window.close();
    waitFor(QStringLiteral("the orderly exit"), [&] { return exited; });
    out() << "Tour finished." << Qt::endl;
    std::_Exit(0);
}
