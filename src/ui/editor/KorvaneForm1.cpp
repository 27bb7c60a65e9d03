// The editor window: construction, layout and start-up.
#include "ui/editor/KorvaneForm1.h"

#include "common/Color.h"
#include "common/Fonts.h"
#include "common/KorvaneError.h"
#include "document/PictureFile.h"
#include "document/RecoveryKeeper.h"
#include "ui/ErrorBox.h"
#include "ui/dialogs/FontColorDialog.h"
#include "ui/dialogs/PicturePreviewDialog.h"
#include "ui/editor/HintRouter.h"
#include "ui/editor/KeyPreview.h"
#include "ui/launcher/KorvaneForm0.h"
#include "ui/widgets/ColorGrid.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/SpinEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>

namespace korvane {

namespace {

// A band of the top area: movable by its grip, never floating, on its own row.
QToolBar *band(QMainWindow *window, const QString &name, const QString &title, int minHeight)
{
    auto *bar = new QToolBar(title, window);
    bar->setObjectName(name);
    bar->setMovable(true);
    bar->setFloatable(false);
    bar->setAllowedAreas(Qt::TopToolBarArea);
    bar->setMinimumHeight(minHeight);
    bar->setContextMenuPolicy(Qt::PreventContextMenu); // nothing of the bands is stored
    return bar;
}

void setColors(QWidget *widget, TColor background, TColor text)
{
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setColor(role, toQColor(background));
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText})
        palette.setColor(role, toQColor(text));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A read-out of the style row: a read-only field without a border, an arrow
// cursor, out of the Tab order, and no context menu at all.
QLineEdit *readOut(QWidget *parent, const QString &name, const QRect &geometry, TColor background,
                   TColor text, const QFont &font, const QString &accessibleName)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setTextMargins(0, 0, 0, 0);
    field->setFocusPolicy(Qt::NoFocus);
    field->setCursor(Qt::ArrowCursor);
    field->setContextMenuPolicy(Qt::PreventContextMenu);
    field->setFont(font);
    setColors(field, background, text);
    field->setAccessibleName(accessibleName);
    return field;
}

// A plain coloured area: the swatch, its frame and their backdrop.
QWidget *colorArea(QWidget *parent, const QString &name, const QRect &geometry, TColor color)
{
    auto *area = new QWidget(parent);
    area->setObjectName(name);
    area->setGeometry(geometry);
    area->setContextMenuPolicy(Qt::PreventContextMenu);
    // Inside a tool bar a plain widget paints with the button colour; these
    // areas show their own colour whatever they lie in.
    area->setBackgroundRole(QPalette::Window);
    setColors(area, color, color);
    return area;
}

} // namespace

TKorvaneForm1::TKorvaneForm1(TKorvaneForm0 *launcher, const QString &firstArgument, QWidget *parent)
    : QMainWindow(parent), m_tools(m_doc, *this), m_launcher(launcher)
{
    setObjectName(QStringLiteral("KorvaneForm1"));
    // Before any control exists: a screen reader may ask for them at once.
    installColorGridAccessibility();
    setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));
    createActions();
    createScrollBox();
    createStatusBar();
    createToolBar();
    addToolBarBreak();
    createTextBand();
    addToolBarBreak();
    createStyleBand();
    createShapeBand();
    createMenus();
    connectPicture();
    m_hints = new HintRouter(StatusPanel0, this); // both live as the window's children
    new KeyPreview(this);

    OpenPictureDialog1 = new PicturePreviewDialog(
        this,
        QStringLiteral("BMP,JPG,JPEG,WMF,ICON,PNGファイル (*.bmp *.jpg *.jpeg *.wmf *.ico *.png)"));
    OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
    OpenPictureDialog1->setWindowTitle(QStringLiteral("開く"));
    OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenPictureDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    ColorDialog1 = new QColorDialog(this);
    ColorDialog1->setObjectName(QStringLiteral("ColorDialog1"));
    ColorDialog1->setOption(QColorDialog::DontUseNativeDialog);
    FontDialog1 = new FontColorDialog(this);
    createSaveDialog();

    // The client area below the menu bar is 672 x 383.
    resize(672, 383 + menuBar()->sizeHint().height());
    FormCreate(firstArgument);
}

TKorvaneForm1::~TKorvaneForm1()
{
    // The last word on the recovery copy, while the document still exists.
    if (m_recovery)
        m_recovery->finish();
}

