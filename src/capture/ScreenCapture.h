#pragma once

#include <QImage>

class QWidget;

namespace korvane {

enum class CaptureTarget { WholeScreen, ActiveWindow };

// Takes a picture of the whole screen (every monitor: the whole desktop) or
// of the active window with its frame, in the screens' device pixels, and
// puts it on the clipboard, replacing what was there: the same road a Print
// Screen key takes. `parent` is the window a desktop may ask the user about
// (Wayland's portal). Throws KorvaneError, in words a user understands, when
// the session offers no way to capture or refuses.
void captureToClipboard(CaptureTarget target, QWidget *parent);

// The picture alone, for the same targets.
QImage capturePicture(CaptureTarget target, QWidget *parent);

} // namespace korvane
