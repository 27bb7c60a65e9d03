#include "editor/EditorDocument.h"

#include "common/PictureLimits.h"

#include <cstring>

namespace korvane {

namespace {

constexpr int kNewWidth = 640;
constexpr int kNewHeight = 480;

// DrawBmp := BaseBmp, converted to 32 bits where it has another format.
void copyBase(const QImage &base, QImage &draw)
{
    if (base.format() == QImage::Format_RGB32 || base.format() == QImage::Format_ARGB32) {
        const qsizetype rowBytes = qsizetype(base.width()) * 4;
        if (base.bytesPerLine() == draw.bytesPerLine() && base.bytesPerLine() == rowBytes) {
            std::memcpy(draw.bits(), base.constBits(), size_t(base.sizeInBytes()));
        } else {
            for (int y = 0; y < base.height(); ++y)
                std::memcpy(draw.scanLine(y), base.constScanLine(y), size_t(rowBytes));
        }
        if (base.format() == QImage::Format_ARGB32) // a 32-bit picture's alpha is not shown
            draw.reinterpretAsFormat(QImage::Format_RGB32);
        return;
    }
    QPainter painter(&draw);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, base);
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
    if (BaseBmp.format() != QImage::Format_RGB32)
        BaseBmp = allocatePicture(BaseBmp.width(), BaseBmp.height(), QImage::Format_RGB32);
    BaseBmp.fill(toQRgb(clWhite));
}

void EditorDocument::SetPicture(QImage picture)
{
    QImage draw = DrawBmp.size() == picture.size()
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
    if (DrawBmp.isNull())
        return;
    copyBase(BaseBmp, DrawBmp);
    if (LineList.empty() && MojiList.empty())
        return;
    QPainter canvas(&DrawBmp);
    for (const auto &line : LineList)
        DrawLineRec(canvas, m_pen, *line, line.get() == SelLine);
    for (const auto &moji : MojiList)
        moji->Draw(canvas, m_pen, moji.get() == SelMoji);
}

} // namespace korvane
