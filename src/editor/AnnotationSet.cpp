#include "editor/AnnotationSet.h"

namespace korvane {

qsizetype AnnotationSet::approximateBytes() const
{
    qsizetype bytes = qsizetype(sizeof(AnnotationSet)) +
                      qsizetype(lines.capacity() * sizeof(TLineRec)) +
                      qsizetype(texts.capacity() * sizeof(TMoji)) +
                      qsizetype(frames.capacity() * sizeof(TFrameRec)) +
                      qsizetype(highlights.capacity() * sizeof(THighlightRec)) +
                      qsizetype(numbers.capacity() * sizeof(TNumberRec)) +
                      qsizetype(redactions.capacity() * sizeof(TRedactRec));
    for (const TMoji &text : texts)
        bytes += text.Text.capacity() * qsizetype(sizeof(QChar));
    return bytes;
}

} // namespace korvane
