#include "app/EditorWindows.h"
#include "app/KorvaneApplication.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/KorvaneForm0.h"

#include <QFileInfo>

int main(int argc, char *argv[])
{
    korvane::KorvaneApplication app(argc, argv, korvane::KorvaneApplication::Start::LauncherFirst);
    const QStringList arguments = app.arguments();
    const QString firstArgument = arguments.size() > 1 ? arguments.at(1) : QString();

    // The launcher, made first, is the main window: closing it ends the
    // program. The editor and its two dialogs come when first needed, and
    // all of them live until the end.
    korvane::TKorvaneForm0 KorvaneForm0;
    korvane::EditorWindows windows(KorvaneForm0);
    KorvaneForm0.setEditorMaker([&app, &windows] {
        app.finishStart();
        return &windows.editor();
    });
    // Queued, so that a close during start-up ends the program as soon as
    // the loop would begin. exit(), not quit(): the unsaved work has been
    // asked about, and quit() would close every window again, the tray
    // icon's among them, whatever the answer.
    QObject::connect(
        &KorvaneForm0, &korvane::TKorvaneForm0::programEnds, &app,
        [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);

    // A user who names a picture file (opening it from a file manager, say)
    // wants to annotate it: the editor opens with it at once. Otherwise the
    // launcher asks what to start from, and the rest of the start follows
    // its first frame.
    if (QFileInfo(firstArgument).isFile()) {
        app.finishStart();
        korvane::TKorvaneForm1 &KorvaneForm1 = windows.editor(firstArgument);
        if (KorvaneForm0.isClosed()) // the start-up load refused the file's type
            return 0;
        if (!KorvaneForm1.document().FileName.isEmpty()) {
            KorvaneForm1.show();
            return app.exec();
        }
    }
    app.finishStartAfterFirstFrame(&KorvaneForm0);
    KorvaneForm0.show();
    return app.exec();
}
