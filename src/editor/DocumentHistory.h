#pragma once

#include "editor/AnnotationSet.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <deque>
#include <optional>
#include <variant>

namespace korvane {

class EditorDocument;

// The undo history of the one document: every change, in the order made, as
// one step. A step holds the document's state on its other side, so undoing
// and redoing it both exchange that state with the document's:
//   - a change of the annotations keeps the other annotations as values;
//   - a turn or mirror keeps only the transform that leads back (90 and 270
//     undo each other, 180 and the mirrorings themselves), every pixel and
//     the pixel format coming back exactly;
//   - an enlargement of a 32-bit picture keeps only the other size: reducing
//     undoes it exactly, and enlarging again redoes it;
//   - any other change of the picture (a paste, a reduction, a resize of
//     another format) keeps the other picture, shared as QImage shares, and
//     the other annotations when it changed those too.
//
// Modified follows it: the document is unchanged at the position marked clean
// (loaded, made new, saved) and changed anywhere else; a capture starts a
// history without a clean position. Past the byte cap the oldest steps go;
// the newest step is always kept, so no change of the user's ever fails here.
class DocumentHistory
{
public:
    static constexpr qsizetype kDefaultCapBytes = qsizetype(512) << 20;

    explicit DocumentHistory(EditorDocument &document);

    // A fresh history. Its start is the saved state of a document loaded or
    // made new, or, with `saved` false, unsaved work (a capture).
    void reset(bool saved = true);
    // The document as it is now is what was saved.
    void markClean();
    bool isClean() const { return m_clean == m_position; }
    // Counts every step recorded, undone or redone, every reset and every
    // save: a change that finds it as it left it follows its own step
    // directly and may join it.
    quint64 serial() const { return m_serial; }

    bool canUndo() const { return m_position > 0; }
    bool canRedo() const { return m_position < qsizetype(m_steps.size()); }

    // A change of the annotations that the pointer makes over several events
    // (a line drawn, an annotation dragged): the state before it is kept from
    // beginChange until endChange, which records a step when anything
    // changed, and says whether it did. Another step recorded, a reset, or
    // the next beginChange close a change whose end never came.
    void beginChange();
    bool endChange();

    // Changes made at once, recorded after they are made: `before` is the
    // state the change replaced.
    void recordAnnotations(AnnotationSet before);
    void recordTransform(int kind);
    // A resize from `before` to the document's picture now.
    void recordStretch(QImage before);
    // The picture replaced (a paste; a crop with the annotations it moved).
    void recordPicture(QImage before, std::optional<AnnotationSet> annotationsBefore = {});

    // Exchange one step with the document and return the part of the picture
    // whose composition that changed (all of it for a change of the picture).
    // The selection is left as it is only when no annotation was replaced;
    // nothing is redrawn. A picture that cannot be had in memory throws
    // KorvaneError with the document and the history as they were.
    QRegion undo();
    QRegion redo();

    // The steps' approximate memory: the pictures and annotations they keep.
    qsizetype bytes() const { return m_bytes; }
    qsizetype stepCount() const { return qsizetype(m_steps.size()); }
    void setCapBytes(qsizetype cap) { m_cap = cap; }

private:
    struct AnnotationsStep
    {
        AnnotationSet other;
    };
    struct TransformStep
    {
        int kind; // the transform that leads to the other side
    };
    struct StretchStep
    {
        QSize other;
    };
    struct PictureStep
    {
        QImage other;
        std::optional<AnnotationSet> annotations;
    };
    using Step = std::variant<AnnotationsStep, TransformStep, StretchStep, PictureStep>;
    struct Entry
    {
        Step step;
        qsizetype bytes = 0;
    };

    void record(Step step);
    // Records the open drag change when it changed anything up to `now`
    // (the document's annotations when null); true when it did.
    bool closeChange(const AnnotationSet *now);
    QRegion exchange(Entry &entry);
    QRegion exchangeAnnotations(AnnotationSet &other);
    static qsizetype bytesOf(const Step &step);

    EditorDocument &m_doc;
    std::deque<Entry> m_steps;
    qsizetype m_position = 0; // steps before it are done, the rest undone
    qsizetype m_clean = 0;    // -1: no position is the saved state
    qsizetype m_bytes = 0;
    qsizetype m_cap = kDefaultCapBytes;
    quint64 m_serial = 0;
    std::optional<AnnotationSet> m_pending; // before the drag change now open
};

} // namespace korvane
