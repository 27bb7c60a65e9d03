#include "common/KorvaneError.h"
#include "document/formats/JpegReader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// Any bytes as the content of a .jpg file: the reader either returns a
// picture or throws KorvaneError; anything else is a fault.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QImage image = korvane::readJpeg(file);
        // Touch the last row so that a picture shorter than it claims shows up.
        if (!image.isNull())
            (void)image.constScanLine(image.height() - 1)[0];
    } catch (const korvane::KorvaneError &) {
    }
    return 0;
}
