#include "app/EditorWindows.h"

#include "ui/dialogs/AboutBox.h"
#include "ui/dialogs/OKBottomDlg.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/KorvaneForm0.h"

namespace korvane {

EditorWindows::EditorWindows(TKorvaneForm0 &launcher) : m_launcher(launcher) {}

EditorWindows::~EditorWindows() = default;

TKorvaneForm1 &EditorWindows::editor(const QString &picture)
{
    if (m_editor)
        return *m_editor;
    // In the order of the program's windows: editor, resize dialog, version
    // dialog; all three or none, should one of them fail.
    auto editor = std::make_unique<TKorvaneForm1>(&m_launcher, picture);
    auto resizeDialog = std::make_unique<TOKBottomDlg>();
    auto aboutBox = std::make_unique<TAboutBox>();
    editor->setAboutBox(aboutBox.get());
    editor->setResizeDialog(resizeDialog.get());
    resizeDialog->setEditor(editor.get());
    editor->setRecovery(m_recovery);
    m_editor = std::move(editor);
    m_resizeDialog = std::move(resizeDialog);
    m_aboutBox = std::move(aboutBox);
    return *m_editor;
}

} // namespace korvane
