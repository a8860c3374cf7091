// The operations the benchmark times, each on the real program against the demo device.
#include "app/log.h"
#include "app/shell/demodevice.h"
#include "app/shell/devicewatch.h"
#include "app/shell/programlibraries.h"
#include "app/ui/mainwindow.h"
#include "app/ui/program.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/saxwriter.h"
#include "gui_bench.h"
#include "models/edithistory.h"
#include "models/model.h"
#include "models/modellibrary.h"
#include "ui/navigation/navigationpane.h"
#include "ui/navigation/page.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTextBlock>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <thread>

namespace guibench {

namespace {

constexpr int kBrowseSettleMs = 600;
constexpr int kScrollSteps = 6;
constexpr int kScrollPauseMs = 100;

constexpr int kLogBurstEntries = 100'000;

// The airplane receiver's editor pages, in the navigation's order.
const char *const kEditorPages[] = {
    "Dashboard",
    "Exponential",
    "Dual Rate",
    "Gain & Priority",
    "Mixing",
    "Receiver Orientation",
    "Flight Mode Switch",
    "Aircraft Type",
    "Surface Setup",
    "Port Assignment & Failsafe",
};
constexpr int kPageSettleMs = 150;
constexpr int kPageTimeoutMs = 10'000;
constexpr int kSpinBoxEdits = 20;
constexpr int kEditPauseMs = 50;
constexpr int kUndoTimeoutMs = 10'000;

constexpr int kPaintTimeoutMs = 10'000;
constexpr int kOpenTimeoutMs = 10'000;
constexpr int kIdentifyTimeoutMs = 60'000;
constexpr int kSyncTimeoutMs = 120'000;
constexpr int kLogTimeoutMs = 120'000;
constexpr int kModeSwitchTimeoutMs = 30'000;
constexpr int kFirmwareTimeoutMs = 600'000;
// The library writes a change this long after it; the phase looks a little past it.
constexpr int kSaveWaitMs = 2'500;
constexpr int kSaveTimeoutMs = 10'000;
// A mode counts as settled once the device manager has been idle in it this long.
constexpr int kSettleQuietMs = 300;

// The last line the text box shows, skipping the empty block after the final line break.
QString lastShownLine(const QPlainTextEdit &textBox)
{
    for (QTextBlock block = textBox.document()->lastBlock(); block.isValid();
         block = block.previous())
        if (!block.text().isEmpty())
            return block.text();
    return {};
}

// Logs like a busy subsystem on its own thread: as fast as it can.
class LogBurst
{
public:
    LogBurst(Log &log, QString prefix, int count)
    {
        m_thread = std::thread([&log, prefix = std::move(prefix), count, this] {
            for (int i = 0; i < count; ++i)
                log.log(QStringLiteral("Bench"),
                        QStringLiteral("%1 %2 payload 5A A5 00 FF 12 34 56 78").arg(prefix).arg(i));
            m_done = true;
        });
    }
    ~LogBurst() { m_thread.join(); }

    [[nodiscard]] bool done() const { return m_done; }

private:
    std::atomic<bool> m_done = false;
    std::thread m_thread;
};

class GuiBench
{
public:
    GuiBench(StallProbe &probe, const PhaseOptions &options)
        : m_probe(probe)
        , m_options(options)
    {}

    [[nodiscard]] const QList<PhaseFigures> &figures() const { return m_figures; }

    void runEmptyLibrary(const QString &dataDirectory)
    {
        std::unique_ptr<Program> program = startProgram(QStringLiteral("start-up"), dataDirectory);
        if (!program)
            return;
        if (identify(*program, QStringLiteral("open + power + identify")) &&
            syncFromDevice(*program, QStringLiteral("sync from device"))) {
            editAndSave(*program, QStringLiteral("edit + library save"));
            if (switchPages(*program))
                editExponential(*program);
        }
        logViewer(*program);
        firmwareTransfer(*program);
        program.reset();
    }

