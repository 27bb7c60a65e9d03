#pragma once

#include <QCursor>
#include <QMap>

namespace korvane {

// The editor's own cursors, by the slot numbers the tools use.
enum CursorSlot { crPen = 3, crSpoide = 4, crPaint = 5, crLine = 6 };

// Cursors loaded from "spoid.cur", "pen.cur", "paint.cur" and "line.cur" in
// the current directory. A file that is missing or unreadable leaves its slot
// empty, and an empty slot gives the ordinary arrow.
class CursorTable
{
public:
    void loadFromCurrentDirectory();
    QCursor cursor(int slot) const;
    bool has(int slot) const { return m_cursors.contains(slot); }

private:
    QMap<int, QCursor> m_cursors;
};

} // namespace korvane
