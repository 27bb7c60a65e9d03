// The editor window's hot paths, through the same handlers that a user's
// pointer and keys run: a move while drawing a line, a highlight or a
// redaction, a move while dragging a
// selected text, a paste of a 4K picture, and undoing and redoing a line.
// Each includes the repaint of what the window shows, in a window maximised
// on a 4K screen.

#include "BenchPictures.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/widgets/PaintBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <memory>

using namespace korvane;
using namespace bench;

namespace {

// Counts the picture's paints, so a run proves that each step was shown.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Editor
{
    Editor()
    {
        window.resize(kWidth, kHeight);
        window.show();
        QImage picture = photoLikePicture(kWidth, kHeight);
        QGuiApplication::clipboard()->setImage(picture);
        window.ActPastExecute();
        addAnnotations(window.document());
        window.Redraw();
        window.PB1->installEventFilter(&counter);
        QApplication::processEvents();
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button)
    {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, at, window.PB1->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(window.PB1, &event);
    }
    // One step of the pointer, shown on the screen before the next.
    void moveTo(QPoint at)
    {
        mouse(QEvent::MouseMove, at, Qt::NoButton);
        QApplication::processEvents();
    }

    TKorvaneForm0 launcher;
    TKorvaneForm1 window{&launcher, QString()};
    PaintCounter counter;
};

Editor *g_editor = nullptr;

Editor &editor()
{
    if (!g_editor)
        g_editor = new Editor; // lives to the end of the program, as the window does
    return *g_editor;
}

void reportPaints(benchmark::State &state, int before)
{
    state.counters["paints_per_step"] =
        double(editor().counter.paints - before) / double(qMax<qint64>(1, state.iterations()));
}

// A stroke of a usual length (about 1500 x 900 pixels); and the worst case,
// a stroke from corner to corner, whose every move changes most of the picture.
// Presses at `start`, then each iteration moves the pointer to a point near
// `end` through the window's handler (and its repaint); releases at `end`.
void dragOut(benchmark::State &state, Editor &e, QPoint start, QPoint end)
{
    e.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    const int before = e.counter.paints;
    int i = 0;
    for (auto _ : state) {
        e.moveTo(end + QPoint((i % 64) * 7, (i % 32) * 5));
        ++i;
    }
    reportPaints(state, before);
    e.mouse(QEvent::MouseButtonRelease, end, Qt::LeftButton);
}

void BM_Window_DrawLineMove(benchmark::State &state)
{
    Editor &e = editor();
    e.window.Line1->click();
    const QPoint start = state.range(0) ? QPoint(2, 2) : QPoint(200, 200);
    const QPoint end = state.range(0) ? QPoint(3600, 2000) : QPoint(1200, 900);
    dragOut(state, e, start, end);
    e.window.document().LineList.pop_back();
}
BENCHMARK(BM_Window_DrawLineMove)
    ->ArgName("corner_to_corner")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// Dragging out a highlight or a redaction of a usual size (about 1000 x 700
// pixels at the end): every move recomposes the rectangle it grows in, the
// redaction averaging its blocks anew. Meant to stay within 3 times
// Baseline_Memcpy, the plain copy of the picture's bytes.
void BM_Window_DragShapeMove(benchmark::State &state)
{
    Editor &e = editor();
    QToolButton *tool = state.range(0) ? e.window.Redact1 : e.window.Highlight1;
    tool->click();
    const QPoint start(400, 300);
    const QPoint end(1400, 1000);
    dragOut(state, e, start, end);
    e.window.ActUndo->trigger();
    state.SetLabel(state.range(0) ? "redaction" : "highlight");
}
BENCHMARK(BM_Window_DragShapeMove)->ArgName("redaction")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Window_DragSelectedTextMove(benchmark::State &state)
{
    Editor &e = editor();
    e.window.Select1->click();
    const TMoji &text = *e.window.document().MojiList.back();
    const QPoint grip(text.X + 2, text.Y + 2);
    e.mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    if (e.window.document().SelMoji != &text)
        state.SkipWithError("the text was not selected");
    const int before = e.counter.paints;
    int i = 0;
    for (auto _ : state) {
        const int step = (i++ % 2) ? 3 : -3; // back and forth: the text stays put on average
        e.moveTo(grip + QPoint(step, step));
    }
    reportPaints(state, before);
    e.mouse(QEvent::MouseButtonRelease, grip, Qt::LeftButton);
}
BENCHMARK(BM_Window_DragSelectedTextMove)->Unit(benchmark::kMillisecond);

void BM_Window_Paste4K(benchmark::State &state)
{
    Editor &e = editor();
    const int before = e.counter.paints;
    for (auto _ : state) {
        e.window.ActPastExecute();
        QApplication::processEvents();
    }
    reportPaints(state, before);
}
BENCHMARK(BM_Window_Paste4K)->Unit(benchmark::kMillisecond);

// 元に戻す and やり直し of a line just drawn over the 200 annotations: the
// step, the recomposition of the line's area and its repaint, each shown.
void BM_Window_UndoRedoLine(benchmark::State &state)
{
    Editor &e = editor();
    e.window.Line1->click();
    e.mouse(QEvent::MouseButtonPress, QPoint(1200, 700), Qt::LeftButton);
    e.moveTo(QPoint(1700, 1000));
    e.mouse(QEvent::MouseButtonRelease, QPoint(1700, 1000), Qt::LeftButton);
    QApplication::processEvents();
    const int before = e.counter.paints;
    for (auto _ : state) {
        e.window.ActUndo->trigger();
        QApplication::processEvents();
        e.window.ActRedo->trigger();
        QApplication::processEvents();
    }
    reportPaints(state, before);
    state.SetLabel("an undo and a redo");
    e.window.ActUndo->trigger();
}
BENCHMARK(BM_Window_UndoRedoLine)->Unit(benchmark::kMillisecond);

} // namespace
