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
    const ToolModeInfo *ApplyToolMode(qint32 downMode);
    // Empties the text entry, drops the selection and redraws.
    void ClearSelection();
    // Removes the selected line or text; nothing happens without a selection.
    void DeleteSelected();

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

    EditorDocument &m_doc;
    ToolHost &m_host;
    QPoint m_cropStart;
};

} // namespace korvane
