// The helper process: libfprint on GLib's global main context, devices and
// captures reported to the library over a socket.
#include "dpfpfns/dpfpfns.h"
#include "wire.h"

#include <fprint.h>
#include <gio/gio.h>
#include <glib-unix.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

struct Dev {
  FpDevice *device = nullptr;
  uint64_t handle = 0;
  std::string guid;
  bool wanted = false;  // the library asked for it open
  bool open = false;
  bool busy = false;    // an open, capture or close is running
  bool removed = false;
  GCancellable *cancel = nullptr;
};

int g_fd = -1;
GMainLoop *g_loop = nullptr;
std::map<uint64_t, Dev *> g_devices;
std::vector<FpContext *> g_contexts;
uint64_t g_nextHandle = 1;
int g_park = -1;        // our own listener on the virtual reader's socket while it is unplugged
guint g_parkWatch = 0;

void post(uint32_t type, const void *payload, uint32_t length) {
  if (!wire::send(g_fd, type, payload, length)) g_main_loop_quit(g_loop);
}

void postCode(uint32_t type, uint64_t handle, int32_t code) {
  uint8_t buf[12];
  std::memcpy(buf, &handle, 8);
  std::memcpy(buf + 8, &code, 4);
  post(type, buf, sizeof buf);
}

// A name-based (version 5) UUID of driver and device id: the same reader on
// the same port gets the same id in every run and process.
std::string guidOf(FpDevice *device) {
  static const guint8 kNamespace[16] = {0x5b, 0x1e, 0x7a, 0x30, 0x42, 0x9c, 0x4e, 0x61,
                                        0x8d, 0x27, 0x0c, 0x93, 0xa4, 0x55, 0x71, 0xe2};
  std::string name = std::string(fp_device_get_driver(device)) + "/" + fp_device_get_device_id(device);
  // Virtual readers on different sockets are different readers.
  if (std::strcmp(fp_device_get_driver(device), "virtual_image") == 0)
    if (const char *socket = g_getenv("FP_VIRTUAL_IMAGE")) name += std::string("/") + socket;
  GChecksum *sum = g_checksum_new(G_CHECKSUM_SHA1);
  g_checksum_update(sum, kNamespace, sizeof kNamespace);
  g_checksum_update(sum, reinterpret_cast<const guchar *>(name.data()), static_cast<gssize>(name.size()));
  guint8 digest[20];
  gsize len = sizeof digest;
  g_checksum_get_digest(sum, digest, &len);
  g_checksum_free(sum);
  digest[6] = static_cast<guint8>((digest[6] & 0x0F) | 0x50);
  digest[8] = static_cast<guint8>((digest[8] & 0x3F) | 0x80);
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", digest[0], digest[1],
                digest[2], digest[3], digest[4], digest[5], digest[6], digest[7], digest[8], digest[9], digest[10],
                digest[11], digest[12], digest[13], digest[14], digest[15]);
  return text;
}

Dev *findByDevice(FpDevice *device) {
  for (auto &[h, d] : g_devices)
    if (d->device == device) return d;
  return nullptr;
}

void startCapture(Dev *d);
void closeDevice(Dev *d);
void startParking();

void onClosed(GObject *source, GAsyncResult *res, gpointer data) {
  auto *d = static_cast<Dev *>(data);
  fp_device_close_finish(FP_DEVICE(source), res, nullptr);
  d->open = false;
  d->busy = false;
  if (d->removed) {
    bool virtualReader = std::strcmp(fp_device_get_driver(d->device), "virtual_image") == 0;
    g_devices.erase(d->handle);
    g_object_unref(d->device);
    delete d;
    if (virtualReader) startParking();
    return;
  }
  if (d->wanted) { // asked open again while closing
    d->busy = true;
    fp_device_open(d->device, nullptr, [](GObject *s, GAsyncResult *r, gpointer p) {
      auto *dv = static_cast<Dev *>(p);
      GError *error = nullptr;
      dv->busy = false;
      dv->open = fp_device_open_finish(FP_DEVICE(s), r, &error);
      postCode(wire::kOpened, dv->handle, dv->open ? 0 : FT_ERR_IO);
      g_clear_error(&error);
      if (dv->open) startCapture(dv);
    }, d);
  }
}

