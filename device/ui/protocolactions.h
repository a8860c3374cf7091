#pragma once

#include <QString>

#include <memory>
#include <vector>

class DeviceConnection;
class QPlainTextEdit;

// A request sequence of the protocol test window that goes beyond one command, offered in its
// application-specific selector.
class ProtocolAction
{
public:
    virtual ~ProtocolAction() = default;
    [[nodiscard]] virtual QString title() const = 0;
    // Starts the work and returns; what it sends and receives goes to `log` as it happens.
    // Input to the log's window is blocked until the work ends, and a window closed before
    // then is left alone.
    virtual void run(DeviceConnection &connection, QPlainTextEdit &log) = 0;
};

// The section table and the section CRCs of the parameter memory.
[[nodiscard]] std::vector<std::unique_ptr<ProtocolAction>> applicationSpecificActions();
