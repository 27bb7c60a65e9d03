#include "document/EditablePng.h"
#include "document/PictureFile.h"
#include "document/PictureSaving.h"
#include "document/formats/PictureWriters.h"
#include "document/formats/PngReader.h"
#include "editor/EditorDocument.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace korvane;

namespace {

const char *const kPicture = KORVANE_TESTDATA "/png/benches/lorem_ipsum_screenshot.png";

QFont font(const char *family, int pixels, bool bold, bool italic, bool underline, bool strike)
{
    QFont f{QString::fromUtf8(family)};
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strike);
    return f;
}

// A screen shot with what an instruction sheet carries: lines and arrows of
// several widths, texts in three fonts and all four styles, on a coloured
// and a transparent background, one of them selected.
void annotate(EditorDocument &doc)
{
    AnnotationSet set;
    set.lines = {{10, 10, 400, 300, 5, clRed, true},
                 {600, 40, 620, 500, 1, clBlue, false},
                 {900, 10, 30, 520, 12, clLime, true},
                 {50, 400, 51, 401, 3, 0x123456, false}};
    TMoji a;
    a.Text = QStringLiteral("ここをクリック");
    a.Font = font("IPAPGothic", 20, true, false, false, false);
    a.FontColor = clRed;
    a.BkColor = clNone;
    a.X = 120, a.Y = 90;
    TMoji b;
    b.Text = QStringLiteral("Error 404 — 設定");
    b.Font = font("DejaVu Serif", 15, false, true, true, true);
    b.FontColor = clNavy;
    b.BkColor = clYellow;
    b.X = 500, b.Y = 300;
    TMoji c;
    c.Text = QStringLiteral("v2.0");
    c.Font = font("Liberation Mono", 31, true, true, false, false);
    c.Font.setPointSizeF(17.5); // sized in points, as the font dialog gives some
    c.FontColor = clBlack;
    c.BkColor = clWhite;
    c.X = 700, c.Y = 450;
    set.texts = {a, b, c};
    doc.setAnnotations(set);
    doc.SelMoji = doc.MojiList[1].get();
    doc.Redraw();
}

QByteArray written(const QImage &composed, const QList<PngChunk> &chunks)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writePng(composed, buffer, chunks);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put32(QByteArray &b, qsizetype at, quint32 v)
{
    qToBigEndian(v, b.data() + at);
}

// Offsets in the stored form: magic, version, then the picture's record
// (kind, length, width, height, tile side, tile count, checksum, stream).
constexpr qsizetype kVersionAt = 4, kPictureLengthAt = 8, kWidthAt = 12, kTileCountAt = 22;

} // namespace

