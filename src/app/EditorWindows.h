#pragma once

#include <QString>
#include <memory>

namespace korvane {

class RecoveryKeeper;
class TAboutBox;
class TKorvaneForm0;
class TKorvaneForm1;
class TOKBottomDlg;

// The editor with the two dialogs it shows (resize, version), made together
// the first time the program needs the editor: a start-up file argument, or
// the launcher's OK. At start-up the launcher is all the user sees, so it
// comes up without waiting for them. They live until the program ends.
class EditorWindows
{
public:
    explicit EditorWindows(TKorvaneForm0 &launcher);
    ~EditorWindows();

    // Makes the three windows on the first call; the editor then opens
    // `picture` as its start-up file. Later calls return the same editor.
    TKorvaneForm1 &editor(const QString &picture = QString());
    // The keeper of the recovery copy that the editor, once made, reports to.
    void setRecovery(RecoveryKeeper *recovery) { m_recovery = recovery; }

private:
    TKorvaneForm0 &m_launcher;
    RecoveryKeeper *m_recovery = nullptr;
    // Destroyed in the reverse order: the dialogs before the editor.
    std::unique_ptr<TKorvaneForm1> m_editor;
    std::unique_ptr<TOKBottomDlg> m_resizeDialog;
    std::unique_ptr<TAboutBox> m_aboutBox;
};

} // namespace korvane
