// The metafile conversions, run in a child through convertInChild, and the repairs of their SVG.
// The two conversions are built into the module korvane_metafile; the
// program reaches them through metafilePlayers() (MetafilePlayers.h).
#pragma once

// Every caller of these conversions runs them through convertInChild.
#include "document/formats/ChildConversion.h"

#include <QByteArray>

#include <cstddef>
#include <string>

namespace korvane {

// A placeable Windows metafile (with its 22-byte header) as SVG whose
// coordinate system is width × height, with the metafile's window (the area
// its bounding box describes) filling it. When libwmf rejects a record, the
// records before it are drawn. Runs libwmf; call it in the child.
bool windowsMetafileToSvg(const unsigned char *data, std::size_t size, int width, int height,
                          std::string &svg);

// An enhanced metafile as SVG, one user unit per pixel of the metafile's
// reference device, translated so that the top-left corner of the header's
// bounds rectangle (rclBounds) is at (0, 0). Runs libemf2svg; call it in the
// child.
bool enhancedMetafileToSvg(const unsigned char *data, std::size_t size, std::string &svg);

// libwmf's SVG made readable for Qt: the text of <text> elements XML-escaped
// and recoded to UTF-8 from the Windows code page it was written in.
QByteArray readableWindowsSvg(const QByteArray &svg);

// libemf2svg's SVG with its references to patterns made valid.
QByteArray withPatternReferences(const QByteArray &svg);

} // namespace korvane
