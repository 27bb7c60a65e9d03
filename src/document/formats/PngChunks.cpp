#include "document/formats/PngChunks.h"

#include "common/KorvaneError.h"

#include <QtEndian>
#include <libdeflate.h>

namespace korvane::png {

bool isValidType(QByteArrayView type)
{
    if (type.size() != 4)
        return false;
    for (char c : type) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

QString typeName(quint32 type)
{
    uchar name[4];
    qToBigEndian(type, name);
    return QString::fromLatin1(reinterpret_cast<const char *>(name), 4);
}

quint32 chunkCrc(quint32 type, QByteArrayView data)
{
    uchar name[4];
    qToBigEndian(type, name);
    const quint32 crc = libdeflate_crc32(0, name, 4);
    // A null buffer would ask libdeflate for the initial value instead.
    return data.isEmpty() ? crc : libdeflate_crc32(crc, data.data(), size_t(data.size()));
}

void fail(const QString &reason)
{
    throw KorvaneError(QStringLiteral("PNG 画像が不正です（%1）").arg(reason));
}

void failCutShort()
{
    throw KorvaneError(QStringLiteral("PNG 画像が途中で切れています"));
}

ChunkReader::ChunkReader(QByteArrayView file) : m_file(file), m_at(kSignature.size())
{
    if (!file.startsWith(kSignature)) {
        if (!file.isEmpty() && kSignature.startsWith(file))
            failCutShort();
        // A signature whose line ends were translated is a file that went
        // through a text transfer: say so rather than "not a PNG".
        if (file.size() >= 4 && file.first(4) == kSignature.first(4))
            fail(QStringLiteral("署名が壊れています"));
        fail(QStringLiteral("PNG ファイルではありません"));
    }
}

bool ChunkReader::next(Chunk &chunk)
{
    if (m_ended)
        return false;
    // Length, type, data, CRC: 12 bytes besides the data.
    if (m_file.size() - m_at < 12)
        failCutShort();
    const auto *p = reinterpret_cast<const uchar *>(m_file.data()) + m_at;
    const quint32 length = qFromBigEndian<quint32>(p);
    if (!isValidType(m_file.sliced(m_at + 4, 4)))
        fail(QStringLiteral("チャンクの種類が不正です"));
    if (length > kMaxChunkLength)
        fail(QStringLiteral("チャンクの長さが不正です"));
    if (quint64(length) > quint64(m_file.size() - m_at - 12))
        failCutShort();
    chunk.type = qFromBigEndian<quint32>(p + 4);
    chunk.data = m_file.sliced(m_at + 8, length);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A mutated chunk must reach what reads it, not stop at its CRC.
    chunk.intact = true;
#else
    chunk.intact = qFromBigEndian<quint32>(p + 8 + length) == chunkCrc(chunk.type, chunk.data);
#endif
    m_at += 12 + qsizetype(length);
    m_ended = chunk.type == kIEND;
    return true;
}

} // namespace korvane::png
