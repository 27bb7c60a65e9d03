#include "app/EditorWindows.h"

#include "capture/KorvaneForm0.h"
#include "ui/AboutBox.h"
#include "ui/KorvaneForm1.h"
#include "ui/OKBottomDlg.h"

namespace korvane {

EditorWindows::EditorWindows(TKorvaneForm0 &launcher) : m_launcher(launcher) {}

EditorWindows::~EditorWindows() = default;

TKorvaneForm1 &EditorWindows::editor(const QString &picture)
{
    if (m_editor)
        return *m_editor;
    // In the order of the program's windows: editor, resize dialog, version
    // dialog.
    m_editor = std::make_unique<TKorvaneForm1>(&m_launcher, picture);
    m_resizeDialog = std::make_unique<TOKBottomDlg>();
    m_aboutBox = std::make_unique<TAboutBox>();
    m_editor->setAboutBox(m_aboutBox.get());
    m_editor->setResizeDialog(m_resizeDialog.get());
    m_resizeDialog->setEditor(m_editor.get());
    return *m_editor;
}

} // namespace korvane
