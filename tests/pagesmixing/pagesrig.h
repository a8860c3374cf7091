#pragma once

#include "app/messagepresenter.h"
#include "app/tooltipparser.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <memory>

namespace pagestest {

inline constexpr int kProduct = 217;
inline constexpr int kPlainVersion = 0xFF;
inline constexpr int kEnvelopeVersion = 0xFE;

inline std::shared_ptr<AirplaneRxModel> newReceiver(int parameterVersion = kPlainVersion)
{
    return std::make_shared<AirplaneRxModel>(kProduct, parameterVersion);
}

inline QByteArray imageOf(const AirplaneRxModel &model)
{
    return model.memory().modelData(0);
}

// Offsets of the bytes that differ between two images of one size.
inline QList<int> changedOffsets(const QByteArray &before, const QByteArray &after)
{
    QList<int> offsets;
    for (int i = 0; i < before.size() && i < after.size(); ++i) {
        if (before.at(i) != after.at(i))
            offsets.append(i);
    }
    return offsets;
}

inline DeviceSetting mixSetting(AirplaneRx::SettingType type, int mix)
{
    return AirplaneRx::makeSetting(type, 0, 0, mix);
}

inline int mixOffset(const AirplaneRxModel &model, AirplaneRx::SettingType type, int mix)
{
    return model.settingOffset(mixSetting(type, mix), 0);
}

// The help texts the program ships, so that a key the pages use but the file lacks shows.
inline TooltipTable shippedTooltips()
{
    return loadTooltipTable(QStringLiteral(ZX_TOOLTIP_SOURCE));
}

// Takes the messages the pages raise for the user, for as long as it lives.
class RecordingPresenter final : public MessagePresenter
{
public:
    RecordingPresenter()
        : m_previous(installMessagePresenter(this))
    {}
    ~RecordingPresenter() override { installMessagePresenter(m_previous); }
    RecordingPresenter(const RecordingPresenter &) = delete;
    RecordingPresenter &operator=(const RecordingPresenter &) = delete;

    void showMessage(MessageSeverity severity, const QString &title, const QString &text) override
    {
        messages.append((severity == MessageSeverity::Critical ? QStringLiteral("critical ")
                                                               : QStringLiteral("other ")) +
                        title + QStringLiteral(": ") + text);
    }

    QStringList messages;

private:
    MessagePresenter *m_previous = nullptr;
};

} // namespace pagestest
