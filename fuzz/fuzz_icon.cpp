// libFuzzer entry point for the icon and cursor readers: any bytes as an
// .ico or .cur file's content must give a picture or a KorvaneError.
#include "common/KorvaneError.h"
#include "document/formats/IconReader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        (void)korvane::readIcon(file);
    } catch (const korvane::KorvaneError &) {
    }
    // The same bytes as a cursor: only the directory's type field differs.
    if (file.size() >= 4 && file[2] == 1 && file[3] == 0) {
        file[2] = 2;
        try {
            (void)korvane::readCursor(file);
        } catch (const korvane::KorvaneError &) {
        }
    }
    return 0;
}
