#include "editor/ToolController.h"

#include <QTest>

using namespace korvane;

namespace {

// The window around the tools, reduced to what the tools tell it.
class FakeHost : public ToolHost
{
public:
    qint32 width = 5;
    TColor color = clRed;
    int shown = 0;
    int cleared = 0;
    int focused = 0;
    int confirmEnabled = 0;
    const TMoji *loaded = nullptr;
    QPoint caret{-1, -1};
    QPoint pointer{-1, -1};
    QRect crop;

    qint32 lineWidth() const override { return width; }
    TColor lineColor() const override { return color; }
    void setLineColor(TColor c) override { color = c; }
    void showPicture(const QRegion &) override { ++shown; }
    void documentTouched() override {}
    void clearTextControls() override { ++cleared; }
    void loadTextControls(const TMoji &text) override { loaded = &text; }
    void enableTextConfirm() override { ++confirmEnabled; }
    void focusTextEntry() override { ++focused; }
    void drawTextCaret(qint32 x, qint32 y) override { caret = QPoint(x, y); }
    void showPointerPosition(qint32 x, qint32 y) override { pointer = QPoint(x, y); }
    void showCropRect(const QRect &rect) override { crop = rect; }
};

PointerEvent left(int x, int y)
{
    return {PointerEvent::Button::Left, x, y};
}

struct Editor
{
    Editor()
    {
        doc.NewPicture();
        doc.Redraw();
    }
    void drag(QPoint from, QPoint to)
    {
        tools.PB1MouseDown(left(from.x(), from.y()));
        tools.PB1MouseMove(
            {PointerEvent::Button::None, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2});
        tools.PB1MouseMove({PointerEvent::Button::None, to.x(), to.y()});
        tools.PB1MouseUp(left(to.x(), to.y()));
    }
    void choose(qint32 mode) { tools.ApplyToolMode(mode); }

    EditorDocument doc;
    FakeHost host;
    ToolController tools{doc, host};
};

void addText(EditorDocument &doc, int x, int y, const QString &text)
{
    auto moji = std::make_unique<TMoji>();
    moji->X = x;
    moji->Y = y;
    moji->Text = text;
    doc.MojiList.push_back(std::move(moji));
}

TextStyle style(const QString &text, TColor background, bool transparent)
{
    TextStyle s;
    s.text = text;
    s.font = QFont(QStringLiteral("IPAPGothic"));
    s.font.setPixelSize(16);
    s.fontColor = clBlue;
    s.background = background;
    s.transparent = transparent;
    return s;
}

} // namespace

class tst_toolcontroller : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineTools_DragDrawsInCurrentStyleAndClickLeavesNothing();
    void select_TakesLinesBeforeTextsOldestFirstAndDragMovesIt();
    void select_TextLoadsIntoControlsAndDeleteRemovesIt();
    void textTool_PlaceConfirmPlaceAgainThenChangeSelected();
    void eyedropper_PicksComposedPictureOnlyInside();
    void toolChange_WithAllButtonsUpKeepsToolAndClearsSelection();
    void nonLeftPresses_ChangeNothing();
    void replacedDocument_MidDragIsHarmless();
    void moves_RecomposeOnlyWhatChangedYetEqualAFullRedraw();
    void history_EveryToolChangeIsOneStepAndModifiedFollows();
    void crop_KeepsTheRectangleAndMovesAnnotationsWithIt_OneUndoStep();
    void shapes_DrawSelectMoveRestyleDeleteRenumberAndUndo();
};

