#pragma once

#include <QByteArray>
#include <QImage>

namespace korvane {

// Decodes a JPEG file at full size with libjpeg: colour pictures to
// Format_RGB32, greyscale ones to Format_Grayscale8.
// Errors of the decoder throw KorvaneError("JPEG エラー #<libjpeg message code>").
// When the data ends before the picture does, libjpeg fills the rest with
// grey and the picture is still returned; *cutShort (when given) says so.
QImage readJpeg(const QByteArray &file, bool *cutShort = nullptr);

} // namespace korvane
