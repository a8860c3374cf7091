#pragma once

#include <cstdint>
#include <exception>
#include <string>

// A layout text or layout tree that cannot be used: a syntax error, or sizes that do not fit
// the 32-bit offsets of a section. The schema texts are fixed texts of the program, so their
// users do not recover from this; tests and the fuzzer do.
class ParseException : public std::exception
{
public:
    // Position for errors that do not come from a place in a text (see alignLayout).
    static constexpr int32_t kNoPosition = -1;

    ParseException(std::string message, int32_t position);

    // The message alone, without the position.
    [[nodiscard]] const char *what() const noexcept override;

    // Index into the layout text, counted in UTF-16 characters from 0, or kNoPosition.
    [[nodiscard]] int32_t position() const noexcept { return m_position; }

private:
    std::string m_message;
    int32_t m_position;
};
