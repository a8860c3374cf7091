// The model library at the size of a long-time user's collection: a folder of many
// multi-section models. Times the start of the program (constructing the library with a
// valid manifest, and rebuilding a missing one from the files), the model list (entries), and
// opening and saving one model. For a save, the time the calling (GUI) thread spends is what
// the user feels as a frozen window; it is reported as median and worst case, for saveModel
// and for the save timer's path. Figures are printed, never checked.
//
// Usage: bench-library [MODEL_COUNT [FOLDER]]   (defaults 10000 and a temporary folder)
#include "devicestate/layoutparser.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int kDefaultModelCount = 10'000;
constexpr int kSingleRuns = 25;

// A receiver with a stabiliser: three sections with readable mirrors, about 300 bytes.
class BenchReceiverModel : public DeviceModel
{
public:
    static constexpr int kProductCode = 0x83;
    static constexpr int kParameterVersion = 5;

    BenchReceiverModel(int productCode, int parameterVersion)
        : DeviceModel(defaultSections())
    {
        info().setProductCode(productCode);
        info().setParameterVersion(parameterVersion);
    }

    static const ModelClassInfo *classInfo()
    {
        static const ModelClassInfo info{
            QStringLiteral("zrm"),
            [](int productCode, int parameterVersion) -> std::shared_ptr<Model> {
                return std::make_shared<BenchReceiverModel>(productCode, parameterVersion);
            },
            {{kProductCode, kParameterVersion, QStringLiteral("Bench receiver")}},
            {},
            QStringLiteral("BenchReceiverModel"),
        };
        return &info;
    }
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override { return classInfo(); }
    void createEditorPages(PageInfoList &) const override {}
    void resetToDefaults() override {}

private:
    static TargetSection section(const char *schemaText, int size)
    {
        TargetSection result;
        result.schema = parseLayout(QString::fromLatin1(schemaText));
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7);
        result.modelData = bytes;
        result.defaults = bytes;
        return result;
    }
    static QList<TargetSection> defaultSections()
    {
        return {
            section("outputs: { port: { travel: u16[2], trim: i16, reverse: u8, rfu: u8 }[16] }",
                    16 * 8),
            section("modes: { mode: { gain: u8[6], limit: u16[3] }[3] }", 3 * 12),
            section("mixes: { mix: { source: u8, target: u8, weight: i16[4] }[12] }", 12 * 10),
        };
    }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double worst(const QList<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

// The machine may be shared: the calling thread's CPU time beside the wall time tells waiting
// (for the disk, for other processes) from working. The library's writer thread is not
// counted: it is the calling (GUI) thread that must not stall.
struct Stopwatch
{
    QElapsedTimer wall;
    timespec cpuStart{};

    Stopwatch() { restart(); }
    void restart()
    {
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
        wall.start();
    }
    [[nodiscard]] double wallMs() const { return double(wall.nsecsElapsed()) / 1e6; }
    [[nodiscard]] double cpuMs() const
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec - cpuStart.tv_sec) * 1e3 +
               double(now.tv_nsec - cpuStart.tv_nsec) / 1e6;
    }
};

void report(const char *label, double wallMs, double cpuMs)
{
    std::printf("%-46s %10.2f ms wall %10.2f ms CPU\n", label, wallMs, cpuMs);
}

void reportWithWorst(const char *label, const QList<double> &wallMs, const QList<double> &cpuMs)
{
    std::printf("%-46s %10.2f ms wall %10.2f ms CPU, worst %8.2f ms wall\n", label, median(wallMs),
                median(cpuMs), worst(wallMs));
}

void report(const char *label, const Stopwatch &watch)
{
    report(label, watch.wallMs(), watch.cpuMs());
}