    void runLargeLibrary(const QString &dataDirectory)
    {
        const QString suffix = QStringLiteral(", %1 models").arg(m_options.modelCount);
        std::unique_ptr<Program> program =
            startProgram(QStringLiteral("start-up") + suffix, dataDirectory);
        if (!program)
            return;
        browseModels(*program, QStringLiteral("models page: show, scroll, search") + suffix);
        if (identify(*program, QStringLiteral("open + power + identify") + suffix) &&
            (!program->mainWindow().syncDialog() ||
             syncFromDevice(*program, QStringLiteral("sync from device") + suffix)))
            editAndSave(*program, QStringLiteral("edit + library save") + suffix);
        program.reset();
    }

private:
    void begin(const QString &name) { m_probe.begin(name); }
    void end(bool completed, QString note = {})
    {
        QStringList notes{note};
        notes << closeMessageBoxes();
        if (m_terminated)
            notes << QStringLiteral("the program asked to end the process (status %1)")
                         .arg(*m_terminated);
        notes.removeAll(QString());
        note = notes.join(QStringLiteral("; "));
        m_figures << m_probe.end(completed, note);
        const PhaseFigures &last = m_figures.constLast();
        // Progress only; the table at the end has the figures.
        std::fprintf(stderr, "  %-38s %9.1f ms, worst stall %.1f ms%s\n", qPrintable(last.name),
                     last.durationMs, last.worstStallMs, completed ? "" : " (did not complete)");
    }

    // A box the program showed means the phase went another way than planned; its text goes
    // into the note, and it is closed so that the next phase starts clean.
    static QString closeMessageBoxes()
    {
        QStringList texts;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible()) {
                texts << QStringLiteral("box \"%1\"").arg(box->text());
                box->reject();
            }
        }
        return texts.join(QStringLiteral("; "));
    }

    std::unique_ptr<Program> startProgram(const QString &name, const QString &dataDirectory)
    {
        Program::Setup setup;
        setup.options.demoProfile = m_options.demoProfile;
        setup.environment.dataDirectory = dataDirectory;
        setup.terminate = [this](int status) { m_terminated = status; };
        // The identification phase starts the watch, so that it times the cable's opening.
        setup.startDeviceWatch = false;

        begin(name);
        const std::int64_t startNs = monotonicNs();
        auto started = Program::start(std::move(setup));
        const double startMs = double(monotonicNs() - startNs) / 1e6;
        if (!started) {
            end(false, started.error());
            return nullptr;
        }
        std::unique_ptr<Program> program = std::move(*started);
        FirstPaintWatch watch(&program->mainWindow());
        const bool painted = waitUntil([&] { return watch.painted(); }, kPaintTimeoutMs);
        end(painted, QStringLiteral("Program::start %1 ms of it, before the loop ran")
                         .arg(startMs, 0, 'f', 0));
        if (painted)
            m_figures.last().durationMs = double(watch.paintNs() - startNs) / 1e6;
        return program;
    }

    bool identify(Program &program, const QString &name)
    {
        MainWindow &window = program.mainWindow();
        DeviceConnection &connection = program.connection();
        begin(name);
        const std::int64_t startNs = monotonicNs();
        postAction(m_probe, QStringLiteral("bench: start the device watch"), [&program] {
            program.deviceWatch().start();
            program.deviceWatch().tick();
        });
        // The connection counts as open from the moment it took the stream; the power box is
        // enabled only once the stream really opened, which is what powering needs.
        if (!waitUntil([&] { return window.powerCheckBox()->isEnabled(); }, kOpenTimeoutMs)) {
            end(false, QStringLiteral("the cable did not open"));
            return false;
        }
        const double openMs = double(monotonicNs() - startNs) / 1e6;
        std::optional<DeviceConnectionError> powered;
        postAction(m_probe, QStringLiteral("bench: powerOn"), [&] {
            connection.powerOn([&powered](DeviceConnectionError error) { powered = error; });
        });
        const MainWindowController &controller = window.controller();
        const bool done = waitUntil(
            [&] {
                return window.syncDialog() || window.calibrationDialog() ||
                       (controller.modelChosenForDevice() && controller.currentModel() &&
                        !controller.deviceManager().isBusy());
            },
            kIdentifyTimeoutMs);
        QString outcome = window.syncDialog()          ? QStringLiteral("sync dialog open")
                          : window.calibrationDialog() ? QStringLiteral("calibration dialog open")
                          : done                       ? QStringLiteral("model chosen")
                                                       : QStringLiteral("nothing happened");
        if (powered && *powered != DeviceConnectionError::NoError)
            outcome +=
                QStringLiteral(", power on failed: ") + DeviceConnection::errorString(*powered);
        end(done, QStringLiteral("cable open after %1 ms; %2").arg(openMs, 0, 'f', 0).arg(outcome));
        return done && !window.calibrationDialog();
    }

