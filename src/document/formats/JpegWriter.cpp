#include "document/formats/PictureWriters.h"

#include "common/KorvaneError.h"
#include "document/formats/WriterSupport.h"

#include "document/formats/JpegErrors.h"
#include <QIODevice>

#include <cstdlib>
#include <jerror.h>

namespace korvane {

namespace {

using jpeg::ErrorManager;

// Hands the compressed bytes to the device as they come, so that the disk
// is writing while the encoder still works.
struct Destination
{
    jpeg_destination_mgr pub;
    QIODevice *out;
    JOCTET buffer[1 << 16];
    qint64 sinceWriteback = 0;
    bool failed = false;
};

bool put(Destination &dest, qint64 size)
{
    const char *data = reinterpret_cast<const char *>(dest.buffer);
    while (size > 0) {
        const qint64 written = dest.out->write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
        dest.sinceWriteback += written;
    }
    if (dest.sinceWriteback >= (1 << 19)) {
        startWriteback(*dest.out);
        dest.sinceWriteback = 0;
    }
    return true;
}

[[noreturn]] void writeFailed(j_compress_ptr cinfo)
{
    reinterpret_cast<Destination *>(cinfo->dest)->failed = true;
    cinfo->err->msg_code = JERR_FILE_WRITE;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    std::abort(); // error_exit does not return
}

void initDestination(j_compress_ptr cinfo)
{
    auto *dest = reinterpret_cast<Destination *>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = sizeof dest->buffer;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto *dest = reinterpret_cast<Destination *>(cinfo->dest);
    if (!put(*dest, sizeof dest->buffer))
        writeFailed(cinfo);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto *dest = reinterpret_cast<Destination *>(cinfo->dest);
    if (!put(*dest, qint64(sizeof dest->buffer - dest->pub.free_in_buffer)))
        writeFailed(cinfo);
}

class Encoder
{
public:
    Encoder() { m_cinfo.err = jpeg::installErrorManager(m_err); }
    ~Encoder()
    {
        if (m_created)
            jpeg_destroy_compress(&m_cinfo);
    }
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    // Returns false after a libjpeg error or a failed write; errorCode() and
    // writeFailed() say which.
    bool encode(const QImage &rgb, QIODevice &out)
    {
        if (setjmp(m_err.jump))
            return false;
        jpeg_create_compress(&m_cinfo);
        m_created = true;
        m_dest.out = &out;
        m_dest.pub.init_destination = initDestination;
        m_dest.pub.empty_output_buffer = emptyOutputBuffer;
        m_dest.pub.term_destination = termDestination;
        m_cinfo.dest = &m_dest.pub;
        m_cinfo.image_width = JDIMENSION(rgb.width());
        m_cinfo.image_height = JDIMENSION(rgb.height());
        // The 32-bit rows as they lie in memory; libjpeg converts them to
        // YCbCr exactly as it converts plain RGB triples.
        m_cinfo.input_components = 4;
        m_cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        jpeg_set_defaults(&m_cinfo);
        jpeg_set_quality(&m_cinfo, 90, TRUE);
        jpeg_start_compress(&m_cinfo, TRUE);
        while (m_cinfo.next_scanline < m_cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(m_cinfo.next_scanline)));
            jpeg_write_scanlines(&m_cinfo, &row, 1);
        }
        jpeg_finish_compress(&m_cinfo);
        return true;
    }

    int errorCode() const { return m_err.pub.msg_code; }
    bool writeFailed() const { return m_dest.failed; }

private:
    ErrorManager m_err{};
    jpeg_compress_struct m_cinfo{};
    Destination m_dest{};
    bool m_created = false;
};

} // namespace

void writeJpeg(const QImage &picture, QIODevice &out)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        throw KorvaneError(QStringLiteral("大きさが 0 の画像は JPEG ファイルにできません"));
    const QImage rgb = asRgb32(picture);
    Encoder encoder;
    if (encoder.encode(rgb, out))
        return;
    if (encoder.writeFailed())
        throw KorvaneError(QStringLiteral("ファイル %1 に書き込めません: %2")
                               .arg(deviceName(out), out.errorString()));
    throw KorvaneError(QStringLiteral("JPEG エラー #%1").arg(encoder.errorCode()));
}

} // namespace korvane
