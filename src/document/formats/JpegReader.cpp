#include "document/formats/JpegReader.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"
#include "document/formats/JpegErrors.h"

#include <jerror.h>

namespace korvane {

namespace {

using jpeg::ErrorManager;

// Warnings (a premature end of data, extraneous bytes between markers) do not
// stop the load: libjpeg fills what is missing and the picture is still
// useful. They are counted, and an early end is remembered so that the user
// can be told; the core prints nothing.
struct DecoderErrors
{
    ErrorManager manager;
    bool endedEarly = false;
};

void emitMessage(j_common_ptr cinfo, int msgLevel)
{
    if (msgLevel >= 0)
        return;
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<DecoderErrors *>(cinfo->err)->endedEarly = true;
}

class Decoder
{
public:
    Decoder()
    {
        m_cinfo.err = jpeg::installErrorManager(m_errors.manager);
        m_errors.manager.pub.emit_message = emitMessage;
    }
    ~Decoder()
    {
        if (m_created)
            jpeg_destroy_decompress(&m_cinfo);
    }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Each step returns false when libjpeg gave up; fail() then reports why.
    bool readHeader(const QByteArray &file);
    bool decodeInto(QImage &image);
    [[noreturn]] void fail() const
    {
        throw KorvaneError(QStringLiteral("JPEG エラー #%1").arg(m_errors.manager.pub.msg_code));
    }
    bool endedEarly() const { return m_errors.endedEarly; }

    const jpeg_decompress_struct &info() const { return m_cinfo; }
    bool isGrey() const { return m_cinfo.out_color_space == JCS_GRAYSCALE; }

private:
    bool decodeDirect(QImage &image);
    bool decodeCmyk(QImage &image, JSAMPLE *row);

    jpeg_decompress_struct m_cinfo{};
    DecoderErrors m_errors{};
    bool m_created = false;
};

bool Decoder::readHeader(const QByteArray &file)
{
    if (setjmp(m_errors.manager.jump))
        return false;
    jpeg_create_decompress(&m_cinfo);
    m_created = true;
    jpeg_mem_src(&m_cinfo, reinterpret_cast<const unsigned char *>(file.constData()),
                 static_cast<unsigned long>(file.size()));
    jpeg_read_header(&m_cinfo, TRUE);

    switch (m_cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        m_cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        // libjpeg turns YCCK into CMYK; the conversion to RGB is ours.
        m_cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        // Straight into Format_RGB32's memory order (0xAARRGGBB as a 32-bit
        // word); libjpeg sets the padding byte to 0xFF.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        m_cinfo.out_color_space = JCS_EXT_BGRX;
#else
        m_cinfo.out_color_space = JCS_EXT_XRGB;
#endif
        break;
    }
    return true;
}

bool Decoder::decodeInto(QImage &image)
{
    if (m_cinfo.out_color_space != JCS_CMYK)
        return decodeDirect(image);
    // One row of CMYK samples, converted into the picture row by row. The
    // buffer belongs to libjpeg's image pool, so it goes with the decompressor.
    if (setjmp(m_errors.manager.jump))
        return false;
    JSAMPLE *row = static_cast<JSAMPLE *>((*m_cinfo.mem->alloc_large)(
        reinterpret_cast<j_common_ptr>(&m_cinfo), JPOOL_IMAGE, size_t(m_cinfo.image_width) * 4));
    return decodeCmyk(image, row);
}

bool Decoder::decodeDirect(QImage &image)
{
    uchar *const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    if (setjmp(m_errors.manager.jump))
        return false;
    jpeg_start_decompress(&m_cinfo);
    // Hand libjpeg several rows at a time: with 2:1 vertical subsampling it
    // produces two per call, and fewer calls cost less.
    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    while (m_cinfo.output_scanline < m_cinfo.output_height) {
        const JDIMENSION first = m_cinfo.output_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(kBatch, m_cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + qsizetype(first + i) * stride;
        jpeg_read_scanlines(&m_cinfo, rows, count);
    }
    // jpeg_finish_decompress is left out on purpose: every row is there, and
    // damage after the last scan should not cost the user the picture.
    return true;
}

bool Decoder::decodeCmyk(QImage &image, JSAMPLE *row)
{
    uchar *const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    if (setjmp(m_errors.manager.jump))
        return false;
    jpeg_start_decompress(&m_cinfo);
    const JDIMENSION width = m_cinfo.output_width;
    while (m_cinfo.output_scanline < m_cinfo.output_height) {
        const JDIMENSION y = m_cinfo.output_scanline;
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&m_cinfo, rows, 1);
        // Four-component JPEGs are, in practice, written by Adobe software,
        // which stores every ink inverted (0 = full ink). With inverted
        // samples, red = (1 - C)(1 - K) becomes c * k / 255, rounded.
        QRgb *out = reinterpret_cast<QRgb *>(bits + qsizetype(y) * stride);
        const JSAMPLE *in = row;
        for (JDIMENSION x = 0; x < width; ++x, in += 4) {
            const unsigned k = in[3];
            out[x] = qRgb(int((in[0] * k + 127) / 255), int((in[1] * k + 127) / 255),
                          int((in[2] * k + 127) / 255));
        }
    }
    return true;
}

} // namespace

QImage readJpeg(const QByteArray &file, bool *cutShort)
{
    Decoder decoder;
    if (!decoder.readHeader(file))
        decoder.fail();
    // libjpeg itself refuses a zero height; the check also keeps a header
    // that claims a huge picture from taking the memory for it.
    const jpeg_decompress_struct &info = decoder.info();
    checkPictureSize(info.image_width, info.image_height);
    QImage image =
        allocatePicture(info.image_width, info.image_height,
                        decoder.isGrey() ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (!decoder.decodeInto(image))
        decoder.fail();
    if (cutShort)
        *cutShort = decoder.endedEarly();
    return image;
}

} // namespace korvane