void closeDevice(Dev *d) {
  if (!d->open || d->busy) return;
  d->busy = true;
  fp_device_close(d->device, nullptr, onClosed, d);
}

void onCaptured(GObject *source, GAsyncResult *res, gpointer data) {
  auto *d = static_cast<Dev *>(data);
  GError *error = nullptr;
  FpImage *image = fp_device_capture_finish(FP_DEVICE(source), res, &error);
  d->busy = false;
  g_clear_object(&d->cancel);
  if (image) {
    gsize size = 0;
    const guchar *pixels = fp_image_get_data(image, &size);
    int32_t w = static_cast<int32_t>(fp_image_get_width(image));
    int32_t h = static_cast<int32_t>(fp_image_get_height(image));
    // libfprint leaves the density at 0 when the driver does not say; its
    // minutiae detection takes such images for 500 dpi, and so do we.
    double ppmm = fp_image_get_ppmm(image);
    int32_t dpi = ppmm > 0 ? static_cast<int32_t>(ppmm * 25.4 + 0.5) : 500;
    if (pixels && w > 0 && h > 0 && size >= static_cast<gsize>(w) * static_cast<gsize>(h)) {
      std::vector<uint8_t> msg(8 + 12 + static_cast<size_t>(w) * static_cast<size_t>(h));
      std::memcpy(msg.data(), &d->handle, 8);
      std::memcpy(msg.data() + 8, &w, 4);
      std::memcpy(msg.data() + 12, &h, 4);
      std::memcpy(msg.data() + 16, &dpi, 4);
      std::memcpy(msg.data() + 20, pixels, static_cast<size_t>(w) * static_cast<size_t>(h));
      post(wire::kImage, msg.data(), static_cast<uint32_t>(msg.size()));
    }
    g_object_unref(image);
  } else if (error && error->domain == FP_DEVICE_RETRY) {
    postCode(wire::kRetry, d->handle, error->code); // a touch to repeat, not a failure
  } else if (error && !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) &&
             !g_error_matches(error, FP_DEVICE_ERROR, FP_DEVICE_ERROR_REMOVED) && !d->removed) {
    postCode(wire::kFailure, d->handle, error->code);
  }
  g_clear_error(&error);
  if (d->wanted && !d->removed) startCapture(d);
  else closeDevice(d);
}

void startCapture(Dev *d) {
  if (!d->open || d->busy || d->removed) return;
  d->busy = true;
  d->cancel = g_cancellable_new();
  fp_device_capture(d->device, TRUE, d->cancel, onCaptured, d);
}

void onFingerStatus(GObject *object, GParamSpec *, gpointer) {
  Dev *d = findByDevice(FP_DEVICE(object));
  if (!d) return;
  bool on = (fp_device_get_finger_status(d->device) & FP_FINGER_STATUS_PRESENT) != 0;
  postCode(wire::kFinger, d->handle, on ? 1 : 0);
}

void onRemovedFlag(GObject *object, GParamSpec *, gpointer) {
  Dev *d = findByDevice(FP_DEVICE(object));
  gboolean gone = FALSE;
  if (d) g_object_get(d->device, "removed", &gone, NULL);
  if (!d || d->removed || !gone) return;
  d->removed = true;
  post(wire::kRemoved, &d->handle, 8);
  if (d->cancel) g_cancellable_cancel(d->cancel);
  else if (d->open) closeDevice(d);
  else {
    bool virtualReader = std::strcmp(fp_device_get_driver(d->device), "virtual_image") == 0;
    g_devices.erase(d->handle);
    g_object_unref(d->device);
    delete d;
    if (virtualReader) startParking();
  }
}

void onDeviceAdded(FpContext *, FpDevice *device, gpointer) {
  std::string guid = guidOf(device);
  for (auto &[h, d] : g_devices)
    if (d->guid == guid && !d->removed) return; // seen through another context
  auto *d = new Dev;
  d->device = FP_DEVICE(g_object_ref(device));
  d->handle = g_nextHandle++;
  d->guid = guid;
  g_devices[d->handle] = d;
  g_signal_connect(device, "notify::finger-status", G_CALLBACK(onFingerStatus), nullptr);
  g_signal_connect(device, "notify::removed", G_CALLBACK(onRemovedFlag), nullptr);
  wire::Device rec{};
  rec.handle = d->handle;
  std::snprintf(rec.guid, sizeof rec.guid, "%s", guid.c_str());
  std::snprintf(rec.driver, sizeof rec.driver, "%s", fp_device_get_driver(device));
  std::snprintf(rec.name, sizeof rec.name, "%s", fp_device_get_name(device));
  post(wire::kAdded, &rec, sizeof rec);
}



