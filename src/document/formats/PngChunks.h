#pragma once

// The chunk layer of PNG files, shared by the reader and the writer: the
// signature, chunk types, CRCs, and a walk over a file's chunks that checks
// each one lies inside the file.

#include <QByteArrayView>
#include <QString>

namespace korvane::png {

inline constexpr QByteArrayView kSignature("\x89PNG\r\n\x1a\n", 8);

// A chunk type as the big-endian 32-bit word of its four letters.
constexpr quint32 chunkType(const char (&name)[5])
{
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 |
           quint32(uchar(name[2])) << 8 | quint32(uchar(name[3]));
}
inline constexpr quint32 kIHDR = chunkType("IHDR");
inline constexpr quint32 kPLTE = chunkType("PLTE");
inline constexpr quint32 kIDAT = chunkType("IDAT");
inline constexpr quint32 kIEND = chunkType("IEND");
inline constexpr quint32 kTRNS = chunkType("tRNS");

// Four ASCII letters; the case of the first says whether a reader must know
// the chunk (upper: critical) or may skip it (lower: ancillary).
bool isValidType(QByteArrayView type);
inline bool isCritical(quint32 type)
{
    return (type & 0x20000000u) == 0;
}
QString typeName(quint32 type);

// The CRC a chunk carries: over its type and its data.
quint32 chunkCrc(quint32 type, QByteArrayView data);

// Longest chunk the format allows (2^31 - 1 bytes).
inline constexpr quint32 kMaxChunkLength = 0x7FFFFFFFu;

// The reader's messages: "PNG 画像が不正です（reason）", and a file cut short.
[[noreturn]] void fail(const QString &reason);
[[noreturn]] void failCutShort();

struct Chunk
{
    quint32 type = 0;
    QByteArrayView data;
    bool intact = true; // its CRC matches
};

// The chunks of a file in their order, up to IEND. The signature is checked
// on construction; next() throws KorvaneError when a chunk runs past the end
// of the file, the file ends before IEND, or a type is not four letters.
// Data after IEND is not looked at.
class ChunkReader
{
public:
    explicit ChunkReader(QByteArrayView file);

    // The next chunk, or false once IEND has been read.
    bool next(Chunk &chunk);

private:
    QByteArrayView m_file;
    qsizetype m_at;
    bool m_ended = false;
};

} // namespace korvane::png
