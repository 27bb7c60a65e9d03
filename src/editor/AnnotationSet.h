#pragma once

#include "editor/Annotations.h"
#include "editor/Shapes.h"

#include <vector>

namespace korvane {

// The document's annotations as plain values, each kind in its own list in
// the document's order (oldest first): what an undo step keeps of them, and
// the form a document stored in a file holds them in. A new kind of
// annotation adds its list here and in EditorDocument's two conversions.
struct AnnotationSet
{
    std::vector<TLineRec> lines;
    std::vector<TMoji> texts;
    std::vector<TFrameRec> frames;
    std::vector<THighlightRec> highlights;
    std::vector<TNumberRec> numbers;
    std::vector<TRedactRec> redactions;

    // What keeping the set costs in memory, roughly: its records and the
    // characters of its texts (a font is shared with the annotations that
    // use it, so only its handle counts).
    qsizetype approximateBytes() const;

    bool operator==(const AnnotationSet &) const = default;
};

} // namespace korvane
