#include "common/KorvaneError.h"
#include "document/ClipboardPicture.h"
#include "editor/EditorDocument.h"

#include <QBuffer>
#include <QMimeData>
#include <QTest>

using namespace korvane;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage stripes(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, x % 2 ? qRgb(200, 30, 30) : qRgb(20, 20, 240));
    return image;
}

QString pasteError(const QMimeData &data)
{
    try {
        pictureFromMimeData(&data);
    } catch (const KorvaneError &error) {
        return error.message();
    }
    return {};
}

// A picture whose header claims a size far too large to hold.
QByteArray hugePicture()
{
    return QByteArray("P6\n30000 30000\n255\n") + QByteArray(64, '\x7f');
}

} // namespace

class tst_clipboardpicture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void picture_FirstFormatThatMakesOneWinsInClipboardOrder();
    void picture_WithoutPictureOrTooLargeIsRefusedWithItsMessage();
    void paste_KeepsAnnotationsNameAndModifiedAndIsAllOrNothing();
};

void tst_clipboardpicture::picture_FirstFormatThatMakesOneWinsInClipboardOrder()
{
    const QImage indexed = stripes(33, 7).convertToFormat(QImage::Format_Indexed8);
    QMimeData data;
    data.setText(QStringLiteral("説明文"));
    data.setData(QStringLiteral("image/png"), QByteArray("\x89PNG broken"));
    data.setData(QStringLiteral("image/bmp"), encoded(indexed, "BMP"));
    data.setData(QStringLiteral("image/x-other"), encoded(stripes(5, 5), "PNG"));
    const QImage picture = pictureFromMimeData(&data);
    QCOMPARE(picture.size(), QSize(33, 7));
    QCOMPARE(picture.format(), QImage::Format_Indexed8); // a 256-colour bitmap stays one
    QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
             indexed.convertToFormat(QImage::Format_RGB32));

    // Transparency lies on white, as an icon's does.
    QImage translucent(6, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(0, 0, 0, 0));
    translucent.setPixel(0, 0, qRgba(255, 0, 0, 255));
    QMimeData withAlpha;
    withAlpha.setData(QStringLiteral("image/png"), encoded(translucent, "PNG"));
    const QImage onWhite = pictureFromMimeData(&withAlpha);
    QVERIFY(!onWhite.hasAlphaChannel());
    QCOMPARE(onWhite.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(onWhite.pixel(5, 1), qRgb(255, 255, 255));
}

void tst_clipboardpicture::picture_WithoutPictureOrTooLargeIsRefusedWithItsMessage()
{
    QMimeData empty;
    QCOMPARE(pasteError(empty), QStringLiteral("無効なクリップボード フォーマットです"));
    QMimeData text;
    text.setText(QStringLiteral("文字だけ"));
    text.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png"))});
    QCOMPARE(pasteError(text), QStringLiteral("無効なクリップボード フォーマットです"));
    QMimeData huge;
    huge.setData(QStringLiteral("image/x-portable-pixmap"), hugePicture());
    QVERIFY2(pasteError(huge).startsWith(QStringLiteral("画像が大きすぎます")),
             qPrintable(pasteError(huge)));
}

void tst_clipboardpicture::paste_KeepsAnnotationsNameAndModifiedAndIsAllOrNothing()
{
    EditorDocument doc;
    doc.NewPicture();
    doc.FileName = QStringLiteral("/tmp/shot.bmp");
    auto arrow = std::make_unique<TLineRec>();
    arrow->X1 = 0;
    arrow->Y1 = 5;
    arrow->X2 = 1000;
    arrow->Y2 = 5;
    arrow->Width = 3;
    arrow->Color = clLime;
    arrow->Arrow = true;
    doc.LineList.push_back(std::move(arrow));
    doc.Redraw();

    PastePicture(doc, stripes(1024, 768));
    QCOMPARE(doc.BaseBmp.size(), QSize(1024, 768));
    QCOMPARE(doc.DrawBmp.size(), QSize(1024, 768));
    QCOMPARE(doc.LineList.size(), size_t(1));
    QCOMPARE(doc.DrawBmp.pixel(900, 5), qRgb(0, 255, 0)); // drawn over the new picture
    QCOMPARE(doc.DrawBmp.pixel(900, 300), stripes(1024, 768).pixel(900, 300));
    QCOMPARE(doc.FileName, QStringLiteral("/tmp/shot.bmp"));
    QVERIFY(!doc.Modified());

    const QImage before = doc.DrawBmp.copy();
    QMimeData huge;
    huge.setData(QStringLiteral("image/x-portable-pixmap"), hugePicture());
    QVERIFY_THROWS_EXCEPTION(KorvaneError, PastePicture(doc, pictureFromMimeData(&huge)));
    QCOMPARE(doc.DrawBmp, before);
    QCOMPARE(doc.BaseBmp.size(), QSize(1024, 768));
}

QTEST_MAIN(tst_clipboardpicture)
#include "tst_clipboardpicture.moc"
