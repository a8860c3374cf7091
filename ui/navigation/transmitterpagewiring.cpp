// Keeps the transmitter's conditional pages in line with its aircraft.
#include "ui/navigation/transmitterpagewiring.h"

#include "models/classes/transmittermodel.h"
#include "models/classes/transmitterpagevisibility.h"
#include "ui/navigation/page.h"

#include <QObject>

namespace {

struct ConditionalPage
{
    PageKind kind;
    Page *page;
};

void apply(const QList<ConditionalPage> &pages, AircraftType aircraftType,
           DeviceModel::WingType wingType)
{
    for (const ConditionalPage &conditional : pages) {
        if (const std::optional<bool> visible =
                transmitterPageVisible(conditional.kind, aircraftType, wingType))
            conditional.page->setPageVisible(*visible);
    }
}

} // namespace

void followTransmitterAircraft(TransmitterModel &model, const PageInfoList &records,
                               QObject *context)
{
    QList<ConditionalPage> pages;
    for (const PageInfo &info : records) {
        const bool conditional =
            transmitterPageVisible(info.kind, AircraftType::Airplane, DeviceModel::WingTypeNormal)
                .has_value();
        if (info.page && !info.isHeader && conditional)
            pages.append({info.kind, info.page});
    }
    if (pages.isEmpty())
        return;
    apply(pages, model.aircraftType(), model.wingType());
    // The signal carries the new value; the other one is read back from the model.
    QObject::connect(&model, &TransmitterModel::aircraftTypeChanged, context,
                     [&model, pages](AircraftType aircraftType) {
                         apply(pages, aircraftType, model.wingType());
                     });
    QObject::connect(&model, &TransmitterModel::wingTypeChanged, context,
                     [&model, pages](DeviceModel::WingType wingType) {
                         apply(pages, model.aircraftType(), wingType);
                     });
}
