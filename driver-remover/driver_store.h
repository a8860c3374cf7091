#ifndef DRIVER_REMOVER_DRIVER_STORE_H
#define DRIVER_REMOVER_DRIVER_STORE_H

/* Outside Windows there is no driver store to enumerate. A JSON file named by
 * DRIVER_REMOVER_STORE stands in for it, so that the whole tool runs and is tested:
 *
 *   {"drivers": [{"classGuid": "...", "description": "...", "mfgName": "...",
 *                 "providerName": "...", "driverDate": "2020-01-02T13:45:00Z",
 *                 "driverVersion": "1.2.3.4", "infFileName": "oem12.inf",
 *                 "uninstallError": 0}],
 *    "removed": []}
 *
 * The dates may carry up to seven fraction digits of a second. Uninstalling a package
 * whose driver has a non-zero uninstallError fails with that error; otherwise every driver
 * of that INF file leaves "drivers", the INF file name is appended to "removed" and the
 * file is replaced atomically. This header only documents it: the store implements the
 * enumeration and uninstall calls of platform.h. */

#define DR_STORE_ENVIRONMENT_VARIABLE "DRIVER_REMOVER_STORE"

#endif