void tst_toolcontroller::lineTools_DragDrawsInCurrentStyleAndClickLeavesNothing()
{
    Editor e;
    e.choose(mdLine);
    e.host.width = 500; // typed and not yet clamped: used as it stands
    e.host.color = clBlue;
    e.drag({10, 20}, {300, 200});
    QCOMPARE(e.doc.LineList.size(), size_t(1));
    const TLineRec &line = *e.doc.LineList.back();
    QCOMPARE(QRect(QPoint(line.X1, line.Y1), QPoint(line.X2, line.Y2)),
             QRect(QPoint(10, 20), QPoint(300, 200)));
    QCOMPARE(line.Width, 500);
    QCOMPARE(line.Color, clBlue);
    QVERIFY(!line.Arrow);
    QVERIFY(e.doc.Modified());
    QVERIFY(!e.doc.Dragging);
    QCOMPARE(e.doc.DrawBmp.pixel(150, 110), qRgb(0, 0, 255)); // drawn on every move

    e.drag({50, 50}, {50, 50}); // a click
    e.drag({60, 60}, {60, 60});
    QCOMPARE(e.doc.LineList.size(), size_t(1));

    e.choose(mdArrow);
    e.drag({400, 400}, {420, 300});
    QCOMPARE(e.doc.LineList.size(), size_t(2));
    QVERIFY(e.doc.LineList.back()->Arrow);
    QCOMPARE(e.host.pointer, QPoint(420, 300));
}

void tst_toolcontroller::select_TakesLinesBeforeTextsOldestFirstAndDragMovesIt()
{
    Editor e;
    e.choose(mdLine);
    e.drag({100, 100}, {200, 100}); // oldest
    e.drag({100, 101}, {200, 101});
    addText(e.doc, 140, 95, QStringLiteral("上にある文字"));

    e.choose(mdSelect);
    const int clearedBefore = e.host.cleared;
    e.tools.PB1MouseDown(left(150, 100));
    QCOMPARE(e.host.cleared, clearedBefore + 1); // every press starts by clearing
    QCOMPARE(e.doc.SelLine, e.doc.LineList.front().get());
    QVERIFY(!e.doc.SelMoji);
    e.tools.PB1MouseMove({PointerEvent::Button::None, 160, 130});
    e.tools.PB1MouseMove({PointerEvent::Button::None, -20, 150}); // outside the picture
    e.tools.PB1MouseUp(left(-20, 150));
    const TLineRec &moved = *e.doc.LineList.front();
    QCOMPARE(QRect(QPoint(moved.X1, moved.Y1), QPoint(moved.X2, moved.Y2)),
             QRect(QPoint(-70, 150), QPoint(30, 150)));
    QCOMPARE(e.doc.LineList.back()->Y1, 101); // the other one stayed
    // Selected lines are drawn inverted: white becomes black.
    QCOMPARE(e.doc.DrawBmp.pixel(10, 150), qRgb(0, 0, 0));

    e.tools.PB1MouseDown(left(600, 20)); // nothing there
    QVERIFY(!e.doc.SelLine && !e.doc.SelMoji && !e.doc.Dragging);
    QCOMPARE(e.doc.DrawBmp.pixel(10, 150), qRgb(255, 0, 0));
}

void tst_toolcontroller::select_TextLoadsIntoControlsAndDeleteRemovesIt()
{
    Editor e;
    addText(e.doc, 40, 40, QStringLiteral("説明"));
    e.choose(mdSelect);
    const int shown = e.host.shown;
    e.tools.DeleteSelected(); // nothing selected: nothing happens, not even a redraw
    QCOMPARE(e.host.shown, shown);

    e.tools.PB1MouseDown(left(42, 42));
    QCOMPARE(e.doc.SelMoji, e.doc.MojiList.front().get());
    QCOMPARE(e.host.focused, 1);
    QVERIFY(!e.host.loaded); // loaded on release, not on press
    e.tools.PB1MouseMove({PointerEvent::Button::None, 52, 47});
    e.tools.PB1MouseUp(left(52, 47));
    QCOMPARE(e.host.loaded, e.doc.MojiList.front().get());
    QCOMPARE(QPoint(e.doc.SelMoji->X, e.doc.SelMoji->Y), QPoint(50, 45));

    const int cleared = e.host.cleared;
    e.tools.DeleteSelected();
    QVERIFY(e.doc.MojiList.empty());
    QVERIFY(!e.doc.SelMoji);
    QCOMPARE(e.host.cleared, cleared + 1);
}

