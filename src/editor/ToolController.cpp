#include "editor/ToolController.h"

#include "transform/PictureTransforms.h"

#include <algorithm>
#include <climits>

namespace korvane {

namespace {

// Coordinates moved by the pointer stay within 32 bits however often an
// annotation is dragged in one direction.
qint32 shifted(qint32 value, qint64 delta)
{
    return qint32(std::clamp<qint64>(qint64(value) + delta, INT_MIN, INT_MAX));
}

void shiftBy(TLineRec &rec, qint64 dx, qint64 dy)
{
    rec.X1 = shifted(rec.X1, dx);
    rec.X2 = shifted(rec.X2, dx);
    rec.Y1 = shifted(rec.Y1, dy);
    rec.Y2 = shifted(rec.Y2, dy);
}
template <class Rec> void shiftCorners(Rec &rec, qint64 dx, qint64 dy)
{
    rec.X1 = shifted(rec.X1, dx);
    rec.X2 = shifted(rec.X2, dx);
    rec.Y1 = shifted(rec.Y1, dy);
    rec.Y2 = shifted(rec.Y2, dy);
}
void shiftBy(TFrameRec &rec, qint64 dx, qint64 dy) { shiftCorners(rec, dx, dy); }
void shiftBy(THighlightRec &rec, qint64 dx, qint64 dy) { shiftCorners(rec, dx, dy); }
void shiftBy(TRedactRec &rec, qint64 dx, qint64 dy) { shiftCorners(rec, dx, dy); }
template <class Rec> void shiftBy(Rec &rec, qint64 dx, qint64 dy) // a text or a marker
{
    rec.X = shifted(rec.X, dx);
    rec.Y = shifted(rec.Y, dy);
}

template <class List> void shiftAll(List &list, qint64 dx, qint64 dy)
{
    for (const auto &item : list)
        shiftBy(*item, dx, dy);
}

template <class List, class Rec> bool eraseSelected(List &list, Rec *selected)
{
    if (!selected)
        return false;
    std::erase_if(list, [selected](const auto &held) { return held.get() == selected; });
    return true;
}

// The first annotation of the list under (x, y), oldest first.
template <class List, class Hit> auto *firstHit(const List &list, Hit hit)
{
    for (const auto &held : list) {
        if (hit(*held))
            return held.get();
    }
    return decltype(list.front().get())(nullptr);
}

void applyStyle(TMoji &moji, const TextStyle &style)
{
    moji.Text = style.text;
    moji.Font = style.font;
    moji.FontColor = style.fontColor;
    moji.BkColor = style.transparent ? clNone : style.background;
}

} // namespace

ToolController::ToolController(EditorDocument &document, ToolHost &host)
    : m_doc(document), m_host(host)
{
}

void ToolController::Redraw()
{
    m_doc.Redraw();
    m_host.showPicture(m_doc.DrawBmp.rect());
}

void ToolController::RedrawMoved(const QRegion &before, const QRegion &after)
{
    const QRegion changed = before | after;
    m_doc.RedrawArea(changed);
    m_host.showPicture(changed);
}

const ToolModeInfo *ToolController::ApplyToolMode(qint32 downMode)
{
    const ToolModeInfo *info = toolModeInfo(downMode);
    if (info)
        m_doc.Mode = info->mode;
    if (info && info->mode == mdHighlight && !m_highlightOffered) {
        m_highlightOffered = true;
        m_host.setLineColor(clYellow);
    }
    CancelCrop(); // another tool gives the crop up; choosing it again starts anew
    ClearSelection();
    return info;
}

void ToolController::ClearSelection()
{
    m_host.clearTextControls();
    m_doc.DropSelection();
    Redraw();
}

void ToolController::DeleteSelected()
{
    if (!m_doc.HasSelection())
        return;
    AnnotationSet before = m_doc.annotations();
    eraseSelected(m_doc.LineList, m_doc.SelLine) || eraseSelected(m_doc.MojiList, m_doc.SelMoji) ||
        eraseSelected(m_doc.FrameList, m_doc.SelFrame) ||
        eraseSelected(m_doc.HighlightList, m_doc.SelHighlight) ||
        eraseSelected(m_doc.NumberList, m_doc.SelNumber) ||
        eraseSelected(m_doc.RedactList, m_doc.SelRedact);
    m_doc.DropSelection();
    m_doc.History.recordAnnotations(std::move(before));
    changed();
    ClearSelection();
}

void ToolController::changed()
{
    m_host.documentTouched();
}

void ToolController::selectAt(qint32 x, qint32 y)
{
    // Lines before texts, and the oldest first, although the newest is drawn
    // on top: a user reaches an annotation under another by deleting that one.
    for (const auto &rec : m_doc.LineList) {
        if (LineHitTest(*rec, x, y)) {
            m_doc.SelLine = rec.get();
            break;
        }
    }
    if (!m_doc.SelLine) {
        for (const auto &moji : m_doc.MojiList) {
            if (moji->Contains(x, y)) {
                m_doc.SelMoji = moji.get();
                break;
            }
        }
    }
    // Then the kinds that came later: the small markers, the outlines, and
    // the filled areas last, as they often lie under everything else.
    if (!m_doc.HasSelection())
        m_doc.SelNumber =
            firstHit(m_doc.NumberList, [&](const auto &rec) { return NumberHitTest(rec, x, y); });
    if (!m_doc.HasSelection())
        m_doc.SelFrame =
            firstHit(m_doc.FrameList, [&](const auto &rec) { return FrameHitTest(rec, x, y); });
    if (!m_doc.HasSelection())
        m_doc.SelHighlight = firstHit(m_doc.HighlightList,
                                      [&](const auto &rec) { return HighlightHitTest(rec, x, y); });
    if (!m_doc.HasSelection())
        m_doc.SelRedact =
            firstHit(m_doc.RedactList, [&](const auto &rec) { return RedactHitTest(rec, x, y); });
    if (!m_doc.HasSelection())
        return;
    m_doc.History.beginChange(); // a move, if the pointer moves it
    m_doc.DragX = x;
    m_doc.DragY = y;
    m_doc.Dragging = true;
    if (m_doc.SelMoji)
        m_host.focusTextEntry();
}

void ToolController::PB1MouseDown(const PointerEvent &event)
{
    if (event.button != PointerEvent::Button::Left)
        return;
    changed();
    switch (m_doc.Mode) {
    case mdSelect:
        ClearSelection();
        selectAt(event.X, event.Y);
        break;
    case mdLine:
    case mdArrow: {
        m_doc.History.beginChange();
        auto rec = std::make_unique<TLineRec>();
        rec->X1 = rec->X2 = event.X;
        rec->Y1 = rec->Y2 = event.Y;
        rec->Width = m_host.lineWidth();
        rec->Color = m_host.lineColor();
        rec->Arrow = m_doc.Mode == mdArrow;
        m_doc.LineList.push_back(std::move(rec));
        m_doc.Dragging = true;
        break;
    }
    case mdFrame:
    case mdHighlight:
    case mdNumber:
    case mdRedact:
        pressShape(event.X, event.Y);
        break;
    case mdText:
        m_doc.Dragging = true;
        break;
    case mdTextPlaced:
        m_doc.Mode = mdText;
        Redraw(); // takes the insertion bar off the screen
        m_doc.Dragging = true;
        break;
    case mdSpoide:
        // The composed picture, so annotations and selection marks can be
        // picked too. Outside the picture there is nothing to pick.
        if (m_doc.DrawBmp.valid(event.X, event.Y))
            m_host.setLineColor(fromQRgb(m_doc.DrawBmp.pixel(event.X, event.Y)));
        break;
    case mdCrop:
        // A new drag replaces the rectangle.
        m_cropStart = QPoint(event.X, event.Y);
        m_doc.Dragging = true;
        dragCrop(event.X, event.Y);
        break;
    default:
        break;
    }
}

void ToolController::moveSelection(qint32 x, qint32 y)
{
    const qint64 dx = qint64(x) - m_doc.DragX;
    const qint64 dy = qint64(y) - m_doc.DragY;
    auto move = [&](auto *rec) {
        if (!rec)
            return;
        const QRegion before = m_doc.Area(*rec);
        shiftBy(*rec, dx, dy);
        RedrawMoved(before, m_doc.Area(*rec));
    };
    move(m_doc.SelLine);
    move(m_doc.SelMoji);
    move(m_doc.SelFrame);
    move(m_doc.SelHighlight);
    move(m_doc.SelNumber);
    move(m_doc.SelRedact);
    m_doc.DragX = x;
    m_doc.DragY = y;
}

bool CropDocument(EditorDocument &document, const QRect &rect)
{
    if (rect.isEmpty())
        return false;
    QImage cropped = CropPicture(document.BaseBmp, rect); // may throw: nothing changed yet
    AnnotationSet annotationsBefore = document.annotations();
    const qint64 dx = -qint64(rect.x()), dy = -qint64(rect.y());
    shiftAll(document.LineList, dx, dy);
    shiftAll(document.MojiList, dx, dy);
    shiftAll(document.FrameList, dx, dy);
    shiftAll(document.HighlightList, dx, dy);
    shiftAll(document.NumberList, dx, dy);
    shiftAll(document.RedactList, dx, dy);
    QImage before = document.BaseBmp;
    document.DropSelection();
    document.SetPicture(std::move(cropped));
    document.History.recordPicture(std::move(before), std::move(annotationsBefore));
    return true;
}

void ToolController::dragCrop(qint32 x, qint32 y)
{
    // The pixels between the press and the pointer, the press's included
    // and the pointer's not, as far as they lie on the picture.
    const int left = qMin(m_cropStart.x(), x), top = qMin(m_cropStart.y(), y);
    const QRect spanned(left, top, qMax(m_cropStart.x(), x) - left, qMax(m_cropStart.y(), y) - top);
    m_doc.CropRect = spanned & m_doc.DrawBmp.rect();
    m_host.showCropRect(m_doc.CropRect);
}

void ToolController::CancelCrop()
{
    if (m_doc.CropRect.isEmpty() && !(m_doc.Mode == mdCrop && m_doc.Dragging))
        return;
    if (m_doc.Mode == mdCrop)
        m_doc.Dragging = false;
    m_doc.CropRect = QRect();
    m_host.showCropRect(QRect());
}

bool ToolController::CropToRect()
{
    if (m_doc.Mode != mdCrop || m_doc.Dragging || !CropDocument(m_doc, m_doc.CropRect))
        return false;
    m_doc.CropRect = QRect();
    m_host.showCropRect(QRect());
    changed();
    Redraw();
    return true;
}

void ToolController::PB1MouseMove(const PointerEvent &event)
{
    m_host.showPointerPosition(event.X, event.Y);
    if (!m_doc.Dragging)
        return;
    switch (m_doc.Mode) {
    case mdSelect:
        moveSelection(event.X, event.Y);
        break;
    case mdCrop:
        dragCrop(event.X, event.Y);
        break;
    case mdFrame:
    case mdHighlight:
    case mdNumber:
    case mdRedact:
        dragShape(event.X, event.Y);
        break;
    case mdLine:
    case mdArrow:
        // Empty when a shortcut replaced the document while the button was held.
        if (!m_doc.LineList.empty()) {
            TLineRec &rec = *m_doc.LineList.back();
            const QRegion before = m_doc.Area(rec);
            rec.X2 = event.X;
            rec.Y2 = event.Y;
            RedrawMoved(before, m_doc.Area(rec));
        }
        break;
    default:
        break;
    }
}

void ToolController::PB1MouseUp(const PointerEvent &event)
{
    if (event.button != PointerEvent::Button::Left || !m_doc.Dragging)
        return;
    m_doc.Dragging = false;
    switch (m_doc.Mode) {
    case mdCrop:
        dragCrop(event.X, event.Y);
        if (!m_doc.CropRect.isEmpty())
            m_host.enableTextConfirm(); // 確　定 crops, as Enter does
        break;
    case mdSelect:
        if (m_doc.History.endChange())
            changed();
        if (m_doc.SelMoji)
            m_host.loadTextControls(*m_doc.SelMoji);
        Redraw(); // shows the selection mark
        break;
    case mdLine:
    case mdArrow:
        if (!m_doc.LineList.empty()) {
            const TLineRec &rec = *m_doc.LineList.back();
            if (rec.X1 == rec.X2 && rec.Y1 == rec.Y2)
                m_doc.LineList.pop_back(); // a click without a stroke leaves no line
        }
        if (m_doc.History.endChange())
            changed();
        break;
    case mdFrame:
    case mdHighlight:
    case mdNumber:
    case mdRedact:
        releaseShape();
        break;
    case mdText:
    case mdTextPlaced:
        m_doc.TextX = event.X;
        m_doc.TextY = event.Y;
        m_doc.Mode = mdTextPlaced;
        m_host.enableTextConfirm();
        m_host.drawTextCaret(m_doc.TextX, m_doc.TextY);
        m_host.focusTextEntry();
        break;
    default:
        break;
    }
}

bool ToolController::TextOKButtonClick(const TextStyle &style)
{
    if (m_doc.Mode == mdCrop)
        return CropToRect();
    if (m_doc.Mode == mdSelect && m_doc.SelMoji) {
        AnnotationSet before = m_doc.annotations();
        applyStyle(*m_doc.SelMoji, style);
        if (!m_doc.holds(before)) // confirmed as it was, it is no step
            m_doc.History.recordAnnotations(std::move(before));
        changed();
        Redraw();
        return true;
    }
    if (m_doc.Mode != mdTextPlaced)
        return false;
    AnnotationSet before = m_doc.annotations();
    auto moji = std::make_unique<TMoji>();
    moji->X = m_doc.TextX;
    moji->Y = m_doc.TextY;
    applyStyle(*moji, style);
    m_doc.MojiList.push_back(std::move(moji));
    m_doc.History.recordAnnotations(std::move(before));
    changed();
    m_doc.Mode = mdText;
    Redraw(); // also takes the insertion bar off the screen
    return true;
}

bool ToolController::Undo()
{
    return stepHistory(true);
}

bool ToolController::Redo()
{
    return stepHistory(false);
}

bool ToolController::stepHistory(bool back)
{
    DocumentHistory &history = m_doc.History;
    if (m_doc.Dragging || !(back ? history.canUndo() : history.canRedo()))
        return false;
    CancelCrop();                            // drawn on the picture that is going
    QRegion changed = m_doc.SelectionArea(); // the selection mark goes
    const bool textLoaded = m_doc.SelMoji;
    changed += back ? history.undo() : history.redo();
    m_doc.DropSelection();
    if (textLoaded)
        m_host.clearTextControls();
    RedrawMoved(changed, QRegion());
    if (m_doc.Mode == mdTextPlaced)
        m_host.drawTextCaret(m_doc.TextX, m_doc.TextY); // the bar went with the repaint
    this->changed();
    return true;
}

} // namespace korvane
