#include "input/picture/TiffDevice.h"

#include <cstdio>

namespace marbleck {

namespace {

QIODevice* Device(thandle_t handle) { return static_cast<QIODevice*>(handle); }

tmsize_t DeviceRead(thandle_t handle, void* data, tmsize_t size) {
    return Device(handle)->read(static_cast<char*>(data), size);
}
tmsize_t DeviceWrite(thandle_t handle, void* data, tmsize_t size) {
    return Device(handle)->write(static_cast<const char*>(data), size);
}
toff_t DeviceSeek(thandle_t handle, toff_t offset, int whence) {
    QIODevice* device = Device(handle);
    const qint64 base = whence == SEEK_CUR ? device->pos() : whence == SEEK_END ? device->size() : 0;
    const qint64 target = base + static_cast<qint64>(offset);
    return device->seek(target) ? static_cast<toff_t>(target) : static_cast<toff_t>(-1);
}
int DeviceClose(thandle_t) { return 0; }
toff_t DeviceSize(thandle_t handle) { return static_cast<toff_t>(Device(handle)->size()); }
int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

}  // namespace

TiffHandle OpenTiffOnDevice(QIODevice& device, const char* name, const char* mode) {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return TiffHandle(TIFFClientOpen(name, mode, &device, DeviceRead, DeviceWrite, DeviceSeek, DeviceClose,
                                     DeviceSize, NoMap, NoUnmap));
}

}  // namespace marbleck