void tst_toolcontroller::textTool_PlaceConfirmPlaceAgainThenChangeSelected()
{
    Editor e;
    e.choose(mdText);
    QVERIFY(!e.tools.TextOKButtonClick(style(QStringLiteral("x"), clWhite, false))); // no point yet

    e.tools.PB1MouseDown(left(30, 30));
    e.tools.PB1MouseUp(left(35, 33)); // the release point is the insertion point
    QCOMPARE(e.doc.Mode, qint32(mdTextPlaced));
    QCOMPARE(e.host.caret, QPoint(35, 33));
    QCOMPARE(e.host.focused, 1);
    e.tools.PB1MouseDown(left(100, 100)); // moving the point: back to mdText, bar erased
    QCOMPARE(e.doc.Mode, qint32(mdText));
    e.tools.PB1MouseUp(left(100, 100));

    QVERIFY(e.tools.TextOKButtonClick(style(QStringLiteral("注意！"), clYellow, false)));
    QCOMPARE(e.doc.Mode, qint32(mdText));
    QCOMPARE(e.doc.MojiList.size(), size_t(1));
    const TMoji &placed = *e.doc.MojiList.front();
    QCOMPARE(QPoint(placed.X, placed.Y), QPoint(100, 100));
    QCOMPARE(placed.Text, QStringLiteral("注意！"));
    QCOMPARE(placed.BkColor, clYellow);
    QCOMPARE(placed.FontColor, clBlue);
    QCOMPARE(e.doc.DrawBmp.pixel(placed.Measure().right() - 1, 100), qRgb(255, 255, 0));

    e.tools.PB1MouseDown(left(300, 300));
    e.tools.PB1MouseUp(left(300, 300));
    QVERIFY(e.tools.TextOKButtonClick(style(QStringLiteral("注意！"), clYellow, true)));
    QCOMPARE(e.doc.MojiList.size(), size_t(2));
    QCOMPARE(e.doc.MojiList.back()->BkColor, clNone);

    e.choose(mdSelect);
    e.tools.PB1MouseDown(left(102, 102));
    e.tools.PB1MouseUp(left(102, 102));
    TextStyle bigger = style(QStringLiteral("変更"), clLime, false);
    bigger.font.setPixelSize(40);
    QVERIFY(e.tools.TextOKButtonClick(bigger));
    const TMoji &changed = *e.doc.MojiList.front();
    QCOMPARE(QPoint(changed.X, changed.Y), QPoint(100, 100)); // keeps its corner
    QCOMPARE(changed.Text, QStringLiteral("変更"));
    QCOMPARE(changed.Font.pixelSize(), 40);
    QCOMPARE(e.doc.SelMoji, &changed); // and stays selected
}

void tst_toolcontroller::eyedropper_PicksComposedPictureOnlyInside()
{
    Editor e;
    e.choose(mdLine);
    e.host.color = clRed;
    e.drag({0, 50}, {639, 50});
    e.host.color = clBlack;
    e.choose(mdSpoide);
    e.tools.PB1MouseDown(left(320, 50));
    QCOMPARE(e.host.color, clRed); // the line, not the white picture under it
    QVERIFY(!e.doc.Dragging);
    e.tools.PB1MouseDown(left(-5, 50));
    e.tools.PB1MouseDown(left(320, 480));
    QCOMPARE(e.host.color, clRed);
    // Picking a colour changes nothing of the document: since changes are
    // steps of its history, a press that makes none no longer counts.
    e.doc.History.markClean();
    e.tools.PB1MouseDown(left(320, 50));
    QVERIFY(!e.doc.Modified());
}

void tst_toolcontroller::toolChange_WithAllButtonsUpKeepsToolAndClearsSelection()
{
    Editor e;
    e.choose(mdLine);
    e.drag({10, 10}, {100, 10});
    e.choose(mdSelect);
    e.tools.PB1MouseDown(left(50, 10));
    e.tools.PB1MouseUp(left(50, 10));
    QVERIFY(e.doc.SelLine);
    QVERIFY(!e.tools.ApplyToolMode(mdNone));
    QCOMPARE(e.doc.Mode, qint32(mdSelect));
    QVERIFY(!e.doc.SelLine);
    const ToolModeInfo *text = e.tools.ApplyToolMode(mdText);
    QVERIFY(text);
    QCOMPARE(text->name, QStringLiteral("  文字描画"));
    QCOMPARE(text->explanation,
             QStringLiteral("・文字背景色を選択出来ます\r\n・文字を描画できます"));
}

