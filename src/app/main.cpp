#include "app/EditorWindows.h"
#include "app/EndSignals.h"
#include "app/KorvaneApplication.h"
#include "document/RecoveryKeeper.h"
#include "ui/RecoveryOffer.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/KorvaneForm0.h"

#include <QFileInfo>
#include <QSessionManager>

int main(int argc, char *argv[])
{
    korvane::KorvaneApplication app(argc, argv, korvane::KorvaneApplication::Start::LauncherFirst);
    const QStringList arguments = app.arguments();
    const QString firstArgument = arguments.size() > 1 ? arguments.at(1) : QString();

    // Unsaved work is kept in a recovery copy while the program runs; one
    // left by a run that ended without saving is offered below.
    korvane::RecoveryStore recoveryStore(korvane::RecoveryStore::defaultFolder());
    // Made before the windows, so it outlives them: the editor hands it its
    // last state as it goes.
    korvane::RecoveryKeeper recovery(recoveryStore);

    // The launcher, made first, is the main window: closing it ends the
    // program. The editor and its two dialogs come when first needed, and
    // all of them live until the end.
    korvane::TKorvaneForm0 KorvaneForm0;
    korvane::EditorWindows windows(KorvaneForm0);
    // Only a modified document is copied, so the editor exists by then. The
    // copy before stays; the user learns that the newest work is not in it.
    QObject::connect(&recovery, &korvane::RecoveryKeeper::writeFailed,
                     [&windows](const QString &message) {
                         windows.editor().showStatusMessage(
                             QStringLiteral("復元用のコピーを保存できませんでした（%1）。").arg(message));
                     });
    windows.setRecovery(&recovery);
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
    // The session ending: the unsaved work goes onto the disk before the
    // session manager may end the program; nothing is asked.
    const auto keepWork = [&recovery](QSessionManager &) { recovery.writeNow(); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &recovery, keepWork,
                     Qt::DirectConnection);
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &recovery, keepWork,
                     Qt::DirectConnection);

    // What follows the first window's first frame: a kill then keeps the
    // unsaved work too, and the copy of an earlier run is offered.
    const auto afterStart = [&](QWidget *shown) {
        korvane::KorvaneApplication::afterFirstFrame(shown, [&, shown] {
            korvane::watchEndSignals(&recovery, [&recovery] { recovery.writeNow(); });
            korvane::offerRecovery(recovery, shown, [&]() -> korvane::TKorvaneForm1 & {
                app.finishStart();
                korvane::TKorvaneForm1 &editor = windows.editor();
                KorvaneForm0.setEditor(&editor); // its unsaved work is asked about there too
                return editor;
            });
        });
    };

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
            afterStart(&KorvaneForm1);
            KorvaneForm1.show();
            return app.exec();
        }
    }
    app.finishStartAfterFirstFrame(&KorvaneForm0);
    afterStart(&KorvaneForm0);
    KorvaneForm0.show();
    return app.exec();
}
