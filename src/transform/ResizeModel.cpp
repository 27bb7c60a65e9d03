#include "transform/ResizeModel.h"

#include "common/KorvaneError.h"

#include <algorithm>
#include <initializer_list>

namespace korvane {

namespace {

using Control = ResizeModel::Control;

// 3.405 pixels a millimetre, always applied as this integer pair so that a
// reading converts the same way every time.
constexpr qint32 kScalePixels = 3405;
constexpr qint32 kScaleMillimetres = 1000;
constexpr qint32 kStartPercent = 100;
constexpr QSize kPostcardSize(341, 504);
constexpr QSize kIconSize(32, 32);

constexpr std::array<qint16, ResizeModel::kFieldCount> kMaxima{500,  500,  500, 3000,
                                                               3000, 1000, 1000};

// a × b div divisor in 32-bit signed arithmetic: the product wraps as a 32-bit
// integer does and the quotient truncates toward zero.
qint32 mulDiv(qint32 a, qint32 b, qint32 divisor)
{
    if (divisor == 0)
        throw KorvaneError(QStringLiteral("ゼロによる除算"));
    const auto product = qint32(quint32(a) * quint32(b));
    return qint32(qint64(product) / divisor);
}

// A 32-bit whole number in decimal digits with an optional sign; anything
// else, spaces included, is refused with the text in the message.
qint32 parseInteger(const QString &text)
{
    const bool negative = text.startsWith(u'-');
    const qsizetype first = (negative || text.startsWith(u'+')) ? 1 : 0;
    const qint64 limit = negative ? (qint64(1) << 31) : (qint64(1) << 31) - 1;
    qint64 magnitude = 0;
    bool valid = first < text.size();
    for (qsizetype i = first; valid && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        magnitude = magnitude * 10 + (c - u'0');
        valid = c >= u'0' && c <= u'9' && magnitude <= limit;
    }
    if (!valid)
        throw KorvaneError(QStringLiteral("'%1' は整数ではありません").arg(text));
    return qint32(negative ? -magnitude : magnitude);
}

// Fields 2 to 7 are the width and the height in percent, then in pixels, then
// in millimetres.
ResizeModel::Unit unitOf(int field)
{
    return ResizeModel::Unit((field - 2) / 2);
}

bool isWidth(int field)
{
    return field % 2 == 0;
}

} // namespace

ResizeModel::ResizeModel(std::function<QSize()> pictureSize) : m_pictureSize(std::move(pictureSize))
{
    m_texts.fill(QStringLiteral("0"));
    store(1, kStartPercent);
    applyModeStates();
}

void ResizeModel::setChangedHandler(std::function<void()> handler)
{
    m_changed = std::move(handler);
}

void ResizeModel::FormShow()
{
    changing([this] {
        selectMode(rmKeepAspect);
        selectUnit(unPercent);
        store(1, kStartPercent);
        // Selecting unPercent above may have enabled its fields; the single
        // percentage is what the dialog opens with.
        applyModeStates();
    });
}

void ResizeModel::RadioGroup1Click(int index)
{
    if (index < rmKeepAspect || index > rmIcon || index == m_mode)
        return;
    changing([this, index] { selectMode(Mode(index)); });
}

void ResizeModel::RadioGroup2Click(int index)
{
    if (index < unPercent || index > unMillimeter || index == m_unit)
        return;
    changing([this, index] { selectUnit(Unit(index)); });
}

void ResizeModel::EditChange(int field, const QString &text)
{
    QString &shown = m_texts.at(field - 1);
    if (text == shown)
        return;
    changing([&] {
        shown = text;
        // The fields of the other units are rewritten by the chains: reading
        // them would start chains of their own.
        if (text.isEmpty() || (field != 1 && unitOf(field) != m_unit))
            return;
        take(field, parseInteger(text));
    });
}

void ResizeModel::UpDownClick(int field, Step step)
{
    if (field < 1 || field > kFieldCount || !isEnabled(upDown(field)))
        return;
    const qint32 next = value(field) + (step == Step::Up ? 1 : -1);
    if (next < 0 || next > maximum(field))
        return;
    changing([&] { take(field, next); });
}

const QString &ResizeModel::text(int field) const
{
    return m_texts.at(field - 1);
}

qint16 ResizeModel::value(int field) const
{
    return m_values.at(field - 1);
}

QSize ResizeModel::targetSize() const
{
    const QSize picture = m_pictureSize();
    switch (m_mode) {
    case rmKeepAspect:
        return {mulDiv(picture.width(), value(1), 100), mulDiv(picture.height(), value(1), 100)};
    case rmSeparate:
        return {mulDiv(picture.width(), value(2), 100), mulDiv(picture.height(), value(3), 100)};
    case rmPostcard:
        return kPostcardSize;
    case rmIcon:
        return kIconSize;
    }
    return picture;
}

qint16 ResizeModel::maximum(int field)
{
    return kMaxima.at(field - 1);
}

void ResizeModel::changing(const std::function<void()> &change)
{
    try {
        change();
    } catch (...) {
        if (m_changed)
            m_changed();
        throw;
    }
    if (m_changed)
        m_changed();
}

// The fields a mode fills are written as texts and start no chain; in the
// preset modes they only inform, as OK uses the fixed sizes.
void ResizeModel::selectMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    if (mode == rmSeparate) {
        const QSize picture = m_pictureSize();
        writePresetFields(picture.width(), picture.height());
        selectUnit(unPercent);
    } else if (mode == rmPostcard) {
        writePresetFields(kPostcardSize.width(), kPostcardSize.height());
    } else if (mode == rmIcon) {
        writePresetFields(kIconSize.width(), kIconSize.height());
    }
    applyModeStates();
}

