// The editor's history: undo and redo, the two actions that follow where
// the document's history stands, and the recovery copy of unsaved work.
#include "ui/editor/KorvaneForm1.h"

#include "document/PictureFile.h"
#include "document/RecoveryKeeper.h"
#include "ui/widgets/PaintBox.h"

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
    // Every change, load and undo passes here: the recovery copy follows.
    if (m_recovery)
        m_recovery->documentChanged();
}

void TKorvaneForm1::markCaptured()
{
    m_doc.History.reset(false);
    updateHistoryActions();
}

void TKorvaneForm1::setRecovery(RecoveryKeeper *recovery)
{
    m_recovery = recovery;
    if (m_recovery)
        m_recovery->watch(&m_doc);
}

void TKorvaneForm1::restoreDocument(RecoveredDocument recovered)
{
    ClearSelection();
    m_tools.CancelCrop();
    RestoreDocument(m_doc, std::move(recovered));
    PB1->pictureChanged();
    setWindowTitle(m_doc.FileName.isEmpty() ? untitledCaption() : captionFor(m_doc.FileName));
    ActSave->setEnabled(true);
    updateHistoryActions();
}

} // namespace korvane
