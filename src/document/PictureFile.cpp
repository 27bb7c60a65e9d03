#include "document/PictureFile.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/EditablePng.h"
#include "document/formats/BmpReader.h"
#include "document/formats/IconReader.h"
#include "document/formats/JpegReader.h"
#include "document/formats/MetafileReader.h"
#include "document/formats/PngReader.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace korvane {

QString refusedTypeMessage()
{
    return QStringLiteral("このソフトで開けるファイル形式は\r\n\r\n"
                          "『 BMP,WMF,JPG,JPEG,ICO,PNG 』 だけです。");
}

QString captionPrefix()
{
    return QStringLiteral("　Korvane　　");
}

QString untitledCaption()
{
    return captionPrefix() + QStringLiteral("『 画像作成 』");
}

QString captionFor(const QString &fileName)
{
    return captionPrefix() + QFileInfo(fileName).fileName();
}

QString pictureExtension(const QString &name)
{
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return {};
    QString extension = name.mid(dot);
    for (QChar &c : extension) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return extension;
}

PictureType pictureTypeForExtension(const QString &extension)
{
    if (extension.isEmpty())
        return PictureType::None;
    if (extension == u".bmp")
        return PictureType::Bmp;
    if (extension == u".jpg" || extension == u".jpeg")
        return PictureType::Jpeg;
    if (extension == u".wmf")
        return PictureType::Metafile;
    if (extension == u".ico")
        return PictureType::Icon;
    if (extension == u".png")
        return PictureType::Png;
    return PictureType::Unsupported;
}

PictureType sniffPictureType(const QByteArray &head)
{
    if (head.startsWith("BM"))
        return PictureType::Bmp;
    if (head.startsWith("\xFF\xD8\xFF"))
        return PictureType::Jpeg;
    if (head.startsWith(QByteArray("\x00\x00\x01\x00", 4)))
        return PictureType::Icon;
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return PictureType::Png;
    if (head.startsWith("\xD7\xCD\xC6\x9A") ||
        (head.size() > 44 && head.startsWith(QByteArray("\x01\x00\x00\x00", 4)) &&
         head.mid(40, 4) == " EMF"))
        return PictureType::Metafile;
    return PictureType::None;
}

namespace {

// An icon is drawn over white, so its transparent parts come out white.
QImage onWhite(const QImage &picture)
{
    QImage white = allocatePicture(picture.width(), picture.height(), QImage::Format_RGB32);
    white.fill(toQRgb(clWhite));
    QPainter painter(&white);
    painter.drawImage(0, 0, picture);
    return white;
}

// The stored document with the file's pixels as its composition: reading
// them has checked that composing the stored document gives exactly these.
// A document opens without a selection, so the marks of one saved with the
// file are composed away.
void restoreStored(EditorDocument &document, EditableDocument stored, QImage composed)
{
    document.SetPicture(std::move(stored.base));
    document.setAnnotations(stored.annotations);
    document.DrawBmp = std::move(composed);
    selectStoredAnnotation(document, stored);
    const QRegion marks = document.SelectionArea();
    document.DropSelection();
    if (!marks.isEmpty())
        document.RedrawArea(marks);
}

} // namespace

PictureType pictureTypeOf(const QString &name, const QByteArrayView head)
{
    const PictureType named = pictureTypeForExtension(pictureExtension(name));
    if (named == PictureType::Unsupported)
        return named;
    // A file renamed, or saved under another format's name by an older
    // version, opens by what it holds.
    const PictureType held =
        sniffPictureType(head.first(qMin<qsizetype>(head.size(), 64)).toByteArray());
    return held != PictureType::None ? held : named;
}

QImage decodePicture(const QByteArray &content, PictureType type, bool *cutShort)
{
    switch (type) {
    case PictureType::Bmp:
        return readBmp(content);
    case PictureType::Jpeg:
        return readJpeg(content, cutShort);
    case PictureType::Metafile:
        return readMetafile(content);
    case PictureType::Icon:
        return onWhite(readIcon(content));
    case PictureType::Png:
        return readPng(content);
    case PictureType::None:
    case PictureType::Unsupported:
        break;
    }
    throw KorvaneError(QStringLiteral("このファイルは画像として読めません"));
}

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KorvaneError(
            QStringLiteral("ファイル %1 を開けません: %2").arg(path, file.errorString()));
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KorvaneError(
            QStringLiteral("ファイル %1 を読めません: %2").arg(path, file.errorString()));
    return content;
}

LoadOutcome LoadDocument(EditorDocument &document, const QString &name)
{
    const QString extension = pictureExtension(name);
    if (pictureTypeForExtension(extension) == PictureType::Unsupported)
        return {true, {}, false, {}};

    const bool exists = !name.isEmpty() && QFileInfo(name).isFile();
    LoadOutcome outcome;
    if (exists) {
        const QByteArray content = readWholeFile(name);
        const PictureType type = pictureTypeOf(name, content);
        QImage picture;
        std::optional<EditableDocument> stored;
        if (type == PictureType::Png) {
            EditableRead read = readEditablePng(content);
            picture = std::move(read.picture);
            stored = std::move(read.document);
            outcome.annotationsNotRestored = read.notRestored;
        } else {
            picture = decodePicture(content, type, &outcome.cutShort);
        }
        // Everything that can fail has been done: now replace the document.
        // The file itself is left as it is, its permissions included.
        document.ClearAnnotations();
        document.FileName = name;
        outcome.caption = captionFor(name);
        if (stored) {
            restoreStored(document, std::move(*stored), std::move(picture));
            document.History.reset();
            return outcome;
        }
        document.SetPicture(std::move(picture));
    } else {
        document.NewPicture(); // may throw only before anything changed
        document.ClearAnnotations();
        document.FileName.clear();
        outcome.caption = extension.isEmpty() ? untitledCaption() : captionPrefix();
    }
    document.Redraw();
    document.History.reset(); // a fresh history, at the state loaded
    return outcome;
}

} // namespace korvane
