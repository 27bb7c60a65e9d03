#pragma once

#include "document/PictureSaving.h"
#include "document/RecoveryStore.h"
#include "editor/EditorDocument.h"
#include "editor/ToolController.h"
#include "ui/editor/CursorTable.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QColorDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace korvane {

class ColorGrid;
class FontColorDialog;
class HintRouter;
class PaintBox;
class PicturePreviewDialog;
class RecoveryKeeper;
class SpinEdit;
class TKorvaneForm0;

// The editor window. It owns the one open document for the whole run; its
// handlers read the controls, call the document and the tools, and show what
// they report. The style settings live in the controls that show them: the
// line colour in the swatch NowColor, the width in SpinEdit1, the text font,
// colour and background in the text entry InsText.
//
// Split by aspect: construction and layout here (KorvaneForm1.cpp), actions
// and menus (_Actions), file commands (_File), tools and keys (_Tools), style
// settings and read-outs (_Style), saving (_Save), printing (_Print), the
// picture's geometry (_Transform), undo and redo (_History).
class TKorvaneForm1 : public QMainWindow, private ToolHost
{
    Q_OBJECT
public:
    // `firstArgument` is the first command-line argument, or empty.
    TKorvaneForm1(TKorvaneForm0 *launcher, const QString &firstArgument, QWidget *parent = nullptr);
    ~TKorvaneForm1() override;

    EditorDocument &document() { return m_doc; }
    // A message of the program's own in the status bar (where hints go),
    // until the next hint replaces it.
    void showStatusMessage(const QString &message);
    ToolController &tools() { return m_tools; }
    const CursorTable &cursors() const { return m_cursors; }

    // File commands.
    // Replaces the document by the file's picture (or a new one for an empty
    // or missing name) and shows it. Errors of the readers pass to the caller
    // with the document unchanged.
    void LoadDocument(const QString &name);
    // Opens a file the user chose or dropped: a type the program does not
    // open is refused with a message, the document staying as it was; a
    // modified document is asked about first (maybeSave).
    void openPicture(const QString &path);
    // BaseBmp := picture, the annotations kept; a change of the document.
    void pastePicture(QImage picture);
    void Redraw();
    void ActNewExecute();
    void ActOpenExecute();
    void ActReloadExecute();
    void ActPastExecute();
    // The composed picture, as Save writes it, onto the clipboard.
    void ActCopyExecute();
    void ActExitExecute();
    void WMDropFiles(const QStringList &paths);

    // Saving and printing. The bool forms say whether the picture was
    // written; the close question needs to know.
    void ActSaveExecute();
    void ActSaveAsExecute();
    bool saveDocument();
    bool saveDocumentAs();
    void SaveBitmap();
    void SaveJpeg();
    void SaveIcon();
    void SavePng();
    // Before the window closes: asks about unsaved changes; false keeps it open.
    bool FormCloseQuery();
    // Before the document is closed or replaced: the unsaved-changes question
    // when it is modified. True when it may go: unmodified, saved (はい), or
    // given up (いいえ); false for キャンセル and for a save that did not
    // happen.
    bool maybeSave();
    // Every change of the picture or its annotations, recorded in the
    // document's history: Save enabled, undo and redo as the history allows.
    void documentChanged();
    // The launcher handed over a fresh capture or blank picture: a history
    // of its own, unsaved work until it is saved.
    void markCaptured();
    // The keeper of the recovery copy, which follows every change from now
    // on; the window's end ends it too.
    void setRecovery(RecoveryKeeper *recovery);
    // The document replaced by unsaved work recovered from an earlier run.
    void restoreDocument(RecoveredDocument recovered);
    void ActUndoExecute();
    void ActRedoExecute();
    void ActPrintExecute();
    void ActVerExecute();
    void setAboutBox(QWidget *aboutBox) { m_aboutBox = aboutBox; }

    // The picture's geometry. The annotations, the selection, the tool,
    // FileName and Modified all stay as they are.
    void TransformPicture(int kind);
    void Act90Execute();
    void Act180Execute();
    void Act270Execute();
    void ActHntenLRExecute();
    void ActHantenTBExecute();
    // Shows the resize dialog beside the editor; OK there calls ResizePicture.
    void ActSizeExecute();
    void ResizePicture(QSize size);
    void setResizeDialog(QWidget *dialog) { m_resizeDialog = dialog; }

    // Tools and keys.
    // Sets a tool button down, as its context-menu entry does, and applies it.
    void pressToolButton(QToolButton *button);
    void ApplyToolMode();
    void ClearSelection();
    void ActDelExecute();
    void TextOKButtonClick();
    void InsTextChange();
    void DrawTextCaret();
    void AdjustTextPanel();
    // Whole-window key handlers: they see each key before the focused control
    // and leave it to that control afterwards.
    void FormKeyDown(int key);
    void FormKeyUp(int key);

    // Style settings.
    void ActColorExecute();
    void ActFontColorExecute();
    void ActBKColorExecute();
    void ActFontExecute();
    void ColorGrid1Click();
    void SpinEdit1Change();
    TColor lineColor() const override;
    void setLineColor(TColor color) override;
    qint32 lineWidth() const override;
    TextStyle textStyle() const;
    TColor textColor() const;
    TColor textBackground() const;
    void setTextFont(const QFont &font);
    void setTextColor(TColor color);
    void setTextBackground(TColor color);

