// Enhanced metafiles to SVG through libemf2svg; runs in the conversion child.
#include "document/formats/MetafileToSvg.h"

#include <emf2svg.h>

#include <vector>

namespace korvane {

bool enhancedMetafileToSvg(const unsigned char *data, std::size_t size, std::string &svg)
{
    // libemf2svg takes a mutable buffer; it is the child's own copy anyway.
    std::vector<char> file(data, data + size);
    static char noNamespace[] = "";
    generatorOptions options{};
    options.nameSpace = noNamespace;
    options.verbose = false;
    // Records only: EMF+ data in comment records is left alone, and a dual
    // file is drawn from its ordinary records.
    options.emfplus = false;
    options.svgDelimiter = true;
    // Width and height 0: one user unit per reference-device pixel.
    options.imgWidth = 0;
    options.imgHeight = 0;

    char *text = nullptr;
    std::size_t length = 0;
    const int converted = emf2svg(file.data(), file.size(), &text, &length, &options);
    if (!converted || text == nullptr)
        return false;
    svg.assign(text, length);
    return true;
}

} // namespace korvane
