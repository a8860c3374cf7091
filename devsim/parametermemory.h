#pragma once

#include "devsim/deviceprofile.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

// The device's parameter memory: per flash target a list of sections, each with the RAM image
// the commands read and write and the flash image it was loaded from. Saving copies RAM to
// flash; a restart loads RAM from flash again, so unsaved changes are lost with the power.
//
// A section is addressed by its id, or not at all: then the target's sections count as one
// range, back to back in id order. Reads past the end give erased flash (0xFF) and writes past
// the end are lost, as on the device, whose memory simply ends there.
class ParameterMemory
{
public:
    struct Section
    {
        std::uint8_t id = 0;
        QByteArray ram;
        QByteArray flash;
    };
    struct Target
    {
        std::uint8_t target = 0;
        std::vector<Section> sections; // in the order the section table lists them
    };

    explicit ParameterMemory(const std::vector<ProfileTarget> &targets = {});

    [[nodiscard]] const Target *target(std::uint8_t target) const;
    [[nodiscard]] const Section *section(std::uint8_t target, std::uint8_t id) const;
    [[nodiscard]] const std::vector<Target> &targets() const { return m_targets; }

    [[nodiscard]] QByteArray read(std::uint8_t target, std::optional<std::uint8_t> section,
                                  int address, int count) const;
    void write(std::uint8_t target, std::optional<std::uint8_t> section, int address,
               const QByteArray &bytes);

    void saveToFlash();
    void loadFromFlash();

    // The CRC the application reports for its parameter target: the one section's complete
    // words, or all sections back to back in id order, zero-padded to whole words.
    [[nodiscard]] std::uint32_t parameterCrc() const;

private:
    [[nodiscard]] std::vector<const Section *> byId(const Target &target) const;
    Section *findSection(std::uint8_t target, std::uint8_t id);

    std::vector<Target> m_targets;
};

} // namespace devsim
