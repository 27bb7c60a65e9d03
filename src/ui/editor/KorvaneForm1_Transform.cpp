// The editor's picture geometry: turning, mirroring and resizing the picture
// under the annotations, which keep their coordinates.
#include "ui/editor/KorvaneForm1.h"

#include "common/PictureLimits.h"
#include "transform/PictureTransforms.h"
#include "ui/widgets/PaintBox.h"

namespace korvane {

void TKorvaneForm1::TransformPicture(int kind)
{
    if (m_doc.BaseBmp.isNull())
        return; // nothing to turn: no change, and no step to undo
    QImage picture = korvane::TransformPicture(m_doc.BaseBmp, kind);
    m_doc.SetPicture(std::move(picture));
    m_doc.History.recordTransform(kind);
    Redraw();
    documentChanged();
}

void TKorvaneForm1::Act90Execute()
{
    TransformPicture(tkRotate90);
}

void TKorvaneForm1::Act180Execute()
{
    TransformPicture(tkRotate180);
}

void TKorvaneForm1::Act270Execute()
{
    TransformPicture(tkRotate270);
}

void TKorvaneForm1::ActHntenLRExecute()
{
    TransformPicture(tkMirrorLR);
}

void TKorvaneForm1::ActHantenTBExecute()
{
    TransformPicture(tkMirrorTB);
}

void TKorvaneForm1::ActSizeExecute()
{
    // Already open, it keeps what the user entered.
    if (!m_resizeDialog || m_resizeDialog->isVisible())
        return;
    m_resizeDialog->show();
}

void TKorvaneForm1::ResizePicture(QSize size)
{
    // Scaled apart first: a size that cannot be had leaves the picture as it
    // was. From an empty picture there is nothing to stretch: a preset size
    // then gives a blank one, as a new picture is.
    QImage before = m_doc.BaseBmp;
    QImage picture;
    if (m_doc.BaseBmp.isNull() && size.width() > 0 && size.height() > 0) {
        picture = allocatePicture(size.width(), size.height(), QImage::Format_RGB32);
        picture.fill(Qt::white);
    } else {
        picture = StretchPicture(m_doc.BaseBmp, size.width(), size.height());
    }
    m_doc.SetPicture(std::move(picture));
    m_doc.History.recordStretch(std::move(before));
    Redraw();
    documentChanged();
}

} // namespace korvane
