#include "devsim/commandtable.h"

namespace devsim {

void CommandTable::set(Protocol protocol, std::uint8_t code, CommandHandler handler)
{
    m_handlers[{protocol, code}] = std::move(handler);
}

void CommandTable::remove(Protocol protocol, std::uint8_t code)
{
    m_handlers.erase({protocol, code});
}

const CommandHandler *CommandTable::find(Protocol protocol, std::uint8_t code) const
{
    const auto it = m_handlers.find({protocol, code});
    return it == m_handlers.end() ? nullptr : &it->second;
}

CommandTable standardCommandTable()
{
    CommandTable table;
    addFskCommands(table);
    addFskMemoryCommands(table);
    addTncCommands(table);
    addBootloaderCommands(table);
    addFirmwareRecordCommands(table);
    return table;
}

} // namespace devsim
