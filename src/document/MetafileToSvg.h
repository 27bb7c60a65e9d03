#pragma once

#include <QByteArray>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace korvane {

// How a conversion run in a child process ended.
enum class ConversionOutcome {
    Converted, // the child wrote its SVG and exited normally
    Refused,   // the library reported the file as unreadable
    Crashed,   // the child died of a signal or exited abnormally
    TimedOut,  // the child was killed for running past the time limit
    TooLarge,  // the child was killed for writing more SVG than allowed
};

struct SvgConversion
{
    ConversionOutcome outcome = ConversionOutcome::Refused;
    QByteArray svg; // only when Converted
};

inline constexpr std::chrono::milliseconds kConversionTimeLimit{10000};
// More SVG than this is not a picture but a damaged file whose records repeat:
// Qt would spend minutes reading it. Real metafiles, embedded bitmaps
// included, give a few megabytes at most.
inline constexpr qsizetype kMaxSvgBytes = qsizetype(64) << 20;

// Work run in the child: fills svg and returns true, or returns false when
// the file cannot be converted. It runs after fork() in a process that may
// have had other threads, so it must not call Qt (whose locks may be held by
// threads that no longer exist there); plain C and C++ library calls are fine.
using ChildConversion = std::function<bool(std::string &svg)>;

// Runs convert in a child process and collects what it writes. The metafile
// libraries are C code that may crash, loop or run away with memory on a
// damaged file; in a child that costs the conversion, not the program.
SvgConversion convertInChild(const ChildConversion &convert,
                             std::chrono::milliseconds timeLimit = kConversionTimeLimit,
                             qsizetype maxSvgBytes = kMaxSvgBytes);

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