    bool syncFromDevice(Program &program, const QString &name)
    {
        MainWindow &window = program.mainWindow();
        QDialog *dialog = window.syncDialog();
        auto *button =
            dialog ? dialog->findChild<QPushButton *>(QStringLiteral("useDeviceButton")) : nullptr;
        begin(name);
        if (!button) {
            end(false, QStringLiteral("no sync dialog with a \"Use Device Settings\" button"));
            return false;
        }
        postAction(m_probe, QStringLiteral("bench: click Use Device Settings"),
                   [button] { button->click(); });
        const bool done =
            waitUntil([&] { return !window.syncDialog() && window.controller().currentModel(); },
                      kSyncTimeoutMs);
        end(done);
        return done;
    }

    // What a user does first with a long library: the list shown, scrolled to its end and
    // back, and searched by name.
    bool browseModels(Program &program, const QString &name)
    {
        MainWindow &window = program.mainWindow();
        auto *list = window.findChild<QAbstractItemView *>(QStringLiteral("modelList"));
        auto *search = window.findChild<QLineEdit *>(QStringLiteral("searchField"));
        begin(name);
        if (!list || !search) {
            end(false, QStringLiteral("no models page"));
            return false;
        }
        postAction(m_probe, QStringLiteral("bench: show the models page"), [&window] {
            const QList<QListWidgetItem *> rows = window.navigation()->navList()->findItems(
                QStringLiteral("Models"), Qt::MatchExactly);
            if (!rows.isEmpty())
                window.navigation()->navList()->setCurrentItem(rows.first());
        });
        waitUntil([] { return false; }, kBrowseSettleMs);
        for (int step = 0; step < kScrollSteps; ++step) {
            postAction(m_probe, QStringLiteral("bench: scroll"), [list, step] {
                QScrollBar *bar = list->verticalScrollBar();
                bar->setValue(step % 2 ? bar->minimum() : bar->maximum());
            });
            waitUntil([] { return false; }, kScrollPauseMs);
        }
        postAction(m_probe, QStringLiteral("bench: search"),
                   [search] { search->setText(QStringLiteral("Model 12")); });
        waitUntil([] { return false; }, kBrowseSettleMs);
        const int shown = list->model() ? list->model()->rowCount() : 0;
        postAction(m_probe, QStringLiteral("bench: clear search"), [search] { search->clear(); });
        waitUntil([] { return false; }, kBrowseSettleMs);
        end(true, QStringLiteral("%1 rows while searching").arg(shown));
        return true;
    }

    bool editAndSave(Program &program, const QString &name)
    {
        const std::shared_ptr<Model> model = program.mainWindow().controller().currentModel();
        ModelLibrary &library = *program.libraries().models;
        begin(name);
        if (!model || model->info().fileName().isEmpty()) {
            end(false, QStringLiteral("no current model in the library"));
            return false;
        }
        const QString fileName = model->info().fileName();
        const QString newName = QStringLiteral("Bench %1").arg(monotonicNs() % 100000);
        const std::int64_t startNs = monotonicNs();
        postAction(m_probe, QStringLiteral("bench: setName"),
                   [model, newName] { model->info().setName(newName); });
        // Polled on the event loop: the moment the library no longer holds the change back.
        std::optional<double> savedMs;
        bool pendingSeen = false;
        const auto saved = [&] {
            const bool pending = library.isPending(fileName);
            pendingSeen = pendingSeen || pending;
            if (!savedMs && pendingSeen && !pending)
                savedMs = double(monotonicNs() - startNs) / 1e6;
            return savedMs.has_value();
        };
        const bool done = waitUntil(
            [&] { return saved() && monotonicNs() - startNs >= kSaveWaitMs * 1'000'000LL; },
            kSaveTimeoutMs);
        const bool written = library.entryInfo(fileName).name() == newName;
        end(done && written, done ? QStringLiteral("written %1 ms after the change%2")
                                        .arg(*savedMs, 0, 'f', 0)
                                        .arg(written ? QString() : QStringLiteral(", old name"))
                                  : QStringLiteral("still pending"));
        return done;
    }

    // Selects the row titled `title` and waits until the stack shows its page.
    bool showPage(Program &program, const QString &title)
    {
        NavigationPane *navigation = program.mainWindow().navigation();
        Page *page = navigation->pageForTitle(title);
        if (!page)
            return false;
        postAction(m_probe, QStringLiteral("bench: select %1").arg(title), [navigation, title] {
            const QList<QListWidgetItem *> rows =
                navigation->navList()->findItems(title, Qt::MatchExactly);
            if (!rows.isEmpty())
                navigation->navList()->setCurrentItem(rows.first());
        });
        return waitUntil([&] { return navigation->pageStack()->currentWidget() == page; },
                         kPageTimeoutMs);
    }

