#include "app/KorvaneApplication.h"
#include "capture/KorvaneForm0.h"
#include "ui/AboutBox.h"
#include "ui/KorvaneForm1.h"
#include "ui/OKBottomDlg.h"

int main(int argc, char *argv[])
{
    korvane::KorvaneApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString firstArgument = arguments.size() > 1 ? arguments.at(1) : QString();

    // The four windows, in this order; all of them live until the end. The
    // launcher, made first, is the main window: closing it ends the program.
    korvane::TKorvaneForm0 KorvaneForm0;
    korvane::TKorvaneForm1 KorvaneForm1(&KorvaneForm0, firstArgument);
    korvane::TOKBottomDlg OKBottomDlg;
    korvane::TAboutBox AboutBox;
    KorvaneForm0.setEditor(&KorvaneForm1);
    // Queued, so that a close during start-up ends the program as soon as
    // the loop would begin. exit(), not quit(): the unsaved work has been
    // asked about, and quit() would close every window again, the tray
    // icon's among them, whatever the answer.
    QObject::connect(
        &KorvaneForm0, &korvane::TKorvaneForm0::programEnds, &app,
        [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    KorvaneForm1.setAboutBox(&AboutBox);
    KorvaneForm1.setResizeDialog(&OKBottomDlg);
    OKBottomDlg.setEditor(&KorvaneForm1);

    if (KorvaneForm0.isClosed()) // the start-up load refused the file's type
        return 0;
    // A user who names a picture file (opening it from a file manager, say)
    // wants to annotate it: the editor opens with it at once. Otherwise the
    // launcher asks what to start from.
    if (!KorvaneForm1.document().FileName.isEmpty())
        KorvaneForm1.show();
    else
        KorvaneForm0.show();
    return app.exec();
}
