/* The scanner layer (libqdx.so): loads reader driver plug-ins (Lumadrv) from
 * its plug-in folder, offers their readers and the pseudo scanner "File", and
 * runs captures. Its operations are reached by ordinal: QdxOrdinal(n) gives
 * the function, with the signatures below. Results: 0 or more done, negative
 * failed (a driver's own code where there is one).
 *
 * Plug-in folder: $QDX_PLUGIN_DIR, else the folder "scanners" beside
 * libqdx.so (build/<kind>/bin/scanners, or the installed library folder). Every
 * *.so there that exports the eight driver functions is a driver; anything
 * else is skipped.
 *
 * Threads: monitor notices come on a driver's plug-and-play thread. Capture
 * notices come, after QDX_CONFIGURE(h, 1), on the reader's own threads;
 * otherwise on the thread that called QDX_SET_NOTICES, which must pump winsys
 * messages (winsys::pumpMessages, woken through winsys::threadMessageFd). */
#ifndef QDX_QDX_H
#define QDX_QDX_H

#include <stdint.h>

#include "oleauto/oleauto.h"

#ifdef __cplusplus
extern "C" {
#endif

#define QDX_EXPORT __attribute__((visibility("default")))

typedef void (*QdxMonitorNotice)(void *context, int32_t event, const oa_str *id); /* 1 arrived, 2 removed */
/* values: width, height, address of the pixels (valid during the call). */
typedef void (*QdxImageNotice)(void *context, intptr_t width, intptr_t height, intptr_t pixels);
/* codes: 1 reader connected, 2 removed, 3 finger on, 4 finger off, 5 touch to repeat */
typedef void (*QdxStatusNotice)(void *context, int32_t code);

enum QdxOrdinalNumber {
  QDX_OPEN = 2,         /* int32 (const oa_str *id, int32 *handle) */
  QDX_LIST_IDS = 3,     /* int32 (int32 capacity, oa_str **slots, int32 *filled): new strings, the caller frees */
  QDX_COUNT = 4,        /* int32 (int32 *count) */
  QDX_INITIALIZE = 9,   /* int32 (void): counted */
  QDX_CLOSE = 10,       /* int32 (int32 handle) */
  QDX_SET_NOTICES = 12, /* int32 (int32 handle, void *context, QdxImageNotice, QdxStatusNotice, int32 reserved) */
  QDX_MONITOR = 13,     /* int32 (void *context, QdxMonitorNotice): null, null removes */
  QDX_CONFIGURE = 14,   /* int32 (int32 handle, int32 direct): 1 = notices on the reader's threads */
  QDX_START = 15,       /* int32 (int32 handle) */
  QDX_STOP = 16,        /* int32 (int32 handle): no notices for it once this returns */
  QDX_FINALIZE = 17,    /* int32 (void) */
  QDX_FEED_FILE = 20,   /* int32 (const char *path): a running "File" capture delivers the image in this file
                           (raw .dat, .bmp or .tif, read by Vistrel); -1 unreadable, -2 no File capture */
  QDX_ERROR_TEXT = 21   /* int32 (int32 code, char *buffer, int32 size): a driver's text for its code, length */
};

QDX_EXPORT void *QdxOrdinal(uint32_t ordinal);

#ifdef __cplusplus
}
#endif

#endif
