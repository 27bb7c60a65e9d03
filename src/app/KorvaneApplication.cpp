#include "app/KorvaneApplication.h"

#include "common/Fonts.h"
#include "common/KorvaneError.h"

#include <QMessageBox>
#include <new>

namespace korvane {

KorvaneApplication::KorvaneApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Korvane"));
    setApplicationVersion(QStringLiteral("2.0"));
    installFontSubstitutions();
    setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));
}

bool KorvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const KorvaneError &error) {
        showErrorBox(error.message());
    } catch (const std::bad_alloc &) {
        showErrorBox(QStringLiteral("メモリが足りません"));
    } catch (const std::exception &error) {
        showErrorBox(QString::fromLocal8Bit(error.what()));
    }
    return true;
}

void KorvaneApplication::showErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Korvane"), errorBoxText(message),
                    QMessageBox::Ok, activeWindow());
    box.exec();
}

} // namespace korvane
