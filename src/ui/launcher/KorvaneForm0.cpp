#include "ui/launcher/KorvaneForm0.h"

#include "capture/RegionCapture.h"
#include "capture/ScreenCapture.h"
#include "common/KorvaneError.h"
#include "document/ClipboardPicture.h"
#include "ui/ErrorBox.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/launcher/RegionOverlay.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>
#include <memory>

namespace korvane {

namespace {

constexpr int kCaptureDelayMs = 7 * 100;
// The fifth mode's room: the mode group, the buttons below it and the
// window grow by one item's height.
constexpr int kItemHeight = 17;

// Shows only the entries whose actions are visible, and no separator at the
// top, at the bottom or right after another: the menus change with the
// notification-area icon.
void reduceSeparators(QMenu *menu)
{
    QAction *lastShown = nullptr;
    for (QAction *entry : menu->actions()) {
        if (!entry->isSeparator()) {
            if (entry->isVisible())
                lastShown = entry;
            continue;
        }
        entry->setVisible(lastShown && !lastShown->isSeparator());
        if (entry->isVisible())
            lastShown = entry;
    }
    if (lastShown && lastShown->isSeparator())
        lastShown->setVisible(false);
}

QAction *separator(QObject *parent)
{
    auto *action = new QAction(parent);
    action->setSeparator(true);
    return action;
}

} // namespace

TKorvaneForm0::TKorvaneForm0(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KorvaneForm0"));
    setWindowTitle(QStringLiteral("　Korvane"));
    // A small fixed window: a system menu and minimising, no maximising.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(157, 146 + kItemHeight);
    createActions();
    createControls();
    createMenus();
    FormCreate();
}

TKorvaneForm0::~TKorvaneForm0() = default;

void TKorvaneForm0::createControls()
{
    ScreenCap = new QPushButton(QStringLiteral("O  K"), this);
    ScreenCap->setObjectName(QStringLiteral("ScreenCap"));
    ScreenCap->setGeometry(20, 110 + kItemHeight, 50, 25);
    ScreenCap->setToolTip(QStringLiteral("開始"));
    ScreenCap->setStatusTip(QStringLiteral("開始します。"));
    ScreenCap->setAccessibleDescription(ScreenCap->statusTip());
    connect(ScreenCap, &QPushButton::clicked, this, &TKorvaneForm0::ScreenCapClick);

    ModeSelect = new QGroupBox(QStringLiteral("選 択"), this);
    ModeSelect->setObjectName(QStringLiteral("ModeSelect"));
    ModeSelect->setGeometry(20, 10, 120, 90 + kItemHeight);
    auto *column = new QVBoxLayout(ModeSelect);
    column->setContentsMargins(8, 2, 4, 2);
    column->setSpacing(0);
    m_modes = new QButtonGroup(this);
    const char16_t *items[] = {u"画面全体", u"ウィンドウ", u"クリップボード", u"エディタの起動",
                               u"範囲指定"};
    for (int i = 0; i < 5; ++i) {
        auto *item = new QRadioButton(QString::fromUtf16(items[i]), ModeSelect);
        m_modes->addButton(item, i);
        column->addWidget(item);
    }
    QAbstractButton *region = m_modes->button(cmRegion);
    region->setToolTip(QStringLiteral("範囲指定"));
    region->setStatusTip(QStringLiteral("ドラッグで指定した画面の範囲を取り込みます。"));
    region->setAccessibleDescription(region->statusTip());
    m_modes->button(cmScreen)->setChecked(true);

    NG = new QPushButton(QStringLiteral("終  了"), this);
    NG->setObjectName(QStringLiteral("NG"));
    NG->setGeometry(90, 110 + kItemHeight, 50, 25);
    NG->setToolTip(QStringLiteral("終了"));
    NG->setStatusTip(QStringLiteral("終了します。"));
    NG->setAccessibleDescription(NG->statusTip());
    connect(NG, &QPushButton::clicked, ActCancel, &QAction::trigger);

    setTabOrder(ScreenCap, ModeSelect);
    setTabOrder(ModeSelect, NG);
}

void TKorvaneForm0::createActions()
{
    ActTrayIn = new QAction(QStringLiteral("タスクトレイに入れる(&I)"), this);
    ActTrayIn->setObjectName(QStringLiteral("ActTrayIn"));
    connect(ActTrayIn, &QAction::triggered, this, &TKorvaneForm0::ActTrayInExecute);
    ActTrayDel = new QAction(QStringLiteral("アイコンを削除する(&D)"), this);
    ActTrayDel->setObjectName(QStringLiteral("ActTrayDel"));
    ActTrayDel->setVisible(false);
    connect(ActTrayDel, &QAction::triggered, this, &TKorvaneForm0::ActTrayDelExecute);
    ActCancel = new QAction(QStringLiteral("N G"), this);
    ActCancel->setObjectName(QStringLiteral("ActCancel"));
    connect(ActCancel, &QAction::triggered, this, &TKorvaneForm0::ActCancelExecute);
}

void TKorvaneForm0::createMenus()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions(
        {ActTrayIn, separator(PopupMenu1), ActTrayDel, separator(PopupMenu1), ActCancel});
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { reduceSeparators(PopupMenu1); });

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    PopupMenu2->addActions({ActTrayDel, separator(PopupMenu2), ActCancel});
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { reduceSeparators(PopupMenu2); });
}

