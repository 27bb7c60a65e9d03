#include "editor/EditorDocument.h"
#include "transform/PictureTransforms.h"

#include <QTest>

using namespace korvane;

namespace {

std::unique_ptr<TLineRec> newLine(int x1, int y1, int x2, int y2, int width, TColor color)
{
    auto rec = std::make_unique<TLineRec>();
    rec->X1 = x1;
    rec->Y1 = y1;
    rec->X2 = x2;
    rec->Y2 = y2;
    rec->Width = width;
    rec->Color = color;
    return rec;
}

std::unique_ptr<TMoji> newText(int x, int y, const QString &s, TColor bk)
{
    auto moji = std::make_unique<TMoji>();
    moji->Font = QFont(QStringLiteral("IPAPGothic"));
    moji->Font.setPixelSize(20);
    moji->Text = s;
    moji->X = x;
    moji->Y = y;
    moji->BkColor = bk;
    return moji;
}

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    return image;
}

} // namespace

class tst_editordocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newPicture_IsWhite640x480IncludingLastRowAndColumn();
    void redraw_WithoutAnnotations_EqualsBasePixelForPixel_data();
    void redraw_WithoutAnnotations_EqualsBasePixelForPixel();
    void redraw_TextsLieOverLinesWhateverTheirAge();
    void redraw_SelectionMarkDoesNotAccumulate();
    void redraw_AnnotationsOutsideThePictureAreClipped();
    void clearBaseBmp_MakesWhite32BitKeepingSize();
    void clearAnnotations_EmptiesListsAndSelection();
    void setPicture_SizesDrawBmpAndKeepsBaseFormat();
    void redraw_SharedPictureKeepsAnnotationsOutOfBaseAndTheCallersCopy();
    void history_PictureStepsComeBackExactlyAndTheCapDropsTheOldest();
    void redactions_HideThePatternComeFirstAndPixelatingAgainChangesNothing();
};

