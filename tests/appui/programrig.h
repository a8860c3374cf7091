#pragma once

#include "app/shell/demodevice.h"
#include "app/ui/program.h"
#include "ui/widgets/picture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace appuitest {

inline constexpr int kWaitMs = 15'000;

// The whole desktop program on a demo device, in a temporary settings and data folder. The
// program's exit is recorded instead of ending the test.
class ProgramRig
{
public:
    // `folder`: settings and data of an earlier rig to start again on (a restart); empty for
    // a folder of this rig's own.
    explicit ProgramRig(const QString &profile = DemoDevice::kDefaultProfile, bool watch = true,
                        const QString &folder = {})
        : m_folder(folder.isEmpty() ? m_dir.path() : folder)
    {
        // Settings and data go to this rig's folder, also when an earlier rig of the same
        // process already looked them up (both are otherwise kept for the process).
        qputenv("XDG_CONFIG_HOME", m_folder.toUtf8());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder);
        setPictureFolder(QStringLiteral(ZX_PICTURE_DIR));
        Program::Setup setup;
        setup.environment.dataDirectory =
            m_folder + QStringLiteral("/Solvane Hobby/Zandorex Programmer");
        setup.environment.tooltipFolder = QStringLiteral(ZX_PICTURE_DIR "/..");
        setup.options.demoProfile = profile;
        setup.terminate = [this](int status) { exitStatus = status; };
        setup.startDeviceWatch = watch;
        auto started = Program::start(std::move(setup));
        if (started)
            program = std::move(*started);
        else
            error = started.error();
    }

    ~ProgramRig()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(widget))
                widget->deleteLater();
        program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    [[nodiscard]] QString dataDirectory() const { return program->environment().dataDirectory; }

    std::unique_ptr<Program> program;
    QString error;
    int exitStatus = -1;

    [[nodiscard]] const QString &folder() const { return m_folder; }

private:
    QTemporaryDir m_dir;
    QString m_folder;
};

// The visible message box with this title, if any.
inline QMessageBox *findBox(const QString &title)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible() && box->windowTitle() == title)
            return box;
    }
    return nullptr;
}

inline QMessageBox *waitForBox(const QString &title, int timeoutMs = kWaitMs)
{
    QMessageBox *box = nullptr;
    (void)QTest::qWaitFor([&] { return (box = findBox(title)) != nullptr; }, timeoutMs);
    return box;
}

inline void press(QMessageBox *box, const QString &buttonText)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == buttonText) {
            button->click();
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no button %1").arg(buttonText)));
}

} // namespace appuitest
