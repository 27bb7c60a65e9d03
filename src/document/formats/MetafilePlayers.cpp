#include "document/formats/MetafilePlayers.h"

#include "common/KorvaneError.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>
#include <vector>

namespace korvane {

namespace {

// Where the module lies beside the running program: in the build folder (the
// program and the fuzzers in it, the tests one folder below), or where the
// installation puts it, KORVANE_INSTALLED_MODULE_DIR from the program's folder.
std::vector<std::string> moduleCandidates()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    std::string folder(path, std::size_t(length));
    folder.erase(folder.rfind('/'));
    const std::string name = "/korvane_metafile.so";
    return {folder + name, folder + "/.." + name, folder + "/" KORVANE_INSTALLED_MODULE_DIR + name};
}

const MetafilePlayers *loadPlayers()
{
    using Entry = const MetafilePlayers *(*)();
    for (const std::string &candidate : moduleCandidates()) {
        void *module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module)
            continue;
        if (const auto entry = reinterpret_cast<Entry>(dlsym(module, kMetafilePlayersEntry)))
            return entry();
        dlclose(module);
    }
    return nullptr;
}

} // namespace

const MetafilePlayers &metafilePlayers()
{
    static const MetafilePlayers *const players = loadPlayers();
    if (!players)
        throw KorvaneError(
            QStringLiteral("メタファイルを読むための部品（korvane_metafile.so）が見つかりません"));
    return *players;
}

} // namespace korvane
