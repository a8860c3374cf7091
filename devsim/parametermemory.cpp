#include "devsim/parametermemory.h"

#include "device/sectioncrc.h"

#include <algorithm>

namespace devsim {

namespace {

constexpr char kErasedByte = char(0xFF);

} // namespace

ParameterMemory::ParameterMemory(const std::vector<ProfileTarget> &targets)
{
    for (const ProfileTarget &entry : targets) {
        Target target{entry.target, {}};
        for (const ProfileSection &section : entry.sections)
            target.sections.push_back({section.id, section.contents, section.contents});
        m_targets.push_back(std::move(target));
    }
}

const ParameterMemory::Target *ParameterMemory::target(std::uint8_t target) const
{
    const auto it = std::find_if(m_targets.begin(), m_targets.end(),
                                 [target](const Target &t) { return t.target == target; });
    return it == m_targets.end() ? nullptr : &*it;
}

const ParameterMemory::Section *ParameterMemory::section(std::uint8_t target, std::uint8_t id) const
{
    const Target *found = this->target(target);
    if (!found)
        return nullptr;
    const auto it = std::find_if(found->sections.begin(), found->sections.end(),
                                 [id](const Section &s) { return s.id == id; });
    return it == found->sections.end() ? nullptr : &*it;
}

ParameterMemory::Section *ParameterMemory::findSection(std::uint8_t target, std::uint8_t id)
{
    return const_cast<Section *>(std::as_const(*this).section(target, id));
}

std::vector<const ParameterMemory::Section *> ParameterMemory::byId(const Target &target) const
{
    std::vector<const Section *> sections;
    for (const Section &section : target.sections)
        sections.push_back(&section);
    std::stable_sort(sections.begin(), sections.end(),
                     [](const Section *a, const Section *b) { return a->id < b->id; });
    return sections;
}

QByteArray ParameterMemory::read(std::uint8_t target, std::optional<std::uint8_t> section,
                                 int address, int count) const
{
    QByteArray range;
    if (section) {
        if (const Section *found = this->section(target, *section))
            range = found->ram;
    } else if (const Target *found = this->target(target)) {
        for (const Section *s : byId(*found))
            range += s->ram;
    }
    QByteArray bytes = range.mid(address, count);
    bytes.append(QByteArray(count - int(bytes.size()), kErasedByte));
    return bytes;
}

void ParameterMemory::write(std::uint8_t target, std::optional<std::uint8_t> section, int address,
                            const QByteArray &bytes)
{
    // Each byte lands in the section that holds its address; the rest is lost.
    const auto writeInto = [&bytes, address](QByteArray &ram, int sectionStart) {
        for (int i = 0; i < int(bytes.size()); ++i) {
            const int at = address + i - sectionStart;
            if (at >= 0 && at < ram.size())
                ram[at] = bytes[i];
        }
    };
    if (section) {
        if (Section *found = findSection(target, *section))
            writeInto(found->ram, 0);
        return;
    }
    const Target *found = this->target(target);
    if (!found)
        return;
    int start = 0;
    for (const Section *s : byId(*found)) {
        writeInto(const_cast<Section *>(s)->ram, start);
        start += int(s->ram.size());
    }
}

void ParameterMemory::saveToFlash()
{
    for (Target &target : m_targets) {
        for (Section &section : target.sections)
            section.flash = section.ram;
    }
}

void ParameterMemory::loadFromFlash()
{
    for (Target &target : m_targets) {
        for (Section &section : target.sections)
            section.ram = section.flash;
    }
}

std::uint32_t ParameterMemory::parameterCrc() const
{
    const Target *parameters = target(kParameterTarget);
    if (!parameters || parameters->sections.empty())
        return kSectionCrcInitial;
    if (parameters->sections.size() == 1)
        return sectionCrc(parameters->sections.front().ram);
    QByteArray all;
    for (const Section *s : byId(*parameters))
        all += s->ram;
    return paddedSectionCrc(all);
}

} // namespace devsim
