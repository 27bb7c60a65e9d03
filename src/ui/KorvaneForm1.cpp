#include "ui/KorvaneForm1.h"

#include "app/KorvaneApplication.h"
#include "capture/KorvaneForm0.h"
#include "common/Color.h"
#include "common/KorvaneError.h"
#include "document/PictureFile.h"
#include "ui/PaintBox.h"
#include "ui/PicturePreviewDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>

namespace korvane {

TKorvaneForm1::TKorvaneForm1(TKorvaneForm0 *launcher, const QString &firstArgument, QWidget *parent)
    : QMainWindow(parent), m_launcher(launcher)
{
    setObjectName(QStringLiteral("KorvaneForm1"));
    resize(672, 383);
    createActions();
    createMenus();
    createScrollBox();
    OpenPictureDialog1 = new PicturePreviewDialog(
        this, QStringLiteral("BMP,JPG,JPEG,WMF,ICONファイル (*.bmp *.jpg *.jpeg *.wmf *.ico)"));
    OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
    OpenPictureDialog1->setWindowTitle(QStringLiteral("開く"));
    OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenPictureDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    FormCreate(firstArgument);
}

TKorvaneForm1::~TKorvaneForm1() = default;

void TKorvaneForm1::createActions()
{
    ActOpen = new QAction(QStringLiteral("開く(&O)"), this);
    ActOpen->setObjectName(QStringLiteral("ActOpen"));
    ActOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ActOpen->setToolTip(QStringLiteral("開く"));
    ActOpen->setStatusTip(QStringLiteral("ファイルを開きます。"));
    connect(ActOpen, &QAction::triggered, this, &TKorvaneForm1::ActOpenExecute);

    ActExit = new QAction(QStringLiteral("終了(&X)"), this);
    ActExit->setObjectName(QStringLiteral("ActExit"));
    ActExit->setToolTip(QStringLiteral("終了"));
    ActExit->setStatusTip(QStringLiteral("このソフトを終了します。"));
    connect(ActExit, &QAction::triggered, this, &TKorvaneForm1::ActExitExecute);
}

void TKorvaneForm1::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("File1"));
    file->addAction(ActOpen);
    file->addSeparator();
    file->addAction(ActExit);
}

void TKorvaneForm1::createScrollBox()
{
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setBackgroundRole(QPalette::NoRole);
    QPalette palette = ScrollBox1->palette();
    palette.setColor(QPalette::Window, toQColor(clSilver));
    ScrollBox1->setPalette(palette);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    ScrollBox1->viewport()->setPalette(palette);
    PB1 = new PaintBox(m_doc.DrawBmp);
    PB1->setObjectName(QStringLiteral("PB1"));
    PB1->setAccessibleName(QStringLiteral("画像"));
    ScrollBox1->setWidget(PB1);
    ScrollBox1->setWidgetResizable(false);
    setCentralWidget(ScrollBox1);
}

void TKorvaneForm1::FormCreate(const QString &firstArgument)
{
    m_cursors.loadFromCurrentDirectory();
    setWindowTitle(captionPrefix());
    setAcceptDrops(true);
    m_doc.Mode = mdNone;
    m_doc.Dragging = false;

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    setWindowState(Qt::WindowNoState);

    if (!firstArgument.isEmpty() && QFileInfo(firstArgument).isFile()) {
        try {
            LoadDocument(firstArgument);
            return;
        } catch (const KorvaneError &error) {
            // The editor still needs a document: start with a new picture.
            KorvaneApplication::showErrorBox(error.message());
        }
    }
    if (m_doc.BaseBmp.isNull())
        LoadDocument(QString());
}

void TKorvaneForm1::Redraw()
{
    m_doc.Redraw();
    PB1->pictureChanged();
}

void TKorvaneForm1::ActExitExecute()
{
    close();
}

void TKorvaneForm1::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Closing the editor ends the program: the launcher is the main window.
    if (m_launcher)
        m_launcher->close();
}

} // namespace korvane