void tst_toolcontroller::nonLeftPresses_ChangeNothing()
{
    Editor e;
    e.choose(mdLine);
    e.tools.PB1MouseDown({PointerEvent::Button::Right, 10, 10});
    e.tools.PB1MouseMove({PointerEvent::Button::None, 90, 90});
    e.tools.PB1MouseUp({PointerEvent::Button::Right, 90, 90});
    QVERIFY(e.doc.LineList.empty());
    QVERIFY(!e.doc.Modified());
    QCOMPARE(e.host.pointer, QPoint(90, 90)); // the read-out follows all the same
}

void tst_toolcontroller::replacedDocument_MidDragIsHarmless()
{
    Editor e;
    e.choose(mdLine);
    e.tools.PB1MouseDown(left(10, 10));
    e.doc.ClearAnnotations(); // a shortcut made a new picture while the button was held
    e.tools.PB1MouseMove({PointerEvent::Button::None, 50, 50});
    e.tools.PB1MouseUp(left(50, 50));
    QVERIFY(e.doc.LineList.empty());
    QVERIFY(!e.doc.Dragging);
}

void tst_toolcontroller::moves_RecomposeOnlyWhatChangedYetEqualAFullRedraw()
{
    Editor e;
    QImage picture(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            picture.setPixel(x, y, qRgb(x % 251, y % 241, (x ^ y) & 0xFF));
    e.doc.SetPicture(picture.convertToFormat(QImage::Format_Indexed8));
    // Lines of every kind, crossing each other and the texts, a negative
    // width that borrows the pen of the line before, and texts with italic
    // glyphs, transparent and filled backgrounds.
    const struct
    {
        QPoint from, to;
        int width;
        bool arrow;
    } lines[] = {{{10, 10}, {390, 290}, 1, false},
                 {{20, 280}, {380, 30}, 12, true},
                 {{200, 0}, {200, 299}, -4, false},
                 {{50, 150}, {350, 150}, 3, true},
                 {{-40, 60}, {460, 80}, 30, false}};
    for (const auto &l : lines) {
        e.host.width = l.width;
        e.host.color = l.arrow ? clBlue : clLime;
        e.choose(l.arrow ? mdArrow : mdLine);
        e.drag(l.from, l.to);
    }
    for (int i = 0; i < 3; ++i) {
        e.choose(mdText);
        e.tools.PB1MouseDown(left(60 + 90 * i, 100 + 40 * i));
        e.tools.PB1MouseUp(left(60 + 90 * i, 100 + 40 * i));
        TextStyle s = style(QStringLiteral("斜体の説明 fj"), clYellow, i == 1);
        s.font.setItalic(i != 2);
        s.font.setPixelSize(18 + 6 * i);
        e.tools.TextOKButtonClick(s);
    }

    quint32 seed = 7;
    auto step = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % 41) - 20;
    };
    auto sameAsFullRedraw = [&e] {
        const QImage partial = e.doc.DrawBmp.copy();
        e.doc.Redraw();
        return partial == e.doc.DrawBmp;
    };
    auto gripOf = [&e](int n) {
        if (n < 5) {
            const TLineRec &l = *e.doc.LineList[size_t(n)];
            return QPoint((l.X1 + l.X2) / 2, (l.Y1 + l.Y2) / 2);
        }
        const TMoji &m = *e.doc.MojiList[size_t(n - 5)];
        return QPoint(m.X + 3, m.Y + 3);
    };
    e.choose(mdSelect);
    for (const int n : {0, 1, 3, 4, 5, 6, 7}) {
        const QPoint grip = gripOf(n);
        e.tools.PB1MouseDown(left(grip.x(), grip.y()));
        QVERIFY(e.doc.SelLine || e.doc.SelMoji);
        QPoint at = grip;
        for (int i = 0; i < 12; ++i) {
            at += QPoint(step(), step());
            e.tools.PB1MouseMove({PointerEvent::Button::None, at.x(), at.y()});
            QVERIFY2(sameAsFullRedraw(),
                     qPrintable(QStringLiteral("annotation %1, step %2").arg(n).arg(i)));
        }
        e.tools.PB1MouseUp(left(at.x(), at.y()));
    }
    e.choose(mdArrow);
    e.host.width = 7;
    e.tools.PB1MouseDown(left(300, 40));
    for (int i = 0; i < 12; ++i) {
        e.tools.PB1MouseMove({PointerEvent::Button::None, 300 + 9 * step(), 40 + 9 * step()});
        QVERIFY2(sameAsFullRedraw(), qPrintable(QStringLiteral("drawing, step %1").arg(i)));
    }
}

