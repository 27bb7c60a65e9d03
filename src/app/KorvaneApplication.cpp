#include "app/KorvaneApplication.h"

#include "common/Fonts.h"
#include "common/KorvaneError.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStyle>
#include <QTranslator>
#include <new>

namespace korvane {

namespace {

// The editor's toolbar holds fifteen buttons and the text-style panel in a
// window 672 pixels wide: its frame and item margins go, so that nothing
// falls into the overflow menu.
class CompactToolBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_ToolBarItemMargin || metric == PM_ToolBarFrameWidth)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

KorvaneApplication::KorvaneApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Korvane"));
    setApplicationVersion(QStringLiteral("2.0"));
    // Desktops find the program's entry and icon by this name (on Wayland it
    // is the windows' app id).
    setDesktopFileName(QStringLiteral("io.github.korvane.Korvane"));
    installFontSubstitutions();
    // The interface is Japanese whatever the desktop's language: Qt's own
    // dialogs (file, colour, font, print) and buttons speak it too.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto *translator = new QTranslator(this);
    if (translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));
    setStyle(new CompactToolBarStyle(style()->name()));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvane.svg")));
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
