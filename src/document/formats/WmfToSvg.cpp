// Windows metafiles to SVG through libwmf; runs in the conversion child.
#include "document/formats/MetafileToSvg.h"

#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include <unistd.h>

namespace korvane {

namespace {

// libwmf measures text with FreeType and refuses to play a metafile with text
// when it cannot load the PostScript standard fonts it maps every face to. Its
// built-in table names Type 1 files that are seldom installed, so it gets
// TrueType fonts of the same design instead, the first one present of each
// list. The SVG names the face of the metafile; these only give the metrics.
#define KORVANE_LIBERATION "/usr/share/fonts/truetype/liberation2/"
#define KORVANE_LIBERATION_OLD "/usr/share/fonts/truetype/liberation/"
#define KORVANE_DEJAVU "/usr/share/fonts/truetype/dejavu/"
#define KORVANE_IPA "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"

struct StandardFont
{
    const char *postScriptName;
    const char *files[4];
};

#define KORVANE_FONT(ps, liberation, dejavu)                                                       \
    {                                                                                              \
        ps,                                                                                        \
        {                                                                                          \
            KORVANE_LIBERATION liberation, KORVANE_LIBERATION_OLD liberation,                      \
                KORVANE_DEJAVU dejavu, KORVANE_IPA                                                 \
        }                                                                                          \
    }

const StandardFont kStandardFonts[] = {
    KORVANE_FONT("Times-Roman", "LiberationSerif-Regular.ttf", "DejaVuSerif.ttf"),
    KORVANE_FONT("Times-Italic", "LiberationSerif-Italic.ttf", "DejaVuSerif-Italic.ttf"),
    KORVANE_FONT("Times-Bold", "LiberationSerif-Bold.ttf", "DejaVuSerif-Bold.ttf"),
    KORVANE_FONT("Times-BoldItalic", "LiberationSerif-BoldItalic.ttf",
                 "DejaVuSerif-BoldItalic.ttf"),
    KORVANE_FONT("Helvetica", "LiberationSans-Regular.ttf", "DejaVuSans.ttf"),
    KORVANE_FONT("Helvetica-Oblique", "LiberationSans-Italic.ttf", "DejaVuSans-Oblique.ttf"),
    KORVANE_FONT("Helvetica-Bold", "LiberationSans-Bold.ttf", "DejaVuSans-Bold.ttf"),
    KORVANE_FONT("Helvetica-BoldOblique", "LiberationSans-BoldItalic.ttf",
                 "DejaVuSans-BoldOblique.ttf"),
    KORVANE_FONT("Courier", "LiberationMono-Regular.ttf", "DejaVuSansMono.ttf"),
    KORVANE_FONT("Courier-Oblique", "LiberationMono-Italic.ttf", "DejaVuSansMono-Oblique.ttf"),
    KORVANE_FONT("Courier-Bold", "LiberationMono-Bold.ttf", "DejaVuSansMono-Bold.ttf"),
    KORVANE_FONT("Courier-BoldOblique", "LiberationMono-BoldItalic.ttf",
                 "DejaVuSansMono-BoldOblique.ttf"),
    KORVANE_FONT("Symbol", "LiberationSans-Regular.ttf", "DejaVuSans.ttf"),
};

#undef KORVANE_FONT

// The font table for wmf_api_create, {0}-terminated. Built in the child, so
// the files are looked up on every conversion: cheap, and always current.
std::vector<wmfMapping> standardFontMappings()
{
    std::vector<wmfMapping> mappings;
    for (const StandardFont &font : kStandardFonts) {
        for (const char *file : font.files) {
            if (::access(file, R_OK) == 0) {
                mappings.push_back(wmfMapping{const_cast<char *>(font.postScriptName),
                                              const_cast<char *>(file), FT_ENCODING_NONE});
                break;
            }
        }
    }
    mappings.push_back(wmfMapping{nullptr, nullptr, FT_ENCODING_NONE});
    return mappings;
}

// Record functions (the low 16 bits of a record's second field).
enum : std::uint16_t {
    kEof = 0x0000,
    kSetMapMode = 0x0103,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kSelectObject = 0x012D,
    kCreatePenIndirect = 0x02FA,
    kRectangle = 0x041B,
};

constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kMetaHeaderSize = 18;

std::uint16_t u16(const unsigned char *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}
std::int16_t s16(const unsigned char *p)
{
    return std::int16_t(u16(p));
}
std::uint32_t u32(const unsigned char *p)
{
    return std::uint32_t(u16(p)) | std::uint32_t(u16(p + 2)) << 16;
}

void put16(std::vector<unsigned char> &out, int value)
{
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void put32(std::vector<unsigned char> &out, std::uint32_t value)
{
    put16(out, int(value & 0xFFFF));
    put16(out, int(value >> 16));
}

bool isMappingRecord(std::uint16_t function)
{
    switch (function) {
    case kSetMapMode:
    case kSetWindowOrg:
    case kSetWindowExt:
    case kSetViewportOrg:
    case kSetViewportExt:
    case kOffsetWindowOrg:
    case kOffsetViewportOrg:
    case kScaleWindowExt:
    case kScaleViewportExt:
        return true;
    default:
        return false;
    }
}

// Whether a record draws something: once one has been met, the mapping in
// force is the one the picture is drawn with.
bool isDrawingRecord(std::uint16_t function)
{
    switch (function) {
    case 0x0213: // line to
    case 0x0324: // polygon
    case 0x0325: // polyline
    case 0x0538: // polypolygon
    case 0x041B: // rectangle
    case 0x061C: // round rectangle
    case 0x0418: // ellipse
    case 0x0817: // arc
    case 0x081A: // pie
    case 0x0830: // chord
    case 0x041F: // set pixel
    case 0x0521: // text out
    case 0x0A32: // extended text out
    case 0x061D: // pattern blit
    case 0x0922: // bit blit
    case 0x0B23: // stretch blit
    case 0x0940: // DIB bit blit
    case 0x0B41: // DIB stretch blit
    case 0x0F43: // stretch DIB
    case 0x0D33: // DIB to device
    case 0x0419: // flood fill
    case 0x0548: // extended flood fill
    case 0x0228: // fill region
    case 0x0429: // frame region
    case 0x012A: // invert region
    case 0x012B: // paint region
        return true;
    default:
        return false;
    }
}

// A copy of the metafile's start that holds only its mapping records (up to
// its first drawing) and then one rectangle over the window they set. Scanned
// by libwmf, its extent is where libwmf puts the window in its own device
// coordinates, which depend on the mapping mode in ways libwmf does not
// expose. A metafile without window records gets its bounding box as window,
// as a program that plays it into a rectangle would set it up.
std::vector<unsigned char> windowProbe(const unsigned char *data, std::size_t size)
{
    const unsigned char *meta = data + kPlaceableHeaderSize;
    const std::size_t metaSize = size - kPlaceableHeaderSize;
    std::size_t pos = std::size_t(u16(meta + 2)) * 2;
    if (metaSize < kMetaHeaderSize || pos < kMetaHeaderSize)
        return {};

    int left = s16(data + 6), top = s16(data + 8);
    int width = s16(data + 10) - left, height = s16(data + 12) - top;

    std::vector<unsigned char> records;
    std::uint32_t largest = 8;
    while (pos + 6 <= metaSize) {
        const std::uint32_t words = u32(meta + pos);
        const std::uint16_t function = u16(meta + pos + 4);
        if (words < 3 || function == kEof || words > (metaSize - pos) / 2 ||
            isDrawingRecord(function))
            break;
        if (isMappingRecord(function) && words <= 16) {
            const unsigned char *p = meta + pos + 6; // parameters, last one first
            const std::size_t params = words - 3;
            if (function == kSetWindowOrg && params >= 2) {
                top = s16(p);
                left = s16(p + 2);
            } else if (function == kSetWindowExt && params >= 2) {
                height = s16(p);
                width = s16(p + 2);
            } else if (function == kOffsetWindowOrg && params >= 2) {
                top += s16(p);
                left += s16(p + 2);
            } else if (function == kScaleWindowExt && params >= 4) {
                if (s16(p) == 0 || s16(p + 4) == 0)
                    break;
                height = height * s16(p + 2) / s16(p);
                width = width * s16(p + 6) / s16(p + 4);
            }
            records.insert(records.end(), meta + pos, meta + pos + words * 2);
            largest = std::max(largest, words);
        }
        pos += std::size_t(words) * 2;
    }
    if (width == 0 || height == 0)
        return {};

    // A null pen, so that the extent is the rectangle itself and no line
    // width is added around it.
    put32(records, 8);
    put16(records, kCreatePenIndirect);
    put16(records, 5); // PS_NULL
    put16(records, 0);
    put16(records, 0);
    put32(records, 0);
    put32(records, 4);
    put16(records, kSelectObject);
    put16(records, 0);
    put32(records, 7);
    put16(records, kRectangle);
    put16(records, top + height);
    put16(records, left + width);
    put16(records, top);
    put16(records, left);
    put32(records, 3);
    put16(records, kEof);

    std::vector<unsigned char> probe(data, data + kPlaceableHeaderSize);
    put16(probe, 1); // in memory
    put16(probe, 9); // header size in words
    put16(probe, 0x0300);
    put32(probe, std::uint32_t((kMetaHeaderSize + records.size()) / 2));
    put16(probe, 1); // objects
    put32(probe, largest);
    put16(probe, 0);
    probe.insert(probe.end(), records.begin(), records.end());
    return probe;
}

constexpr unsigned long kWmfOptions = WMF_OPT_FUNCTION | WMF_OPT_FONTMAP | WMF_OPT_IGNORE_NONFATAL |
                                      WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;

// Creates a libwmf player with the SVG device over data. The API handle is
// left to the child's exit to free: it exits right after converting.
wmfAPI *openWmf(std::vector<unsigned char> &data, std::vector<wmfMapping> &fonts)
{
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    options.font.ps = fonts.data();
    wmfAPI *api = nullptr;
    if (wmf_api_create(&api, kWmfOptions, &options) != wmf_E_None || api == nullptr)
        return nullptr;
    if (wmf_mem_open(api, data.data(), long(data.size())) != wmf_E_None)
        return nullptr;
    return api;
}

bool scanWindow(std::vector<unsigned char> probe, std::vector<wmfMapping> &fonts, wmfD_Rect &window)
{
    if (probe.empty())
        return false;
    wmfAPI *api = openWmf(probe, fonts);
    if (api == nullptr || wmf_scan(api, 0, &window) != wmf_E_None)
        return false;
    return window.BR.x > window.TL.x && window.BR.y > window.TL.y;
}

// Where each record after the headers starts, up to the end record or the
// first record that does not fit in the file.
std::vector<std::size_t> recordOffsets(const unsigned char *data, std::size_t size)
{
    std::vector<std::size_t> offsets;
    // Never inside the metafile header, which firstRecords() rewrites.
    std::size_t pos = kPlaceableHeaderSize +
                      std::max<std::size_t>(kMetaHeaderSize,
                                            std::size_t(u16(data + kPlaceableHeaderSize + 2)) * 2);
    while (pos + 6 <= size) {
        const std::uint32_t words = u32(data + pos);
        if (words < 3 || u16(data + pos + 4) == kEof || words > (size - pos) / 2)
            break;
        offsets.push_back(pos);
        pos += std::size_t(words) * 2;
    }
    return offsets;
}

// The metafile's headers and its first `count` records, closed by an end
// record; the metafile header's size and largest record made to match.
std::vector<unsigned char> firstRecords(const unsigned char *data, std::size_t size,
                                        const std::vector<std::size_t> &offsets, std::size_t count)
{
    const std::size_t end = count < offsets.size() ? offsets[count] : size;
    std::vector<unsigned char> cut(data, data + end);
    std::uint32_t largest = 3;
    for (std::size_t i = 0; i < count; ++i)
        largest = std::max(largest, u32(data + offsets[i]));
    put32(cut, 3);
    put16(cut, kEof);
    const auto set32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            cut[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    set32(kPlaceableHeaderSize + 6, std::uint32_t((cut.size() - kPlaceableHeaderSize) / 2));
    set32(kPlaceableHeaderSize + 12, largest);
    return cut;
}

bool scans(std::vector<unsigned char> file, std::vector<wmfMapping> &fonts)
{
    wmfAPI *api = openWmf(file, fonts);
    wmfD_Rect extent{};
    return api != nullptr && wmf_scan(api, 0, &extent) == wmf_E_None;
}

// Windows plays a metafile record by record and goes on past a record it
// cannot play; libwmf refuses the whole file when a record puzzles it (a
// region it cannot read, say). What it can read of such a file is its
// longest start that it accepts, found by halving. Empty when it accepts
// not even the first record.
std::vector<unsigned char> readableStart(const unsigned char *data, std::size_t size,
                                         std::vector<wmfMapping> &fonts)
{
    const std::vector<std::size_t> offsets = recordOffsets(data, size);
    std::size_t accepted = 0, refused = offsets.size() + 1;
    while (refused - accepted > 1) {
        const std::size_t count = accepted + (refused - accepted) / 2;
        if (scans(firstRecords(data, size, offsets, count), fonts))
            accepted = count;
        else
            refused = count;
    }
    if (accepted == 0)
        return {};
    return firstRecords(data, size, offsets, accepted);
}

} // namespace

bool windowsMetafileToSvg(const unsigned char *data, std::size_t size, int width, int height,
                          std::string &svg)
{
    if (size < kPlaceableHeaderSize + kMetaHeaderSize || width <= 0 || height <= 0)
        return false;
    std::vector<wmfMapping> fonts = standardFontMappings();

    wmfD_Rect window{};
    const bool windowKnown = scanWindow(windowProbe(data, size), fonts, window);

    std::vector<unsigned char> file(data, data + size);
    wmfAPI *api = openWmf(file, fonts);
    wmfD_Rect extent{};
    if (api == nullptr || wmf_scan(api, 0, &extent) != wmf_E_None) {
        file = readableStart(data, size, fonts);
        if (file.empty())
            return false;
        api = openWmf(file, fonts);
        if (api == nullptr || wmf_scan(api, 0, &extent) != wmf_E_None)
            return false;
    }

    wmf_svg_t *device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);
    if (device->out == nullptr)
        return false;
    static char description[] = "";
    device->Description = description;
    // The device maps this rectangle onto width × height.
    device->bbox = windowKnown ? window : extent;
    device->width = unsigned(width);
    device->height = unsigned(height);
    device->flags |= WMF_SVG_INLINE_IMAGES;

    if (wmf_play(api, 0, &extent) != wmf_E_None)
        return false;

    char *text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, device->out, &text, &length);
    if (text == nullptr)
        return false;
    svg.assign(text, length);
    return true;
}

} // namespace korvane