// Lines, a move, a text placed and changed, a deletion: each one step,
// undone and redone with the selection cleared, the tool and a pending
// insertion point kept, and only what changed recomposed. Modified is false
// exactly where the document was saved.
void tst_toolcontroller::history_EveryToolChangeIsOneStepAndModifiedFollows()
{
    Editor e;
    auto sameAsFullRedraw = [&e] {
        const QImage shown = e.doc.DrawBmp.copy();
        e.doc.Redraw();
        return shown == e.doc.DrawBmp;
    };
    auto red = [&e](int x, int y) { return e.doc.DrawBmp.pixel(x, y) == qRgb(255, 0, 0); };
    QVERIFY(!e.tools.Undo() && !e.tools.Redo());
    e.choose(mdLine);
    e.drag({10, 100}, {200, 100});
    e.drag({10, 200}, {200, 200});
    e.drag({10, 300}, {200, 300});
    e.drag({400, 400}, {400, 400}); // a click leaves no line, and no step
    QCOMPARE(e.doc.History.stepCount(), 3);
    QVERIFY(e.doc.Modified());

    QVERIFY(e.tools.Undo());
    QVERIFY(e.tools.Undo());
    QCOMPARE(e.doc.LineList.size(), size_t(1));
    QVERIFY(red(100, 100) && !red(100, 200) && !red(100, 300));
    QVERIFY(sameAsFullRedraw());
    QVERIFY(e.tools.Redo());
    QVERIFY(red(100, 200) && !red(100, 300));
    QVERIFY(sameAsFullRedraw());
    QCOMPARE(e.doc.Mode, qint32(mdLine));
    e.doc.History.markClean(); // saved here

    // A move, a text placed and one changed by the confirm button, a deletion.
    e.choose(mdSelect);
    e.drag({100, 100}, {100, 150});
    QCOMPARE(e.doc.LineList.front()->Y1, 150);
    e.tools.PB1MouseDown(left(100, 200)); // a press that does not move: no step
    e.tools.PB1MouseUp(left(100, 200));
    QCOMPARE(e.doc.History.stepCount(), 3);
    e.choose(mdText);
    e.tools.PB1MouseDown(left(300, 50));
    e.tools.PB1MouseUp(left(300, 50));
    e.tools.TextOKButtonClick(style(QStringLiteral("手順"), clYellow, false));
    e.choose(mdSelect);
    e.tools.PB1MouseDown(left(302, 52));
    e.tools.PB1MouseUp(left(302, 52));
    e.tools.TextOKButtonClick(style(QStringLiteral("手順"), clYellow, false)); // as it was
    e.tools.TextOKButtonClick(style(QStringLiteral("変えた"), clLime, false));
    e.tools.PB1MouseDown(left(100, 200));
    e.tools.PB1MouseUp(left(100, 200));
    e.tools.DeleteSelected();
    QCOMPARE(e.doc.History.stepCount(), 6);
    QCOMPARE(e.doc.LineList.size(), size_t(1));

    // Undo while the button is held is refused: the drag owns the document.
    e.tools.PB1MouseDown(left(302, 52));
    QVERIFY(e.doc.SelMoji);
    QVERIFY(!e.tools.Undo());
    e.tools.PB1MouseUp(left(302, 52));
    const int cleared = e.host.cleared;
    QVERIFY(e.tools.Undo()); // the deletion
    QCOMPARE(e.doc.LineList.size(), size_t(2));
    QVERIFY(!e.doc.SelLine && !e.doc.SelMoji);
    QCOMPARE(e.host.cleared, cleared + 1); // the selected text leaves the entry
    QVERIFY(red(100, 200) && sameAsFullRedraw());
    QVERIFY(e.tools.Undo()); // the change of the text
    QCOMPARE(e.doc.MojiList.front()->Text, QStringLiteral("手順"));
    QCOMPARE(e.doc.MojiList.front()->BkColor, clYellow);
    QVERIFY(e.tools.Undo()); // the text placed
    QVERIFY(e.doc.MojiList.empty());
    QVERIFY(sameAsFullRedraw());

    // A pending insertion point survives an undo, its bar shown again.
    e.choose(mdText);
    e.tools.PB1MouseDown(left(500, 60));
    e.tools.PB1MouseUp(left(500, 60));
    e.host.caret = {};
    QVERIFY(e.tools.Undo()); // the move
    QCOMPARE(e.doc.LineList.front()->Y1, 100);
    QCOMPARE(e.doc.Mode, qint32(mdTextPlaced));
    QCOMPARE(e.host.caret, QPoint(500, 60));
    QVERIFY(!e.doc.Modified()); // back where it was saved
    QVERIFY(e.tools.Undo());
    QVERIFY(e.doc.Modified());
    QVERIFY(e.tools.Redo());
    QVERIFY(!e.doc.Modified());

    // A new change gives up what was undone, the saved state with it: no
    // position is unmodified any more.
    e.choose(mdLine);
    QVERIFY(e.tools.Undo());
    e.drag({300, 400}, {500, 400});
    QVERIFY(!e.tools.Redo());
    QCOMPARE(e.doc.History.stepCount(), 2);
    QVERIFY(e.tools.Undo() && e.tools.Undo() && !e.tools.Undo());
    QVERIFY(e.doc.LineList.empty());
    QVERIFY(e.doc.Modified());
    QVERIFY(e.tools.Redo() && e.tools.Redo());
    QVERIFY(e.doc.Modified());
    QVERIFY(red(400, 400) && red(100, 100) && sameAsFullRedraw());
}

