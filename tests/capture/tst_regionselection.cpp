// The region mode's geometry without windows: a drag and the keys choosing a
// rectangle of pixel corners on the desktop, and each screen's pointer
// positions mapped to the frozen picture's device pixels, mixed scales too.
#include "capture/RegionCapture.h"
#include "capture/RegionSelection.h"

#include <QTest>

using namespace korvane;

class tst_regionselection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void drag_NormalisedClampedRedrawnAndZeroSizeChoosesNothing();
    void keys_MoveThePointThenTheSecondCorner();
    void mapping_MixedScalesMeetAtTheBorderInDevicePixels();
    void mapping_PortalPictureLaidOverTheLogicalLayout();
    void part_TheRectanglesPixelsOutliveTheFrozenPicture();
};

void tst_regionselection::drag_NormalisedClampedRedrawnAndZeroSizeChoosesNothing()
{
    RegionSelection s(QRect(0, 0, 1600, 1200), QPoint(10, 10));
    // A press and a release at one place choose nothing, and Enter has
    // nothing to take.
    s.press(QPoint(300, 200));
    s.release(QPoint(300, 200));
    QVERIFY(s.rect().isEmpty());
    QVERIFY(!s.canConfirm());

    // Up and to the left: the same rectangle as the other way round, from
    // corner to corner, so 100 x 50 pixels.
    s.press(QPoint(400, 300));
    s.move(QPoint(350, 280));
    QVERIFY(!s.canConfirm()); // not while the button is held
    s.release(QPoint(300, 250));
    QCOMPARE(s.rect(), QRect(300, 250, 100, 50));
    QVERIFY(s.canConfirm());

    // A click (the first half of a double click) keeps the rectangle; a new
    // drag replaces it, and beyond the desktop it stops at its far edge,
    // taking the last column and row.
    s.press(QPoint(20, 20));
    s.release(QPoint(20, 20));
    QCOMPARE(s.rect(), QRect(300, 250, 100, 50));
    s.press(QPoint(1500, 1100));
    s.move(QPoint(5000, 5000));
    s.release(QPoint(5000, 5000));
    QCOMPARE(s.rect(), QRect(1500, 1100, 100, 100));
    s.press(QPoint(100, 100));
    s.release(QPoint(-40, -40));
    QCOMPARE(s.rect(), QRect(0, 0, 100, 100));
}

void tst_regionselection::keys_MoveThePointThenTheSecondCorner()
{
    // Where there is no pointer, the point starts where the caller says.
    RegionSelection s(QRect(0, 0, 1224, 768), QPoint(-5, -5));
    QCOMPARE(s.point(), QPoint(0, 0));
    for (int i = 0; i < 15; ++i)
        s.nudge(10, 0);
    s.nudge(0, 10);
    s.nudge(1, -1);
    QCOMPARE(s.point(), QPoint(151, 9));
    QVERIFY(s.rect().isEmpty());
    s.anchorAtPoint();
    QVERIFY(!s.canConfirm()); // no size yet
    s.nudge(0, 1);
    s.nudge(200, 100);
    QCOMPARE(s.rect(), QRect(151, 9, 200, 101));
    QCOMPARE(RegionSelection::sizeText(s.rect()), QStringLiteral("200 × 101"));
    // The second corner stops at the desktop's far edge.
    s.nudge(2000, 2000);
    QCOMPARE(s.rect(), QRect(151, 9, 1073, 759));
    QCOMPARE(s.point(), QPoint(1224, 768));

    // With the button held, the arrows grow the rectangle from the press.
    s.press(QPoint(600, 400));
    s.nudge(-10, 0);
    s.nudge(0, -1);
    s.release(QPoint(590, 399));
    QCOMPARE(s.rect(), QRect(590, 399, 10, 1));
}

