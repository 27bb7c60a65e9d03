#include "document/formats/PictureWriters.h"

#include "common/KorvaneError.h"
#include "document/formats/WriterSupport.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <jpeglib.h>

namespace korvane {

namespace {

// As in the reader: a fatal libjpeg error jumps back to the setjmp of the
// running call, which throws from there, so no exception crosses libjpeg.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void outputMessage(j_common_ptr) {}

class Encoder
{
public:
    Encoder()
    {
        jpeg_std_error(&m_err.pub);
        m_err.pub.error_exit = errorExit;
        m_err.pub.output_message = outputMessage;
        m_cinfo.err = &m_err.pub;
    }
    ~Encoder()
    {
        if (m_created)
            jpeg_destroy_compress(&m_cinfo);
        std::free(m_buffer);
    }
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    // Returns false after a libjpeg error; m_err.pub.msg_code says which.
    bool encode(const QImage &rgb)
    {
        if (setjmp(m_err.jump))
            return false;
        jpeg_create_compress(&m_cinfo);
        m_created = true;
        jpeg_mem_dest(&m_cinfo, &m_buffer, &m_size);
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
    const char *data() const { return reinterpret_cast<const char *>(m_buffer); }
    qint64 size() const { return qint64(m_size); }

private:
    ErrorManager m_err{};
    jpeg_compress_struct m_cinfo{};
    bool m_created = false;
    unsigned char *m_buffer = nullptr;
    unsigned long m_size = 0;
};

} // namespace

void writeJpeg(const QImage &picture, QIODevice &out)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        throw KorvaneError(QStringLiteral("大きさが 0 の画像は JPEG ファイルにできません"));
    const QImage rgb = asRgb32(picture);
    Encoder encoder;
    if (!encoder.encode(rgb))
        throw KorvaneError(QStringLiteral("JPEG エラー #%1").arg(encoder.errorCode()));
    writeAll(out, encoder.data(), encoder.size());
}

} // namespace korvane