    // Actions, in the order of the action list.
    QAction *ActNew = nullptr;
    QAction *ActOpen = nullptr;
    QAction *ActSave = nullptr;
    QAction *ActSaveAs = nullptr;
    QAction *ActPrint = nullptr;
    QAction *ActExit = nullptr;
    QAction *ActVer = nullptr;
    QAction *ActReload = nullptr;
    QAction *ActFont = nullptr;
    QAction *ActBKColor = nullptr;
    QAction *ActDel = nullptr;
    QAction *ActFontColor = nullptr;
    QAction *ActColor = nullptr;
    QAction *ActPaste = nullptr;
    QAction *ActSize = nullptr;
    QAction *Act90 = nullptr;
    QAction *Act180 = nullptr;
    QAction *Act270 = nullptr;
    QAction *ActHntenLR = nullptr;
    QAction *ActHantenTB = nullptr;
    QAction *ActCopy = nullptr;
    QAction *ActUndo = nullptr;
    QAction *ActRedo = nullptr;

    // Context menus: the tools and style commands; and the empty one of the
    // read-outs, which keeps the edit fields' own menu away.
    QMenu *PopupMenu2 = nullptr;
    QAction *Spoide2 = nullptr;
    QAction *Select2 = nullptr;
    QAction *Line2 = nullptr;
    QAction *Text2 = nullptr;
    QAction *Frame2 = nullptr;
    QAction *Highlight2 = nullptr;
    QAction *Number2 = nullptr;
    QAction *Redact2 = nullptr;
    // The tools in the ツール menu.
    QAction *Spoide3 = nullptr;
    QAction *Select3 = nullptr;
    QAction *Line3 = nullptr;
    QAction *Arrow3 = nullptr;
    QAction *Text3 = nullptr;
    QAction *Crop3 = nullptr;
    QAction *Frame3 = nullptr;
    QAction *Highlight3 = nullptr;
    QAction *Number3 = nullptr;
    QAction *Redact3 = nullptr;

    // The three bands across the top.
    QToolBar *ToolBar1 = nullptr;
    QToolBar *TextBand = nullptr;
    QToolBar *StyleBand = nullptr;
    QToolButton *Spoide1 = nullptr;
    QToolButton *Select1 = nullptr;
    QToolButton *Line1 = nullptr;
    QToolButton *Arrow1 = nullptr;
    QToolButton *Text1 = nullptr;
    // The column of the later tools, at the picture's left.
    QToolBar *ToolBar2 = nullptr;
    QToolButton *Crop1 = nullptr;
    QToolButton *Frame1 = nullptr;
    QToolButton *Highlight1 = nullptr;
    QToolButton *Number1 = nullptr;
    QToolButton *Redact1 = nullptr;
    QWidget *Panel4 = nullptr;
    QPushButton *FColorButton = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;

    QWidget *Panel2 = nullptr;
    QLineEdit *InsText = nullptr;
    QLineEdit *FName = nullptr;
    QPushButton *TextOKButton = nullptr;

    QWidget *Panel1 = nullptr;
    QPlainTextEdit *SelColor = nullptr;
    ColorGrid *ColorGrid1 = nullptr;
    QWidget *Panel3 = nullptr;
    QLineEdit *MHyouji = nullptr;
    QLineEdit *NowMode = nullptr;
    QLineEdit *LineW = nullptr;
    QLineEdit *LW = nullptr;
    QLineEdit *LineC = nullptr;
    QWidget *LCB = nullptr;
    QWidget *NBK = nullptr;
    QWidget *NowColor = nullptr;
    SpinEdit *SpinEdit1 = nullptr;

    QScrollArea *ScrollBox1 = nullptr;
    PaintBox *PB1 = nullptr;
    QLabel *StatusPanel0 = nullptr;
    QLabel *StatusPanel1 = nullptr;

    PicturePreviewDialog *OpenPictureDialog1 = nullptr;
    PicturePreviewDialog *SavePictureDialog1 = nullptr;
    QColorDialog *ColorDialog1 = nullptr;
    FontColorDialog *FontDialog1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void FormCreate(const QString &firstArgument);
    void createActions();
    void createMenus();
    void createToolBar();
    void createTextBand();
    void createStyleBand();
    void createShapeBand();
    void createReadOuts();
    void fitReadOuts();
    void createScrollBox();
    void createStatusBar();
    void connectPicture();
    void createSaveDialog();
    void saveAs(SaveFormat format);
    void wroteFile();
    QToolButton *addToolButton(const QString &name, const QString &caption,
                               const QString &shortHint, const QString &longHint,
                               const QString &icon, bool allowAllUp, QToolBar *bar = nullptr);
    void toolButtonClicked(QToolButton *button);
    void updateHistoryActions();
    // The tool whose button is down, mdNone when every button is up.
    qint32 downToolMode() const;
    // Runs a colour dialog from `initial`; true and the colour when confirmed.
    bool runColorDialog(TColor initial, TColor &chosen);

    // ToolHost: what the tools change in the window.
    void showPicture(const QRegion &changed) override;
    void documentTouched() override;
    void clearTextControls() override;
    void loadTextControls(const TMoji &text) override;
    void enableTextConfirm() override;
    void focusTextEntry() override;
    void drawTextCaret(qint32 x, qint32 y) override;
    void showPointerPosition(qint32 x, qint32 y) override;
    void showCropRect(const QRect &rect) override;

    EditorDocument m_doc;
    ToolController m_tools;
    CursorTable m_cursors;
    TKorvaneForm0 *m_launcher;
    QWidget *m_aboutBox = nullptr;
    QWidget *m_resizeDialog = nullptr;
    HintRouter *m_hints = nullptr;
    TColor m_lineColor = clRed;
    RecoveryKeeper *m_recovery = nullptr;
};

} // namespace korvane
