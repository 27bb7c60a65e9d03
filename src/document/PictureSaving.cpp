#include "document/PictureSaving.h"

#include "common/KorvaneError.h"
#include "document/AtomicFile.h"
#include "document/EditablePng.h"
#include "document/PictureFile.h"
#include "document/formats/PictureWriters.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvane {

SaveRoute saveRouteForName(const QString &fileName)
{
    const QString extension = pictureExtension(fileName);
    if (extension == u".jpg" || extension == u".jpeg")
        return SaveRoute::Jpeg;
    if (extension == u".bmp")
        return SaveRoute::Bmp;
    if (extension == u".ico")
        return SaveRoute::Icon;
    if (extension == u".png")
        return SaveRoute::Png;
    return SaveRoute::SaveAs;
}

namespace {

struct SaveFilter
{
    const char16_t *text;
    const char16_t *pattern;
    SaveFormat format;
    const char16_t *suffix;
};

// The fourth entry's text names "*.ioc" while it lists *.ico files: that is
// how users have always seen it.
constexpr SaveFilter kFilters[kSaveFilterCount] = {
    {u"ビットマップ (*.bmp)", u"*.bmp", SaveFormat::Bmp, u"bmp"},
    {u"JPEG イメージファイル (*.jpg)", u"*.jpg", SaveFormat::Jpeg, u"jpg"},
    {u"JPEG イメージファイル (*.jpeg)", u"*.jpeg", SaveFormat::Jpeg, u"jpeg"},
    {u"アイコンファイル(*.ioc)", u"*.ico", SaveFormat::Icon, u"ico"},
    {u"PNG イメージファイル (*.png)", u"*.png", SaveFormat::Png, u"png"},
};

const SaveFilter &filter(int index)
{
    return kFilters[qBound(1, index, kSaveFilterCount) - 1];
}

} // namespace

QString saveFilterText(int index)
{
    return QString::fromUtf16(filter(index).text);
}

QString saveFilterPattern(int index)
{
    return QString::fromUtf16(filter(index).pattern);
}

SaveFormat saveFormatForFilter(int index)
{
    return filter(index).format;
}

QString defaultSuffixForFilter(int index)
{
    return QString::fromUtf16(filter(index).suffix);
}

bool fitsIcon(const QImage &picture)
{
    return picture.width() == kIconSide && picture.height() == kIconSide;
}

QString iconSizeMessage()
{
    return QStringLiteral(
        "Icon ファイルとして保存できるのは\r\n\r\nIconサイズ(32x32)ピクセルの画像だけです");
}

void savePicture(const QImage &picture, const QString &path, SaveFormat format)
{
    AtomicFile file(path);
    // Until commit() the target is untouched; a throw below drops the
    // temporary file with the AtomicFile.
    switch (format) {
    case SaveFormat::Bmp:
        writeBmp(picture, file.device());
        break;
    case SaveFormat::Jpeg:
        writeJpeg(picture, file.device());
        break;
    case SaveFormat::Icon:
        writeIcon(picture, file.device());
        break;
    case SaveFormat::Png:
        writePng(picture, file.device());
        break;
    }
    file.commit();
}

namespace {

int indexOf(const auto &list, const auto *item)
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].get() == item)
            return int(i);
    }
    return -1;
}

} // namespace

void saveDocumentPicture(const EditorDocument &document, const QString &path, SaveFormat format)
{
    if (format != SaveFormat::Png) {
        savePicture(document.DrawBmp, path, format);
        return;
    }
    // What a redaction hides is stored nowhere: the file keeps the picture
    // as the composition starts from, the redactions applied.
    const EditableDocument stored{document.redactedBase(),
                                  document.annotations(),
                                  indexOf(document.LineList, document.SelLine),
                                  indexOf(document.MojiList, document.SelMoji),
                                  indexOf(document.FrameList, document.SelFrame),
                                  indexOf(document.HighlightList, document.SelHighlight),
                                  indexOf(document.NumberList, document.SelNumber),
                                  indexOf(document.RedactList, document.SelRedact)};
    AtomicFile file(path);
    writeEditablePng(document.DrawBmp, stored, &file.device());
    file.commit();
}

SaveTarget saveTargetFor(const QString &chosen, int filterIndex)
{
    // A name that says one of our formats is written in it: a file's name
    // and its content never disagree. Any other name gets the filter's.
    switch (saveRouteForName(chosen)) {
    case SaveRoute::Bmp:
        return {chosen, SaveFormat::Bmp};
    case SaveRoute::Jpeg:
        return {chosen, SaveFormat::Jpeg};
    case SaveRoute::Icon:
        return {chosen, SaveFormat::Icon};
    case SaveRoute::Png:
        return {chosen, SaveFormat::Png};
    case SaveRoute::SaveAs:
        break;
    }
    return {chosen + u'.' + defaultSuffixForFilter(filterIndex), saveFormatForFilter(filterIndex)};
}

namespace {

bool usableFolder(const QString &path)
{
    const QFileInfo folder(path);
    return folder.isDir() && folder.isWritable();
}

} // namespace

QString saveFolder()
{
    // "Korvane" in the desktop folder as the desktop names it
    // (XDG_DESKTOP_DIR); where it cannot be made, the desktop itself, and
    // where that cannot be written either, the home folder. The dialog must
    // open somewhere: an unsaved capture is never left without a way out.
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString ours = QDir(desktop).filePath(QStringLiteral("Korvane"));
    if (QDir().mkpath(ours) && usableFolder(ours))
        return ours;
    if (usableFolder(desktop))
        return desktop;
    return QDir::homePath();
}

QString proposedFileName()
{
    return QStringLiteral("_.bmp");
}

QString closeQuestionName(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    return name.contains(u'.') ? name : QStringLiteral("画像");
}

QString closeQuestionText(const QString &name)
{
    return QStringLiteral(" 『 ") + name + QStringLiteral(" 』") +
           QStringLiteral(" が保存されていません。") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("　保存しますか？");
}

} // namespace korvane
