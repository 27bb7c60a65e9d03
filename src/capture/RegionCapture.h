#pragma once

#include "capture/RegionSelection.h"

#include <QImage>
#include <QList>

class QScreen;
class QWidget;

namespace korvane {

// The whole desktop frozen for choosing a region on it: its picture in the
// screens' device pixels and, for each screen, where it lies in Qt's
// coordinates and in the picture.
struct FrozenDesktop
{
    QImage picture;
    QList<QScreen *> screens;
    QList<ScreenArea> areas; // one a screen, in the order of `screens`

    // False where the picture cannot be laid over the screens (a portal's
    // picture of another size than the screens make up).
    bool fitsScreens() const { return !areas.isEmpty() && areas.size() == screens.size(); }
    // The chosen rectangle's pixels, exactly as they are in the picture;
    // they share its memory until they change.
    QImage part(QRect rect) const;
};

// Takes the picture as the whole-screen capture does (X11: the root window;
// Wayland: the portal's Screenshot without a question) and lays the screens
// over it: on X11 each screen at its RandR monitor's place, in its own
// device pixels, whatever its scale. Throws KorvaneError as the capture does.
FrozenDesktop freezeDesktop(QWidget *parent);

} // namespace korvane
