#include "editor/ToolModes.h"

#include <array>

namespace korvane {

namespace {

const std::array<ToolModeInfo, 10> &toolModes()
{
    static const std::array<ToolModeInfo, 10> table = {{
        {mdSelect, clYellow, QStringLiteral("  部分選択"),
         QStringLiteral("・文字背景色を選択出来ます\r\n・文字や線などを選択できます"), crDefault},
        {mdLine, clAqua, QStringLiteral("  直線描画"),
         QStringLiteral("・直線の色を選択出来ます\r\n・直線を描画できます"), crLineCursor},
        {mdArrow, clWhite, QStringLiteral("  矢印描画"),
         QStringLiteral("・矢印の色を選択出来ます\r\n・矢印を描画できます"), crLineCursor},
        {mdText, clLime, QStringLiteral("  文字描画"),
         QStringLiteral("・文字背景色を選択出来ます\r\n・文字を描画できます"), crIBeam},
        {mdSpoide, clAqua, QStringLiteral("  色の抽出"),
         QStringLiteral("色の抽出\r\n画像から色を抽出できます"), crSpoideCursor},
        {mdCrop, clFuchsia, QStringLiteral("  切り抜き"),
         QStringLiteral("・残す範囲をドラッグで囲みます\r\n・Enter か確定で切り抜きます"), crCross},
        {mdFrame, clAqua, QStringLiteral("  四角形描画"),
         QStringLiteral("・四角形の色を選択出来ます\r\n・四角形を描画できます"), crCross},
        {mdHighlight, clYellow, QStringLiteral("  強調表示"),
         QStringLiteral("・強調の色を選択出来ます\r\n・ドラッグで強調できます"), crCross},
        {mdNumber, clWhite, QStringLiteral("  番号付け"),
         QStringLiteral("・番号の色を選択出来ます\r\n・クリックで番号を付けます"), crCross},
        {mdRedact, clLime, QStringLiteral("  ぼかし"),
         QStringLiteral("・隠す範囲をドラッグで囲みます\r\n・元の画像には戻せません"), crCross},
    }};
    return table;
}

struct NamedColor
{
    TColor color;
    const char16_t *name;
};

// The first eight and the last eight static colours of the default palette.
constexpr NamedColor kGridColors[kGridColorCount] = {
    {clBlack, u"黒"},  {clMaroon, u"茶"},    {clGreen, u"緑"},  {clOlive, u"オリーブ"},
    {clNavy, u"紺"},   {clPurple, u"紫"},    {clTeal, u"青緑"}, {clSilver, u"銀"},
    {clGray, u"灰色"}, {clRed, u"赤"},       {clLime, u"黄緑"}, {clYellow, u"黄"},
    {clBlue, u"青"},   {clFuchsia, u"赤紫"}, {clAqua, u"水色"}, {clWhite, u"白"},
};

} // namespace

const ToolModeInfo *toolModeInfo(qint32 mode)
{
    for (const ToolModeInfo &info : toolModes()) {
        if (info.mode == mode)
            return &info;
    }
    return nullptr;
}

GridTarget colorGridTarget(qint32 mode)
{
    return mode == mdSelect || mode == mdText || mode == mdTextPlaced ? GridTarget::TextBackground
                                                                      : GridTarget::LineColor;
}

TColor gridColor(int index)
{
    return index >= 0 && index < kGridColorCount ? kGridColors[index].color : clBlack;
}

QString gridColorName(int index)
{
    return index >= 0 && index < kGridColorCount ? QString::fromUtf16(kGridColors[index].name)
                                                 : QString();
}

qint32 lineWidthFromText(const QString &text)
{
    bool ok = false;
    const qint32 value = text.trimmed().toInt(&ok, 10);
    return ok ? value : kMinLineWidth;
}

} // namespace korvane
