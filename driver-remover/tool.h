#ifndef DRIVER_REMOVER_TOOL_H
#define DRIVER_REMOVER_TOOL_H

#include "platform.h"

/* Exit statuses, so that installers and scripts can tell what happened. */
enum dr_exit_status {
    DR_EXIT_SUCCESS = 0,        /* every matching driver was uninstalled (or listed) */
    DR_EXIT_NOT_DONE = 1,       /* no filter file loaded, or the drivers not enumerated */
    DR_EXIT_DRIVERS_FAILED = 2, /* some drivers could not be read or uninstalled */
};

/* Runs the tool on its command line: the filter file, then optionally --dry-run. */
enum dr_exit_status dr_run(int argc, const dr_argchar *const *argv);

#endif
