// The library campaign: a child process (bench-faults --saver) opens a library of
// multi-section receiver models, renames every model, saves the first half one by one, adds a
// model, flushes the rest together and waits for manifest.json; it is killed with SIGKILL at
// a random moment of that. Afterwards
// every model file must hold either its old content or exactly what the child meant to write,
// the added model must be absent or whole, manifest.json must parse, and a library opened on
// the folder must list every model file with the name that file holds.
//
// success = the child finished before the kill and everything is new; failed = the child was
// killed mid-way and nothing was lost; loss = a file torn, missing or holding anything else,
// a manifest that does not parse, or a listing that misses a model or shows a stale name.
#include "fault_campaign.h"
#include "models/librarymanifest.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace faultcampaign {

namespace {

const QString kCampaignName = QStringLiteral("saves");
const QString kRow = QStringLiteral("library saves, killed");
constexpr int kModels = 12;
constexpr int kAddedAfter = kModels / 2;
// The newer 3-axis receiver: a model of 13 sections, about 20 KB as a file.
constexpr int kProductCode = 0x83;
constexpr int kParameterVersion = 5;
constexpr int kSaverStartMs = 10000;
constexpr int kSaverRunMs = 60000;
constexpr int kCalibrationRuns = 5;
// Kills fall over the child's saving time and a little past it, so some runs finish first.
// The saving time is the median of the last runs that finished: it follows the machine's
// load, which a shared machine changes by the minute.
constexpr double kKillWindowFactor = 1.1;
constexpr int kTimedRuns = 25;
constexpr int kRunLimitMs = 120000;

const QByteArray kSavingLine = "saving";
const QByteArray kSavedLine = "saved";

QString fileNameOf(int model)
{
    return QStringLiteral("%1.zrm").arg(model);
}

QString oldName(int model)
{
    return QStringLiteral("Model %1").arg(model);
}

QString newName(int model, int run)
{
    return QStringLiteral("Model %1, saved by run %2").arg(model).arg(run);
}

QString addedName(int run)
{
    return QStringLiteral("Added by run %1").arg(run);
}

std::shared_ptr<Model> namedModel(const QString &name)
{
    std::shared_ptr<Model> model =
        findModelClass(kProductCode, kParameterVersion)->create(kProductCode, kParameterVersion);
    model->info().setName(name);
    return model;
}

QByteArray renamed(const QByteArray &file, const QString &name)
{
    const std::shared_ptr<Model> model = loadModelData(file);
    model->info().setName(name);
    return model->toFileData();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What one run's folder holds before the child starts, and what the child means to write.
struct Contents
{
    QList<QByteArray> before; // by model number - 1
    QList<QByteArray> after;
    QByteArray added;
    QString addedFileName = fileNameOf(kModels + 1);
};

// What the folder held after the child.
struct FileCheck
{
    QStringList wrong;
    int newFiles = 0;
    bool added = false;
};

// How the child's life ended, and how long its saving took when it finished.
enum class SaverEnd { Finished, Killed, DiedByItself };
struct SaverRun
{
    SaverEnd end = SaverEnd::Killed;
    std::optional<qint64> savingUs;
};

std::optional<qint64> savingTimeIn(const QByteArray &output)
{
    const qsizetype at = output.indexOf(kSavedLine);
    if (at < 0)
        return std::nullopt;
    return output.mid(at + kSavedLine.size()).trimmed().toLongLong();
}

class SavesCampaign final : public Campaign
{
public:
    explicit SavesCampaign(quint64 seed)
        : m_seed(seed)
        , m_folder(m_temporary.path() + QStringLiteral("/library"))
    {
        for (int model = 1; model <= kModels; ++model)
            m_oldFiles.append(namedModel(oldName(model))->toFileData());
        for (int run = 0; run < kCalibrationRuns; ++run) {
            prepare(-1 - run);
            noteSavingTime(runSaver(-1 - run, std::nullopt).savingUs);
        }
    }

    QList<Verdict> run(int index) override
    {
        QElapsedTimer clock;
        clock.start();
        std::mt19937_64 random = runRandom(m_seed, kCampaignName, index);
        const double fraction =
            std::uniform_real_distribution<double>(0, kKillWindowFactor)(random);
        const qint64 savingUs = savingEstimateUs();
        const auto killAfterUs = qint64(fraction * double(savingUs));
        Verdict verdict{index, kRow, Outcome::FailureReported, {}, {}, 0, {}};
        verdict.plan = QStringLiteral("kill %1 ms into %2 ms of saving")
                           .arg(double(killAfterUs) / 1000.0, 0, 'f', 2)
                           .arg(double(savingUs) / 1000.0, 0, 'f', 2);
        verdict.kinds = QStringLiteral("kill");

        const Contents contents = prepare(index);
        const SaverRun saver = runSaver(index, killAfterUs);
        noteSavingTime(saver.savingUs);
        const SaverEnd end = saver.end;
        const FileCheck files = checkFiles(contents, end);
        verdict.plan += QStringLiteral(": %1 of %2 files new%3")
                            .arg(files.newFiles)
                            .arg(kModels)
                            .arg(files.added ? QStringLiteral(", model added") : QString());
        QStringList wrong = files.wrong + checkLibrary();
        if (end == SaverEnd::DiedByItself) {
            verdict.outcome = Outcome::Crash;
            verdict.detail = QStringLiteral("the saver died before it was killed");
        } else if (!wrong.isEmpty()) {
            verdict.outcome = Outcome::Loss;
        } else if (end == SaverEnd::Finished) {
            verdict.outcome = Outcome::Success;
        }
        if (!wrong.isEmpty())
            verdict.detail += wrong.join(QStringLiteral("; "));
        verdict.wallMs = double(clock.elapsed());
        return {verdict};
    }

private:
    void noteSavingTime(std::optional<qint64> savingUs)
    {
        if (!savingUs)
            return;
        m_savingTimesUs.append(*savingUs);
        if (m_savingTimesUs.size() > kTimedRuns)
            m_savingTimesUs.removeFirst();
    }

    [[nodiscard]] qint64 savingEstimateUs() const
    {
        if (m_savingTimesUs.isEmpty())
            return 0;
        QList<qint64> sorted = m_savingTimesUs;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(sorted.size() / 2);
    }

    // The old library: the model files, and the manifest a library builds from them.
    Contents prepare(int run)
    {
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        Contents contents;
        for (int model = 1; model <= kModels; ++model) {
            QFile file(m_folder + QLatin1Char('/') + fileNameOf(model));
            if (file.open(QIODevice::WriteOnly))
                file.write(m_oldFiles[model - 1]);
            contents.before.append(m_oldFiles[model - 1]);
            contents.after.append(renamed(m_oldFiles[model - 1], newName(model, run)));
        }
        contents.added = namedModel(addedName(run))->toFileData();
        ModelLibrary library(m_folder);
        return contents;
    }

    // Runs the child on the folder and, unless `killAfterUs` is empty, kills it that long
    // after it began saving.
    SaverRun runSaver(int run, std::optional<qint64> killAfterUs)
    {
        QProcess saver;
        saver.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--saver"), m_folder, QString::number(run)});
        saver.waitForStarted(kSaverStartMs);
        // The delay counts from the first save, not from the process start.
        QByteArray output;
        QElapsedTimer waited;
        waited.start();
        while (!output.contains(kSavingLine) && saver.state() == QProcess::Running &&
               waited.elapsed() < kSaverStartMs) {
            saver.waitForReadyRead(100);
            output += saver.readAllStandardOutput();
        }
        bool killed = false;
        if (killAfterUs) {
            QThread::usleep(static_cast<unsigned long>(*killAfterUs));
            killed = saver.state() == QProcess::Running;
            if (killed)
                saver.kill();
        }
        saver.waitForFinished(kSaverRunMs);
        output += saver.readAllStandardOutput();
        if (saver.exitStatus() == QProcess::NormalExit && saver.exitCode() == 0)
            return {SaverEnd::Finished, savingTimeIn(output)};
        return {killed ? SaverEnd::Killed : SaverEnd::DiedByItself, std::nullopt};
    }

    FileCheck checkFiles(const Contents &contents, SaverEnd end) const
    {
        FileCheck check;
        QStringList &wrong = check.wrong;
        for (int model = 1; model <= kModels; ++model) {
            const QString path = m_folder + QLatin1Char('/') + fileNameOf(model);
            if (!QFile::exists(path)) {
                wrong.append(QStringLiteral("%1 is gone").arg(fileNameOf(model)));
                continue;
            }
            const QByteArray bytes = readFile(path);
            const bool isOld = bytes == contents.before[model - 1];
            const bool isNew = bytes == contents.after[model - 1];
            check.newFiles += isNew ? 1 : 0;
            if (!isOld && !isNew)
                wrong.append(QStringLiteral("%1 holds neither its old nor its new content "
                                            "(%2 bytes, %3)")
                                 .arg(fileNameOf(model))
                                 .arg(bytes.size())
                                 .arg(loadModelData(bytes) ? QStringLiteral("parses")
                                                           : QStringLiteral("does not parse")));
            else if (end == SaverEnd::Finished && !isNew)
                wrong.append(
                    QStringLiteral("%1 is old after the saver finished").arg(fileNameOf(model)));
        }
        const QString addedPath = m_folder + QLatin1Char('/') + contents.addedFileName;
        check.added = QFile::exists(addedPath);
        if (QFile::exists(addedPath) && readFile(addedPath) != contents.added)
            wrong.append(
                QStringLiteral("the added model %1 is not whole").arg(contents.addedFileName));
        if (end == SaverEnd::Finished && !QFile::exists(addedPath))
            wrong.append(QStringLiteral("the added model is missing after the saver finished"));
        LibraryManifest manifest;
        if (!manifest.read(m_folder + QLatin1Char('/') + LibraryManifest::kFileName))
            wrong.append(QStringLiteral("manifest.json does not parse"));
        return check;
    }

    // A library opened afterwards lists every model file present, as it now is.
    QStringList checkLibrary() const
    {
        QStringList wrong;
        ModelLibrary library(m_folder);
        const QStringList files =
            QDir(m_folder).entryList({QStringLiteral("*.zrm")}, QDir::Files, QDir::Name);
        for (const QString &fileName : files) {
            const std::shared_ptr<Model> model = loadModelFile(library.filePath(fileName));
            if (!model)
                continue; // reported by checkFiles
            if (!library.contains(fileName))
                wrong.append(QStringLiteral("the library does not list %1").arg(fileName));
            else if (library.entryInfo(fileName).name() != model->info().name())
                wrong.append(
                    QStringLiteral("the library lists %1 as \"%2\", its file says \"%3\"")
                        .arg(fileName, library.entryInfo(fileName).name(), model->info().name()));
        }
        if (library.fileNames().size() != files.size())
            wrong.append(QStringLiteral("the library lists %1 models for %2 files")
                             .arg(library.fileNames().size())
                             .arg(files.size()));
        return wrong;
    }

    const quint64 m_seed;
    QTemporaryDir m_temporary;
    const QString m_folder;
    QList<QByteArray> m_oldFiles;
    QList<qint64> m_savingTimesUs; // of the last runs that finished
};

} // namespace

int runSaver(const QStringList &arguments)
{
    const QString folder = arguments.value(0);
    const int run = arguments.value(1).toInt();
    ModelLibrary library(folder);
    QList<std::shared_ptr<Model>> open; // the library keeps only weak references
    std::printf("%s\n", kSavingLine.constData());
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    // The first half one by one, as a sync saves its model; the rest as edits that the save
    // timer would write together, flushed as the main window does when it closes.
    for (int model = 1; model <= kModels; ++model) {
        const std::shared_ptr<Model> opened = library.openModel(fileNameOf(model));
        if (!opened)
            return 1;
        open.append(opened);
        opened->info().setName(newName(model, run));
        if (model <= kAddedAfter && !library.saveModel(fileNameOf(model)))
            return 1;
        if (model == kAddedAfter && library.addModel(namedModel(addedName(run))).isEmpty())
            return 1;
    }
    if (!library.flushPendingSaves())
        return 1;
    std::printf("%s %lld\n", kSavedLine.constData(),
                static_cast<long long>(clock.nsecsElapsed() / 1000));
    std::fflush(stdout);
    return 0;
}

CampaignKind savesCampaign()
{
    CampaignKind kind;
    kind.name = kCampaignName;
    kind.title = QStringLiteral("library saves");
    kind.rows = QStringList{kRow};
    kind.legend = QStringLiteral(
        "success = the saver finished before the kill and every file is new; failed = killed "
        "mid-way, every file old or new, the manifest parses and a library opened afterwards "
        "lists every model with its file's name");
    kind.rowOf = [](int) { return kRow; };
    kind.runLimitMs = kRunLimitMs;
    kind.make = [](quint64 seed) { return std::make_unique<SavesCampaign>(seed); };
    return kind;
}

} // namespace faultcampaign
