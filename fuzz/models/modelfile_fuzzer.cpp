// Feeds arbitrary bytes to the model file loader, with a single-section and a multi-section
// model class registered beside the shipped ones. A model that loads is saved and loaded
// again, and compared with devices; a sanitizer report, a crash, or a saved file that no
// longer loads is a finding.
#include "models/classes/modelclasslist.h"
#include "models/devicemodel.h"
#include "models/model.h"
#include "testmodelclasses.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool hasOneSection(const Model &model)
{
    const auto *deviceModel = qobject_cast<const DeviceModel *>(&model);
    return deviceModel && deviceModel->memory().sectionCount() == 1;
}

void compareWithDevices(const Model &model)
{
    const std::uint32_t crc = model.modelCrc();
    // A one-section model is compared through the whole CRC alone.
    if (hasOneSection(model) && !model.matchesDeviceCrcs(crc, {}))
        std::abort();
    QList<SectionMetadata> sections;
    for (std::uint8_t id : {2, 0, 1, 0})
        sections.append({id, 4, crc});
    (void)model.matchesDeviceCrcs(crc, sections);
}

} // namespace

// Qt 5.15's JSON parser leaks a few bytes on some malformed documents (reproduced with
// QJsonDocument::fromJson alone). Its frames are unsymbolised, so the suppression names the
// library; out-of-bounds accesses, undefined behaviour and crashes are still reported.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const ScopedModelClasses classes(builtinModelClasses() + testModelClasses());
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const std::shared_ptr<Model> model = loadModelData(bytes);
    if (!model)
        return 0;
    compareWithDevices(*model);
    const QByteArray saved = model->toFileData();
    const std::shared_ptr<Model> reloaded = loadModelData(saved);
    if (!reloaded)
        std::abort();
    // One section is saved whole, so its bytes come back exactly.
    if (hasOneSection(*model) && reloaded->modelCrc() != model->modelCrc())
        std::abort();
    return 0;
}
