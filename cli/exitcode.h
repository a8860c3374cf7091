#pragma once

// zanprog's exit statuses, part of its scripting interface.
enum class ExitCode : int {
    Success = 0,
    Failed = 1,   // the operation failed; its message is on standard error
    Usage = 2,    // bad command line or unusable argument
    NoDevice = 3, // no device found or identified in time
};
