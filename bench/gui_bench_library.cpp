#include "gui_bench.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace guibench {

bool prepareLargeLibrary(const QString &folder, int count, int productCode, int parameterVersion)
{
    QDir().mkpath(folder);
    QElapsedTimer clock;
    clock.start();
    // A folder that already holds its models is reused, so that repeated runs skip the writing.
    if (!QFile::exists(QStringLiteral("%1/%2.zrm").arg(folder).arg(count))) {
        const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
        if (!modelClass) {
            std::fprintf(stderr, "no model class serves product 0x%X version %d\n", productCode,
                         parameterVersion);
            return false;
        }
        const std::shared_ptr<Model> model = modelClass->create(productCode, parameterVersion);
        model->resetToDefaults();
        // Encoding a model (its picture above all) costs milliseconds; the files differ only in
        // name and serial number, so one encoding with markers serves them all.
        const QByteArray nameMarker = QByteArrayLiteral("@@BENCH-NAME@@");
        const QByteArray serialMarker = QByteArrayLiteral("@@BENCH-SERIAL@@");
        model->info().setName(QString::fromLatin1(nameMarker));
        model->info().setSerialNumber(QString::fromLatin1(serialMarker));
        const QByteArray encoded = model->toFileData();
        // The files the library would hold, written directly: adding them through the library
        // would rewrite its manifest for every one.
        for (int i = 1; i <= count; ++i) {
            QByteArray data = encoded;
            data.replace(nameMarker, QByteArrayLiteral("Model ") + QByteArray::number(i));
            // Other receivers of the same kind: none was last synced with the demo device, so
            // the program has to look through them all.
            data.replace(serialMarker,
                         QByteArrayLiteral("ZX-RX-") + QByteArray::number(1000 + i % 97));
            QFile file(QStringLiteral("%1/%2.zrm").arg(folder).arg(i));
            if (!file.open(QIODevice::WriteOnly) || file.write(data) < 0) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                return false;
            }
        }
        std::printf("wrote %d model files in %.0f ms\n", count, double(clock.elapsed()));
        clock.restart();
    }
    qsizetype listed = 0;
    {
        ModelLibrary library(folder);
        listed = library.fileNames().size();
    }
    std::printf("library of %lld models ready (manifest of %.1f MiB checked or rebuilt in %.0f "
                "ms)\n",
                qlonglong(listed),
                double(QFileInfo(folder + QStringLiteral("/manifest.json")).size()) /
                    (1024.0 * 1024.0),
                double(clock.elapsed()));
    if (listed != count) {
        std::fprintf(stderr, "the library lists %lld models, not %d\n", qlonglong(listed), count);
        return false;
    }
    return true;
}

} // namespace guibench