void TKorvaneForm1::createTextBand()
{
    TextBand = band(this, QStringLiteral("TextBand"), QStringLiteral("文字"), 22);
    Panel2 = new QWidget(TextBand);
    Panel2->setObjectName(QStringLiteral("Panel2"));

    InsText = new QLineEdit(Panel2);
    InsText->setObjectName(QStringLiteral("InsText"));
    InsText->setGeometry(1, 1, 400, 20);
    InsText->setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), -12));
    setColors(InsText, clWhite, clBlack);
    InsText->setStatusTip(QStringLiteral("挿入する文字を入力します。"));
    InsText->setAccessibleName(QStringLiteral("挿入文字"));
    InsText->setAccessibleDescription(InsText->statusTip());
    InsText->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(InsText, &QLineEdit::textChanged, this, &TKorvaneForm1::InsTextChange);

    FName = readOut(Panel2, QStringLiteral("FName"), QRect(402, 1, 200, 20), clGreen, clLime,
                    layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 12, true),
                    QStringLiteral("フォント名"));
    FName->setStatusTip(
        QStringLiteral("現在のフォント名を表示します。 クリックすると設定できます。"));
    FName->setAccessibleDescription(FName->statusTip());
    FName->setContextMenuPolicy(Qt::CustomContextMenu);
    FName->installEventFilter(this);

    TextOKButton = new QPushButton(QStringLiteral("確　定"), Panel2);
    TextOKButton->setObjectName(QStringLiteral("TextOKButton"));
    TextOKButton->setGeometry(600, 1, 50, 20);
    TextOKButton->setToolTip(QStringLiteral("確定"));
    TextOKButton->setStatusTip(QStringLiteral("入力された文字をカーソル位置に挿入します。"));
    TextOKButton->setAccessibleDescription(TextOKButton->statusTip());
    connect(TextOKButton, &QPushButton::clicked, this, &TKorvaneForm1::TextOKButtonClick);

    Panel2->setFixedSize(651, 22);
    TextBand->addWidget(Panel2);
    addToolBar(Qt::TopToolBarArea, TextBand);
}

void TKorvaneForm1::createStyleBand()
{
    StyleBand = band(this, QStringLiteral("StyleBand"), QStringLiteral("スタイル"), 40);
    Panel1 = new QWidget(StyleBand);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    SelColor = new QPlainTextEdit(Panel1);
    SelColor->setObjectName(QStringLiteral("SelColor"));
    SelColor->setGeometry(1, 2, 230, 36);
    SelColor->setReadOnly(true);
    SelColor->setFrameShape(QFrame::NoFrame);
    SelColor->setLineWrapMode(QPlainTextEdit::NoWrap);
    SelColor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SelColor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SelColor->setFocusPolicy(Qt::NoFocus);
    SelColor->setTextInteractionFlags(Qt::NoTextInteraction);
    SelColor->viewport()->setCursor(Qt::ArrowCursor);
    SelColor->setContextMenuPolicy(Qt::PreventContextMenu);
    SelColor->document()->setDocumentMargin(1);
    SelColor->setFont(layoutFont(QStringLiteral("ＭＳ ゴシック"), 13, true));
    setColors(SelColor, clSilver, clWhite);
    setColors(SelColor->viewport(), clSilver, clWhite);
    SelColor->setAccessibleName(QStringLiteral("ツールの説明"));
    SelColor->setAccessibleDescription(
        QStringLiteral("選んだツールでできることと、色の選択で設定されるもの"));

    ColorGrid1 = new ColorGrid(Panel1);
    ColorGrid1->setObjectName(QStringLiteral("ColorGrid1"));
    ColorGrid1->setGeometry(230, 1, 168, 38);
    ColorGrid1->setToolTip(QStringLiteral("色の選択"));
    ColorGrid1->setStatusTip(QStringLiteral("クリックされた色が選択色になります。"));
    ColorGrid1->setAccessibleName(QStringLiteral("色の選択"));
    ColorGrid1->setAccessibleDescription(ColorGrid1->statusTip());
    connect(ColorGrid1, &ColorGrid::clicked, this, &TKorvaneForm1::ColorGrid1Click);

    createReadOuts();

    SpinEdit1 = new SpinEdit(Panel1);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(630, 2, 20, 36);
    SpinEdit1->setFieldFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 12, true));
    setColors(SpinEdit1->edit(), clBlack, clAqua);
    SpinEdit1->edit()->setContextMenuPolicy(Qt::PreventContextMenu);
    SpinEdit1->setContextMenuPolicy(Qt::PreventContextMenu);
    SpinEdit1->setValue(5);
    for (QWidget *part :
         {static_cast<QWidget *>(SpinEdit1), static_cast<QWidget *>(SpinEdit1->edit())}) {
        part->setToolTip(QStringLiteral("線の太さ"));
        part->setStatusTip(QStringLiteral("線の太さを設定します。"));
    }
    SpinEdit1->setAccessibleName(QStringLiteral("線の太さ"));
    SpinEdit1->edit()->setAccessibleName(QStringLiteral("線の太さ"));
    SpinEdit1->edit()->setAccessibleDescription(QStringLiteral("線の太さを設定します。"));
    connect(SpinEdit1, &SpinEdit::changed, this, &TKorvaneForm1::SpinEdit1Change);

    Panel1->setFixedSize(651, 40);
    StyleBand->addWidget(Panel1);
    addToolBar(Qt::TopToolBarArea, StyleBand);
}

