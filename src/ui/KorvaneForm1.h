#pragma once

#include "editor/EditorDocument.h"
#include "ui/CursorTable.h"

#include <QMainWindow>

class QAction;
class QScrollArea;

namespace korvane {

class PaintBox;
class PicturePreviewDialog;
class TKorvaneForm0;

// The editor window. It owns the one open document for the whole run; its
// handlers read the controls, call the document, and show what it reports.
class TKorvaneForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // `firstArgument` is the first command-line argument, or empty.
    TKorvaneForm1(TKorvaneForm0 *launcher, const QString &firstArgument, QWidget *parent = nullptr);
    ~TKorvaneForm1() override;

    EditorDocument &document() { return m_doc; }
    const CursorTable &cursors() const { return m_cursors; }

    // Replaces the document by the file's picture (or a new one for an empty
    // or missing name) and shows it. Errors of the readers pass to the caller
    // with the document unchanged.
    void LoadDocument(const QString &name);
    // Composes the document and shows the result.
    void Redraw();

    void ActOpenExecute();
    void ActExitExecute();
    void WMDropFiles(const QStringList &paths);

    QAction *ActOpen = nullptr;
    QAction *ActExit = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    PaintBox *PB1 = nullptr;
    PicturePreviewDialog *OpenPictureDialog1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void FormCreate(const QString &firstArgument);
    void createActions();
    void createMenus();
    void createScrollBox();

    EditorDocument m_doc;
    CursorTable m_cursors;
    TKorvaneForm0 *m_launcher;
};

} // namespace korvane