void TKorvaneForm0::createTrayIcon()
{
    // Made when first asked for: asking the desktop for its notification area
    // costs the launcher's start a round trip on the session bus.
    TrayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Korvane"));
    TrayIcon->setContextMenu(PopupMenu2);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A left click brings the launcher back; the icon stays.
                if (reason == QSystemTrayIcon::Trigger) {
                    show();
                    raise();
                    activateWindow();
                }
            });
}

void TKorvaneForm0::FormCreate()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
}

int TKorvaneForm0::captureMode() const
{
    return m_modes->checkedId();
}

void TKorvaneForm0::setCaptureMode(int mode)
{
    if (QAbstractButton *item = m_modes->button(mode))
        item->setChecked(true);
}

bool TKorvaneForm0::hasTrayIcon() const
{
    return TrayIcon && TrayIcon->isVisible();
}

void TKorvaneForm0::WaitWithMessages(const std::function<void()> &during)
{
    QEventLoop loop;
    QTimer::singleShot(kCaptureDelayMs, &loop, &QEventLoop::quit);
    std::exception_ptr failure;
    if (during) {
        QTimer::singleShot(0, &loop, [&] {
            try {
                during();
            } catch (...) {
                failure = std::current_exception();
            }
        });
    }
    loop.exec();
    if (failure)
        std::rethrow_exception(failure);
}

void TKorvaneForm0::ScreenCapClick()
{
    // The waits let events through, among them a second OK from a launcher
    // brought back from the notification area: one capture at a time.
    if (m_capturing || !(m_editor || m_makeEditor))
        return;
    // The capture replaces the editor's document: unsaved work is asked
    // about first, while nothing has happened yet. An editor not made yet
    // holds none.
    if (m_editor && !m_editor->maybeSave())
        return;
    m_capturing = true;
    try {
        // On Wayland only a program with a window shown is offered the
        // clipboard's data: the picture another program copied is read
        // before the launcher steps aside.
        QImage copied;
        if (captureMode() == cmClipboard)
            copied = pictureFromMimeData(QGuiApplication::clipboard()->mimeData());
        hide();
        capture(std::move(copied));
    } catch (const KorvaneError &error) {
        // The user is never left without a window: the message, then the
        // launcher to try again.
        showErrorBox(error.message());
        comeBack();
    }
    m_capturing = false;
}

void TKorvaneForm0::makeEditor()
{
    if (!m_editor && m_makeEditor)
        m_editor = m_makeEditor();
}

void TKorvaneForm0::capture(QImage copied)
{
    // An editor not made yet is made while the first wait lets the desktop
    // settle; the shot is taken as the second wait begins, and reaches the
    // clipboard within it, as a Print Screen key's does.
    // In 範囲指定 the overlay's windows are made in the same wait.
    const auto later = [](RegionOverlay *overlay) {
        overlay->hide();
        overlay->deleteLater();
    };
    std::unique_ptr<RegionOverlay, decltype(later)> overlay(nullptr, later);
    WaitWithMessages([&] {
        makeEditor();
        if (captureMode() == cmRegion)
            overlay.reset(new RegionOverlay(QGuiApplication::screens()));
    });
    if (overlay) {
        if (!captureRegion(*overlay))
            comeBack();
        return;
    }
    WaitWithMessages([this] {
        const int mode = captureMode();
        if (mode == cmScreen || mode == cmWindow)
            captureToClipboard(
                mode == cmScreen ? CaptureTarget::WholeScreen : CaptureTarget::ActiveWindow, this);
    });
    handOver(std::move(copied));
}

