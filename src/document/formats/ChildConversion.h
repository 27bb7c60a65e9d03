// Runs a conversion in a child process, where a crash or a runaway costs only that conversion.
#pragma once

#include <QByteArray>

#include <chrono>
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

} // namespace korvane