    // Every editor page of the synced model in turn, each left to paint and settle.
    bool switchPages(Program &program)
    {
        begin(QStringLiteral("editor pages: select each"));
        QStringList missing;
        int shown = 0;
        for (const char *title : kEditorPages) {
            if (showPage(program, QString::fromLatin1(title)))
                ++shown;
            else
                missing << QString::fromLatin1(title);
            runEventLoopFor(kPageSettleMs);
        }
        end(missing.isEmpty(),
            missing.isEmpty()
                ? QStringLiteral("%1 pages").arg(shown)
                : QStringLiteral("not shown: %1").arg(missing.join(QStringLiteral(", "))));
        return missing.isEmpty();
    }

    // Edits through a spin box of the Exponential page, one event-loop turn apart, as a user
    // stepping a value; then one Undo through the controller's history.
    void editExponential(Program &program)
    {
        const QString title = QStringLiteral("Exponential");
        MainWindow &window = program.mainWindow();
        EditHistory &history = window.controller().editHistory();
        Page *page = window.navigation()->pageForTitle(title);
        QSpinBox *box = page ? page->findChild<QSpinBox *>() : nullptr;
        begin(QStringLiteral("Exponential: %1 spin box edits + undo").arg(kSpinBoxEdits));
        if (!box || !showPage(program, title)) {
            end(false, QStringLiteral("no spin box on the Exponential page"));
            return;
        }
        runEventLoopFor(kPageSettleMs);
        const int stepsBefore = history.undoCount();
        int previous = box->value();
        int last = previous;
        for (int edit = 0; edit < kSpinBoxEdits; ++edit) {
            const int value = std::clamp(5 + 2 * edit, box->minimum(), box->maximum());
            previous = last;
            last = value;
            postAction(m_probe, QStringLiteral("bench: setValue"),
                       [box, value] { box->setValue(value); });
            runEventLoopFor(kEditPauseMs);
        }
        const int steps = history.undoCount() - stepsBefore;
        postAction(m_probe, QStringLiteral("bench: undo"), [&history] { history.undo(); });
        const bool undone = waitUntil([&] { return box->value() == previous; }, kUndoTimeoutMs);
        runEventLoopFor(kPageSettleMs);
        end(undone && steps > 0,
            QStringLiteral("%1 undo steps recorded; after undo the box shows %2 (%3 expected)")
                .arg(steps)
                .arg(box->value())
                .arg(previous));
    }

    void logViewer(Program &program)
    {
        Log &log = *program.environment().log;
        MainWindow &window = program.mainWindow();
        const QString count = QString::number(kLogBurstEntries);

        begin(QStringLiteral("log %1 from a thread, viewer shut").arg(count));
        bool done = false;
        {
            LogBurst burst(log, QStringLiteral("before"), kLogBurstEntries);
            done = waitUntil([&] { return burst.done(); }, kLogTimeoutMs);
        }
        end(done, QStringLiteral("%1 entries held").arg(log.count()));

        begin(QStringLiteral("open log viewer, %1 entries").arg(log.count()));
        postAction(m_probe, QStringLiteral("bench: onActionViewLog"),
                   [&window] { window.onActionViewLog(); });
        const auto textBox = [&]() -> QPlainTextEdit * {
            QWidget *dialog = window.logDialog();
            return dialog ? dialog->findChild<QPlainTextEdit *>(QStringLiteral("logTextBox"))
                          : nullptr;
        };
        // Caught up: the text box ends with the log's newest entry.
        const auto caughtUp = [&] {
            QPlainTextEdit *box = textBox();
            return box && log.count() > 0 &&
                   lastShownLine(*box).contains(log.entry(log.count() - 1).message);
        };
        done = waitUntil(caughtUp, kLogTimeoutMs);
        end(done,
            textBox()
                ? QStringLiteral("%1 lines shown").arg(textBox()->document()->blockCount() - 1)
                : QStringLiteral("no log viewer"));
        if (!textBox())
            return;

        begin(QStringLiteral("log %1 from a thread, viewer open").arg(count));
        {
            LogBurst burst(log, QStringLiteral("burst"), kLogBurstEntries);
            done = waitUntil([&] { return burst.done() && caughtUp(); }, kLogTimeoutMs);
        }
        end(done, QStringLiteral("%1 lines shown").arg(textBox()->document()->blockCount() - 1));
        if (QWidget *dialog = window.logDialog())
            dialog->close();
        runEventLoopFor(50);
    }

