// The tools of the later annotation kinds (frames, highlights, numbered
// markers, redactions) and the restyling of a selected line or shape.
#include "editor/ToolController.h"

namespace korvane {

void ToolController::pressShape(qint32 x, qint32 y)
{
    m_doc.History.beginChange();
    switch (m_doc.Mode) {
    case mdFrame:
        m_doc.FrameList.push_back(std::make_unique<TFrameRec>(
            TFrameRec{x, y, x, y, m_host.lineWidth(), m_host.lineColor()}));
        break;
    case mdHighlight:
        m_doc.HighlightList.push_back(
            std::make_unique<THighlightRec>(THighlightRec{x, y, x, y, m_host.lineColor()}));
        break;
    case mdNumber: {
        m_doc.NumberList.push_back(std::make_unique<TNumberRec>(
            TNumberRec{x, y, m_host.lineWidth(), m_host.lineColor()}));
        const QRegion area = m_doc.Area(*m_doc.NumberList.back());
        RedrawMoved(area, QRegion()); // a marker shows at once, where it is pressed
        break;
    }
    case mdRedact:
        m_doc.RedactList.push_back(std::make_unique<TRedactRec>(TRedactRec{x, y, x, y}));
        break;
    default:
        return;
    }
    m_doc.Dragging = true;
}

void ToolController::dragShape(qint32 x, qint32 y)
{
    // The lists are empty when a shortcut replaced the document while the
    // button was held.
    auto corner = [&](auto &list) {
        if (list.empty())
            return;
        auto &rec = *list.back();
        const QRegion before = m_doc.Area(rec);
        rec.X2 = x;
        rec.Y2 = y;
        RedrawMoved(before, m_doc.Area(rec));
    };
    switch (m_doc.Mode) {
    case mdFrame:
        corner(m_doc.FrameList);
        break;
    case mdHighlight:
        corner(m_doc.HighlightList);
        break;
    case mdRedact:
        corner(m_doc.RedactList);
        break;
    case mdNumber:
        if (!m_doc.NumberList.empty()) { // the marker follows the pointer until released
            TNumberRec &rec = *m_doc.NumberList.back();
            const QRegion before = m_doc.Area(rec);
            rec.X = x;
            rec.Y = y;
            RedrawMoved(before, m_doc.Area(rec));
        }
        break;
    default:
        break;
    }
}

void ToolController::releaseShape()
{
    // A click or a drag without width or height leaves no rectangle.
    auto dropFlat = [&](auto &list) {
        if (!list.empty() && SpannedRect(*list.back()).isEmpty()) {
            const QRegion area = m_doc.Area(*list.back());
            list.pop_back();
            RedrawMoved(area, QRegion());
        }
    };
    if (m_doc.Mode == mdFrame)
        dropFlat(m_doc.FrameList);
    else if (m_doc.Mode == mdHighlight)
        dropFlat(m_doc.HighlightList);
    else if (m_doc.Mode == mdRedact)
        dropFlat(m_doc.RedactList);
    if (m_doc.History.endChange())
        changed();
}

template <class F> bool ToolController::restyle(F change, bool joinable)
{
    const void *target = nullptr;
    if (m_doc.SelLine)
        target = m_doc.SelLine;
    else if (m_doc.SelFrame)
        target = m_doc.SelFrame;
    else if (m_doc.SelHighlight)
        target = m_doc.SelHighlight;
    else if (m_doc.SelNumber)
        target = m_doc.SelNumber;
    if (!target)
        return false;
    AnnotationSet before = m_doc.annotations();
    QRegion area = m_doc.SelectionArea();
    if (!change())
        return false;
    area += m_doc.SelectionArea();
    if (m_doc.holds(before))
        return true; // as it was: no step
    DocumentHistory &history = m_doc.History;
    const bool join = joinable && target == m_widthTarget && history.serial() == m_widthSerial;
    if (!join)
        history.recordAnnotations(std::move(before));
    m_widthTarget = joinable ? target : nullptr;
    m_widthSerial = history.serial();
    changed();
    RedrawMoved(area, QRegion());
    return true;
}

bool ToolController::RestyleColor(TColor color)
{
    return restyle(
        [&] {
            if (m_doc.SelLine)
                m_doc.SelLine->Color = color;
            else if (m_doc.SelFrame)
                m_doc.SelFrame->Color = color;
            else if (m_doc.SelHighlight)
                m_doc.SelHighlight->Color = color;
            else
                m_doc.SelNumber->Color = color;
            return true;
        },
        false);
}

bool ToolController::RestyleWidth(qint32 width)
{
    return restyle(
        [&] {
            if (m_doc.SelLine)
                m_doc.SelLine->Width = width;
            else if (m_doc.SelFrame)
                m_doc.SelFrame->Width = width;
            else if (m_doc.SelNumber)
                m_doc.SelNumber->Width = width;
            else
                return false; // a highlight's band has no width
            return true;
        },
        true);
}

} // namespace korvane