void tst_regionselection::mapping_MixedScalesMeetAtTheBorderInDevicePixels()
{
    // As Qt lays out two X11 monitors with QT_SCREEN_SCALE_FACTORS=2;1: each
    // screen keeps its monitor's top left and divides its size.
    const ScreenArea left{QRect(0, 0, 500, 600), QRect(0, 0, 1000, 1200), 2.0};
    const ScreenArea right{QRect(1000, 0, 600, 900), QRect(1000, 0, 600, 900), 1.0};
    QCOMPARE(desktopRect({left, right}), QRect(0, 0, 1600, 1200));

    // Device pixel 901 reaches the left window as 450.5.
    RegionSelection s(desktopRect({left, right}), left.toDevice(QPointF(450.5, 200)));
    QCOMPARE(s.point(), QPoint(901, 400));
    s.press(left.toDevice(QPointF(450.5, 200)));
    // While the button is held the left window gets the pointer over the
    // right monitor too, at its own scale: (1100, 500) comes as (550, 250).
    s.move(left.toDevice(QPointF(550, 250)));
    s.release(left.toDevice(QPointF(550, 250)));
    QCOMPARE(s.rect(), QRect(901, 400, 199, 100));
    // The right window itself says the same point in its own pixels.
    QCOMPARE(right.toDevice(QPointF(100, 500)), QPoint(1100, 500));

    // A fractional scale: a device position divided by 1.5 comes back whole,
    // and the picture's corners go to the window's local positions.
    const ScreenArea odd{QRect(0, 0, 667, 400), QRect(0, 0, 1000, 600), 1.5};
    QCOMPARE(odd.toDevice(QPointF(1001 / 1.5, 599 / 1.5)), QPoint(1001, 599));
    QCOMPARE(odd.toLocal(QPoint(999, 600)), QPointF(666.0, 400.0));
    QCOMPARE(right.toLocal(QPoint(1100, 500)), QPointF(100, 500));
}

void tst_regionselection::mapping_PortalPictureLaidOverTheLogicalLayout()
{
    // A small output left of a large one, the desktop's top left at (0, 0):
    // the portal's picture holds both at one scale.
    const QList<QRect> layout{QRect(200, 0, 1024, 768), QRect(0, 0, 200, 150)};
    QList<ScreenArea> areas = areasInPicture(layout, QSize(1224, 768));
    QCOMPARE(areas.size(), 2);
    QCOMPARE(areas[0].device, QRect(200, 0, 1024, 768));
    QCOMPARE(areas[1].device, QRect(0, 0, 200, 150));
    QCOMPARE(areas[0].toDevice(QPointF(-50, 50)), QPoint(150, 50));

    // Drawn at twice the size, and a layout whose top left is not (0, 0).
    areas = areasInPicture({QRect(-200, 100, 200, 150), QRect(0, 0, 1024, 768)}, QSize(2448, 1536));
    QCOMPARE(areas.size(), 2);
    QCOMPARE(areas[0].device, QRect(0, 200, 400, 300));
    QCOMPARE(areas[1].device, QRect(400, 0, 2048, 1536));
    QCOMPARE(areas[1].scale, 2.0);
    QCOMPARE(areas[1].toDevice(QPointF(10.5, 3)), QPoint(421, 6));

    // A picture of one output alone does not fit the layout of two.
    QVERIFY(areasInPicture(layout, QSize(1024, 768)).isEmpty());
}

void tst_regionselection::part_TheRectanglesPixelsOutliveTheFrozenPicture()
{
    QImage part;
    QImage expected;
    {
        FrozenDesktop desktop;
        desktop.picture = QImage(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                desktop.picture.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) & 0xFF));
        part = desktop.part(QRect(10, 7, 30, 20));
        expected = desktop.picture.copy(QRect(10, 7, 30, 20));
        // A change to the part is its own; the frozen picture keeps its pixels.
        QImage changed = part;
        changed.setPixel(0, 0, qRgb(1, 2, 3));
        QCOMPARE(desktop.picture.pixel(10, 7), expected.pixel(0, 0));
        QCOMPARE(desktop.part(QRect(60, 40, 20, 20)).size(), QSize(4, 8));
    }
    QCOMPARE(part, expected);
}

QTEST_APPLESS_MAIN(tst_regionselection)

#include "tst_regionselection.moc"
