#include "tool.h"

#include "filter_file.h"
#include "matcher.h"

#include <stdbool.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#define arg_equal(a, b) (wcscmp((a), (b)) == 0)
#else
#define arg_equal(a, b) (strcmp((a), (b)) == 0)
#endif

/* Only --dry-run may follow the filter file. Anything else is refused instead of being
 * ignored, so that a mistyped --dry-run never turns into a real run. */
static bool parse_options(int argc, const dr_argchar *const *argv, bool *dry_run)
{
    *dry_run = false;
    for (int i = 2; i < argc; ++i) {
        if (arg_equal(argv[i], DR_ARG("--dry-run"))) {
            *dry_run = true;
        } else {
            printf("Error: unknown argument: " DR_ARG_FORMAT "\n", argv[i]);
            return false;
        }
    }
    return true;
}

enum dr_exit_status dr_run(int argc, const dr_argchar *const *argv)
{
    if (argc < 2) {
        printf("Error: missing argument: name of JSON file containing driver filters\n");
        return DR_EXIT_NOT_DONE;
    }
    bool dry_run;
    if (!parse_options(argc, argv, &dry_run))
        return DR_EXIT_NOT_DONE;

    dr_use_tool_allocator_for_json();
    struct dr_filter_set filters;
    if (!dr_load_filter_file(argv[1], &filters))
        return DR_EXIT_NOT_DONE;

    struct dr_matcher matcher;
    dr_matcher_init(&matcher, &filters, dry_run);
    const enum dr_enum_result listed = dr_enumerate_class_drivers(
        filters.has_class_guid ? &filters.class_guid : NULL, dr_matcher_visit, &matcher);
    const bool uninstall_failed = matcher.any_uninstall_failed;
    dr_matcher_free(&matcher);
    dr_free_filter_set(&filters);

    if (dry_run)
        printf("Dry run: nothing was uninstalled\n");
    if (listed == DR_ENUM_FAILED)
        return DR_EXIT_NOT_DONE;
    if (listed == DR_ENUM_DRIVERS_SKIPPED || uninstall_failed)
        return DR_EXIT_DRIVERS_FAILED;
    return DR_EXIT_SUCCESS;
}
