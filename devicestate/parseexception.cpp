#include "devicestate/parseexception.h"

ParseException::ParseException(std::string message, int32_t position)
    : m_message(std::move(message))
    , m_position(position)
{}

const char *ParseException::what() const noexcept
{
    return m_message.c_str();
}
