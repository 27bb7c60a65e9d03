// The editor's tools: the tool buttons, the picture's pointer handlers (in
// the tool controller), text insertion and the keys the form handles itself.
#include "ui/editor/KorvaneForm1.h"

#include "ui/editor/KeyPreview.h"
#include "ui/widgets/PaintBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace korvane {

qint32 TKorvaneForm1::downToolMode() const
{
    const std::pair<QToolButton *, ToolMode> order[] = {{Select1, mdSelect}, {Line1, mdLine},
                                                        {Arrow1, mdArrow},   {Text1, mdText},
                                                        {Spoide1, mdSpoide}, {Crop1, mdCrop},
                                                        {Frame1, mdFrame},   {Highlight1, mdHighlight},
                                                        {Number1, mdNumber}, {Redact1, mdRedact}};
    for (const auto &[button, mode] : order) {
        if (button->isChecked())
            return mode;
    }
    return mdNone;
}

void TKorvaneForm1::toolButtonClicked(QToolButton *button)
{
    if (button->isChecked()) {
        for (QToolButton *other : {Spoide1, Select1, Line1, Arrow1, Text1, Crop1, Frame1,
                                   Highlight1, Number1, Redact1}) {
            if (other != button)
                other->setChecked(false);
        }
    } else if (!button->property("allowAllUp").toBool()) {
        button->setChecked(true); // the eyedropper cannot be raised by a second click
    }
    ApplyToolMode();
}

void TKorvaneForm1::pressToolButton(QToolButton *button)
{
    button->setChecked(true);
    toolButtonClicked(button);
}

void TKorvaneForm1::ApplyToolMode()
{
    const ToolModeInfo *info = m_tools.ApplyToolMode(downToolMode());
    if (!info)
        return; // every button up: the previous tool goes on working
    NowMode->setText(info->name);
    QPalette palette = NowMode->palette();
    palette.setColor(QPalette::Text, toQColor(info->nameColor));
    NowMode->setPalette(palette);
    SelColor->setPlainText(
        QString(info->explanation).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (info->cursor) {
    case crDefault:
        PB1->setCursor(Qt::ArrowCursor);
        break;
    case crIBeam:
        PB1->setCursor(Qt::IBeamCursor);
        break;
    case crSpoideCursor:
        PB1->setCursor(m_cursors.cursor(crSpoide));
        break;
    case crCross:
        PB1->setCursor(Qt::CrossCursor);
        break;
    case crLineCursor:
        PB1->setCursor(m_cursors.cursor(crLine));
        break;
    }
}

void TKorvaneForm1::ClearSelection()
{
    m_tools.ClearSelection();
}

void TKorvaneForm1::ActDelExecute()
{
    m_tools.DeleteSelected();
}

void TKorvaneForm1::FormKeyDown(int key)
{
    // In a text field, Delete removes a character, not the annotation.
    if (key == Qt::Key_Delete && !textFieldOf(QApplication::focusWidget()))
        m_tools.DeleteSelected();
    // The crop tool's rectangle: Enter crops to it, Escape gives it up.
    if (m_doc.Mode == mdCrop) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            m_tools.CropToRect();
        else if (key == Qt::Key_Escape)
            m_tools.CancelCrop();
    }
}

void TKorvaneForm1::FormKeyUp(int key)
{
    // The desktop puts a shot of the screen on the clipboard for this key.
    if (key == Qt::Key_Print)
        ActPastExecute();
}

void TKorvaneForm1::InsTextChange()
{
    TextOKButton->setEnabled(true);
}

void TKorvaneForm1::TextOKButtonClick()
{
    TextOKButton->setEnabled(false);
    m_tools.TextOKButtonClick(textStyle());
}

void TKorvaneForm1::DrawTextCaret()
{
    PB1->showCaret(m_doc.TextX, m_doc.TextY, QFontInfo(InsText->font()).pixelSize());
}

void TKorvaneForm1::AdjustTextPanel()
{
    // The entry grows with its font so that the band shows it whole; the
    // font-name read-out and the confirm button keep their height.
    const int height = qMax(20, InsText->fontMetrics().height() + 6);
    InsText->resize(InsText->width(), height);
    Panel2->setFixedHeight(qMax(22, InsText->y() + height + 1));
}

void TKorvaneForm1::clearTextControls()
{
    InsText->clear();
    TextOKButton->setEnabled(false);
}

void TKorvaneForm1::loadTextControls(const TMoji &text)
{
    setTextFont(text.Font);
    setTextColor(text.FontColor);
    setTextBackground(text.BkColor == clNone ? clWhite : text.BkColor);
    InsText->setText(text.Text);
    TextOKButton->setEnabled(true);
    CheckBox1->setChecked(text.BkColor == clNone);
    AdjustTextPanel();
}

void TKorvaneForm1::enableTextConfirm()
{
    TextOKButton->setEnabled(true);
}

void TKorvaneForm1::focusTextEntry()
{
    InsText->setFocus(Qt::OtherFocusReason);
}

void TKorvaneForm1::drawTextCaret(qint32, qint32)
{
    DrawTextCaret();
}

void TKorvaneForm1::showCropRect(const QRect &rect)
{
    PB1->showCropRect(rect);
    if (rect.isEmpty())
        TextOKButton->setEnabled(false);
}

void TKorvaneForm1::showPointerPosition(qint32 x, qint32 y)
{
    StatusPanel1->setText(QStringLiteral(" X:%1 Y:%2").arg(x).arg(y));
    // Large pictures have long coordinates: the panel grows, never cuts them.
    const int needed = StatusPanel1->fontMetrics().horizontalAdvance(StatusPanel1->text()) + 8;
    if (needed > StatusPanel1->minimumWidth())
        StatusPanel1->setMinimumWidth(needed);
}

} // namespace korvane
