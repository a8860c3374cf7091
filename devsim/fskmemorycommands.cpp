// Parameter memory by flash target and section: advanced read and write, the section table and
// the section CRCs.
#include "device/sectioncrc.h"
#include "devsim/fskreply.h"

namespace devsim {

using fskreply::kAddressBytes;
using fskreply::reply;

namespace {

// Advanced request header: section index byte, target, address (u16 LE).
constexpr int kAdvHeaderBytes = 4;
constexpr int kAdvCountBytes = 2;
// What fits into one reply next to the address echo.
constexpr int kMaxReadBytes = frames::kFskMaxPayload - kAddressBytes;
// Section table: a count byte, then four bytes per entry.
constexpr int kSectionEntryBytes = 4;
constexpr int kMaxEntriesPerPage = (frames::kFskMaxPayload - 1) / kSectionEntryBytes;
constexpr int kCrcBytes = 4;
constexpr int kMaxCrcsPerReply = frames::kFskMaxPayload / kCrcBytes;
constexpr int kSectionIdBits = 0x1F;

// The index byte names section ((byte >> 1) & 0x1F) - 1; 0 names none, i.e. the whole target.
// Ids from 31 on cannot be named: id + 1 wraps within five bits.
std::optional<std::uint8_t> sectionOf(std::uint8_t indexByte)
{
    const int field = (indexByte >> 1) & kSectionIdBits;
    if (field == 0)
        return std::nullopt;
    return std::uint8_t(field - 1);
}

struct AdvAddress
{
    std::optional<std::uint8_t> section;
    std::uint8_t target = 0;
    int address = 0;
};

AdvAddress advAddress(const QByteArray &payload)
{
    return {sectionOf(std::uint8_t(payload[0])), std::uint8_t(payload[1]),
            fskreply::u16At(payload, 2)};
}

// Request: header, then the count (u16 LE). The reply echoes the address, then the bytes.
// A count that cannot fit into one reply is not answered.
CommandOutcome advRead(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < kAdvHeaderBytes + kAdvCountBytes)
        return {};
    const AdvAddress at = advAddress(request.payload);
    const int count = fskreply::u16At(request.payload, kAdvHeaderBytes);
    if (count > kMaxReadBytes)
        return {};
    return reply(request.code, request.payload.mid(2, kAddressBytes) +
                                   state.memory.read(at.target, at.section, at.address, count));
}

// Request: header, then the bytes to write into RAM.
CommandOutcome advWrite(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < kAdvHeaderBytes)
        return {};
    const AdvAddress at = advAddress(request.payload);
    state.memory.write(at.target, at.section, at.address, request.payload.mid(kAdvHeaderBytes));
    return reply(request.code);
}

// Request: target, start. The reply lists the sections from the start-th on, as many as fit:
// a count byte, then per section the target, its id and its size (u16 LE). A page without
// sections ends the table.
CommandOutcome targetSections(const HostRequest &request, DeviceState &state)
{
    if (request.payload.size() < 2)
        return {};
    const auto target = std::uint8_t(request.payload[0]);
    const int start = std::uint8_t(request.payload[1]);
    QByteArray entries;
    int count = 0;
    if (const ParameterMemory::Target *found = state.memory.target(target)) {
        const auto &sections = found->sections;
        for (int i = start; i < int(sections.size()) && count < kMaxEntriesPerPage; ++i, ++count) {
            entries.append(char(target));
            entries.append(char(sections[i].id));
            fskreply::appendU16(entries, int(sections[i].ram.size()));
        }
    }
    return reply(request.code, QByteArray(1, char(count)) + entries);
}

// Request: target, then section ids. The reply holds one CRC (u32 LE) per id, in order; a
// section the device does not have has the CRC of no data.
CommandOutcome sectionCrcs(const HostRequest &request, DeviceState &state)
{
    if (request.payload.isEmpty())
        return {};
    const auto target = std::uint8_t(request.payload[0]);
    QByteArray payload;
    const int ids = qMin(int(request.payload.size()) - 1, kMaxCrcsPerReply);
    for (int i = 0; i < ids; ++i) {
        const auto id = std::uint8_t(request.payload[1 + i]);
        const ParameterMemory::Section *section = state.memory.section(target, id);
        fskreply::appendU32(payload, section ? sectionCrc(section->ram) : kSectionCrcInitial);
    }
    return reply(request.code, payload);
}

} // namespace

void addFskMemoryCommands(CommandTable &table)
{
    table.set(Protocol::Fsk, fskcmd::kAdvRead, advRead);
    table.set(Protocol::Fsk, fskcmd::kAdvWrite, advWrite);
    table.set(Protocol::Fsk, fskcmd::kTargetSections, targetSections);
    table.set(Protocol::Fsk, fskcmd::kSectionCrcs, sectionCrcs);
}

} // namespace devsim
