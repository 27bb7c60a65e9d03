#pragma once

#include "editor/AnnotationSet.h"
#include "editor/Annotations.h"
#include "editor/DocumentHistory.h"
#include "editor/ToolModes.h"

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

namespace korvane {

// The one open document of the editor: the picture without annotations
// (BaseBmp), the annotations laid over it, and the composed picture (DrawBmp)
// that is shown, saved, printed and sampled. Annotations are never painted
// into BaseBmp; Redraw rebuilds DrawBmp from BaseBmp and every annotation.
//
// Invariants: DrawBmp has BaseBmp's size and is Format_RGB32; each Sel... is
// null or points into its list, and at most one is set.
//
// Where nothing lies over a 32-bit BaseBmp, DrawBmp is BaseBmp itself, shared
// as QImage shares: a pasted screen shot costs one picture's memory and no
// copy until the first annotation. Writing to either one parts them.
//
// Every change the user makes is recorded in History, from which Modified
// follows: LoadDocument starts it afresh, saving marks where it stands.
class EditorDocument
{
public:
    EditorDocument();
    EditorDocument(const EditorDocument &) = delete;
    EditorDocument &operator=(const EditorDocument &) = delete;

    QString FileName;
    std::vector<std::unique_ptr<TLineRec>> LineList;
    std::vector<std::unique_ptr<TMoji>> MojiList;
    std::vector<std::unique_ptr<TFrameRec>> FrameList;
    std::vector<std::unique_ptr<THighlightRec>> HighlightList;
    std::vector<std::unique_ptr<TNumberRec>> NumberList; // numbered 1, 2, ... in this order
    std::vector<std::unique_ptr<TRedactRec>> RedactList;
    qint32 Mode = mdNone;
    qint32 TextX = 0;
    qint32 TextY = 0;
    qint32 DragX = 0;
    qint32 DragY = 0;
    TLineRec *SelLine = nullptr;
    TMoji *SelMoji = nullptr;
    TFrameRec *SelFrame = nullptr;
    THighlightRec *SelHighlight = nullptr;
    TNumberRec *SelNumber = nullptr;
    TRedactRec *SelRedact = nullptr;
    bool Dragging = false;
    // The crop tool's rectangle, inside the picture; empty when none is
    // chosen. Shown over the picture, never composed into it.
    QRect CropRect;
    QImage BaseBmp;
    QImage DrawBmp;
    DocumentHistory History{*this};

    // The document differs from what was last loaded, made or saved.
    bool Modified() const { return !History.isClean(); }

    // Frees every annotation and clears the selection.
    void ClearAnnotations();
    // No annotation selected (nothing redrawn).
    void DropSelection();
    bool HasSelection() const;
    // Makes BaseBmp 24-bit (Format_RGB32) and white, keeping its size.
    void ClearBaseBmp();
    // BaseBmp := picture; DrawBmp takes its size (a null picture makes both
    // empty, 0 x 0). Does not redraw, but a 32-bit picture is already its
    // own composition without annotations.
    void SetPicture(QImage picture);
    // A new white 640 x 480 picture in BaseBmp and DrawBmp. Does not redraw.
    void NewPicture();
    // Composes into DrawBmp, from the bottom up: BaseBmp with every
    // redaction applied, the highlights, the frames, the lines, the numbered
    // markers and the texts, each kind oldest first, the selected one in its
    // selected form.
    void Redraw();
    // BaseBmp with every redaction applied, as the composition starts from:
    // what a file that keeps the annotations editable stores as its picture,
    // so that what a redaction hides is in no file. BaseBmp itself (shared)
    // without redactions; otherwise 32-bit, BaseBmp's alpha kept.
    QImage redactedBase() const;
    // The same, for the part `area` of the picture only: after a change
    // whose every pixel lies inside `area` (an annotation moved from one
    // extent to another), DrawBmp is then what a full Redraw would give, at a
    // fraction of the cost on large pictures.
    void RedrawArea(const QRegion &area);
    // Every pixel of the picture that the annotation's drawing may touch.
    QRegion Area(const TLineRec &line) const { return LineArea(line, &DrawBmp); }
    QRegion Area(const TMoji &text) const { return text.Extent() & DrawBmp.rect(); }
    QRegion Area(const TFrameRec &frame) const { return FrameArea(frame, DrawBmp.size()); }
    QRegion Area(const THighlightRec &band) const
    {
        return HighlightExtent(band, DrawBmp.size());
    }
    QRegion Area(const TNumberRec &number) const { return NumberExtent(number, DrawBmp.size()); }
    QRegion Area(const TRedactRec &redaction) const
    {
        return RedactExtent(redaction, DrawBmp.size());
    }
    // Where the selected annotation is drawn; empty without a selection.
    QRegion SelectionArea() const;

    // The annotations as values, and back: setAnnotations replaces every
    // annotation by the set's and clears the selection; it does not redraw.
    AnnotationSet annotations() const;
    void setAnnotations(const AnnotationSet &set);
    // The annotations are the set's, in its order.
    bool holds(const AnnotationSet &set) const;
    // Every pixel whose composition may differ between the annotations `a`
    // and `b`: the areas of the annotations that one has and the other has
    // not, past what both begin and end with.
    QRegion areaBetween(const AnnotationSet &a, const AnnotationSet &b) const;

private:
    std::vector<const TRedactRec *> redactions() const;

    PenState m_pen; // the pen of DrawBmp's canvas, kept between Redraws
};

} // namespace korvane
