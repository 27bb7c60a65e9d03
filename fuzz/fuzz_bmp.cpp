// libFuzzer entry point for the BMP reader: any bytes as a .bmp file's
// content must give a picture or a KorvaneError, never a crash.
#include "common/KorvaneError.h"
#include "document/formats/BmpReader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        (void)korvane::readBmp(file);
    } catch (const korvane::KorvaneError &) {
    }
    return 0;
}