void ResizeModel::selectUnit(Unit unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    applyUnitStates();
}

// The pixels, their millimetres, and 100 % for both axes, in that order.
void ResizeModel::writePresetFields(qint32 width, qint32 height)
{
    show(4, width);
    show(5, height);
    show(6, mulDiv(width, kScaleMillimetres, kScalePixels));
    show(7, mulDiv(height, kScaleMillimetres, kScalePixels));
    show(2, 100);
    show(3, 100);
}

void ResizeModel::applyModeStates()
{
    const bool single = m_mode == rmKeepAspect;
    const bool separate = m_mode == rmSeparate;
    for (Control control : {Control::Edit1, Control::UpDown1, Control::Label1})
        setEnabled(control, single);
    for (Control control : {Control::Bevel2, Control::Label2, Control::Label3, Control::RadioGroup2,
                            Control::Edit2, Control::Edit3, Control::UpDown2, Control::UpDown3})
        setEnabled(control, separate);
    for (int field = 4; field <= kFieldCount; ++field) {
        setEnabled(edit(field), false);
        setEnabled(upDown(field), false);
    }
    setEnabled(Control::RadioGroup1, true);
}

// Pixels and millimetres are only ever typed: their spins stay disabled.
void ResizeModel::applyUnitStates()
{
    for (int field = 2; field <= kFieldCount; ++field) {
        setEnabled(edit(field), unitOf(field) == m_unit);
        setEnabled(upDown(field), field <= 3 && m_unit == unPercent);
    }
}

// A mode's write: the value is clamped, the text shows the number as written.
void ResizeModel::show(int field, qint32 number)
{
    m_values.at(field - 1) = qint16(std::clamp<qint32>(number, 0, maximum(field)));
    m_texts.at(field - 1) = QString::number(number);
}

void ResizeModel::store(int field, qint32 number)
{
    const qint16 stored = qint16(std::clamp<qint32>(number, 0, maximum(field)));
    m_values.at(field - 1) = stored;
    m_texts.at(field - 1) = QString::number(stored);
}

// A number typed or stepped into a field. Rewriting the field with its clamped
// value raises one more change of it, which runs the same chain from the same
// value; running the chain once gives what that nesting gives.
void ResizeModel::take(int field, qint32 number)
{
    store(field, number);
    if (field != 1 && unitOf(field) == m_unit)
        link(field);
}

// Brings the other two readings of the field's axis in line with it, each step
// going on from the value the step before stored (clamped).
void ResizeModel::link(int field)
{
    const QSize picture = m_pictureSize();
    const qint32 side = isWidth(field) ? picture.width() : picture.height();
    const int percent = isWidth(field) ? 2 : 3;
    const int pixels = percent + 2;
    const int millimetres = percent + 4;
    switch (unitOf(field)) {
    case unPercent:
        store(pixels, mulDiv(side, value(percent), 100));
        store(millimetres, mulDiv(value(pixels), kScaleMillimetres, kScalePixels));
        break;
    case unPixel:
        store(percent, mulDiv(value(pixels), 100, side));
        store(millimetres, mulDiv(value(pixels), kScaleMillimetres, kScalePixels));
        break;
    case unMillimeter:
        store(pixels, mulDiv(value(millimetres), kScalePixels, kScaleMillimetres));
        store(percent, mulDiv(value(pixels), 100, side));
        break;
    }
}

} // namespace korvane
