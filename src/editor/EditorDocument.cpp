#include "editor/EditorDocument.h"

#include "common/PictureLimits.h"

#include <algorithm>
#include <cstring>

namespace korvane {

namespace {

constexpr int kNewWidth = 640;
constexpr int kNewHeight = 480;

// DrawBmp := BaseBmp inside `area`, converted to 32 bits where it has
// another format.
void copyBase(const QImage &base, QImage &draw, const QRect &area)
{
    if (base.format() == QImage::Format_RGB32 || base.format() == QImage::Format_ARGB32) {
        if (area == draw.rect() && base.bytesPerLine() == draw.bytesPerLine()) {
            std::memcpy(draw.bits(), base.constBits(), size_t(base.sizeInBytes()));
        } else {
            const size_t rowBytes = size_t(area.width()) * 4;
            const qsizetype offset = qsizetype(area.left()) * 4;
            for (int y = area.top(); y <= area.bottom(); ++y)
                std::memcpy(draw.scanLine(y) + offset, base.constScanLine(y) + offset, rowBytes);
        }
        if (base.format() == QImage::Format_ARGB32) // a 32-bit picture's alpha is not shown
            draw.reinterpretAsFormat(QImage::Format_RGB32);
        return;
    }
    QPainter painter(&draw);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(area.topLeft(), base, area);
}

} // namespace

EditorDocument::EditorDocument() = default;

void EditorDocument::ClearAnnotations()
{
    DropSelection();
    LineList.clear();
    MojiList.clear();
    FrameList.clear();
    HighlightList.clear();
    NumberList.clear();
    RedactList.clear();
}

void EditorDocument::DropSelection()
{
    SelLine = nullptr;
    SelMoji = nullptr;
    SelFrame = nullptr;
    SelHighlight = nullptr;
    SelNumber = nullptr;
    SelRedact = nullptr;
}

bool EditorDocument::HasSelection() const
{
    return SelLine || SelMoji || SelFrame || SelHighlight || SelNumber || SelRedact;
}

void EditorDocument::ClearBaseBmp()
{
    if (BaseBmp.isNull())
        return;
    // A picture shared with DrawBmp would be copied only to be painted over.
    if (BaseBmp.format() != QImage::Format_RGB32 || !BaseBmp.isDetached())
        BaseBmp = allocatePicture(BaseBmp.width(), BaseBmp.height(), QImage::Format_RGB32);
    BaseBmp.fill(toQRgb(clWhite));
}

void EditorDocument::SetPicture(QImage picture)
{
    // A resize to 0 % leaves an empty picture: nothing to show or compose,
    // and every operation on it must still run.
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        BaseBmp = QImage();
        DrawBmp = QImage();
        return;
    }
    if (picture.format() == QImage::Format_RGB32) {
        DrawBmp = picture;
        BaseBmp = std::move(picture);
        return;
    }
    QImage draw = DrawBmp.size() == picture.size() && DrawBmp.isDetached()
                      ? DrawBmp
                      : allocatePicture(picture.width(), picture.height(), QImage::Format_RGB32);
    BaseBmp = std::move(picture);
    DrawBmp = std::move(draw);
}

void EditorDocument::NewPicture()
{
    QImage white = allocatePicture(kNewWidth, kNewHeight, QImage::Format_RGB32);
    white.fill(toQRgb(clWhite));
    SetPicture(std::move(white));
}

void EditorDocument::Redraw()
{
    RedrawArea(DrawBmp.rect());
}

QRegion EditorDocument::SelectionArea() const
{
    if (SelLine)
        return Area(*SelLine);
    if (SelMoji)
        return Area(*SelMoji);
    if (SelFrame)
        return Area(*SelFrame);
    if (SelHighlight)
        return Area(*SelHighlight);
    if (SelNumber)
        return Area(*SelNumber);
    if (SelRedact)
        return Area(*SelRedact);
    return {};
}