// The crop keeps the dragged pixels in the picture's own format; the
// annotations keep their places on them, those outside stay in the document;
// another tool gives a rectangle up; one undo brings everything back.
void tst_toolcontroller::crop_KeepsTheRectangleAndMovesAnnotationsWithIt_OneUndoStep()
{
    Editor e;
    QImage grey(400, 300, QImage::Format_Grayscale8);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            grey.scanLine(y)[x] = uchar((x + 3 * y) % 251);
    e.doc.SetPicture(grey);
    e.choose(mdLine);
    e.drag({120, 80}, {200, 90});
    e.drag({5, 5}, {20, 5}); // outside the crop
    e.doc.History.markClean();

    e.choose(mdCrop);
    e.drag({250, 150}, {100, 50}); // from any corner to its opposite
    QCOMPARE(e.host.crop, QRect(100, 50, 150, 100));
    e.choose(mdSelect); // another tool: no rectangle
    QVERIFY(e.doc.CropRect.isEmpty());
    QVERIFY(!e.tools.CropToRect());

    e.choose(mdCrop);
    e.drag({100, 50}, {250, 150});
    QVERIFY(e.tools.CropToRect());
    QCOMPARE(e.doc.BaseBmp.format(), QImage::Format_Grayscale8);
    QCOMPARE(e.doc.BaseBmp, grey.copy(100, 50, 150, 100));
    QCOMPARE(e.doc.DrawBmp.size(), QSize(150, 100));
    QCOMPARE(QPoint(e.doc.LineList[0]->X1, e.doc.LineList[0]->Y1), QPoint(20, 30));
    QCOMPARE(QPoint(e.doc.LineList[1]->X1, e.doc.LineList[1]->Y1), QPoint(-95, -45));
    QVERIFY(e.doc.CropRect.isEmpty());
    QVERIFY(e.doc.Modified());

    QVERIFY(e.tools.Undo());
    QCOMPARE(e.doc.BaseBmp, grey);
    QCOMPARE(QPoint(e.doc.LineList[0]->X1, e.doc.LineList[0]->Y1), QPoint(120, 80));
    QVERIFY(!e.doc.Modified());
    QVERIFY(e.tools.Redo());
    QCOMPARE(e.doc.BaseBmp.size(), QSize(150, 100));
}

