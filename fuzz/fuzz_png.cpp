// libFuzzer entry point for the PNG reader: any bytes as a .png file's
// content must give a picture or a KorvaneError, in both alpha modes. A
// picture that reads is also written and read back, which must give the
// same pixels: the writer is checked on every shape the reader makes.
// The bytes also go, as the stored document of an editable PNG, into a
// small picture with lines and texts: whole, or laid over the real stored
// document from an offset, so that mutations reach every record. Reading it
// must give the plain picture or a document, never more.
#include "common/KorvaneError.h"
#include "document/EditablePng.h"
#include "editor/EditorDocument.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QtEndian>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A 48 x 32 picture with two lines and a text, and its stored document.
struct Sheet
{
    QImage composed;
    QByteArray payload;
};

const Sheet &sheet()
{
    static const Sheet made = [] {
        static int argc = 1;
        static char name[] = "fuzz_png", platform[] = "-platform", offscreen[] = "offscreen";
        static char *argv[] = {name, platform, offscreen, nullptr};
        argc = 3;
        static QGuiApplication app(argc, argv); // the texts need fonts
        korvane::EditorDocument doc;
        QImage picture(48, 32, QImage::Format_RGB32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x)
                picture.setPixel(x, y, qRgb(x * 5, y * 7, 90));
        doc.SetPicture(picture);
        korvane::AnnotationSet set;
        set.lines = {{2, 3, 40, 20, 3, korvane::clRed, true}, {30, 2, 5, 30, 1, korvane::clBlue, false}};
        korvane::TMoji text;
        text.Text = QStringLiteral("OK");
        text.Font.setPixelSize(12);
        text.BkColor = korvane::clYellow;
        text.X = 10, text.Y = 12;
        set.texts = {text};
        doc.setAnnotations(set);
        doc.Redraw();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        korvane::writeEditablePng(doc.DrawBmp, doc.BaseBmp, doc.annotations(), &buffer);
        return Sheet{doc.DrawBmp, korvane::readPngChunks(bytes, korvane::kEditableChunkType).value(0)};
    }();
    return made;
}

void fuzzStoredDocument(const QByteArray &input)
{
    const Sheet &s = sheet();
    QByteArray payload = input;
    if (!input.isEmpty() && (input[0] & 1)) {
        // Laid over the real payload from the offset its next two bytes say.
        payload = s.payload;
        const qsizetype at =
            input.size() >= 3 ? qFromBigEndian<quint16>(input.constData() + 1) % (payload.size() + 1) : 0;
        const QByteArray over = input.mid(3);
        payload.replace(at, qMin(over.size(), payload.size() - at), over);
    }
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    korvane::writePng(s.composed, buffer, {{korvane::kEditableChunkType, payload}});
    const korvane::EditableRead read = korvane::readEditablePng(file);
    if (read.picture.size() != s.composed.size() || (read.document && !read.notRestored.isEmpty()) ||
        (!read.document && read.notRestored.isEmpty()))
        std::abort();
    if (read.document && read.document->base.size() != s.composed.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzzStoredDocument(file);
    try {
        const korvane::EditableRead read = korvane::readEditablePng(file);
        if (read.document && read.document->base.size() != read.picture.size())
            std::abort();
    } catch (const korvane::KorvaneError &) {
    }
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
