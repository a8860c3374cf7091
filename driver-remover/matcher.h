#ifndef DRIVER_REMOVER_MATCHER_H
#define DRIVER_REMOVER_MATCHER_H

/* Decides for each enumerated driver whether a filter selects it, prints the selected
 * drivers and uninstalls their packages. */

#include "filter_file.h"
#include "platform.h"

#include <stdbool.h>
#include <stddef.h>

struct dr_matcher
{
    const struct dr_filter_set *filters;
    bool dry_run;              /* print the matches, uninstall nothing */
    bool any_uninstall_failed; /* at least one DiUninstallDriverW call failed */
    /* INF files whose package this run uninstalled. Several drivers can come from one
     * package, and the package is gone after the first. */
    dr_char16 **uninstalled;
    size_t uninstalled_count;
    size_t uninstalled_capacity;
};

void dr_matcher_init(struct dr_matcher *matcher, const struct dr_filter_set *filters, bool dry_run);
void dr_matcher_free(struct dr_matcher *matcher);

/* A dr_driver_visitor; the context is a struct dr_matcher. The first filter, in file order,
 * whose criteria all hold selects the driver; later filters are not tried. */
void dr_matcher_visit(void *matcher, const struct dr_driver *driver);

#endif
