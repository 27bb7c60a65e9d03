#include "ui/editor/CursorTable.h"

#include "common/KorvaneError.h"
#include "document/PictureFile.h"
#include "document/formats/IconReader.h"

#include <QFile>
#include <QPixmap>

namespace korvane {

void CursorTable::loadFromCurrentDirectory()
{
    const std::pair<int, const char *> files[] = {
        {crSpoide, "spoid.cur"}, {crPen, "pen.cur"}, {crPaint, "paint.cur"}, {crLine, "line.cur"}};
    for (const auto &[slot, name] : files) {
        m_cursors.remove(slot);
        const QString path = QString::fromLatin1(name);
        if (!QFile::exists(path))
            continue;
        try {
            const CursorPicture picture = readCursor(readWholeFile(path));
            m_cursors.insert(slot, QCursor(QPixmap::fromImage(picture.image), picture.hotSpot.x(),
                                           picture.hotSpot.y()));
        } catch (const KorvaneError &) {
            // An unreadable cursor only costs its picture: the arrow stands in.
        }
    }
}

QCursor CursorTable::cursor(int slot) const
{
    return m_cursors.value(slot, QCursor(Qt::ArrowCursor));
}

} // namespace korvane
