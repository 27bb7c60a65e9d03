#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace korvane {

enum class SaveFormat { Bmp, Jpeg, Icon };

// What Save does with the current file name: write it in the format its
// (lower-cased) extension names, or ask for a name when it names none of
// ours (untitled pictures, metafiles, names without an extension).
enum class SaveRoute { Bmp, Jpeg, Icon, SaveAs };
SaveRoute saveRouteForName(const QString &fileName);

// The save dialog's filters, by their index from 1: what each writes and the
// default extension it sets.
inline constexpr int kSaveFilterCount = 4;
QString saveFilterText(int index);
QString saveFilterPattern(int index);
SaveFormat saveFormatForFilter(int index);
QString defaultSuffixForFilter(int index);

// Icons are written only from pictures of exactly this size.
bool fitsIcon(const QImage &picture);
QString iconSizeMessage();

// Writes the picture to `path` in the format, all or nothing: into a
// temporary file beside the target, flushed to disk, then renamed over it.
// A full disk, a missing folder or a failed encoder throws KorvaneError and
// leaves whatever file was there as it was.
void savePicture(const QImage &picture, const QString &path, SaveFormat format);

// The folder that Save As opens in: "Korvane" in the desktop folder, and
// the preview file in it that shows the current picture in the dialog.
QString saveFolder();
QString previewFilePath(const QString &folder);

// The unsaved-changes question: the name it shows for a file name, and its
// text.
QString closeQuestionName(const QString &fileName);
QString closeQuestionText(const QString &name);

} // namespace korvane
