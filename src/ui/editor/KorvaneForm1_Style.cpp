// The editor's style settings and their read-outs: line colour and width,
// text font, colour and background, the colour grid and the width field.
#include "ui/editor/KorvaneForm1.h"

#include "ui/dialogs/FontColorDialog.h"
#include "ui/widgets/ColorGrid.h"
#include "ui/widgets/SpinEdit.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace korvane {

namespace {

void setRole(QWidget *widget, QPalette::ColorRole role, TColor color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, toQColor(color));
    widget->setPalette(palette);
}

} // namespace

TColor TKorvaneForm1::lineColor() const
{
    return m_lineColor;
}

void TKorvaneForm1::setLineColor(TColor color)
{
    m_lineColor = color;
    setRole(NowColor, QPalette::Window, color);
    setRole(NBK, QPalette::Window, swatchFrameColor(color));
}

qint32 TKorvaneForm1::lineWidth() const
{
    return SpinEdit1->value();
}

TColor TKorvaneForm1::textColor() const
{
    return fromQRgb(InsText->palette().color(QPalette::Text).rgb());
}

TColor TKorvaneForm1::textBackground() const
{
    return fromQRgb(InsText->palette().color(QPalette::Base).rgb());
}

void TKorvaneForm1::setTextFont(const QFont &font)
{
    InsText->setFont(font);
}

void TKorvaneForm1::setTextColor(TColor color)
{
    setRole(InsText, QPalette::Text, color);
}

void TKorvaneForm1::setTextBackground(TColor color)
{
    setRole(InsText, QPalette::Base, color);
}

TextStyle TKorvaneForm1::textStyle() const
{
    return {InsText->text(), InsText->font(), textColor(), textBackground(),
            CheckBox1->isChecked()};
}

bool TKorvaneForm1::runColorDialog(TColor initial, TColor &chosen)
{
    ColorDialog1->setCurrentColor(toQColor(initial));
    if (ColorDialog1->exec() != QDialog::Accepted)
        return false;
    chosen = fromQRgb(ColorDialog1->selectedColor().rgb());
    return true;
}

void TKorvaneForm1::ActColorExecute()
{
    const TColor initial = lineColor();
    FColorButton->setFocus();
    TColor chosen;
    if (runColorDialog(initial, chosen)) {
        setLineColor(chosen);
        m_tools.RestyleColor(chosen); // a selected line or shape takes it too
    }
}

void TKorvaneForm1::ActFontColorExecute()
{
    TColor chosen;
    if (runColorDialog(textColor(), chosen)) {
        setTextColor(chosen);
        TextOKButton->setEnabled(true);
    }
    if (m_doc.Mode == mdText)
        InsText->setFocus();
    else
        FColorButton->setFocus();
}

void TKorvaneForm1::ActBKColorExecute()
{
    const TColor initial = textBackground();
    FColorButton->setFocus();
    TColor chosen;
    if (runColorDialog(initial, chosen)) {
        setTextBackground(chosen);
        TextOKButton->setEnabled(true);
        CheckBox1->setChecked(false); // a chosen background ends the transparent one
    }
}

void TKorvaneForm1::ActFontExecute()
{
    FontDialog1->setSelection(InsText->font(), textColor());
    if (FontDialog1->exec() == QDialog::Accepted) {
        setTextFont(FontDialog1->selectedFont());
        setTextColor(FontDialog1->selectedColor());
        FName->setText(InsText->font().family());
        fitReadOuts();
        AdjustTextPanel();
    }
    if (m_doc.Mode == mdText)
        InsText->setFocus();
    else
        FColorButton->setFocus();
}

void TKorvaneForm1::ColorGrid1Click()
{
    const TColor color = ColorGrid1->chosenColor();
    // A selected line or shape takes the colour, which becomes the line
    // colour too; a selected text keeps to its background, confirmed by 確　定.
    if (m_tools.RestyleColor(color)) {
        setLineColor(color);
        return;
    }
    if (colorGridTarget(m_doc.Mode) == GridTarget::TextBackground) {
        setTextBackground(color);
        InsText->setFocus();
        TextOKButton->setEnabled(true);
    } else {
        setLineColor(color);
    }
}

void TKorvaneForm1::SpinEdit1Change()
{
    LW->setText(QString::number(SpinEdit1->value()));
    fitReadOuts();
    m_tools.RestyleWidth(SpinEdit1->value());
}

bool TKorvaneForm1::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the font's name opens the font dialog.
    if (watched == FName && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            FName->rect().contains(mouse->position().toPoint()))
            ActFontExecute();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace korvane
