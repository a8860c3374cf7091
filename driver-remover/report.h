#ifndef DRIVER_REMOVER_REPORT_H
#define DRIVER_REMOVER_REPORT_H

/* Every message goes to standard output, where the scripts that run the tool collect it. */

#include <stdint.h>

/* "<call> failed with error <number>", the number as Windows tools show it: a signed
 * 32-bit reading of the system error, so SetupAPI's high-bit codes come out negative. */
void dr_report_call_failed(const char *call, uint32_t error);

void dr_report_out_of_memory(void);

#endif
