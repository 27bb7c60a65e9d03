#pragma once

#include "editor/EditorDocument.h"

#include <QFont>
#include <QPoint>
#include <QString>

namespace korvane {

// A pointer event on the picture, in picture coordinates. The picture keeps
// the pointer while a button is held, so positions may lie outside it.
struct PointerEvent
{
    enum class Button { None, Left, Right, Other };
    Button button = Button::None;
    qint32 X = 0;
    qint32 Y = 0;
};

// The style of the next text, as the text entry holds it: its text, its font
// and colour, its own background colour, and the transparency check box.
struct TextStyle
{
    QString text;
    QFont font;
    TColor fontColor = clBlack;
    TColor background = clWhite;
    bool transparent = false;
};

// What the tools need of the window around the picture: the style settings
// that live in its controls, and the displays that the tools change.
class ToolHost
{
public:
    virtual ~ToolHost() = default;

    virtual qint32 lineWidth() const = 0;
    virtual TColor lineColor() const = 0;
    // Sets the line colour (the swatch and its complementary frame).
    virtual void setLineColor(TColor color) = 0;
    // DrawBmp has been recomposed within `changed`: show it (this also
    // removes the insertion bar).
    virtual void showPicture(const QRegion &changed) = 0;
    // The document changed, or its history moved (or a press on the picture
    // may change it): saving is possible, and undo or redo may be.
    virtual void documentTouched() = 0;
    // Empties the text entry and disables the confirm button.
    virtual void clearTextControls() = 0;
    // Loads a selected text into the text entry and the transparency box,
    // enables the confirm button and fits the text row to the entry's font.
    virtual void loadTextControls(const TMoji &text) = 0;
    virtual void enableTextConfirm() = 0;
    virtual void focusTextEntry() = 0;
    // Draws the insertion bar at (x, y) on the screen only, never into DrawBmp.
    virtual void drawTextCaret(qint32 x, qint32 y) = 0;
    virtual void showPointerPosition(qint32 x, qint32 y) = 0;
    // Shows the crop tool's rectangle over the picture (none when empty).
    virtual void showCropRect(const QRect &rect) = 0;
};

// The crop: the picture becomes its part inside `rect`, the annotations
// keeping their places on it (those that fall outside stay in the document);
// one undo step; nothing is redrawn. False for an empty rectangle. A part
// that cannot be had in memory throws KorvaneError, nothing changed.
bool CropDocument(EditorDocument &document, const QRect &rect);

// The tools of the editor: the press, move and release of each mode on the
// picture, selection, moving and deleting, and placing texts. Everything the
// tools show goes through the host; the document is changed here only.
class ToolController
{
public:
    ToolController(EditorDocument &document, ToolHost &host);

    // Recomposes DrawBmp and shows it.
    void Redraw();

    // The tool whose button is down, or mdNone when the user raised the down
    // button: then the previous tool goes on working. Always ends with
    // ClearSelection. Returns the chosen tool's row, null when none applies.
    // The first choice of the highlighter in a run makes the line colour
    // yellow, the highlighter's usual colour; after that it takes the line
    // colour as it finds it, like every other tool.
    const ToolModeInfo *ApplyToolMode(qint32 downMode);
    // Empties the text entry, drops the selection and redraws.
    void ClearSelection();
    // Removes the selected annotation; nothing happens without a selection.
    // The numbered markers after a deleted one move up a number.
    void DeleteSelected();

    // Restyling the selected line, arrow, frame, highlight or numbered
    // marker with a colour from the grid or the line colour dialog, or with
    // the width field's value (a highlight has no width): one undo step, and
    // width changes that follow each other on the same annotation, with
    // nothing in between, one step together (the field changes on every
    // digit typed and every repeat of its buttons). False when nothing of
    // the kind is selected; a selected text is restyled by confirming.
    bool RestyleColor(TColor color);
    bool RestyleWidth(qint32 width);

    void PB1MouseDown(const PointerEvent &event);
    void PB1MouseMove(const PointerEvent &event);
    void PB1MouseUp(const PointerEvent &event);

    // The confirm button: changes the selected text in the select tool, or
    // places a new text at the insertion point. Returns whether it did either.
    bool TextOKButtonClick(const TextStyle &style);

    // The crop tool: the picture becomes its part inside CropRect, the
    // annotations keeping their places on it (those that fall outside stay
    // in the document); one undo step. Returns whether it cropped.
    bool CropToRect();
    // Gives the crop rectangle up, as Escape or another tool does.
    void CancelCrop();

    // One step back or forward in the document's history: the selection goes
    // (and the text entry with a selected text), the tool and a pending
    // insertion point stay, and what changed is shown. Refused, returning
    // false, while a button is held on the picture or when there is no step.
    bool Undo();
    bool Redo();

private:
    // Recomposes and shows only what moving an annotation changed: where it
    // was and where it is now.
    void RedrawMoved(const QRegion &before, const QRegion &after);
    void selectAt(qint32 x, qint32 y);
    void dragCrop(qint32 x, qint32 y);
    // Every change of the document, and every press that may make one: the
    // host told.
    void changed();
    void moveSelection(qint32 x, qint32 y);
    bool stepHistory(bool back);
    void pressShape(qint32 x, qint32 y);
    void dragShape(qint32 x, qint32 y);
    void releaseShape();
    // Applies `change` to the selected annotation of a kind it takes; one
    // undo step unless `joinable` and the last step was this one's own.
    template <class F> bool restyle(F change, bool joinable);

    EditorDocument &m_doc;
    ToolHost &m_host;
    QPoint m_cropStart;
    bool m_highlightOffered = false;
    const void *m_widthTarget = nullptr; // the annotation the last width step changed
    quint64 m_widthSerial = 0;           // the history's serial right after that step
};

} // namespace korvane
