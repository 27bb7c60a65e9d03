// libFuzzer entry point for the PNG reader: any bytes as a .png file's
// content must give a picture or a KorvaneError, in both alpha modes. A
// picture that reads is also written and read back, which must give the
// same pixels: the writer is checked on every shape the reader makes.
#include "common/KorvaneError.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QImage picture;
    try {
        picture = korvane::readPng(file);
    } catch (const korvane::KorvaneError &) {
    }
    try {
        (void)korvane::readPngWithAlpha(file);
    } catch (const korvane::KorvaneError &) {
    }
    try {
        (void)korvane::readPngChunks(file, "tEXt");
    } catch (const korvane::KorvaneError &) {
    }
    // Large pictures would only slow the search down.
    if (picture.isNull() || qint64(picture.width()) * picture.height() > (1 << 20))
        return 0;
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    korvane::writePng(picture, buffer, {{"kvNe", file.left(64)}});
    if (korvane::readPng(written) != picture.convertToFormat(QImage::Format_RGB32) ||
        korvane::readPngChunks(written, "kvNe") != QList<QByteArray>{file.left(64)})
        std::abort();
    return 0;
}
