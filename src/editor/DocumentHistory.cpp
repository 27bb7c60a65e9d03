#include "editor/DocumentHistory.h"

#include "editor/EditorDocument.h"
#include "transform/PictureTransforms.h"

namespace korvane {

namespace {

int inverseTransform(int kind)
{
    switch (kind) {
    case tkRotate90:
        return tkRotate270;
    case tkRotate270:
        return tkRotate90;
    default:
        return kind; // a half turn and the mirrorings undo themselves
    }
}

// Reducing an enlarged picture gives the original back exactly only for
// 32-bit pictures without alpha: the stretch makes those and no other format.
bool undoneByReducing(const QImage &before, const QImage &after)
{
    return !before.isNull() && !after.isNull() && before.format() == QImage::Format_RGB32 &&
           after.format() == QImage::Format_RGB32 && after.width() >= before.width() &&
           after.height() >= before.height();
}

} // namespace

DocumentHistory::DocumentHistory(EditorDocument &document) : m_doc(document) {}

void DocumentHistory::reset(bool saved)
{
    m_steps.clear();
    m_position = 0;
    m_clean = saved ? 0 : -1;
    m_bytes = 0;
    m_pending.reset();
    ++m_serial;
}

void DocumentHistory::markClean()
{
    m_clean = m_position;
    ++m_serial;
}

void DocumentHistory::beginChange()
{
    closeChange(nullptr);
    m_pending = m_doc.annotations();
}

bool DocumentHistory::endChange()
{
    return closeChange(nullptr);
}

bool DocumentHistory::closeChange(const AnnotationSet *now)
{
    if (!m_pending)
        return false;
    AnnotationSet before = std::move(*m_pending);
    m_pending.reset();
    if (now ? *now == before : m_doc.holds(before))
        return false;
    record(AnnotationsStep{std::move(before)});
    return true;
}

void DocumentHistory::recordAnnotations(AnnotationSet before)
{
    // A drag still open ended where this change began.
    closeChange(&before);
    record(AnnotationsStep{std::move(before)});
}

void DocumentHistory::recordTransform(int kind)
{
    closeChange(nullptr);
    record(TransformStep{inverseTransform(kind)});
}

void DocumentHistory::recordStretch(QImage before)
{
    closeChange(nullptr);
    if (undoneByReducing(before, m_doc.BaseBmp))
        record(StretchStep{before.size()});
    else
        record(PictureStep{std::move(before), std::nullopt});
}

void DocumentHistory::recordPicture(QImage before, std::optional<AnnotationSet> annotationsBefore)
{
    closeChange(annotationsBefore ? &*annotationsBefore : nullptr);
    record(PictureStep{std::move(before), std::move(annotationsBefore)});
}

void DocumentHistory::record(Step step)
{
    // What was undone is given up, the saved state with it if it lay there.
    while (stepCount() > m_position) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    if (m_clean > m_position)
        m_clean = -1;
    const qsizetype bytes = bytesOf(step);
    ++m_serial;
    m_steps.push_back({std::move(step), bytes});
    m_bytes += bytes;
    ++m_position;
    while (m_bytes > m_cap && m_steps.size() > 1) {
        m_bytes -= m_steps.front().bytes;
        m_steps.pop_front();
        --m_position;
        m_clean = m_clean > 0 ? m_clean - 1 : -1;
    }
}

qsizetype DocumentHistory::bytesOf(const Step &step)
{
    const qsizetype entry = qsizetype(sizeof(Entry));
    if (const auto *annotations = std::get_if<AnnotationsStep>(&step))
        return entry + annotations->other.approximateBytes();
    if (const auto *picture = std::get_if<PictureStep>(&step))
        return entry + picture->other.sizeInBytes() +
               (picture->annotations ? picture->annotations->approximateBytes() : 0);
    return entry;
}

QRegion DocumentHistory::undo()
{
    closeChange(nullptr);
    if (!canUndo())
        return {};
    const QRegion changed = exchange(m_steps[size_t(m_position - 1)]);
    --m_position;
    return changed;
}

QRegion DocumentHistory::redo()
{
    closeChange(nullptr);
    if (!canRedo())
        return {};
    const QRegion changed = exchange(m_steps[size_t(m_position)]);
    ++m_position;
    return changed;
}

QRegion DocumentHistory::exchangeAnnotations(AnnotationSet &other)
{
    AnnotationSet current = m_doc.annotations();
    const QRegion changed = m_doc.areaBetween(current, other);
    m_doc.setAnnotations(other);
    other = std::move(current);
    return changed;
}

QRegion DocumentHistory::exchange(Entry &entry)
{
    // Whatever can fail is done before anything of the document changes.
    ++m_serial;
    QRegion changed;
    if (auto *annotations = std::get_if<AnnotationsStep>(&entry.step)) {
        changed = exchangeAnnotations(annotations->other);
    } else if (auto *transform = std::get_if<TransformStep>(&entry.step)) {
        m_doc.SetPicture(TransformPicture(m_doc.BaseBmp, transform->kind));
        transform->kind = inverseTransform(transform->kind);
        changed = m_doc.DrawBmp.rect();
    } else if (auto *stretch = std::get_if<StretchStep>(&entry.step)) {
        const QSize current = m_doc.BaseBmp.size();
        m_doc.SetPicture(
            StretchPicture(m_doc.BaseBmp, stretch->other.width(), stretch->other.height()));
        stretch->other = current;
        changed = m_doc.DrawBmp.rect();
    } else if (auto *picture = std::get_if<PictureStep>(&entry.step)) {
        QImage current = m_doc.BaseBmp;
        m_doc.SetPicture(picture->other); // a copy: shared, and kept should this throw
        picture->other = std::move(current);
        if (picture->annotations)
            exchangeAnnotations(*picture->annotations);
        changed = m_doc.DrawBmp.rect();
    }
    m_bytes += bytesOf(entry.step) - entry.bytes;
    entry.bytes = bytesOf(entry.step);
    return changed;
}

} // namespace korvane
