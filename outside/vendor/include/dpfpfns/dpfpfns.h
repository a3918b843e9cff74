/* The reader vendor's FT_* functions, over libfprint.
 *
 * Readers are libfprint devices that capture images: the uru4000 driver for
 * U.are.U 4000/4000B/4500 readers, the virtual_image driver (FP_VIRTUAL_IMAGE)
 * for tests and demos. libfprint runs in a helper process (dpfp-host, found
 * next to this library): its enumeration iterates GLib's global main context,
 * which a Qt GUI thread owns, so it cannot share a process with the station.
 *
 * Results are vendor codes: 0 done, FT_ERR_* otherwise. All functions may be
 * called from any thread. */
#ifndef DPFPFNS_DPFPFNS_H
#define DPFPFNS_DPFPFNS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define FT_EXPORT __attribute__((visibility("default")))

enum {
  FT_OK = 0,
  FT_ERR_NOT_INITIALIZED = 1,
  FT_ERR_BAD_PARAMETER = 2,
  FT_ERR_NOT_IMPLEMENTED = 3,
  FT_ERR_IO = 4,
  FT_ERR_NO_MEMORY = 7,
  FT_ERR_INTERNAL = 8,
  FT_ERR_UNKNOWN_DEVICE = 10,
  FT_ERR_INVALID_BUFFER = 11,
  FT_ERR_LENGTH_TOO_SMALL = 16,
  FT_ERR_INVALID_CONTEXT = 17,
  FT_ERR_ALREADY_CONNECTED = 18,
  FT_ERR_NO_DEVICE_CONNECTED = 19,
  FT_ERR_UI_LINK = 20,
  FT_ERR_TIMEOUT = 26,
  FT_ERR_INVALID_DEVICE = 31
};

/* Sizes of the records the callers hand in. */
enum {
  FT_DEVICE_LIST_ENTRY_SIZE = 176, /* 64-bit device handle at byte 8 */
  FT_DEVICE_INFO_SIZE = 440,       /* first word 440; UTF-16 GUID text "{...}" at byte 284 */
  FT_CONNECTED_INFO_SIZE = 172,    /* words at 156 (dpi), 160 (width), 164 (height), 168 (0: not turned) */
  FT_ACQUIRE_BUFFER_SIZE = 360000
};

/* Plug-and-play notice: a 16-byte record {int32 type (0 arrived, 1 removed),
 * int32 unused, uint64 device handle}, and the context given at setup. Called
 * on the library's own thread. */
typedef void (*FT_PnpNotice)(const void *record, void *context);

/* The UI link. The library calls these on the thread that runs
 * FT_acquireImage. notice(code): 0 reader connected, 1 reader removed, 2
 * finger on, 3 finger off, 5 an image follows, 8 the touch must be repeated.
 * lock() returns the caller's image buffer, which holds at least
 * FT_ACQUIRE_BUFFER_SIZE bytes; the library writes the image (width x height
 * bytes, rows without padding) and calls unlock(). The size of the image is
 * then read with FT_getConnectedDeviceInfo. Pointer members are full width. */
typedef struct FT_UI_LINK {
  int32_t (*notice)(int32_t *code, void *object);
  void *(*lock)(int32_t word, void *object);
  int32_t (*unlock)(int32_t word, void *object);
  int32_t width, height, reserved0, resolution;
  int32_t wait_ms; /* how long one FT_acquireImage waits for a touch */
  int32_t reserved1;
} FT_UI_LINK;

FT_EXPORT int32_t FT_getVersionInfo(int32_t record[4]); /* word 1 != 0: interface level 2 */
FT_EXPORT int32_t FT_getVersion(int32_t words[3]);
FT_EXPORT int32_t FT_init(void);
FT_EXPORT int32_t FT_terminate(void);
FT_EXPORT int32_t FT_createContext(int32_t *context);
FT_EXPORT int32_t FT_closeContext(int32_t context);
FT_EXPORT int32_t FT_getSettings(int32_t context, void *settings, int32_t size);
FT_EXPORT int32_t FT_setupPlugAndPlayMonitor(FT_PnpNotice notice, void *context);
FT_EXPORT int32_t FT_setupUIlink(int32_t context, const FT_UI_LINK *link, void *object);
FT_EXPORT int32_t FT_setSecurityLevel(int32_t context, int32_t level);
FT_EXPORT int32_t FT_getSecurityLevel(int32_t context, int32_t *level);
FT_EXPORT int32_t FT_getNumDevices(int32_t *count);
FT_EXPORT int32_t FT_getDeviceList(int32_t count, void *entries);
FT_EXPORT int32_t FT_getConnectedDeviceInfo(int32_t context, void *record);
FT_EXPORT int32_t FT_getDeviceInfo(uint64_t device, void *record);
FT_EXPORT int32_t FT_connectDevice(int32_t context, uint64_t device, int32_t mode);
FT_EXPORT int32_t FT_disconnectDevice(int32_t context);
FT_EXPORT int32_t FT_startMonitoringDevice(int32_t context);
/* Drops touches older than half a second (made while nobody was acquiring). */
FT_EXPORT int32_t FT_flushFpImages(int32_t context);
/* Waits up to the link's wait_ms for a touch. flag 0 and result 0: an image was
 * written through the UI link and a copy ({int32 width, height, dpi, 0} and the
 * pixels) put in buffer, word = bytes used. flag 1: no image yet (a retry, or
 * nothing happened). A removed reader gives FT_ERR_NO_DEVICE_CONNECTED. */
FT_EXPORT int32_t FT_acquireImage(int32_t context, int32_t reserved, int32_t size, uint8_t *buffer, int32_t *word,
                                  int32_t *flag);
/* Copies count pixels of an acquired buffer; count must be width x height. */
FT_EXPORT int32_t FT_getImagePixels(const uint8_t *buffer, int32_t count, uint8_t *pixels);

/* Entry of the helper process (dpfp-host): serves libfprint over fd. */
FT_EXPORT int dpfp_host_main(int fd);

#ifdef __cplusplus
}
#endif

#endif
