#include "document/PictureSaving.h"

#include "common/KorvaneError.h"
#include "document/PictureFile.h"
#include "document/formats/PictureWriters.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw KorvaneError(
            QStringLiteral("ファイル %1 を作成できません: %2").arg(path, file.errorString()));
    // Until commit() the target is untouched; a throw below drops the
    // temporary file with the QSaveFile.
    switch (format) {
    case SaveFormat::Bmp:
        writeBmp(picture, file);
        break;
    case SaveFormat::Jpeg:
        writeJpeg(picture, file);
        break;
    case SaveFormat::Icon:
        writeIcon(picture, file);
        break;
    }
    if (!file.commit())
        throw KorvaneError(
            QStringLiteral("ファイル %1 に書き込めません: %2").arg(path, file.errorString()));
}

QString saveFolder()
{
    // The desktop folder as the desktop names it (XDG_DESKTOP_DIR), which
    // falls back to the home folder where there is none.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
        .filePath(QStringLiteral("Korvane"));
}

QString previewFilePath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("_.bmp"));
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