std::vector<const TRedactRec *> EditorDocument::redactions() const
{
    std::vector<const TRedactRec *> recs;
    recs.reserve(RedactList.size());
    for (const auto &rec : RedactList)
        recs.push_back(rec.get());
    return recs;
}

QImage EditorDocument::redactedBase() const
{
    if (RedactList.empty() || BaseBmp.isNull())
        return BaseBmp;
    const QImage::Format format = BaseBmp.format() == QImage::Format_ARGB32 ||
                                          BaseBmp.format() == QImage::Format_ARGB32_Premultiplied
                                      ? BaseBmp.format()
                                      : QImage::Format_RGB32;
    QImage redacted =
        BaseBmp.format() == format ? BaseBmp.copy() : BaseBmp.convertToFormat(format);
    checkAllocated(redacted, BaseBmp.width(), BaseBmp.height());
    RedactPixels(BaseBmp, redacted, redactions(), redacted.rect());
    return redacted;
}

namespace {

template <class T>
void copyOut(const std::vector<std::unique_ptr<T>> &list, std::vector<T> &values)
{
    values.reserve(list.size());
    for (const auto &held : list)
        values.push_back(*held);
}

template <class T>
void copyIn(const std::vector<T> &values, std::vector<std::unique_ptr<T>> &list)
{
    list.reserve(values.size());
    for (const T &value : values)
        list.push_back(std::make_unique<T>(value));
}

} // namespace

AnnotationSet EditorDocument::annotations() const
{
    AnnotationSet set;
    copyOut(LineList, set.lines);
    copyOut(MojiList, set.texts);
    copyOut(FrameList, set.frames);
    copyOut(HighlightList, set.highlights);
    copyOut(NumberList, set.numbers);
    copyOut(RedactList, set.redactions);
    return set;
}

void EditorDocument::setAnnotations(const AnnotationSet &set)
{
    ClearAnnotations();
    copyIn(set.lines, LineList);
    copyIn(set.texts, MojiList);
    copyIn(set.frames, FrameList);
    copyIn(set.highlights, HighlightList);
    copyIn(set.numbers, NumberList);
    copyIn(set.redactions, RedactList);
}

