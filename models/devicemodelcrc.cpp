// The model CRC and the comparison of a model with the section CRCs a device reports.
#include "app/log.h"
#include "device/sectioncrc.h"
#include "models/devicemodel.h"

#include <algorithm>

namespace {

const QString kLogCategory = QStringLiteral("DeviceModel");

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("0x%1").arg(QString::number(crc, 16).toUpper().rightJustified(8, u'0'));
}

bool sortedById(const QList<SectionMetadata> &sections)
{
    for (qsizetype i = 1; i < sections.size(); ++i)
        if (sections.at(i).id <= sections.at(i - 1).id)
            return false;
    return true;
}

} // namespace

std::uint32_t DeviceModel::modelCrc() const
{
    if (m_memory->sectionCount() == 1)
        return sectionCrc(m_memory->modelData(0));
    QByteArray all;
    for (const TargetSection &section : m_memory->sections())
        all.append(section.modelData);
    return paddedSectionCrc(all);
}

bool DeviceModel::matchesDeviceCrcs(std::uint32_t wholeCrc,
                                    const QList<SectionMetadata> &deviceSections) const
{
    // Devices without per-section CRCs report only the CRC over their whole memory.
    if (m_memory->sectionCount() == 1 || (!deviceSections.isEmpty() && !deviceSections.first().crc))
        return modelCrc() == wholeCrc;
    if (deviceSections.size() > m_memory->sectionCount())
        return false;

    QList<SectionMetadata> records = deviceSections;
    if (!sortedById(records)) {
        log(kLogCategory,
            QStringLiteral(
                "note: sections from device are expected to be sorted but they weren't"));
        std::stable_sort(
            records.begin(), records.end(),
            [](const SectionMetadata &a, const SectionMetadata &b) { return a.id < b.id; });
    }
    log(kLogCategory, QStringLiteral("Model CRC compare (%1):").arg(info().name()));

    auto record = records.cbegin();
    for (int i = 0; i < m_memory->sectionCount(); ++i) {
        const QByteArray &bytes = m_memory->modelData(i);
        if (bytes.isEmpty())
            continue;
        if (record == records.cend() || record->id != i)
            return false;
        if (bytes.size() % kSectionCrcWordBytes != 0)
            log(kLogCategory,
                QStringLiteral("  model's section %1 memory not a multiple of 4 (size = %2)")
                    .arg(i)
                    .arg(bytes.size()));
        const std::uint32_t crc = sectionCrc(bytes);
        if (!record->crc)
            return false;
        log(kLogCategory, QStringLiteral("  section %1, model: %2, device: %3")
                              .arg(i)
                              .arg(crcText(crc), crcText(*record->crc)));
        if (crc != *record->crc)
            return false;
        ++record;
    }
    return true;
}