// Frames, highlights, numbered markers and redactions: drawn with their
// tools in the current style, composed in their layers, selected in their
// order, moved, restyled and deleted, each change one undo step, every
// partial recomposition equal to a full one.
void tst_toolcontroller::shapes_DrawSelectMoveRestyleDeleteRenumberAndUndo()
{
    Editor e;
    auto sameAsFullRedraw = [&e] {
        const QImage shown = e.doc.DrawBmp.copy();
        e.doc.Redraw();
        return shown == e.doc.DrawBmp;
    };
    auto at = [&e](int x, int y) { return e.doc.DrawBmp.pixel(x, y); };
    // Dark text on the picture where the highlight goes.
    e.doc.BaseBmp.setPixel(250, 70, qRgb(0, 0, 0));
    e.doc.Redraw();

    e.choose(mdFrame);
    e.host.color = clBlue;
    e.host.width = 4;
    e.drag({50, 50}, {150, 120});
    e.drag({300, 300}, {300, 340}); // no width: no frame
    QCOMPARE(e.doc.FrameList.size(), size_t(1));
    QCOMPARE(*e.doc.FrameList[0], (TFrameRec{50, 50, 150, 120, 4, clBlue}));
    QVERIFY(at(50, 80) == qRgb(0, 0, 255) && at(150, 80) == qRgb(0, 0, 255));
    QVERIFY(at(100, 85) == qRgb(255, 255, 255) && at(56, 80) == qRgb(255, 255, 255));

    // The highlighter's first use offers yellow, multiplied in at 40 %.
    e.choose(mdHighlight);
    QCOMPARE(e.host.color, clYellow);
    e.drag({200, 50}, {300, 90});
    QCOMPARE(*e.doc.HighlightList[0], (THighlightRec{200, 50, 300, 90, clYellow}));
    QCOMPARE(at(220, 60), qRgb(255, 255, 153));
    QCOMPARE(at(250, 70), qRgb(0, 0, 0)); // dark stays dark
    QCOMPARE(at(300, 60), qRgb(255, 255, 255));

    e.choose(mdNumber);
    e.host.color = clRed;
    e.host.width = 5;
    for (int x : {400, 450, 500})
        e.drag({x, 100}, {x, 100});
    QCOMPARE(e.doc.NumberList.size(), size_t(3));
    QCOMPARE(at(392, 100), qRgb(255, 0, 0)); // inside the 20-pixel circle, beside the digit
    QCOMPARE(at(400, 111), qRgb(255, 255, 255));
    const QImage one = e.doc.DrawBmp.copy(388, 88, 25, 25);
    const QImage two = e.doc.DrawBmp.copy(438, 88, 25, 25);
    QVERIFY(two != one);
    QVERIFY(sameAsFullRedraw());

    // A redaction of a checkerboard: every pixel inside becomes a block's
    // grey, none keeps the pattern; outside, the pattern stays.
    for (int y = 180; y < 320; ++y)
        for (int x = 80; x < 240; ++x)
            e.doc.BaseBmp.setPixel(x, y, (x / 3 + y / 3) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    e.doc.Redraw();
    e.choose(mdRedact);
    e.drag({100, 200}, {220, 296});
    QCOMPARE(*e.doc.RedactList[0], (TRedactRec{100, 200, 220, 296}));
    for (int y = 200; y < 296; ++y)
        for (int x = 100; x < 220; ++x)
            QCOMPARE(at(x, y), qRgb(128, 128, 128));
    QCOMPARE(at(99, 200), e.doc.BaseBmp.pixel(99, 200));
    QCOMPARE(e.doc.History.stepCount(), 6);

    // Selection: lines and texts first, then markers, frames, highlights and
    // redactions; a frame only near its outline.
    e.choose(mdSelect);
    e.tools.PB1MouseDown(left(100, 85));
    QVERIFY(!e.doc.HasSelection());
    e.tools.PB1MouseUp(left(100, 85));
    e.drag({50, 80}, {60, 90}); // the frame, moved by (10, 10)
    QVERIFY(e.doc.SelFrame == e.doc.FrameList[0].get());
    QCOMPARE(*e.doc.FrameList[0], (TFrameRec{60, 60, 160, 130, 4, clBlue}));
    QCOMPARE(at(60, 90), qRgb(0, 0, 0)); // inverting the white under it while selected
    QVERIFY(sameAsFullRedraw());

    // Restyled: a colour one step, the width field's changes one together.
    QVERIFY(e.tools.RestyleColor(clGreen));
    QVERIFY(e.tools.RestyleWidth(8) && e.tools.RestyleWidth(9));
    QCOMPARE(*e.doc.FrameList[0], (TFrameRec{60, 60, 160, 130, 9, clGreen}));
    QCOMPARE(e.doc.History.stepCount(), 9);
    QVERIFY(sameAsFullRedraw());
    e.drag({250, 60}, {250, 60}); // the highlight: a colour, but no width
    QVERIFY(e.doc.SelHighlight);
    QVERIFY(!e.tools.RestyleWidth(3));
    QVERIFY(e.tools.RestyleColor(clAqua));
    QCOMPARE(e.doc.HighlightList[0]->Color, clAqua);
    QCOMPARE(e.doc.History.stepCount(), 10);

    // The redaction moved a block's width: its blocks follow the picture
    // under them; an overlapping highlight is drawn over them.
    e.drag({150, 250}, {162, 250});
    QVERIFY(e.doc.SelRedact);
    QCOMPARE(*e.doc.RedactList[0], (TRedactRec{112, 200, 232, 296}));
    QCOMPARE(at(105, 250), e.doc.BaseBmp.pixel(105, 250));
    QVERIFY(sameAsFullRedraw());

    // Deleting the first marker renumbers the rest: the second shows 1.
    e.drag({392, 100}, {392, 100});
    QVERIFY(e.doc.SelNumber == e.doc.NumberList[0].get());
    e.tools.DeleteSelected();
    QCOMPARE(e.doc.NumberList.size(), size_t(2));
    QCOMPARE(e.doc.DrawBmp.copy(438, 88, 25, 25), one);
    QCOMPARE(e.doc.DrawBmp.copy(488, 88, 25, 25), two);
    QCOMPARE(at(392, 100), qRgb(255, 255, 255));
    QVERIFY(sameAsFullRedraw());
    e.choose(mdNumber);
    e.drag({550, 100}, {550, 100}); // the next one is 3, one more than the count
    const QImage three = e.doc.DrawBmp.copy(538, 88, 25, 25);
    QVERIFY(three != one && three != two);

    // Back, step by step, to the first frame alone.
    QVERIFY(e.tools.Undo() && e.tools.Undo()); // the marker placed, the deletion
    QCOMPARE(e.doc.NumberList.size(), size_t(3));
    QCOMPARE(e.doc.DrawBmp.copy(388, 88, 25, 25), one);
    QVERIFY(sameAsFullRedraw());
    QVERIFY(e.tools.Undo() && e.tools.Undo()); // the redaction's move, the highlight's colour
    QCOMPARE(e.doc.HighlightList[0]->Color, clYellow);
    QVERIFY(e.tools.Undo()); // both width changes at once
    QCOMPARE(*e.doc.FrameList[0], (TFrameRec{60, 60, 160, 130, 4, clGreen}));
    QVERIFY(e.tools.Undo() && e.tools.Undo()); // the colour, the move
    QCOMPARE(*e.doc.FrameList[0], (TFrameRec{50, 50, 150, 120, 4, clBlue}));
    QVERIFY(e.tools.Undo()); // the redaction
    QCOMPARE(at(150, 250), e.doc.BaseBmp.pixel(150, 250));
    QVERIFY(sameAsFullRedraw());
    while (e.tools.Undo()) {
    }
    QVERIFY(e.doc.FrameList.empty() && e.doc.HighlightList.empty() && e.doc.NumberList.empty());
    QVERIFY(!e.doc.Modified());
}

QTEST_MAIN(tst_toolcontroller)
#include "tst_toolcontroller.moc"