void addContext() {
  FpContext *ctx = fp_context_new();
  g_signal_connect(ctx, "device-added", G_CALLBACK(onDeviceAdded), nullptr);
  fp_context_enumerate(ctx);
  g_contexts.push_back(ctx);
}

// While the virtual reader is unplugged nobody listens on its socket; we do,
// and a client that sends the header {-6, 0} plugs it back in: a new libfprint
// context enumerates it again.
gboolean onParkedClient(gint fd, GIOCondition, gpointer) {
  int client = accept(fd, nullptr, nullptr);
  if (client < 0) return G_SOURCE_CONTINUE;
  struct timeval tv{2, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  int32_t hdr[2] = {0, 0};
  bool replug = wire::readAll(client, hdr, sizeof hdr) && hdr[0] == -6;
  close(client);
  if (!replug) return G_SOURCE_CONTINUE;
  g_parkWatch = 0;
  close(g_park);
  g_park = -1;
  addContext();
  return G_SOURCE_REMOVE;
}

void startParking() {
  const char *path = g_getenv("FP_VIRTUAL_IMAGE");
  if (!path || !*path || g_park >= 0) return;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (std::strlen(path) >= sizeof addr.sun_path) return;
  std::strcpy(addr.sun_path, path);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  unlink(path);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(fd, 2) != 0) {
    if (fd >= 0) close(fd);
    return;
  }
  g_park = fd;
  g_parkWatch = g_unix_fd_add(fd, G_IO_IN, onParkedClient, nullptr);
}

gboolean onLibraryMessage(gint fd, GIOCondition cond, gpointer) {
  uint32_t type = 0;
  std::vector<uint8_t> payload;
  if ((cond & (G_IO_HUP | G_IO_ERR)) && !(cond & G_IO_IN)) {
    g_main_loop_quit(g_loop);
    return G_SOURCE_REMOVE;
  }
  if (!wire::receive(fd, type, payload)) {
    g_main_loop_quit(g_loop);
    return G_SOURCE_REMOVE;
  }
  if (payload.size() < 8) return G_SOURCE_CONTINUE;
  uint64_t handle;
  std::memcpy(&handle, payload.data(), 8);
  auto it = g_devices.find(handle);
  Dev *d = it == g_devices.end() ? nullptr : it->second;
  if (type == wire::kOpen) {
    if (!d || d->removed) {
      postCode(wire::kOpened, handle, FT_ERR_UNKNOWN_DEVICE);
    } else if (d->open) {
      d->wanted = true;
      postCode(wire::kOpened, handle, 0);
      startCapture(d);
    } else {
      d->wanted = true;
      if (!d->busy) {
        d->busy = true;
        fp_device_open(d->device, nullptr, [](GObject *s, GAsyncResult *r, gpointer p) {
          auto *dv = static_cast<Dev *>(p);
          GError *error = nullptr;
          dv->busy = false;
          dv->open = fp_device_open_finish(FP_DEVICE(s), r, &error);
          postCode(wire::kOpened, dv->handle, dv->open ? 0 : FT_ERR_IO);
          g_clear_error(&error);
          if (dv->open && dv->wanted) startCapture(dv);
          else if (dv->open) closeDevice(dv);
        }, d);
      }
    }
  } else if (type == wire::kClose && d) {
    d->wanted = false;
    if (d->cancel) g_cancellable_cancel(d->cancel);
    else closeDevice(d);
  }
  return G_SOURCE_CONTINUE;
}

} // namespace

extern "C" int dpfp_host_main(int fd) {
  g_fd = fd;
  g_loop = g_main_loop_new(nullptr, FALSE);
  addContext();
  post(wire::kReady, nullptr, 0);
  g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onLibraryMessage, nullptr);
  g_main_loop_run(g_loop);
  if (g_park >= 0) close(g_park);
  return 0;
}
