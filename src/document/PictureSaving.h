#pragma once

#include "editor/EditorDocument.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace korvane {

enum class SaveFormat { Bmp, Jpeg, Icon, Png };

// What Save does with the current file name: write it in the format its
// (lower-cased) extension names, or ask for a name when it names none of
// ours (untitled pictures, metafiles, names without an extension).
enum class SaveRoute { Bmp, Jpeg, Icon, Png, SaveAs };
SaveRoute saveRouteForName(const QString &fileName);

// The save dialog's filters, by their index from 1: what each writes and the
// default extension it sets.
inline constexpr int kSaveFilterCount = 5;
QString saveFilterText(int index);
QString saveFilterPattern(int index);
SaveFormat saveFormatForFilter(int index);
QString defaultSuffixForFilter(int index);

// Icons are written only from pictures of exactly this size.
bool fitsIcon(const QImage &picture);
QString iconSizeMessage();

// Writes the picture to `path` in the format, all or nothing (AtomicFile).
// A full disk, a missing folder or a failed encoder throws KorvaneError and
// leaves whatever file was there as it was; a target this user may not
// write throws WriteProtectedError before anything is written.
void savePicture(const QImage &picture, const QString &path, SaveFormat format);
// The same for the document's composed picture; a PNG also keeps the
// picture under the annotations and the annotations themselves, so that
// opening it gives the document back (EditablePng). The other formats
// hold only the composed picture.
void saveDocumentPicture(const EditorDocument &document, const QString &path, SaveFormat format);

// What Save As writes for the name the dialog gave and the filter chosen in
// it: the format the name's extension names when it is one of ours,
// otherwise the filter's format under the name with the filter's extension
// added.
struct SaveTarget
{
    QString path;
    SaveFormat format;
};
SaveTarget saveTargetFor(const QString &chosen, int filterIndex);

// The folder that Save As opens in, made when missing: "Korvane" in the
// desktop folder, or where that cannot be, the desktop or the home folder.
QString saveFolder();
// The name the dialog proposes there.
QString proposedFileName();

// The unsaved-changes question: the name it shows for a file name, and its
// text.
QString closeQuestionName(const QString &fileName);
QString closeQuestionText(const QString &name);

} // namespace korvane
