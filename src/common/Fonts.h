#pragma once

#include <QFont>

namespace korvane {

// Maps the Japanese face names of the window layouts to the IPA fonts, which
// have the same metrics. Call once after the application object exists.
void installFontSubstitutions();

// A font as the layouts give it: a face name and a height in the platform's
// sense (negative: character height in pixels; positive: cell height).
QFont layoutFont(const QString &face, int height, bool bold = false);

} // namespace korvane
