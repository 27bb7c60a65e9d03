#pragma once

#include <QFont>
#include <thread>

namespace korvane {

// Maps the Japanese face names of the window layouts to the IPA fonts, which
// have the same metrics. Call once after the application object exists.
void installFontSubstitutions();

// A font as the layouts give it: a face name and a height in the platform's
// sense (negative: character height in pixels; positive: cell height).
QFont layoutFont(const QString &face, int height, bool bold = false);

// Reads the system's font configuration (fontconfig parses every one of its
// files before the first text can be laid out) on a thread of its own, so
// that the reading overlaps the program's other start-up work. wait(), or
// the destructor, joins it; call it before the first text.
class FontConfigurationLoader
{
public:
    FontConfigurationLoader();
    ~FontConfigurationLoader();
    FontConfigurationLoader(const FontConfigurationLoader &) = delete;
    FontConfigurationLoader &operator=(const FontConfigurationLoader &) = delete;

    void wait();

private:
    std::thread m_thread;
};

} // namespace korvane
