#pragma once

#include <QImage>

class QMimeData;

namespace korvane {

class EditorDocument;

// The picture on the clipboard: the first format, in the clipboard's own
// order, that makes a picture. BMP and JPEG go through the program's own
// readers, every other image type through Qt's; a picture with transparency
// lies on white, as icons do. Throws KorvaneError with
// "無効なクリップボード フォーマットです" when no format makes a picture, and
// the reader's error when the only picture there is damaged or too large.
QImage pictureFromMimeData(const QMimeData *data);

// What Copy puts on the clipboard for a picture: PNG (image/png) written by
// the program's own writer, and the picture itself, from which Qt offers its
// other picture types to programs that ask for them.
QMimeData *pictureMimeData(const QImage &picture);

// Paste: the picture becomes BaseBmp in its own format, DrawBmp takes its
// size, and the document is recomposed. The annotations, FileName and
// Modified stay. All or nothing: a picture that cannot be had in memory
// throws before anything changes.
void PastePicture(EditorDocument &document, QImage picture);

} // namespace korvane
