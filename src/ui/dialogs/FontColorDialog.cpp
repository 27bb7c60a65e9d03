#include "ui/dialogs/FontColorDialog.h"

#include "editor/ToolModes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

QIcon swatch(TColor color)
{
    QPixmap pixmap(24, 12);
    pixmap.fill(toQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

FontColorDialog::FontColorDialog(QWidget *parent)
    : QDialog(parent), m_fonts(new QFontDialog(this)), m_colors(new QComboBox(this))
{
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("フォント"));
    // The font picker lives inside this dialog as a plain widget, without its
    // own buttons: OK and Cancel below confirm the colour with the font.
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setSizeGripEnabled(false);
    m_fonts->setVisible(true);
    // The picker's fields, family, style and size in that order, are named
    // only through labels that screen readers do not tie to all of them.
    const QList<QLineEdit *> fields = m_fonts->findChildren<QLineEdit *>();
    const char16_t *fieldNames[] = {u"フォント名", u"スタイル", u"サイズ"};
    for (qsizetype i = 0; i < qMin<qsizetype>(fields.size(), 3); ++i)
        fields[i]->setAccessibleName(QString::fromUtf16(fieldNames[i]));
    // Enter or Escape in the font lists finish the picker, a dialog in its
    // own right: they finish this dialog, as they do everywhere else in it.
    connect(m_fonts, &QDialog::accepted, this, &QDialog::accept);
    connect(m_fonts, &QDialog::rejected, this, &QDialog::reject);

    for (int i = 0; i < kGridColorCount; ++i)
        m_colors->addItem(swatch(gridColor(i)), gridColorName(i),
                          QVariant::fromValue(gridColor(i)));
    auto *colorLabel = new QLabel(QStringLiteral("色(&C):"), this);
    colorLabel->setBuddy(m_colors);
    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colors);
    colorRow->addStretch();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true); // Enter confirms
    setFocusProxy(m_fonts);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

void FontColorDialog::setSelection(const QFont &font, TColor color)
{
    m_fonts->setVisible(true); // finishing it last time hid it
    // The picker lists the installed families, so it shows the one that a
    // substituted face name resolves to, and sizes in points.
    const QFontInfo resolved(font);
    QFont shown = font;
    shown.setFamilies({resolved.family()});
    if (font.pixelSize() > 0)
        shown.setPointSizeF(resolved.pointSizeF());
    m_fonts->setCurrentFont(shown);
    while (m_colors->count() > kGridColorCount)
        m_colors->removeItem(kGridColorCount);
    int index = m_colors->findData(QVariant::fromValue(color));
    if (index < 0) {
        // A colour from the colour dialog stays choosable as it is.
        m_colors->addItem(swatch(color), QStringLiteral("カスタム"), QVariant::fromValue(color));
        index = m_colors->count() - 1;
    }
    m_colors->setCurrentIndex(index);
}

QFont FontColorDialog::selectedFont() const
{
    QFont font = m_fonts->currentFont();
    // Texts measure and draw in pixels, as the screen shows them.
    if (font.pixelSize() <= 0)
        font.setPixelSize(qMax(1, QFontInfo(font).pixelSize()));
    return font;
}

TColor FontColorDialog::selectedColor() const
{
    return m_colors->currentData().value<TColor>();
}

} // namespace korvane
