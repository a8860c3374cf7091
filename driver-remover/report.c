#include "report.h"

#include <stdio.h>

static int32_t as_signed(uint32_t error)
{
    /* Spelled out because converting an out-of-range value to a signed type is
     * implementation-defined. */
    return error <= INT32_MAX ? (int32_t)error : -(int32_t)(UINT32_MAX - error) - 1;
}

void dr_report_call_failed(const char *call, uint32_t error)
{
    printf("%s failed with error %d\n", call, (int)as_signed(error));
}

void dr_report_out_of_memory(void)
{
    printf("Error: out of memory\n");
}