namespace {

template <class T>
bool sameList(const std::vector<std::unique_ptr<T>> &list, const std::vector<T> &values)
{
    return std::equal(list.begin(), list.end(), values.begin(), values.end(),
                      [](const auto &held, const T &value) { return *held == value; });
}

// Calls `f` for each element of `a` and of `b` between the run both begin
// with and the run both end with: what a change between them replaced.
template <class T, class F>
void forEachDiffering(const std::vector<T> &a, const std::vector<T> &b, F f)
{
    const size_t shorter = std::min(a.size(), b.size());
    size_t head = 0;
    while (head < shorter && a[head] == b[head])
        ++head;
    size_t tail = 0;
    while (tail < shorter - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    for (size_t i = head; i < a.size() - tail; ++i)
        f(a[i]);
    for (size_t i = head; i < b.size() - tail; ++i)
        f(b[i]);
}

bool borrowsPen(const AnnotationSet &set)
{
    return std::any_of(set.lines.begin(), set.lines.end(),
                       [](const TLineRec &line) { return line.Width < 0; });
}

} // namespace

bool EditorDocument::holds(const AnnotationSet &set) const
{
    return sameList(LineList, set.lines) && sameList(MojiList, set.texts) &&
           sameList(FrameList, set.frames) && sameList(HighlightList, set.highlights) &&
           sameList(NumberList, set.numbers) && sameList(RedactList, set.redactions);
}

QRegion EditorDocument::areaBetween(const AnnotationSet &a, const AnnotationSet &b) const
{
    // A line of negative width is drawn with the pen the line before it left,
    // over the whole picture: any change before it may change all of it.
    if (borrowsPen(a) || borrowsPen(b))
        return DrawBmp.rect();
    QRegion area;
    forEachDiffering(a.lines, b.lines, [&](const TLineRec &line) { area += Area(line); });
    forEachDiffering(a.texts, b.texts, [&](const TMoji &text) { area += Area(text); });
    forEachDiffering(a.frames, b.frames, [&](const TFrameRec &frame) { area += Area(frame); });
    forEachDiffering(a.highlights, b.highlights,
                     [&](const THighlightRec &band) { area += Area(band); });
    forEachDiffering(a.redactions, b.redactions,
                     [&](const TRedactRec &redaction) { area += Area(redaction); });
    // A marker's number is its place: past the first that differs, every
    // marker of the longer list may show another number.
    const size_t shorter = std::min(a.numbers.size(), b.numbers.size());
    size_t first = 0;
    while (first < shorter && a.numbers[first] == b.numbers[first])
        ++first;
    for (size_t i = first; i < a.numbers.size(); ++i)
        area += Area(a.numbers[i]);
    for (size_t i = first; i < b.numbers.size(); ++i)
        area += Area(b.numbers[i]);
    return area;
}

void EditorDocument::RedrawArea(const QRegion &area)
{
    QRegion clip = area & DrawBmp.rect();
    if (clip.isEmpty())
        return;
    const bool bare = LineList.empty() && MojiList.empty() && FrameList.empty() &&
                      HighlightList.empty() && NumberList.empty() && RedactList.empty();
    if (bare && BaseBmp.format() == QImage::Format_RGB32) {
        DrawBmp = BaseBmp;
        return;
    }
    if (!DrawBmp.isDetached()) {
        // Shared with BaseBmp: a picture of its own, composed whole, rather
        // than a copy that is then copied over.
        DrawBmp = allocatePicture(BaseBmp.width(), BaseBmp.height(), QImage::Format_RGB32);
        clip = DrawBmp.rect();
    }
    for (const QRect &part : clip)
        copyBase(BaseBmp, DrawBmp, part);
    if (bare)
        return;
    // Redactions first, straight over the picture: nothing drawn over them
    // is ever averaged into their blocks.
    if (!RedactList.empty())
        RedactPixels(BaseBmp, DrawBmp, redactions(), clip);
    for (const auto &band : HighlightList)
        DrawHighlight(DrawBmp, *band, clip);
    QPainter canvas(&DrawBmp);
    const bool whole = clip == QRegion(DrawBmp.rect());
    if (!whole)
        canvas.setClipRegion(clip);
    const QSize size = DrawBmp.size();
    if (SelRedact && (whole || clip.intersects(RedactExtent(*SelRedact, size))))
        DrawRedactFrame(canvas, *SelRedact);
    if (SelHighlight && (whole || clip.intersects(HighlightExtent(*SelHighlight, size))))
        DrawHighlightFrame(canvas, *SelHighlight);
    for (const auto &frame : FrameList) {
        if (whole || clip.intersects(FrameExtent(*frame, size)))
            DrawFrame(canvas, *frame, frame.get() == SelFrame);
    }
    // Annotations outside the area are passed over, but their effect on the
    // pen is kept, so each one inside is drawn as a full Redraw draws it.
    for (const auto &line : LineList) {
        if (whole || clip.intersects(LineExtent(*line, &DrawBmp)))
            DrawLineRec(canvas, m_pen, *line, line.get() == SelLine);
        else
            SkipLineRec(&DrawBmp, m_pen, *line);
    }
    for (size_t i = 0; i < NumberList.size(); ++i) {
        const TNumberRec &number = *NumberList[i];
        if (whole || clip.intersects(NumberExtent(number, size)))
            DrawNumber(canvas, number, int(i + 1), &number == SelNumber);
    }
    for (const auto &moji : MojiList) {
        if (whole || clip.intersects(moji->Extent()))
            moji->Draw(canvas, m_pen, moji.get() == SelMoji);
        else
            SkipMoji(m_pen, moji.get() == SelMoji);
    }
}

} // namespace korvane
