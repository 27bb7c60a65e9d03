#include "editor/AnnotationSet.h"

namespace korvane {

qsizetype AnnotationSet::approximateBytes() const
{
    qsizetype bytes = qsizetype(sizeof(AnnotationSet)) +
                      qsizetype(lines.capacity() * sizeof(TLineRec)) +
                      qsizetype(texts.capacity() * sizeof(TMoji));
    for (const TMoji &text : texts)
        bytes += text.Text.capacity() * qsizetype(sizeof(QChar));
    return bytes;
}

} // namespace korvane