void TKorvaneForm1::createReadOuts()
{
    Panel3 = new QFrame(Panel1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(400, 1, 230, 37);
    static_cast<QFrame *>(Panel3)->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel3->setContextMenuPolicy(Qt::PreventContextMenu);

    const QFont gothic15 = layoutFont(QStringLiteral("ＭＳ ゴシック"), 15, true);
    MHyouji = readOut(Panel3, QStringLiteral("MHyouji"), QRect(0, 0, 121, 20), clGray, clWhite,
                      gothic15, QStringLiteral("動作の状態の見出し"));
    MHyouji->setText(QStringLiteral(" 動作の状態"));
    NowMode = readOut(Panel3, QStringLiteral("NowMode"), QRect(0, 16, 121, 20), clGray, clBlack,
                      gothic15, QStringLiteral("動作の状態"));
    LineW = readOut(Panel3, QStringLiteral("LineW"), QRect(120, 0, 77, 18), clGray, clWhite,
                    gothic15, QStringLiteral("線の幅の見出し"));
    LineW->setText(QStringLiteral(" 線の幅"));
    LW = readOut(Panel3, QStringLiteral("LW"), QRect(197, 0, 30, 18), clGray, clAqua,
                 layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 15, true), QStringLiteral("線の幅"));
    LW->setToolTip(QStringLiteral("線の幅"));
    LW->setStatusTip(QStringLiteral("この幅で線が描画されます。"));
    LW->setAccessibleDescription(LW->statusTip());
    LineC = readOut(Panel3, QStringLiteral("LineC"), QRect(120, 17, 71, 18), clGray, clWhite,
                    gothic15, QStringLiteral("線の色の見出し"));
    LineC->setText(QStringLiteral(" 線の色"));
    LCB = colorArea(Panel3, QStringLiteral("LCB"), QRect(191, 16, 36, 18), clGray);
    LCB->setAccessibleName(QStringLiteral("線の色の背景"));
    NBK = colorArea(Panel3, QStringLiteral("NBK"), QRect(196, 19, 11, 11), swatchFrameColor(clRed));
    NBK->setAccessibleName(QStringLiteral("線の色の枠"));
    NowColor = colorArea(Panel3, QStringLiteral("NowColor"), QRect(197, 20, 9, 9), clRed);
    NowColor->setStatusTip(QStringLiteral("この色で線が描画されます。"));
    NowColor->setAccessibleName(QStringLiteral("線の色"));
    NowColor->setAccessibleDescription(NowColor->statusTip());
}

namespace {

// Widens a read-out so that its whole text shows; it never shrinks below
// its layout width.
void fitToText(QLineEdit *field, int layoutWidth)
{
    const int needed = field->fontMetrics().horizontalAdvance(field->text()) + 6;
    const int width = qMax(layoutWidth, needed);
    if (field->width() != width)
        field->resize(width, field->height());
}

} // namespace

void TKorvaneForm1::fitReadOuts()
{
    // The row keeps its layout; a read-out whose text is longer pushes what
    // lies to its right further right instead of cutting its text.
    fitToText(LW, 30);
    Panel3->resize(qMax(230, LW->x() + LW->width() + 3), Panel3->height());
    SpinEdit1->move(Panel3->x() + Panel3->width(), SpinEdit1->y());
    Panel1->setFixedWidth(qMax(651, SpinEdit1->x() + SpinEdit1->width() + 1));
    fitToText(FName, 200);
    TextOKButton->move(qMax(600, FName->x() + FName->width() - 2), TextOKButton->y());
    Panel2->setFixedWidth(qMax(651, TextOKButton->x() + TextOKButton->width() + 1));
}

