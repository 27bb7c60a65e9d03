#include "common/KorvaneError.h"
#include "document/formats/MetafileReader.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
    // Qt's SVG warnings about unsupported features would drown the
    // fuzzer's own output.
}

} // namespace

// Qt's font database loses a few fontconfig patterns for every face name
// it is asked to match, and metafiles name faces at random.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// QPainter needs a QGuiApplication to draw the text of a metafile.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        // A header may ask for up to a gigabyte of picture; drawing that
        // for every such input would leave little time for anything else.
        const QSize picture = korvane::metafileSize(file);
        if (qint64(picture.width()) * picture.height() > 16'000'000)
            return 0;
        const QImage image = korvane::readMetafile(file);
        if (image.size() != picture || image.format() != QImage::Format_RGB32)
            std::abort();
    } catch (const korvane::KorvaneError &) {
    }
    return 0;
}