bool TKorvaneForm0::captureRegion(RegionOverlay &overlay)
{
    // The user's choice takes the second wait's place: the desktop is
    // frozen once the launcher has left it.
    const bool wayland = QGuiApplication::platformName().startsWith(u"wayland");
    FrozenDesktop desktop;
    try {
        desktop = freezeDesktop(this);
    } catch (const KorvaneError &) {
        if (!wayland)
            throw;
        // A portal that will not hand over the screen without asking may
        // still let the user choose a part of it.
    }
    QImage chosen;
    if (overlay.cover(desktop)) {
        const QRect rect = overlay.exec();
        if (rect.isEmpty())
            return false;
        chosen = desktop.part(rect);
    } else if (!wayland) {
        throw KorvaneError(QStringLiteral("範囲を指定する画面を表示できません"));
    }
    // Where Korvane cannot lay its own windows over every output, the
    // portal's interactive Screenshot lets the user choose, as for a window.
    if (chosen.isNull())
        chosen = capturePicture(CaptureTarget::ActiveWindow, this);
    QGuiApplication::clipboard()->setImage(chosen);
    handOver(QImage());
    return true;
}

void TKorvaneForm0::comeBack()
{
    show();
    raise();
    activateWindow();
}

void TKorvaneForm0::handOver(QImage copied)
{
    makeEditor();
    // The question about the old document has been answered: the new one
    // replaces it without another.
    switch (captureMode()) {
    case cmScreen:
    case cmWindow:
    case cmRegion:
        m_editor->LoadDocument(QString());
        m_editor->ActPastExecute();
        break;
    case cmClipboard:
        m_editor->LoadDocument(QString());
        m_editor->pastePicture(std::move(copied));
        break;
    case cmEditor:
        m_editor->LoadDocument(QString());
        break;
    default:
        break;
    }
    m_editor->pressToolButton(m_editor->Line1);
    m_editor->show();
    m_editor->raise();
    m_editor->activateWindow();
    // A fresh capture, and a blank picture too, counts as unsaved work.
    m_editor->markCaptured();
}

void TKorvaneForm0::ActTrayInExecute()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Hiding the launcher now would leave no way back to it.
        QMessageBox box(QMessageBox::Information, QStringLiteral("Korvane"),
                        QStringLiteral("このデスクトップには通知領域がないため、"
                                       "アイコンにできません。"),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    ActTrayDel->setVisible(true);
    ActTrayIn->setVisible(false);
    if (!TrayIcon)
        createTrayIcon();
    TrayIcon->show();
    hide();
}

void TKorvaneForm0::ActTrayDelExecute()
{
    ActTrayDel->setVisible(false);
    ActTrayIn->setVisible(true);
    if (TrayIcon)
        TrayIcon->hide();
    // Without the icon and without a window the program could not be reached.
    if (!isVisible() && !(m_editor && m_editor->isVisible()))
        show();
}

void TKorvaneForm0::ActCancelExecute()
{
    close();
}

void TKorvaneForm0::keyPressEvent(QKeyEvent *event)
{
    // Return presses the focused button, as in the program's dialogs; a
    // window that is no dialog has no default button to do it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget())) {
            button->animateClick();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TKorvaneForm0::contextMenuEvent(QContextMenuEvent *event)
{
    PopupMenu1->popup(event->globalPos());
}

void TKorvaneForm0::closeAfterEditor()
{
    m_editorClosed = true;
    close();
}

void TKorvaneForm0::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_closed = true;
    // Closing the launcher ends the program, but unsaved work in the editor
    // is asked about first (unless the editor closing brought us here, when
    // it has been); kept, it keeps the program, and so the icon.
    if (!m_editorClosed && m_editor && !m_editor->maybeSave())
        return;
    if (TrayIcon)
        TrayIcon->hide(); // the icon goes with the program
    Q_EMIT programEnds();
}

} // namespace korvane