long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The files the library would hold, written directly: adding them one by one through the
// library would rewrite the manifest each time, which is not what is measured here.
void writeModelFiles(const QString &folder, int count)
{
    BenchReceiverModel model(BenchReceiverModel::kProductCode,
                             BenchReceiverModel::kParameterVersion);
    for (int i = 1; i <= count; ++i) {
        model.info().setName(QStringLiteral("Model %1").arg(i));
        model.info().setSerialNumber(QStringLiteral("AB1234%1").arg(i % 17));
        QFile file(QStringLiteral("%1/%2.zrm").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(model.toFileData()) < 0)
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args.at(1).toInt() : kDefaultModelCount;
    QTemporaryDir temporary;
    const QString folder = args.size() > 2 ? args.at(2) : temporary.path() + "/Models";
    QDir().mkpath(folder);
    ScopedModelClasses classes({BenchReceiverModel::classInfo()});

    std::printf("model library, %d models of 3 sections in %s\n", count, qPrintable(folder));
    // A folder given with its models already written is reused as it is.
    if (!QFile::exists(QStringLiteral("%1/%2.zrm").arg(folder).arg(count)))
        writeModelFiles(folder, count);
    QFile::remove(folder + "/manifest.json");

    Stopwatch watch;
    {
        ModelLibrary rebuilt(folder);
    }
    report("construct, no manifest (rebuild from files)", watch);
    std::printf("manifest.json size: %.1f MiB\n",
                double(QFileInfo(folder + "/manifest.json").size()) / (1024.0 * 1024.0));

    watch.restart();
    ModelLibrary library(folder);
    report("construct, valid manifest", watch);

    watch.restart();
    qsizetype listed = library.entries().size();
    report("entries(), first call", watch);
    watch.restart();
    listed += library.entries().size();
    report("entries(), again", watch);
    watch.restart();
    const QString fresh = library.newModelName();
    report("newModelName()", watch);
    if (listed != 2 * qsizetype(count) || fresh.isEmpty())
        std::fprintf(stderr, "unexpected list of %lld\n", qlonglong(listed));

    QList<double> openWall, openCpu, saveWall, saveCpu, infoWall, infoCpu, busyWall, busyCpu,
        diskWall, diskCpu;
    std::vector<std::shared_ptr<Model>> held;
    for (int run = 0; run < kSingleRuns; ++run) {
        const QString fileName = QStringLiteral("%1.zrm").arg(1 + run * (count / kSingleRuns));
        watch.restart();
        std::shared_ptr<Model> model = library.openModel(fileName);
        openWall.append(watch.wallMs());
        openCpu.append(watch.cpuMs());
        if (!model) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(fileName));
            return 1;
        }
        auto *deviceModel = static_cast<DeviceModel *>(model.get());
        const auto changeSettings = [deviceModel](int value) {
            QByteArray bytes = deviceModel->memory().modelData(1);
            bytes[0] = char(value);
            deviceModel->memory().setModelData(1, bytes);
        };
        changeSettings(run);
        watch.restart();
        const bool saved = library.saveModel(fileName);
        saveWall.append(watch.wallMs());
        saveCpu.append(watch.cpuMs());

        // Notes that differ from every earlier run, so that each save really rewrites the entry.
        model->info().setNotes(
            QStringLiteral("run %1 at %2").arg(run).arg(QDateTime::currentMSecsSinceEpoch()));
        watch.restart();
        const bool savedInfo = library.saveModel(fileName);
        infoWall.append(watch.wallMs());
        infoCpu.append(watch.cpuMs());

        // The model file written while the manifest of the save before is still on its way.
        changeSettings(run + 1);
        watch.restart();
        const bool savedBusy = library.saveModel(fileName);
        busyWall.append(watch.wallMs());
        busyCpu.append(watch.cpuMs());
        watch.restart();
        const bool onDisk = library.waitForWrites();
        diskWall.append(watch.wallMs());
        diskCpu.append(watch.cpuMs());
        if (!saved || !savedInfo || !savedBusy || !onDisk)
            std::fprintf(stderr, "saving %s failed\n", qPrintable(fileName));
        held.push_back(std::move(model));
    }

    // The path of an edit in the program: the info change makes the model pending and the
    // save timer writes it from the event loop. Only the event loop's turn that runs the
    // timer is timed; the timer is due by then.
    library.setSaveDelay(std::chrono::milliseconds(1));
    QCoreApplication::processEvents();
    QList<double> timerWall, timerCpu;
    for (int run = 0; run < kSingleRuns; ++run) {
        const std::shared_ptr<Model> &model = held.at(std::size_t(run));
        model->info().setNotes(
            QStringLiteral("timer %1 at %2").arg(run).arg(QDateTime::currentMSecsSinceEpoch()));
        QThread::msleep(5);
        watch.restart();
        while (library.isPending(model->info().fileName()))
            QCoreApplication::processEvents();
        timerWall.append(watch.wallMs());
        timerCpu.append(watch.cpuMs());
        if (!library.waitForWrites())
            std::fprintf(stderr, "writing the manifest failed\n");
    }

    std::printf("medians of %d runs, on the calling thread:\n", kSingleRuns);
    report("openModel", median(openWall), median(openCpu));
    reportWithWorst("saveModel, settings changed", saveWall, saveCpu);
    reportWithWorst("saveModel, info changed (manifest rewritten)", infoWall, infoCpu);
    reportWithWorst("saveModel, settings, manifest being written", busyWall, busyCpu);
    reportWithWorst("save timer, info changed", timerWall, timerCpu);
    reportWithWorst("waitForWrites after those (manifest on disk)", diskWall, diskCpu);
    std::printf("peak memory (ru_maxrss):                     %10.1f MiB\n",
                double(peakMemoryKiB()) / 1024.0);
    return 0;
}
