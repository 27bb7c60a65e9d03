// The entry of the module korvane_metafile, which MetafilePlayers.cpp looks up.
#include "document/formats/MetafilePlayers.h"
#include "document/formats/MetafileToSvg.h"

extern "C" __attribute__((visibility("default"))) const korvane::MetafilePlayers *
korvane_metafile_players()
{
    static const korvane::MetafilePlayers players{&korvane::windowsMetafileToSvg,
                                                  &korvane::enhancedMetafileToSvg};
    return &players;
}
