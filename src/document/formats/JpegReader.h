#pragma once

#include <QByteArray>
#include <QImage>

namespace korvane {

// Decodes a JPEG file at full size with libjpeg: colour pictures to
// Format_RGB32, greyscale ones to Format_Grayscale8.
// Errors of the decoder throw KorvaneError("JPEG エラー #<libjpeg message code>").
QImage readJpeg(const QByteArray &file);

} // namespace korvane
