#pragma once

#include "editor/EditorDocument.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace korvane {

enum class PictureType { None, Bmp, Jpeg, Metafile, Icon, Png, Unsupported };

// The types the program opens, as the refusal of any other names them.
QString refusedTypeMessage();

// The caption every editor caption starts with, and the untitled one.
QString captionPrefix();
QString untitledCaption();
// The caption of a document named `fileName`: the prefix and the name's
// last part.
QString captionFor(const QString &fileName);

// The extension of a file name: from the last "." of the name part to the
// end, dot included, ASCII letters lower-cased; empty when there is no dot.
QString pictureExtension(const QString &name);

// The reader an extension selects: None for the empty extension,
// Unsupported for one that no reader takes.
PictureType pictureTypeForExtension(const QString &extension);

// The type the first bytes of a file show, for files named without an
// extension; None when they match no reader.
PictureType sniffPictureType(const QByteArray &head);

// The reader for a file: the type its content shows when that is one of
// ours, whatever its name says; otherwise the type its extension names.
PictureType pictureTypeOf(const QString &name, QByteArrayView head);

// Decodes a file's content with the reader of the type. Icons and metafiles
// come back drawn on white in Format_RGB32; BMP and JPEG in their own format;
// PNG as compact as it is lossless, its transparency on white.
// Throws KorvaneError for damaged content. A JPEG whose data ends early is
// still decoded (the missing part grey); *cutShort then says so.
QImage decodePicture(const QByteArray &content, PictureType type, bool *cutShort = nullptr);

// Reads the whole file; throws KorvaneError when it cannot be read.
QByteArray readWholeFile(const QString &path);

// What LoadDocument did, for the window to show.
struct LoadOutcome
{
    bool typeRefused = false; // the extension is not one of ours: nothing changed
    QString caption;
    bool cutShort = false; // the file ends early: what is missing shows grey
    // A PNG whose stored annotations could not be given back: why, for the
    // status bar. The file then opens as its plain picture.
    QString annotationsNotRestored;
};

// Replaces the document by the picture of the file `name`, or by a new white
// 640 x 480 picture when the name is empty or names no file. The file is read
// and decoded before anything of the document changes, so a refused type or a
// failed read (KorvaneError) leaves picture, annotations, FileName and
// Modified as they were. Ends with Redraw and a fresh history, so Modified
// is false. A PNG saved by the program gives back its picture under the
// annotations and the annotations themselves (EditablePng), unselected. The file is only read: its permissions stay as they are.
LoadOutcome LoadDocument(EditorDocument &document, const QString &name);

} // namespace korvane
