// Undo and redo, beside the change they take back:
//   a line drawn on a 4K document with 200 annotations, undone and redone
//   by the history alone (the step's own cost: the annotations exchanged
//   and the area they changed found), and through the tools with the
//   recomposition of that area, as Ctrl+Z and Ctrl+Y run them;
//   a quarter turn of an 8K picture, undone through the tools (the inverse
//   turn and the recomposition), beside the same turn made through the
//   document as the window makes it. The ratio to read: Undo_Turn8K over
//   Turn8K, meant to stay within 1.5.

#include "BenchPictures.h"
#include "editor/ToolController.h"
#include "transform/PictureTransforms.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace korvane;
using namespace bench;

namespace {

// The window, reduced to nothing: what is measured is the document's work.
class NullHost : public ToolHost
{
public:
    qint32 lineWidth() const override { return 5; }
    TColor lineColor() const override { return clRed; }
    void setLineColor(TColor) override {}
    void showPicture(const QRegion &) override {}
    void documentTouched() override {}
    void clearTextControls() override {}
    void loadTextControls(const TMoji &) override {}
    void enableTextConfirm() override {}
    void focusTextEntry() override {}
    void drawTextCaret(qint32, qint32) override {}
    void showPointerPosition(qint32, qint32) override {}
    void showCropRect(const QRect &) override {}
};

struct Document
{
    Document(int width, int height, bool annotated)
    {
        doc.SetPicture(photoLikePicture(width, height));
        if (annotated)
            addAnnotations(doc);
        doc.Redraw();
        doc.History.reset();
    }
    EditorDocument doc;
    NullHost host;
    ToolController tools{doc, host};
};

// 200 annotations and one more line, drawn as the pointer draws it.
Document &annotated()
{
    static Document *document = [] {
        auto *d = new Document(kWidth, kHeight, true); // lives to the end of the program
        d->tools.ApplyToolMode(mdLine);
        d->tools.PB1MouseDown({PointerEvent::Button::Left, 1200, 700});
        d->tools.PB1MouseMove({PointerEvent::Button::None, 1700, 1000});
        d->tools.PB1MouseUp({PointerEvent::Button::Left, 1700, 1000});
        return d;
    }();
    return *document;
}

void BM_Undo_AnnotationStep(benchmark::State &state)
{
    Document &d = annotated();
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.doc.History.undo());
        benchmark::DoNotOptimize(d.doc.History.redo());
    }
    state.counters["annotations"] = double(d.doc.LineList.size() + d.doc.MojiList.size());
    state.SetLabel("an undo and a redo");
}
BENCHMARK(BM_Undo_AnnotationStep)->Unit(benchmark::kMicrosecond);

void BM_Undo_AnnotationStep_Redraw(benchmark::State &state)
{
    Document &d = annotated();
    for (auto _ : state) {
        d.tools.Undo();
        d.tools.Redo();
        benchmark::DoNotOptimize(d.doc.DrawBmp.constBits());
    }
    state.SetLabel("an undo and a redo");
}
BENCHMARK(BM_Undo_AnnotationStep_Redraw)->Unit(benchmark::kMicrosecond);

constexpr int k8kWidth = 7680;
constexpr int k8kHeight = 4320;

Document &picture8k()
{
    static Document *document = new Document(k8kWidth, k8kHeight, false);
    return *document;
}

void BM_Turn8K(benchmark::State &state)
{
    Document &d = picture8k();
    d.doc.History.reset();
    for (auto _ : state) {
        d.doc.SetPicture(TransformPicture(d.doc.BaseBmp, tkRotate90));
        d.doc.History.recordTransform(tkRotate90);
        d.tools.Redraw();
        benchmark::DoNotOptimize(d.doc.DrawBmp.constBits());
    }
    state.SetBytesProcessed(state.iterations() * d.doc.BaseBmp.sizeInBytes());
}
BENCHMARK(BM_Turn8K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Undo_Turn8K(benchmark::State &state)
{
    Document &d = picture8k();
    d.doc.History.reset();
    d.doc.SetPicture(TransformPicture(d.doc.BaseBmp, tkRotate90));
    d.doc.History.recordTransform(tkRotate90);
    d.tools.Redraw();
    for (auto _ : state) {
        d.tools.Undo();
        benchmark::DoNotOptimize(d.doc.DrawBmp.constBits());
        state.PauseTiming();
        d.tools.Redo();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * d.doc.BaseBmp.sizeInBytes());
}
BENCHMARK(BM_Undo_Turn8K)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
