#include "editor/EditorDocument.h"

#include "common/PictureLimits.h"

#include <cstring>

namespace korvane {

namespace {

constexpr int kNewWidth = 640;
constexpr int kNewHeight = 480;

// DrawBmp := BaseBmp inside `area`, converted to 32 bits where it has
// another format.
void copyBase(const QImage &base, QImage &draw, const QRect &area)
{
    if (base.format() == QImage::Format_RGB32 || base.format() == QImage::Format_ARGB32) {
        if (area == draw.rect() && base.bytesPerLine() == draw.bytesPerLine()) {
            std::memcpy(draw.bits(), base.constBits(), size_t(base.sizeInBytes()));
        } else {
            const size_t rowBytes = size_t(area.width()) * 4;
            const qsizetype offset = qsizetype(area.left()) * 4;
            for (int y = area.top(); y <= area.bottom(); ++y)
                std::memcpy(draw.scanLine(y) + offset, base.constScanLine(y) + offset, rowBytes);
        }
        if (base.format() == QImage::Format_ARGB32) // a 32-bit picture's alpha is not shown
            draw.reinterpretAsFormat(QImage::Format_RGB32);
        return;
    }
    QPainter painter(&draw);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(area.topLeft(), base, area);
}

} // namespace

EditorDocument::EditorDocument() = default;

void EditorDocument::ClearAnnotations()
{
    SelLine = nullptr;
    SelMoji = nullptr;
    LineList.clear();
    MojiList.clear();
}

void EditorDocument::ClearBaseBmp()
{
    if (BaseBmp.isNull())
        return;
    // A picture shared with DrawBmp would be copied only to be painted over.
    if (BaseBmp.format() != QImage::Format_RGB32 || !BaseBmp.isDetached())
        BaseBmp = allocatePicture(BaseBmp.width(), BaseBmp.height(), QImage::Format_RGB32);
    BaseBmp.fill(toQRgb(clWhite));
}

void EditorDocument::SetPicture(QImage picture)
{
    // A resize to 0 % leaves an empty picture: nothing to show or compose,
    // and every operation on it must still run.
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        BaseBmp = QImage();
        DrawBmp = QImage();
        return;
    }
    if (picture.format() == QImage::Format_RGB32) {
        DrawBmp = picture;
        BaseBmp = std::move(picture);
        return;
    }
    QImage draw = DrawBmp.size() == picture.size() && DrawBmp.isDetached()
                      ? DrawBmp
                      : allocatePicture(picture.width(), picture.height(), QImage::Format_RGB32);
    BaseBmp = std::move(picture);
    DrawBmp = std::move(draw);
}

void EditorDocument::NewPicture()
{
    QImage white = allocatePicture(kNewWidth, kNewHeight, QImage::Format_RGB32);
    white.fill(toQRgb(clWhite));
    SetPicture(std::move(white));
}

void EditorDocument::Redraw()
{
    RedrawArea(DrawBmp.rect());
}

void EditorDocument::RedrawArea(const QRegion &area)
{
    QRegion clip = area & DrawBmp.rect();
    if (clip.isEmpty())
        return;
    const bool bare = LineList.empty() && MojiList.empty();
    if (bare && BaseBmp.format() == QImage::Format_RGB32) {
        DrawBmp = BaseBmp;
        return;
    }
    if (!DrawBmp.isDetached()) {
        // Shared with BaseBmp: a picture of its own, composed whole, rather
        // than a copy that is then copied over.
        DrawBmp = allocatePicture(BaseBmp.width(), BaseBmp.height(), QImage::Format_RGB32);
        clip = DrawBmp.rect();
    }
    for (const QRect &part : clip)
        copyBase(BaseBmp, DrawBmp, part);
    if (bare)
        return;
    QPainter canvas(&DrawBmp);
    const bool whole = clip == QRegion(DrawBmp.rect());
    if (!whole)
        canvas.setClipRegion(clip);
    // Annotations outside the area are passed over, but their effect on the
    // pen is kept, so each one inside is drawn as a full Redraw draws it.
    for (const auto &line : LineList) {
        if (whole || clip.intersects(LineExtent(*line, &DrawBmp)))
            DrawLineRec(canvas, m_pen, *line, line.get() == SelLine);
        else
            SkipLineRec(&DrawBmp, m_pen, *line);
    }
    for (const auto &moji : MojiList) {
        if (whole || clip.intersects(moji->Extent()))
            moji->Draw(canvas, m_pen, moji.get() == SelMoji);
        else
            SkipMoji(m_pen, moji.get() == SelMoji);
    }
}

} // namespace korvane
