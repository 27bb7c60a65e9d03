#pragma once

#include "common/Color.h"

#include <QDialog>

class QComboBox;
class QFontDialog;

namespace korvane {

// The font dialog of the text style: face, style, size and effects, and the
// text colour from the sixteen standard colours, all confirmed together.
class FontColorDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FontColorDialog(QWidget *parent = nullptr);

    void setSelection(const QFont &font, TColor color);
    // The chosen font, its size in pixels.
    QFont selectedFont() const;
    TColor selectedColor() const;

    QFontDialog *fontPicker() const { return m_fonts; }
    QComboBox *colorPicker() const { return m_colors; }

private:
    QFontDialog *m_fonts;
    QComboBox *m_colors;
};

} // namespace korvane