    // Waits until the link is in `mode` and the device manager has been idle there a moment.
    static bool settleIn(Program &program, DeviceMode mode, int timeoutMs)
    {
        const DeviceManager &manager = program.mainWindow().controller().deviceManager();
        QElapsedTimer quiet;
        return waitUntil(
            [&] {
                if (program.connection().mode() != mode || manager.isBusy() ||
                    manager.stateChangePending()) {
                    quiet.invalidate();
                    return false;
                }
                if (!quiet.isValid())
                    quiet.start();
                return quiet.elapsed() >= kSettleQuietMs;
            },
            timeoutMs);
    }

    void firmwareTransfer(Program &program)
    {
        DeviceConnection &connection = program.connection();
        const DeviceManager &manager = program.mainWindow().controller().deviceManager();
        const QString size = QStringLiteral("%1 KiB").arg(m_options.firmwareKiB);

        begin(QStringLiteral("firmware: to the bootloader"));
        if (!program.demoDevice() || !connection.isOpen()) {
            end(false, QStringLiteral("no device"));
            return;
        }
        std::optional<DeviceConnectionError> switched;
        postAction(m_probe, QStringLiteral("bench: switchToMode(Bootloader)"), [&] {
            connection.switchToMode(DeviceMode::Bootloader,
                                    [&switched](DeviceConnectionError error) { switched = error; });
        });
        bool done = waitUntil([&] { return switched.has_value(); }, kModeSwitchTimeoutMs) &&
                    *switched == DeviceConnectionError::NoError &&
                    settleIn(program, DeviceMode::Bootloader, kModeSwitchTimeoutMs);
        end(done, QStringLiteral("settled %1 ms quiet").arg(kSettleQuietMs));
        if (!done)
            return;

        devsim::sax::Options saxOptions;
        saxOptions.imageBytes = m_options.firmwareKiB * 1024;
        const QByteArray file =
            devsim::sax::writeFile(program.demoDevice()->simulator().profile(), saxOptions);
        const ConnectedDevice device = manager.baseDevice();
        begin(QStringLiteral("firmware: send %1").arg(size));
        std::optional<DeviceConnectionError> sent;
        float progress = 0;
        postAction(m_probe, QStringLiteral("bench: sendSaxFile"), [&] {
            connection.sendSaxFile(
                0, file, std::uint16_t(device.productCode), device.serialNumber,
                [&progress](float fraction) { progress = fraction; },
                [&sent](DeviceConnectionError error) { sent = error; });
        });
        done = waitUntil([&] { return sent.has_value(); }, kFirmwareTimeoutMs) &&
               *sent == DeviceConnectionError::NoError;
        end(done, sent && *sent != DeviceConnectionError::NoError
                      ? DeviceConnection::errorString(*sent)
                      : QStringLiteral("%1 bytes, progress %2").arg(file.size()).arg(progress));
        if (!done)
            return;

        begin(QStringLiteral("firmware: start + identify"));
        std::optional<DeviceConnectionError> started;
        postAction(m_probe, QStringLiteral("bench: go"), [&] {
            connection.go([&started](DeviceConnectionError error) { started = error; });
        });
        done = waitUntil([&] { return started.has_value(); }, kModeSwitchTimeoutMs) &&
               *started == DeviceConnectionError::NoError &&
               settleIn(program, DeviceMode::FSK, kModeSwitchTimeoutMs);
        end(done, QStringLiteral("application %1.%2")
                      .arg(manager.appVersionMajor())
                      .arg(manager.appVersionMinor()));
    }

    StallProbe &m_probe;
    const PhaseOptions m_options;
    QList<PhaseFigures> m_figures;
    std::optional<int> m_terminated;
};

} // namespace

QList<PhaseFigures> runPhases(StallProbe &probe, const PhaseOptions &options,
                              const QString &emptyDataDirectory, const QString &largeDataDirectory)
{
    GuiBench bench(probe, options);
    bench.runEmptyLibrary(emptyDataDirectory);
    bench.runLargeLibrary(largeDataDirectory);
    return bench.figures();
}

} // namespace guibench
