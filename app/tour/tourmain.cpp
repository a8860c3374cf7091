// A guided tour of the desktop program on the demo device, for machines without a person in
// front of them: it drives the real main window through a first session (the cable found and
// powered, the device identified, the settings mismatch, the sync from the device, the log)
// and saves a screenshot of each step into a folder it prints.
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
#include "ui/navigation/navigationpane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <functional>

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

    Program::Setup setup;
    setup.options.demoProfile = DemoDevice::kDefaultProfile;
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
