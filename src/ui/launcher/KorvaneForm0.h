#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class QAction;
class QButtonGroup;
class QGroupBox;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace korvane {

class RegionOverlay;
class TKorvaneForm1;

// The launcher: the program's main window, where the user picks what the
// editor starts from and presses OK. Closing it ends the program, whatever
// the other windows hold. It can park itself as an icon in the desktop's
// notification area.
class TKorvaneForm0 : public QWidget
{
    Q_OBJECT
public:
    enum CaptureMode { cmScreen = 0, cmWindow = 1, cmClipboard = 2, cmEditor = 3, cmRegion = 4 };

    explicit TKorvaneForm0(QWidget *parent = nullptr);
    ~TKorvaneForm0() override;

    // The editor that OK hands the picture over to: one that exists, or one
    // that `makeEditor` makes at the first OK, while the first wait runs.
    void setEditor(TKorvaneForm1 *editor) { m_editor = editor; }
    void setEditorMaker(std::function<TKorvaneForm1 *()> makeEditor)
    {
        m_makeEditor = std::move(makeEditor);
    }

    // True once the launcher has closed, also before the event loop runs.
    bool isClosed() const { return m_closed; }
    int captureMode() const;
    void setCaptureMode(int mode);
    bool hasTrayIcon() const;

    // OK: hide, wait, capture onto the clipboard, wait, give the editor a new
    // picture and paste, choose the line tool, show the editor. In 範囲指定
    // the user chooses a rectangle on the frozen desktop instead of the
    // second wait; cancelling brings the launcher back.
    void ScreenCapClick();
    void ActTrayInExecute();
    void ActTrayDelExecute();
    void ActCancelExecute();
    // The editor has closed, its unsaved work asked about: the program ends.
    void closeAfterEditor();

    QGroupBox *ModeSelect = nullptr;
    QPushButton *ScreenCap = nullptr;
    QPushButton *NG = nullptr;
    QAction *ActTrayIn = nullptr;
    QAction *ActTrayDel = nullptr;
    QAction *ActCancel = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QMenu *PopupMenu2 = nullptr;
    QSystemTrayIcon *TrayIcon = nullptr; // made by the first ActTrayInExecute

Q_SIGNALS:
    // The launcher has closed and nothing keeps the program: it ends.
    void programEnds();

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void createControls();
    void createActions();
    void createMenus();
    void createTrayIcon();
    // Waits 700 ms while the program keeps handling its events, so that the
    // hidden launcher leaves the screen and the desktop settles; `during`
    // runs at the start of the wait, and what it throws is thrown after it.
    void WaitWithMessages(const std::function<void()> &during = {});
    // `copied`: the clipboard's picture, read already, in the clipboard mode.
    void capture(QImage copied);
    // 範囲指定 after the first wait: the chosen part on the clipboard and in
    // the editor; false when the user cancelled. The overlay's windows stay
    // until the caller frees it, after the editor is shown.
    bool captureRegion(RegionOverlay &overlay);
    // The new picture into the editor, the line tool, the editor shown.
    void handOver(QImage copied);
    void comeBack();
    void makeEditor();

    QButtonGroup *m_modes = nullptr;
    TKorvaneForm1 *m_editor = nullptr;
    std::function<TKorvaneForm1 *()> m_makeEditor;
    bool m_closed = false;
    bool m_editorClosed = false;
    bool m_capturing = false;
};

} // namespace korvane
