#include "editor/Annotations.h"

#include <QFontDatabase>
#include <QImage>
#include <QTest>

using namespace korvane;

namespace {

TLineRec line(int x1, int y1, int x2, int y2, int width, bool arrow = false, TColor color = clRed)
{
    TLineRec rec;
    rec.X1 = x1;
    rec.Y1 = y1;
    rec.X2 = x2;
    rec.Y2 = y2;
    rec.Width = width;
    rec.Color = color;
    rec.Arrow = arrow;
    return rec;
}

QImage whitePicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TMoji text(const QString &s, TColor bk)
{
    TMoji moji;
    moji.Font = QFont(QStringLiteral("IPAPGothic"));
    moji.Font.setPixelSize(12);
    moji.FontColor = clBlack;
    moji.Text = s;
    moji.X = 10;
    moji.Y = 10;
    moji.BkColor = bk;
    return moji;
}

} // namespace

class tst_annotations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arrowHead_CornersFollowTheShaft_data();
    void arrowHead_CornersFollowTheShaft();
    void lineHitTest_UsesStrictToleranceAndStartX_data();
    void lineHitTest_UsesStrictToleranceAndStartX();
    void lineHitTest_DoesNotOverflowOnExtremeCoordinates();
    void drawLineRec_ArrowHeadIsFilledWithLineColour();
    void drawLineRec_SelectedArrowInvertsOutlineAndLeavesHeadInside();
    void drawLineRec_NegativeWidthKeepsThePenWidth();
    void drawLineRec_AbsurdTypedWidthsStayCheapAndCoverThePicture();
    void textContains_BoundsAreInclusive();
    void textDraw_BackgroundFillsCellOrLeavesPictureVisible();
    void textDraw_SelectedFrameInvertsAndSetsPenWidth();
    void textMeasure_EmptyTextHasLineHeight();
};

void tst_annotations::arrowHead_CornersFollowTheShaft_data()
{
    QTest::addColumn<TLineRec>("rec");
    QTest::addColumn<QPoint>("p1");
    QTest::addColumn<QPoint>("p2");
    // Head length 3 * Width + 6, half base L * tan 15 degrees.
    QTest::newRow("width 5 pointing right")
        << line(0, 0, 100, 0, 5) << QPoint(79, -6) << QPoint(79, 6);
    QTest::newRow("width 5 pointing left")
        << line(100, 0, 0, 0, 5) << QPoint(21, 6) << QPoint(21, -6);
    QTest::newRow("width 1 pointing down")
        << line(0, 0, 0, 100, 1) << QPoint(2, 91) << QPoint(-2, 91);
    QTest::newRow("width 100 pointing up")
        << line(0, 1000, 0, 0, 100) << QPoint(-82, 306) << QPoint(82, 306);
    QTest::newRow("zero length points along +x")
        << line(50, 50, 50, 50, 5) << QPoint(71, 56) << QPoint(71, 44);
    QTest::newRow("typed width 500")
        << line(0, 0, 2000, 0, 500) << QPoint(494, -404) << QPoint(494, 404);
}

void tst_annotations::arrowHead_CornersFollowTheShaft()
{
    QFETCH(TLineRec, rec);
    QFETCH(QPoint, p1);
    QFETCH(QPoint, p2);
    const ArrowHead head = ArrowHeadCorners(rec);
    QCOMPARE(head.P1, p1);
    QCOMPARE(head.P2, p2);
}

void tst_annotations::lineHitTest_UsesStrictToleranceAndStartX_data()
{
    QTest::addColumn<TLineRec>("rec");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("hit");
    const TLineRec flat = line(10, 10, 110, 10, 1);
    QTest::newRow("flat, distance 2") << flat << QPoint(60, 12) << true;
    QTest::newRow("flat, distance 3 is not below tolerance") << flat << QPoint(60, 13) << false;
    QTest::newRow("flat, end point is outside the open span") << flat << QPoint(110, 10) << false;
    QTest::newRow("flat, start point is outside the open span") << flat << QPoint(10, 10) << false;
    const TLineRec vertical = line(50, 0, 50, 100, 1);
    QTest::newRow("vertical, 2 beside") << vertical << QPoint(52, 50) << true;
    QTest::newRow("vertical, 3 beside") << vertical << QPoint(53, 50) << false;
    QTest::newRow("vertical, 2 to the left") << vertical << QPoint(48, 50) << true;
    QTest::newRow("vertical, start point") << vertical << QPoint(50, 0) << false;
    QTest::newRow("vertical, below the end") << vertical << QPoint(50, 101) << false;
    // A steep line is caught near its start x by the second rule even where the
    // pointer is outside its narrow x span.
    const TLineRec steep = line(100, 0, 102, 100, 1);
    QTest::newRow("steep, left of both ends") << steep << QPoint(98, 50) << true;
    QTest::newRow("steep, right of the span") << steep << QPoint(103, 90) << false;
    QTest::newRow("steep, reversed order") << line(102, 100, 100, 0, 1) << QPoint(101, 50) << true;
    QTest::newRow("wide tolerance") << line(0, 0, 1000, 0, 500) << QPoint(500, 501) << true;
    QTest::newRow("wide tolerance edge") << line(0, 0, 1000, 0, 500) << QPoint(500, 502) << false;
    QTest::newRow("diagonal, on the line") << line(0, 0, 100, 100, 1) << QPoint(50, 50) << true;
    QTest::newRow("diagonal, 4 off vertically")
        << line(0, 0, 100, 100, 1) << QPoint(50, 54) << true; // D = 4 / sqrt 2 = 2.83
    QTest::newRow("diagonal, 5 off vertically")
        << line(0, 0, 100, 100, 1) << QPoint(50, 55) << false; // D = 3.54
}