void tst_editordocument::newPicture_IsWhite640x480IncludingLastRowAndColumn()
{
    EditorDocument doc;
    doc.SetPicture(gradient(300, 200));
    doc.NewPicture();
    doc.Redraw();
    QCOMPARE(doc.BaseBmp.size(), QSize(640, 480));
    QCOMPARE(doc.DrawBmp.size(), QSize(640, 480));
    QCOMPARE(doc.DrawBmp.format(), QImage::Format_RGB32);
    QCOMPARE(doc.DrawBmp.pixel(639, 479), qRgb(255, 255, 255));
    QCOMPARE(doc.DrawBmp.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(doc.DrawBmp.pixel(299, 199), qRgb(255, 255, 255));
}

void tst_editordocument::redraw_WithoutAnnotations_EqualsBasePixelForPixel_data()
{
    QTest::addColumn<QImage>("base");
    const QImage rgb = gradient(67, 31);
    QTest::newRow("32-bit") << rgb;
    QTest::newRow("256 colours") << rgb.convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("1 bit") << rgb.convertToFormat(QImage::Format_Mono);
    QTest::newRow("greyscale") << rgb.convertToFormat(QImage::Format_Grayscale8);
    QTest::newRow("16 bit") << rgb.convertToFormat(QImage::Format_RGB16);
    QTest::newRow("with alpha") << rgb.convertToFormat(QImage::Format_ARGB32);
}

void tst_editordocument::redraw_WithoutAnnotations_EqualsBasePixelForPixel()
{
    QFETCH(QImage, base);
    EditorDocument doc;
    doc.SetPicture(base);
    doc.Redraw();
    QCOMPARE(doc.BaseBmp.format(), base.format()); // the picture keeps its own format
    QCOMPARE(doc.DrawBmp.format(), QImage::Format_RGB32);
    QCOMPARE(doc.DrawBmp, base.convertToFormat(QImage::Format_RGB32));
}

void tst_editordocument::redraw_TextsLieOverLinesWhateverTheirAge()
{
    EditorDocument doc;
    QImage white(200, 100, QImage::Format_RGB32);
    white.fill(Qt::white);
    doc.SetPicture(white);
    doc.MojiList.push_back(newText(10, 10, QStringLiteral("ＡＢＣＤ"), clYellow));
    doc.LineList.push_back(newLine(0, 20, 199, 20, 3, clRed)); // drawn after the text was made
    doc.Redraw();
    const QRect cell = doc.MojiList.front()->Measure();
    QVERIFY(cell.contains(12, 20));
    // Under the text's cell the line is hidden; beside it the line shows.
    bool redInCell = false;
    for (int x = cell.left(); x < cell.right(); ++x)
        redInCell |= doc.DrawBmp.pixel(x, 20) == qRgb(255, 0, 0);
    QVERIFY(!redInCell);
    QCOMPARE(doc.DrawBmp.pixel(cell.right() + 5, 20), qRgb(255, 0, 0));
    QCOMPARE(doc.BaseBmp, white); // annotations never reach the picture itself
}

void tst_editordocument::redraw_SelectionMarkDoesNotAccumulate()
{
    EditorDocument doc;
    doc.SetPicture(gradient(120, 80));
    doc.LineList.push_back(newLine(10, 40, 110, 40, 4, clBlue));
    doc.MojiList.push_back(newText(20, 50, QStringLiteral("x"), clNone));
    doc.SelLine = doc.LineList.front().get();
    doc.Redraw();
    const QImage once = doc.DrawBmp.copy();
    QCOMPARE(once.pixel(60, 40), ~doc.BaseBmp.pixel(60, 40) | 0xFF000000u); // inverted, not blue
    doc.Redraw();
    QCOMPARE(doc.DrawBmp, once);
    doc.SelLine = nullptr;
    doc.SelMoji = doc.MojiList.front().get();
    doc.Redraw();
    QCOMPARE(doc.DrawBmp.pixel(60, 40), qRgb(0, 0, 255)); // the plain colours again
    const QImage textSelected = doc.DrawBmp.copy();
    doc.Redraw();
    QCOMPARE(doc.DrawBmp, textSelected);
}

void tst_editordocument::redraw_AnnotationsOutsideThePictureAreClipped()
{
    EditorDocument doc;
    doc.SetPicture(gradient(50, 50));
    doc.LineList.push_back(newLine(-1000, 25, 5000, 25, 100, clRed));
    doc.LineList.back()->Arrow = true;
    doc.MojiList.push_back(newText(-30, 45, QStringLiteral("ＡＢＣＤＥＦ"), clYellow));
    doc.MojiList.push_back(newText(INT_MAX - 5, INT_MAX - 5, QStringLiteral("far"), clYellow));
    doc.Redraw();
    QCOMPARE(doc.DrawBmp.size(), QSize(50, 50));
    QCOMPARE(doc.DrawBmp.pixel(25, 25), qRgb(255, 0, 0));
}

void tst_editordocument::clearBaseBmp_MakesWhite32BitKeepingSize()
{
    EditorDocument doc;
    doc.SetPicture(gradient(33, 17).convertToFormat(QImage::Format_Indexed8));
    doc.ClearBaseBmp();
    QCOMPARE(doc.BaseBmp.format(), QImage::Format_RGB32);
    QCOMPARE(doc.BaseBmp.size(), QSize(33, 17));
    QCOMPARE(doc.BaseBmp.pixel(32, 16), qRgb(255, 255, 255));
    QCOMPARE(doc.BaseBmp.pixel(0, 0), qRgb(255, 255, 255));
}

void tst_editordocument::clearAnnotations_EmptiesListsAndSelection()
{
    EditorDocument doc;
    doc.LineList.push_back(newLine(0, 0, 1, 1, 1, clRed));
    doc.MojiList.push_back(newText(0, 0, QStringLiteral("a"), clNone));
    doc.SelMoji = doc.MojiList.front().get();
    doc.ClearAnnotations();
    QVERIFY(doc.LineList.empty());
    QVERIFY(doc.MojiList.empty());
    QVERIFY(!doc.SelLine);
    QVERIFY(!doc.SelMoji);
}

void tst_editordocument::setPicture_SizesDrawBmpAndKeepsBaseFormat()
{
    EditorDocument doc;
    doc.NewPicture();
    doc.SetPicture(gradient(10, 700).convertToFormat(QImage::Format_Grayscale8));
    QCOMPARE(doc.BaseBmp.format(), QImage::Format_Grayscale8);
    QCOMPARE(doc.DrawBmp.size(), QSize(10, 700));
    QCOMPARE(doc.DrawBmp.format(), QImage::Format_RGB32);
}

// A pasted 32-bit picture is shared by the caller (the clipboard), BaseBmp
// and DrawBmp until something is drawn: the first annotation, a partial
// redraw and a white-out each part them without touching the others.
void tst_editordocument::redraw_SharedPictureKeepsAnnotationsOutOfBaseAndTheCallersCopy()
{
    const QImage shot = gradient(300, 200);
    const QImage untouched = shot.copy();
    EditorDocument doc;
    doc.SetPicture(shot);
    doc.Redraw();
    QCOMPARE(doc.DrawBmp.constBits(), shot.constBits()); // no copy of the picture yet

    doc.LineList.push_back(newLine(10, 10, 290, 190, 5, clRed));
    doc.RedrawArea(doc.Area(*doc.LineList.back()));
    QCOMPARE(doc.DrawBmp.pixel(150, 100), qRgb(255, 0, 0));
    QCOMPARE(doc.DrawBmp.pixel(280, 20), untouched.pixel(280, 20)); // composed whole
    QCOMPARE(doc.BaseBmp, untouched);
    QCOMPARE(shot, untouched);

    doc.ClearAnnotations();
    doc.Redraw();
    QCOMPARE(doc.DrawBmp, untouched);
    doc.ClearBaseBmp();
    doc.Redraw();
    QCOMPARE(doc.DrawBmp.pixel(150, 100), qRgb(255, 255, 255));
    QCOMPARE(shot, untouched);
}

// Turns, mirrorings and resizes come back pixel for pixel and in their own
// format; what a step keeps is a transform's kind or an enlargement's size,
// a picture only where nothing else can give it back. Past the cap the
// oldest steps go, the newest always stays.
void tst_editordocument::history_PictureStepsComeBackExactlyAndTheCapDropsTheOldest()
{
    EditorDocument doc;
    const QImage indexed = gradient(67, 31).convertToFormat(QImage::Format_Indexed8);
    doc.SetPicture(indexed);
    doc.LineList.push_back(newLine(0, 0, 60, 30, 2, clRed));
    doc.Redraw();
    doc.History.reset();
    auto transform = [&doc](int kind) {
        doc.SetPicture(TransformPicture(doc.BaseBmp, kind));
        doc.History.recordTransform(kind);
    };
    for (const int kind : {tkRotate90, tkMirrorLR, tkRotate270, tkRotate180, tkMirrorTB})
        transform(kind);
    QVERIFY(doc.History.bytes() < 1024); // kinds, not pictures
    for (int i = 0; i < 5; ++i)
        doc.History.undo();
    QCOMPARE(doc.BaseBmp.format(), QImage::Format_Indexed8);
    QCOMPARE(doc.BaseBmp, indexed);
    QVERIFY(!doc.Modified());
    doc.History.redo();
    QCOMPARE(doc.BaseBmp, TransformPicture(indexed, tkRotate90));

    // An enlargement of a 32-bit picture by uneven factors keeps only the
    // size; a reduction keeps the picture it replaced.
    const QImage rgb = gradient(67, 31);
    doc.SetPicture(rgb);
    doc.History.reset();
    auto stretch = [&doc](int w, int h) {
        QImage before = doc.BaseBmp;
        doc.SetPicture(StretchPicture(doc.BaseBmp, w, h));
        doc.History.recordStretch(before);
    };
    stretch(150, 70);
    QVERIFY(doc.History.bytes() < 1024);
    stretch(40, 90);
    QVERIFY(doc.History.bytes() >= 150 * 70 * 4);
    const QImage last = doc.BaseBmp;
    doc.History.undo();
    QCOMPARE(doc.BaseBmp, StretchPicture(rgb, 150, 70));
    doc.History.undo();
    QCOMPARE(doc.BaseBmp, rgb);
    QCOMPARE(doc.DrawBmp.size(), QSize(67, 31));
    doc.History.redo();
    doc.History.redo();
    QCOMPARE(doc.BaseBmp, last);

    // A picture replaced with the annotations it moved (a crop) brings both back.
    const AnnotationSet lines = doc.annotations();
    QImage before = doc.BaseBmp;
    doc.LineList.front()->X1 -= 10;
    doc.SetPicture(gradient(20, 20));
    doc.History.recordPicture(before, lines);
    doc.History.undo();
    QCOMPARE(doc.BaseBmp, last);
    QVERIFY(doc.holds(lines));

    // A cap of two and a half pictures: five pastes keep the newest two; one
    // picture larger than the cap is still kept. The loaded state is gone,
    // so the document stays modified however far it is undone.
    const QImage shot = gradient(100, 100);
    doc.SetPicture(shot);
    doc.History.reset();
    doc.History.setCapBytes(shot.sizeInBytes() * 5 / 2);
    for (int i = 1; i <= 5; ++i) {
        before = doc.BaseBmp;
        doc.SetPicture(gradient(100 + i, 100));
        doc.History.recordPicture(before);
    }
    QCOMPARE(doc.History.stepCount(), 2);
    while (doc.History.canUndo())
        doc.History.undo();
    QCOMPARE(doc.BaseBmp.width(), 103);
    QVERIFY(doc.Modified());
    doc.History.setCapBytes(100);
    before = doc.BaseBmp;
    doc.SetPicture(shot);
    doc.History.recordPicture(before);
    QCOMPARE(doc.History.stepCount(), 1);
    doc.History.undo();
    QCOMPARE(doc.BaseBmp.width(), 103);
}

// Redactions replace their pixels by block averages of the picture under
// them, before anything else is drawn: a high-contrast pattern turns grey,
// overlapping redactions keep only their own pixels in each block, and the
// picture with the redactions applied, redacted again, stays as it is, in
// 32-bit and in a greyscale picture alike.
void tst_editordocument::redactions_HideThePatternComeFirstAndPixelatingAgainChangesNothing()
{
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_Grayscale8}) {
        QImage pattern(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                pattern.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        EditorDocument doc;
        doc.SetPicture(pattern.convertToFormat(format));
        doc.RedactList.push_back(std::make_unique<TRedactRec>(TRedactRec{150, 100, 10, 20}));
        doc.RedactList.push_back(std::make_unique<TRedactRec>(TRedactRec{100, 50, 217, 149}));
        doc.LineList.push_back(newLine(0, 60, 299, 60, 3, clRed)); // over them
        doc.Redraw();
        const QImage &shown = doc.DrawBmp;
        for (int y = 20; y < 149; ++y) {
            for (int x = 10; x < 217; ++x) {
                const bool hidden = (x < 150 && y < 100) || (x >= 100 && y >= 50);
                if (!hidden || (y >= 58 && y <= 62)) // not redacted, or under the line
                    continue;
                const QRgb p = shown.pixel(x, y);
                QVERIFY2(p != pattern.pixel(x, y) && qAbs(qRed(p) - 128) <= 64,
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
        QCOMPARE(shown.pixel(150, 60), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(9, 20), pattern.pixel(9, 20));
        QCOMPARE(shown.pixel(217, 149), pattern.pixel(217, 149));

        const QImage composed = shown.copy();
        const QImage redacted = doc.redactedBase();
        QCOMPARE(redacted.size(), pattern.size());
        doc.SetPicture(redacted);
        QCOMPARE(doc.redactedBase(), redacted);
        doc.Redraw();
        QCOMPARE(doc.DrawBmp, composed);
        doc.RedactList.clear();
        QVERIFY(doc.redactedBase().constBits() == doc.BaseBmp.constBits()); // shared, no copy
    }
}

QTEST_MAIN(tst_editordocument)
#include "tst_editordocument.moc"