class tst_editablepng : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!QFile::exists(QString::fromUtf8(kPicture)))
            QSKIP("test picture missing (../shared/testdata/png/benches)");
    }

    // Saved and opened again, the document is the one saved: picture under
    // the annotations, every annotation with its properties in its order,
    // and the same composition; any other program sees the composed picture
    // (with the selection's marks, as every saved picture has them).
    void savedPng_OpensAsTheDocumentSaved()
    {
        EditorDocument doc;
        doc.SetPicture(readPng(readFile(QString::fromUtf8(kPicture))));
        annotate(doc);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sheet.png"));
        saveDocumentPicture(doc, path, SaveFormat::Png);

        const QByteArray file = readFile(path);
        QCOMPARE(readPng(file), doc.DrawBmp);
        QCOMPARE(readPngChunks(file, kEditableChunkType).size(), 1);

        EditorDocument opened;
        const LoadOutcome outcome = LoadDocument(opened, path);
        QCOMPARE(outcome.annotationsNotRestored, QString());
        QVERIFY(opened.holds(doc.annotations()));
        QCOMPARE(opened.BaseBmp, doc.BaseBmp.convertToFormat(QImage::Format_RGB32));
        // Opened without the selection it was saved with, and without its
        // marks: as a full Redraw of the unselected document composes it.
        QVERIFY(!opened.SelLine && !opened.SelMoji);
        doc.SelMoji = nullptr;
        doc.Redraw();
        QCOMPARE(opened.DrawBmp, doc.DrawBmp);
        QVERIFY(!opened.Modified());
        QVERIFY(!opened.History.canUndo());

        // Without annotations there is nothing to keep: a plain PNG.
        EditorDocument bare;
        bare.SetPicture(doc.BaseBmp);
        saveDocumentPicture(bare, path, SaveFormat::Png);
        QVERIFY(readPngChunks(readFile(path), kEditableChunkType).isEmpty());
        const EditableRead plain = readEditablePng(readFile(path));
        QVERIFY(!plain.document);
        QCOMPARE(plain.notRestored, QString());
        QCOMPARE(plain.picture, doc.BaseBmp);
    }

    // Frames, highlights, numbers and redactions come back as objects too,
    // a selected frame opening unselected; and what a redaction hides is in
    // neither the file's pixels nor the picture it keeps under them.
    void shapes_OpenAsSavedAndRedactionKeepsNothingHidden()
    {
        QImage pattern(320, 200, QImage::Format_RGB32);
        for (int y = 0; y < pattern.height(); ++y)
            for (int x = 0; x < pattern.width(); ++x)
                pattern.setPixel(x, y, (x + y) % 2 ? 0xFF000000u : 0xFFFFFFFFu);
        EditorDocument doc;
        doc.SetPicture(pattern);
        AnnotationSet set;
        set.lines = {{5, 5, 300, 190, 3, clBlue, true}};
        set.frames = {{20, 20, 120, 90, 4, clRed}};
        set.highlights = {{100, 60, 250, 80, clYellow}};
        set.numbers = {{60, 150, 5, clRed}, {260, 40, 8, clGreen}};
        const QRect hidden(150, 100, 100, 60);
        set.redactions = {{hidden.left(), hidden.top(), hidden.right() + 1, hidden.bottom() + 1}};
        doc.setAnnotations(set);
        doc.SelFrame = doc.FrameList[0].get();
        doc.Redraw();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shapes.png"));
        saveDocumentPicture(doc, path, SaveFormat::Png);

        const QByteArray file = readFile(path);
        const EditableRead read = readEditablePng(file);
        QVERIFY2(read.document, qPrintable(read.notRestored));
        QCOMPARE(read.document->selectedFrame, 0);
        EditorDocument opened;
        QCOMPARE(LoadDocument(opened, path).annotationsNotRestored, QString());
        QVERIFY(opened.holds(set));
        QVERIFY(!opened.HasSelection());
        doc.DropSelection();
        doc.Redraw();
        QCOMPARE(opened.DrawBmp, doc.DrawBmp);

        for (const QImage &kept : {read.picture.convertToFormat(QImage::Format_RGB32),
                                   read.document->base.convertToFormat(QImage::Format_RGB32),
                                   opened.BaseBmp.convertToFormat(QImage::Format_RGB32)}) {
            int same = 0;
            for (int y = hidden.top(); y <= hidden.bottom(); ++y)
                for (int x = hidden.left(); x <= hidden.right(); ++x)
                    same += (kept.pixel(x, y) | 0xFF000000u) == pattern.pixel(x, y);
            QCOMPARE(same, 0);
        }
    }

    void changedFile_OpensPlainWithReason_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pixel changed by another program") << "pixel" << "変更されています";
        QTest::newRow("checksum wrong") << "crc" << "壊れています";
        QTest::newRow("cut short") << "cut" << "壊れています";
        QTest::newRow("record longer than the data") << "length" << "壊れています";
        QTest::newRow("stream damaged") << "stream" << "壊れています";
        QTest::newRow("another program's chunk") << "foreign" << "ほかのプログラム";
        QTest::newRow("later version") << "version" << "新しい版";
        QTest::newRow("unknown kind of record") << "kind" << "新しい版";
        QTest::newRow("more tiles than the picture has") << "tiles" << "壊れています";
        QTest::newRow("base of another size") << "size" << "大きさ";
        QTest::newRow("absurdly many annotations") << "many" << "大きすぎます";
        QTest::newRow("annotation moved in the data") << "moved" << "変更されています";
    }

    // Whatever is wrong with the stored document, the file opens as exactly
    // its pixels, with one sentence saying why and no annotation at all.
    void changedFile_OpensPlainWithReason()
    {
        QFETCH(QString, change);
        QFETCH(QString, reason);
        EditorDocument doc;
        doc.SetPicture(readPng(readFile(QString::fromUtf8(kPicture))));
        annotate(doc);
        QByteArray saved;
        {
            QBuffer buffer(&saved);
            buffer.open(QIODevice::WriteOnly);
            writeEditablePng(doc.DrawBmp, EditableDocument{doc.BaseBmp, doc.annotations(), -1, 1},
                             &buffer);
        }
        QByteArray payload = readPngChunks(saved, kEditableChunkType).value(0);
        QImage pixels = doc.DrawBmp;
        QByteArray file;
        if (change == "pixel") {
            pixels.setPixel(3, 3, pixels.pixel(3, 3) ^ 0x010101);
        } else if (change == "crc") {
            file = saved;
            const qsizetype at = file.indexOf(kEditableChunkType) + 40;
            file[at] = char(file[at] ^ 0x40);
        } else if (change == "cut") {
            payload.chop(7);
        } else if (change == "length") {
            put32(payload, kPictureLengthAt, 0x7FFFFFF0u);
        } else if (change == "stream") {
            payload[kTileCountAt + 20] = char(payload[kTileCountAt + 20] ^ 0x5A);
        } else if (change == "foreign") {
            payload.replace(0, 4, "tEXt");
        } else if (change == "version") {
            payload[kVersionAt + 1] = 2;
        } else if (change == "kind") {
            payload.append(QByteArray("\x00\x09\x00\x00\x00\x00", 6));
        } else if (change == "tiles") {
            put32(payload, kTileCountAt, 0x7FFFFFFFu);
        } else if (change == "size") {
            put32(payload, kWidthAt, quint32(pixels.width() + 1));
        } else if (change == "many") {
            QByteArray line("\x00\x02\x00\x00\x00\x19", 6);
            line += QByteArray(25, '\0');
            payload.append(line.repeated(10001));
        } else if (change == "moved") {
            // The first line's X1, just past the picture's record.
            const qsizetype lineAt = 6 + 6 + qFromBigEndian<quint32>(payload.constData() + 8);
            put32(payload, lineAt + 6, 11);
        }
        if (file.isEmpty())
            file = written(pixels, {{kEditableChunkType, payload}});

        const EditableRead read = readEditablePng(file);
        QVERIFY(!read.document);
        QVERIFY2(read.notRestored.startsWith(QStringLiteral("注釈を復元できませんでした（")),
                 qPrintable(read.notRestored));
        QVERIFY2(read.notRestored.contains(reason), qPrintable(read.notRestored));
        QVERIFY(read.notRestored.endsWith(QStringLiteral("。")));
        QCOMPARE(read.picture, readPng(file));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("edited.png"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        EditorDocument opened;
        opened.setAnnotations(doc.annotations());
        const LoadOutcome outcome = LoadDocument(opened, path);
        QCOMPARE(outcome.annotationsNotRestored, read.notRestored);
        QVERIFY(opened.LineList.empty() && opened.MojiList.empty());
        QCOMPARE(opened.DrawBmp, readPng(file).convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(tst_editablepng)
#include "tst_editablepng.moc"