void tst_annotations::lineHitTest_UsesStrictToleranceAndStartX()
{
    QFETCH(TLineRec, rec);
    QFETCH(QPoint, point);
    QFETCH(bool, hit);
    QCOMPARE(LineHitTest(rec, point.x(), point.y()), hit);
}

void tst_annotations::lineHitTest_DoesNotOverflowOnExtremeCoordinates()
{
    const TLineRec rec = line(INT_MIN + 1, 0, INT_MAX, 0, INT_MAX);
    QVERIFY(LineHitTest(rec, 0, 0));
    QVERIFY(!LineHitTest(line(0, INT_MIN, 0, INT_MAX, INT_MAX), INT_MIN, 5) == false);
}

void tst_annotations::drawLineRec_ArrowHeadIsFilledWithLineColour()
{
    QImage picture = whitePicture(140, 40);
    PenState pen;
    {
        QPainter canvas(&picture);
        DrawLineRec(canvas, pen, line(10, 20, 120, 20, 5, true), false);
    }
    QCOMPARE(pen.width, 5);
    // Inside the head, between the shaft and the base corners (99, 14), (99, 26).
    QCOMPARE(picture.pixel(105, 16), qRgb(255, 0, 0));
    QCOMPARE(picture.pixel(105, 24), qRgb(255, 0, 0));
    // Beyond the tip and outside the head the picture is untouched.
    QCOMPARE(picture.pixel(126, 20), qRgb(255, 255, 255));
    QCOMPARE(picture.pixel(60, 10), qRgb(255, 255, 255));
}

void tst_annotations::drawLineRec_SelectedArrowInvertsOutlineAndLeavesHeadInside()
{
    for (const int width : {1, 5, 20}) {
        QImage picture = whitePicture(300, 120);
        PenState pen;
        {
            QPainter canvas(&picture);
            DrawLineRec(canvas, pen, line(10, 60, 200, 60, width, true), true);
        }
        // The shaft inverts white to black, whatever the line's colour, and
        // nothing is painted in the line's colour: the head is not filled.
        QCOMPARE(picture.pixel(100, 60), qRgb(0, 0, 0));
        const ArrowHead head = ArrowHeadCorners(line(10, 60, 200, 60, width, true));
        QCOMPARE(picture.pixel(head.P1), qRgb(0, 0, 0));
        QCOMPARE(picture.pixel(head.P2), qRgb(0, 0, 0));
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                QVERIFY(picture.pixel(x, y) != qRgb(255, 0, 0));
        QCOMPARE(picture.pixel(100, 30), qRgb(255, 255, 255));
    }
}

void tst_annotations::drawLineRec_NegativeWidthKeepsThePenWidth()
{
    QImage picture = whitePicture(100, 100);
    PenState pen;
    QPainter canvas(&picture);
    DrawLineRec(canvas, pen, line(0, 10, 90, 10, 9), false);
    DrawLineRec(canvas, pen, line(0, 50, 90, 50, -3), false);
    canvas.end();
    QCOMPARE(pen.width, 9);
    QCOMPARE(picture.pixel(40, 54), qRgb(255, 0, 0)); // 4 below the centre of a 9-wide line
    QCOMPARE(picture.pixel(40, 56), qRgb(255, 255, 255));
}