void TKorvaneForm1::createScrollBox()
{
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A press on the picture leaves the focus where it was: a width being
    // typed stays as typed, and the text entry keeps its text.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    ScrollBox1->setBackgroundRole(QPalette::NoRole);
    QPalette palette = ScrollBox1->palette();
    palette.setColor(QPalette::Window, toQColor(clSilver));
    ScrollBox1->setPalette(palette);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    ScrollBox1->viewport()->setPalette(palette);
    PB1 = new PaintBox(m_doc.DrawBmp);
    PB1->setObjectName(QStringLiteral("PB1"));
    PB1->setAccessibleName(QStringLiteral("画像"));
    PB1->setAccessibleDescription(
        QStringLiteral("線や矢印や文字を書き込む画像です。右クリックでツールを選べます。"));
    PB1->setContextMenuPolicy(Qt::CustomContextMenu);
    ScrollBox1->setWidget(PB1);
    ScrollBox1->setWidgetResizable(false);
    // Beside the picture, the column of the later tools (createShapeBand).
    auto *middle = new QWidget(this);
    middle->setObjectName(QStringLiteral("Panel5"));
    auto *row = new QHBoxLayout(middle);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(ScrollBox1, 1);
    setCentralWidget(middle);
}

void TKorvaneForm1::createStatusBar()
{
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(400);
    StatusPanel0->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The panels' names are their texts, so that a screen reader reads them.
    StatusPanel0->setAccessibleDescription(QStringLiteral("指している部分の説明"));
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    StatusPanel1->setAlignment(Qt::AlignCenter);
    StatusPanel1->setAccessibleDescription(QStringLiteral("画像の上のポインタの位置"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1);
}

void TKorvaneForm1::connectPicture()
{
    connect(PB1, &PaintBox::pressed, this,
            [this](const PointerEvent &event) { m_tools.PB1MouseDown(event); });
    connect(PB1, &PaintBox::moved, this,
            [this](const PointerEvent &event) { m_tools.PB1MouseMove(event); });
    connect(PB1, &PaintBox::released, this,
            [this](const PointerEvent &event) { m_tools.PB1MouseUp(event); });
    for (QWidget *owner : {static_cast<QWidget *>(PB1), static_cast<QWidget *>(InsText),
                           static_cast<QWidget *>(FName)}) {
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner](const QPoint &at) { PopupMenu2->popup(owner->mapToGlobal(at)); });
    }
}

void TKorvaneForm1::FormCreate(const QString &firstArgument)
{
    m_cursors.loadFromCurrentDirectory();
    setWindowTitle(captionPrefix());
    setAcceptDrops(true);
    InsText->clear();
    m_doc.Mode = mdNone;
    m_doc.Dragging = false;
    ActSave->setEnabled(false);
    TextOKButton->setEnabled(false);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    LW->setText(QString::number(SpinEdit1->value()));
    FName->setText(InsText->font().family());
    setWindowState(Qt::WindowNoState);

    if (!firstArgument.isEmpty() && QFileInfo(firstArgument).isFile()) {
        try {
            LoadDocument(firstArgument);
            return;
        } catch (const KorvaneError &error) {
            // The editor still needs a document: start with a new picture.
            showErrorBox(error.message());
        }
    }
    if (m_doc.BaseBmp.isNull())
        LoadDocument(QString());
}

void TKorvaneForm1::Redraw()
{
    m_tools.Redraw();
}

void TKorvaneForm1::showPicture(const QRegion &changed)
{
    PB1->pictureChanged(changed);
}

void TKorvaneForm1::ActExitExecute()
{
    close();
}

void TKorvaneForm1::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    // Closing the editor ends the program: the launcher is the main window.
    if (m_launcher)
        m_launcher->closeAfterEditor();
}

void TKorvaneForm1::documentTouched()
{
    ActSave->setEnabled(true);
    updateHistoryActions();
}

void TKorvaneForm1::documentChanged()
{
    documentTouched();
}

void TKorvaneForm1::showStatusMessage(const QString &message)
{
    m_hints->showMessage(message);
}

} // namespace korvane
