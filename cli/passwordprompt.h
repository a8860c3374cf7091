#pragma once

#include <QString>

#include <optional>

// The password for a log-in: typed at the terminal without echo (the prompt on standard
// error) when standard input is one, otherwise the first line of standard input, so that
// scripts can pipe it in. None at the end of input.
[[nodiscard]] std::optional<QString> readPassword(const QString &prompt);