void tst_annotations::drawLineRec_AbsurdTypedWidthsStayCheapAndCoverThePicture()
{
    // Widths typed far beyond the field's range reach the drawing before the
    // field clamps them; they must not hang the painter or overflow the head.
    for (const int width : {INT_MAX, 2'000'000'000, -2'000'000'000}) {
        QImage picture = whitePicture(200, 100);
        PenState pen;
        {
            QPainter canvas(&picture);
            DrawLineRec(canvas, pen, line(10, 50, 150, 50, 9), false);
            DrawLineRec(canvas, pen, line(20, 40, 60, 70, width, true, clBlue), false);
        }
        const QRgb corner = picture.pixel(199, 0);
        if (width > 0)
            QCOMPARE(corner, qRgb(0, 0, 255)); // so wide that it covers everything
        else
            QCOMPARE(pen.width, 9); // a negative width is not applied
    }
}

void tst_annotations::textContains_BoundsAreInclusive()
{
    const TMoji moji = text(QStringLiteral("テスト"), clWhite);
    const QRect r = moji.Measure();
    const QFontMetrics metrics(moji.Font);
    QCOMPARE(r.left(), 10);
    QCOMPARE(r.top(), 10);
    QCOMPARE(r.right(), 10 + metrics.horizontalAdvance(moji.Text));
    QCOMPARE(r.bottom(), 10 + metrics.height());
    QVERIFY(r.right() > 10 + 24); // three wide characters of a 12-pixel font
    QVERIFY(moji.Contains(r.left(), r.top()));
    QVERIFY(moji.Contains(r.right(), r.bottom()));
    QVERIFY(!moji.Contains(r.right() + 1, r.bottom()));
    QVERIFY(!moji.Contains(r.right(), r.bottom() + 1));
    QVERIFY(!moji.Contains(r.left() - 1, r.top()));
}

void tst_annotations::textDraw_BackgroundFillsCellOrLeavesPictureVisible()
{
    for (const bool transparent : {false, true}) {
        QImage picture(200, 60, QImage::Format_RGB32);
        picture.fill(qRgb(0, 0, 255));
        const TMoji moji = text(QStringLiteral("ＡＢ"), transparent ? clNone : clYellow);
        PenState pen;
        {
            QPainter canvas(&picture);
            moji.Draw(canvas, pen, false);
        }
        const QRect r = moji.Measure();
        int yellow = 0, blue = 0, dark = 0;
        for (int y = r.top(); y < r.bottom(); ++y) {
            for (int x = r.left(); x < r.right(); ++x) {
                const QRgb p = picture.pixel(x, y);
                yellow += p == qRgb(255, 255, 0);
                blue += p == qRgb(0, 0, 255);
                dark += qRed(p) < 64 && qGreen(p) < 64 && qBlue(p) < 64;
            }
        }
        QVERIFY(dark > 10); // the glyphs
        if (transparent) {
            QCOMPARE(yellow, 0);
            QVERIFY(blue > 0);
        } else {
            QCOMPARE(blue, 0);
            QVERIFY(yellow > 0);
        }
        QCOMPARE(picture.pixel(r.right() + 1, r.top()), qRgb(0, 0, 255)); // beyond the cell
    }
}

void tst_annotations::textDraw_SelectedFrameInvertsAndSetsPenWidth()
{
    QImage picture = whitePicture(200, 60);
    const TMoji moji = text(QStringLiteral("abc"), clNone);
    PenState pen;
    {
        QPainter canvas(&picture);
        moji.Draw(canvas, pen, true);
    }
    QCOMPARE(pen.width, 2);
    const QRect r = moji.Measure();
    // The frame runs along the left and top edges of the cell, inverting white.
    QCOMPARE(picture.pixel(r.left(), r.bottom() - 2), qRgb(0, 0, 0));
    QCOMPARE(picture.pixel(r.center().x(), r.top()), qRgb(0, 0, 0));
    QCOMPARE(picture.pixel(r.center().x(), r.bottom() - 1), qRgb(0, 0, 0));
    QCOMPARE(picture.pixel(r.right() + 2, r.center().y()), qRgb(255, 255, 255));
}

void tst_annotations::textMeasure_EmptyTextHasLineHeight()
{
    // An empty text draws nothing, but keeps a selectable extent.
    const TMoji moji = text(QString(), clWhite);
    QCOMPARE(moji.Measure().right(), 10);
    QVERIFY(moji.Measure().bottom() > 10);
    QImage picture = whitePicture(40, 40);
    PenState pen;
    {
        QPainter canvas(&picture);
        moji.Draw(canvas, pen, false);
    }
    QCOMPARE(picture, whitePicture(40, 40));
}

QTEST_MAIN(tst_annotations)
#include "tst_annotations.moc"
