#pragma once

// A PNG that keeps its annotations editable. Every program sees an ordinary
// PNG of the composed picture; inside it, a private ancillary chunk that is
// not safe to copy (so editors that change the pixels drop it) holds what
// gives the document back: the annotations as records and the picture under
// them, stored only where it differs from the composed pixels.
// docs/editable-png.md describes the stored form.

#include "editor/AnnotationSet.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <optional>

class QIODevice;

namespace korvane {

class EditorDocument;

// The chunk's type: ancillary, private, reserved bit clear, unsafe to copy.
inline constexpr char kEditableChunkType[] = "kvED";

// What a document stored in an editable PNG holds besides its composed pixels.
struct EditableDocument
{
    QImage base;
    AnnotationSet annotations;
    // The annotation that was selected when the file was written (its marks
    // are part of the composed pixels), by its index in its list; -1: none.
    int selectedLine = -1;
    int selectedText = -1;
    int selectedFrame = -1;
    int selectedHighlight = -1;
    int selectedNumber = -1;
    int selectedRedaction = -1;
};

// Selects in `document`, whose annotations are the stored ones, the
// annotation that was selected when the file was written (none when none was).
void selectStoredAnnotation(EditorDocument &document, const EditableDocument &stored);

// Writes `composed` as a PNG that also carries `base` (the picture under the
// annotations) and `annotations`, so that readEditablePng gives them back.
// `composed` must be what EditorDocument's Redraw makes of them (with the
// selection of the second form). Throws KorvaneError on write failure.
void writeEditablePng(const QImage &composed, const QImage &base, const AnnotationSet &annotations,
                      QIODevice *device);
void writeEditablePng(const QImage &composed, const EditableDocument &document, QIODevice *device);

struct EditableRead
{
    QImage picture;                           // the file's pixels, as readPng gives them
    std::optional<EditableDocument> document; // set only when the annotations were restored
    QString notRestored; // when the file carried annotations that could not be restored: why,
                         // one Japanese sentence for the status bar; else empty
};

// Throws KorvaneError only where readPng would (the PNG itself damaged).
// The stored document is given back only when composing it gives exactly
// the file's pixels: a file whose picture another program changed, a chunk
// that is damaged, foreign, of a later version or absurdly large, opens as
// its plain picture with the reason in notRestored.
EditableRead readEditablePng(QByteArrayView file);

} // namespace korvane
