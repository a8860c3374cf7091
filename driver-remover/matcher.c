#include "matcher.h"

#include "report.h"
#include "text_formats.h"

#include <inttypes.h>
#include <stdio.h>

void dr_matcher_init(struct dr_matcher *matcher, const struct dr_filter_set *filters, bool dry_run)
{
    *matcher = (struct dr_matcher){0};
    matcher->filters = filters;
    matcher->dry_run = dry_run;
}

void dr_matcher_free(struct dr_matcher *matcher)
{
    for (size_t i = 0; i < matcher->uninstalled_count; ++i)
        dr_free(matcher->uninstalled[i]);
    dr_free(matcher->uninstalled);
    *matcher = (struct dr_matcher){0};
}

static bool filter_matches(const struct dr_filter *filter, const struct dr_driver *driver)
{
    if (filter->has_driver_version && filter->driver_version != driver->driver_version)
        return false;
    /* The filter names a day; the driver's date carries a time of day. */
    if (filter->has_driver_date &&
        dr_filetime_day(filter->driver_date) != dr_filetime_day(driver->driver_date))
        return false;
    if (filter->description && !dr_utf16_equal(filter->description, driver->description))
        return false;
    if (filter->mfg_name && !dr_utf16_equal(filter->mfg_name, driver->mfg_name))
        return false;
    if (filter->provider_name && !dr_utf16_equal(filter->provider_name, driver->provider_name))
        return false;
    return true;
}

static const struct dr_filter *first_matching_filter(const struct dr_filter_set *filters,
                                                     const struct dr_driver *driver)
{
    for (size_t i = 0; i < filters->count; ++i) {
        if (filter_matches(&filters->filters[i], driver))
            return &filters->filters[i];
    }
    return NULL;
}

static void print_driver(const struct dr_driver *driver)
{
    printf("Description: ");
    dr_print_utf16(driver->description);
    printf(", Mfg name: ");
    dr_print_utf16(driver->mfg_name);
    printf(", Provider name: ");
    dr_print_utf16(driver->provider_name);
    printf("\n    Date: %" PRIu64 "\n    Version: %" PRIx64 "\n    InfFileName: ",
           driver->driver_date, driver->driver_version);
    dr_print_utf16(driver->inf_file_name);
    printf("\n");
}

static bool was_uninstalled(const struct dr_matcher *matcher, const dr_char16 *inf_file_name)
{
    for (size_t i = 0; i < matcher->uninstalled_count; ++i) {
        if (dr_utf16_equal(matcher->uninstalled[i], inf_file_name))
            return true;
    }
    return false;
}

/* Out of memory here only costs the memo: a later driver of the same package is then
 * tried again, and its failure reported. */
static void remember_uninstalled(struct dr_matcher *matcher, const dr_char16 *inf_file_name)
{
    if (matcher->uninstalled_count == matcher->uninstalled_capacity) {
        const size_t capacity =
            matcher->uninstalled_capacity ? 2 * matcher->uninstalled_capacity : 8;
        dr_char16 **grown = dr_alloc(capacity * sizeof *grown);
        if (!grown)
            return;
        for (size_t i = 0; i < matcher->uninstalled_count; ++i)
            grown[i] = matcher->uninstalled[i];
        dr_free(matcher->uninstalled);
        matcher->uninstalled = grown;
        matcher->uninstalled_capacity = capacity;
    }
    dr_char16 *copy = dr_utf16_duplicate(inf_file_name);
    if (copy)
        matcher->uninstalled[matcher->uninstalled_count++] = copy;
}

void dr_matcher_visit(void *context, const struct dr_driver *driver)
{
    struct dr_matcher *matcher = context;
    if (!first_matching_filter(matcher->filters, driver))
        return;

    print_driver(driver);
    if (matcher->dry_run)
        return;
    if (was_uninstalled(matcher, driver->inf_file_name)) {
        printf("    Driver package already uninstalled\n");
        return;
    }
    uint32_t error = 0;
    if (dr_uninstall_driver_package(driver->inf_file_name, &error)) {
        remember_uninstalled(matcher, driver->inf_file_name);
    } else {
        dr_report_call_failed("DiUninstallDriverW", error);
        matcher->any_uninstall_failed = true;
    }
}
