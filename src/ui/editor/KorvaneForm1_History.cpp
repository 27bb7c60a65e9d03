// The editor's history: undo and redo, and the two actions that follow where
// the document's history stands.
#include "ui/editor/KorvaneForm1.h"

#include <QAction>

namespace korvane {

void TKorvaneForm1::ActUndoExecute()
{
    m_tools.Undo();
}

void TKorvaneForm1::ActRedoExecute()
{
    m_tools.Redo();
}

void TKorvaneForm1::updateHistoryActions()
{
    ActUndo->setEnabled(m_doc.History.canUndo());
    ActRedo->setEnabled(m_doc.History.canRedo());
}

void TKorvaneForm1::markCaptured()
{
    m_doc.History.reset(false);
    updateHistoryActions();
}

} // namespace korvane
