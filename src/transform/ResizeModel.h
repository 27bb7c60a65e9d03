#pragma once

#include <QSize>
#include <QString>

#include <array>
#include <functional>

namespace korvane {

// Everything the resize dialog shows and decides, without its widgets: the
// mode and the unit, the seven edit-and-spin pairs Edit1/UpDown1 to
// Edit7/UpDown7 (field n is EditN with UpDownN), which controls are enabled,
// and the size that OK gives the picture.
//
// Each field holds a value (the spin's position, 0 to maximum(n)) and the
// text its edit shows. The two differ while a text is being typed, after a
// text failed to convert, and after a mode wrote a pixel or millimetre text
// beyond the spin's range (the value is then the clamped number).
//
// The handlers behave as the dialog's own handlers would, including the
// change events that their rewrites of the edits raise: the window writes
// the texts back into its edits without raising events of its own.
//
// Every computation reads the picture's size afresh through the function
// given to the constructor, so a picture changed while the dialog is open is
// taken into account from the next change on.
//
// Errors (a text that is no whole number, a division by a zero-sized side)
// throw KorvaneError; whatever the handler changed before that stays.
class ResizeModel
{
public:
    // The index of RadioGroup1.
    enum Mode : int { rmKeepAspect = 0, rmSeparate = 1, rmPostcard = 2, rmIcon = 3 };
    // The index of RadioGroup2; it matters in rmSeparate only.
    enum Unit : int { unPercent = 0, unPixel = 1, unMillimeter = 2 };

    // The controls whose enabled state depends on the mode and the unit.
    enum class Control {
        Edit1,
        Edit2,
        Edit3,
        Edit4,
        Edit5,
        Edit6,
        Edit7,
        UpDown1,
        UpDown2,
        UpDown3,
        UpDown4,
        UpDown5,
        UpDown6,
        UpDown7,
        Label1,
        Label2,
        Label3,
        Bevel2,
        RadioGroup1,
        RadioGroup2
    };
    static constexpr int kControlCount = int(Control::RadioGroup2) + 1;
    static constexpr int kFieldCount = 7;

    enum class Step { Up, Down };

    // The state after the dialog's creation: rmKeepAspect, unPercent, Edit1
    // at 100 and every other edit showing "0".
    explicit ResizeModel(std::function<QSize()> pictureSize);

    // Run at the end of every handler below that may have changed something,
    // also when the handler throws (before the exception leaves it). It must
    // not throw. The window re-reads everything it shows there.
    void setChangedHandler(std::function<void()> handler);

    // The dialog is being shown: rmKeepAspect at 100 %, unPercent, the unit
    // group disabled. Edit2 to Edit7 keep their texts.
    void FormShow();
    // A mode or unit was selected. Selecting the current index does nothing.
    void RadioGroup1Click(int index);
    void RadioGroup2Click(int index);
    // The text of EditN changed to `text` (typed, pasted, erased...).
    void EditChange(int field, const QString &text);
    // An arrow of UpDownN, or the Up or Down key in its edit; ignored while
    // that spin is disabled and at the ends of its range.
    void UpDownClick(int field, Step step);

    Mode mode() const { return m_mode; }
    Unit unit() const { return m_unit; }
    const QString &text(int field) const;
    qint16 value(int field) const;
    bool isEnabled(Control control) const { return m_enabled[int(control)]; }

    // The size OK gives the picture in the current mode, from the picture's
    // present size; 0 is a possible side.
    QSize targetSize() const;

    static qint16 maximum(int field);
    static Control edit(int field) { return Control(int(Control::Edit1) + field - 1); }
    static Control upDown(int field) { return Control(int(Control::UpDown1) + field - 1); }

private:
    void changing(const std::function<void()> &change);
    void selectMode(Mode mode);
    void selectUnit(Unit unit);
    void writePresetFields(qint32 width, qint32 height);
    void applyModeStates();
    void applyUnitStates();
    void setEnabled(Control control, bool on) { m_enabled[int(control)] = on; }

    void show(int field, qint32 number);
    void store(int field, qint32 number);
    void take(int field, qint32 number);
    void link(int field);

    std::function<QSize()> m_pictureSize;
    std::function<void()> m_changed;
    Mode m_mode = rmKeepAspect;
    Unit m_unit = unPercent;
    std::array<QString, kFieldCount> m_texts;
    std::array<qint16, kFieldCount> m_values{};
    std::array<bool, kControlCount> m_enabled{};
};

} // namespace korvane
