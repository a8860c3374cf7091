#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// The widget that shows a page lives on the user-interface side; models only name it.
class Page;

// Which page widget a record asks for. The user interface registers one factory per kind; a
// kind without a factory shows an empty page with the record's title.
enum class PageKind {
    Heading,
    // The program's own pages, ahead of every model's.
    ModelLibrary,
    SoftwareUpdate,
    // Airplane receiver.
    Dashboard,
    DualRateExpo, // mode: PageMode::Exponential or PageMode::DualRate
    GainPriority,
    Mixing,
    ReceiverOrientation,
    FlightModeSwitch,
    AircraftType,
    SurfaceSetup,
    PortAssignment,
    // Transmitter.
    TransmitterSettings,
    Curve, // mode: PageMode::ThrottleCurve or PageMode::PitchCurve
    Differential,
    ChannelSetup,
    ThrottleCut,
    FlightModeSetup,
    Trainer,
    // Stabiliser box.
    GyroInitialSetup,
    GyroGain,
    GyroOrientation,
    GyroInputOutput,
};

// The variant of a page class that serves two rows.
enum class PageMode { Default, Exponential, DualRate, ThrottleCurve, PitchCurve };

// Bits of PageInfo::flags.
namespace PageFlag {
// Needs a device that a model class serves, while a device is connected.
inline constexpr std::uint8_t NeedsProgrammableDevice = 1;
// Needs a connected device.
inline constexpr std::uint8_t NeedsConnectedDevice = 2;
// The row shows the notification picture.
inline constexpr std::uint8_t ShowsNotification = 4;
} // namespace PageFlag

// One navigation row. Model classes fill title, isHeader, flags, kind and mode; the user
// interface makes the widget and sets `page`.
struct PageInfo
{
    QString title;
    bool isHeader = false;
    Page *page = nullptr;
    std::uint8_t flags = PageFlag::NeedsProgrammableDevice;
    PageKind kind = PageKind::Heading;
    PageMode mode = PageMode::Default;

    [[nodiscard]] static PageInfo heading(const QString &title)
    {
        return {title,
                true,
                nullptr,
                PageFlag::NeedsProgrammableDevice,
                PageKind::Heading,
                PageMode::Default};
    }
    [[nodiscard]] static PageInfo forPage(const QString &title, PageKind kind,
                                          PageMode mode = PageMode::Default,
                                          std::uint8_t flags = PageFlag::NeedsProgrammableDevice)
    {
        return {title, false, nullptr, flags, kind, mode};
    }
};

using PageInfoList = QList<PageInfo>;
