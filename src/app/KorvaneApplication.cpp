#include "app/KorvaneApplication.h"

#include "common/Fonts.h"
#include "common/KorvaneError.h"
#include "ui/ErrorBox.h"

#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <functional>
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

// Runs a task once, as soon as the window's first paint is on the screen.
class AfterFirstFrame : public QObject
{
public:
    AfterFirstFrame(QWidget *window, std::function<void()> task)
        : QObject(window), m_task(std::move(task))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued: the frame is flushed to the screen after its paint.
            QTimer::singleShot(0, this, [this] {
                m_task();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_task;
};

} // namespace

KorvaneApplication::KorvaneApplication(int &argc, char **argv, Start start)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Korvane"));
    setApplicationVersion(QStringLiteral("2.0"));
    // Desktops find the program's entry and icon by this name (on Wayland it
    // is the windows' app id).
    setDesktopFileName(QStringLiteral("io.github.korvane.Korvane"));
    installFontSubstitutions();
    // The interface is Japanese whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // Named by the face that the layouts' name stands for: a name that no
    // installed font bears sends the first text through a search of every
    // font on the system for fallbacks, before the launcher can show.
    setFont(layoutFont(QFont::substitute(QStringLiteral("ＭＳ Ｐゴシック")), -12));
    setStyle(new CompactToolBarStyle(style()->name()));
    if (start == Start::Complete)
        finishStart();
}

void KorvaneApplication::finishStart()
{
    if (m_started)
        return;
    m_started = true;
    // Qt's own dialogs (file, colour, font, print) and buttons speak
    // Japanese too.
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    // A window shown before this gets it now.
    QIcon icon;
    for (const int size : {16, 32, 64, 128}) {
        // Read as the PNG it is, without asking every image plugin first.
        QImageReader reader(QStringLiteral(":/appicon/%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    setWindowIcon(icon);
}

void KorvaneApplication::finishStartAfterFirstFrame(QWidget *window)
{
    new AfterFirstFrame(window, [this] { finishStart(); });
}

void KorvaneApplication::afterFirstFrame(QWidget *window, std::function<void()> task)
{
    new AfterFirstFrame(window, std::move(task));
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

} // namespace korvane
