/* Plexar: the scanner manager library. Lists the fingerprint scanners of the
 * scanner layer (its pseudo scanner "File" hidden), passes plug-and-play
 * notices to one monitor callback and runs captures, one per scanner id.
 *
 * The library takes no locks: call it from one thread at a time. Callbacks
 * run on the scanner layer's threads; ids given to them are valid during the
 * call only. Narrow strings are UTF-8 (the system's code page here). */
#ifndef PLEXAR_PLEXAR_H
#define PLEXAR_PLEXAR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PX_EXPORT __attribute__((visibility("default")))

enum {
  PX_OK = 0,
  PX_LAYER_FAILED = -1,
  PX_NOT_INITIALIZED = -3,
  PX_NULL_POINTER = -4,
  PX_OUT_OF_RANGE = -5, /* also: a parameter without a type, a non-null target */
  PX_UNKNOWN_PARAMETER = -10,
  PX_READ_ONLY = -11,
  PX_NOT_CAPTURING = -100,
  PX_ALREADY_CAPTURING = -101
};

/* event: 1 scanner arrived, 2 removed, 3 other */
typedef void (*PXMonitorCallback)(const char *id, int32_t event, int32_t user);
/* a, b, c: the layer's image values (width, height, address of width x height
 * grey bytes, valid during the call); resolution is always 500. */
typedef void (*PXImageCallback)(const char *id, intptr_t a, intptr_t b, intptr_t c, int32_t resolution,
                                int32_t user);
/* status: 1 finger on, 2 finger off */
typedef void (*PXStatusCallback)(const char *id, int32_t status, int32_t user);

PX_EXPORT int32_t PXInitialize(void);
PX_EXPORT int32_t PXFinalize(void);
/* Parameters: 10 "Plexar" (text), 11 version high, 12 version low (integers),
 * 13 notice text; 0 asks the type code of the parameter given as value
 * (100 text, 5 integer). Text: null value gives the length; else the text and
 * a zero are copied (length + 1 bytes). target must be null. */
PX_EXPORT int32_t PXGetParameter(void *target, int32_t id, void *value);
PX_EXPORT int32_t PXSetParameter(void *target, int32_t id, intptr_t value);
PX_EXPORT int32_t PXGetScannerCount(void);
/* Null buffer: the size to provide; else the bytes written (0: too small). */
PX_EXPORT int32_t PXGetScannerId(int32_t index, char *buffer, int32_t size);
PX_EXPORT int32_t PXSetMonitor(PXMonitorCallback callback, int32_t user);
PX_EXPORT int32_t PXRemoveMonitor(void);
PX_EXPORT int32_t PXStartCapturing(const char *id, PXImageCallback image, PXStatusCallback status, int32_t user);
/* Null id stops every capture. */
PX_EXPORT int32_t PXStopCapturing(const char *id);

#ifdef __cplusplus
}
#endif

#endif
