// The metafile players live in the module korvane_metafile, with the
// libraries they run (libwmf, libemf2svg): the program starts without
// loading them, and loads them the first time a metafile is read.
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

struct MetafilePlayers
{
    // windowsMetafileToSvg and enhancedMetafileToSvg (MetafileToSvg.h).
    bool (*windows)(const unsigned char *data, std::size_t size, int width, int height,
                    std::string &svg);
    bool (*enhanced)(const unsigned char *data, std::size_t size, std::string &svg);
};

// Loads the module on the first call (in the program, before a conversion
// child is forked) and returns its players. Throws KorvaneError when the
// module is missing or is not the program's.
const MetafilePlayers &metafilePlayers();

// The module's one entry: a function of no arguments returning the players.
inline constexpr char kMetafilePlayersEntry[] = "korvane_metafile_players";

} // namespace korvane
