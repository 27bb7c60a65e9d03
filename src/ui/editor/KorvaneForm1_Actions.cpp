// The editor's commands: the action list, the main menu, the context menus
// and the toolbar with its tool buttons.
#include "ui/editor/KorvaneForm1.h"

#include "common/Fonts.h"
#include "ui/widgets/PaintBox.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

namespace korvane {

namespace {

struct ActionEntry
{
    QAction *TKorvaneForm1::*member;
    const char *name;
    const char16_t *caption;
    QKeySequence shortcut;
    const char16_t *shortHint;
    const char16_t *longHint;
    const char *icon; // in the resources' "icons" folder, or null
    void (TKorvaneForm1::*handler)();
    QKeySequence alternate = {}; // a second shortcut, where users know two
};

// The actions in list order.
const ActionEntry kActions[] = {
    {&TKorvaneForm1::ActNew, "ActNew", u"新規作成(&N)", QKeySequence(Qt::CTRL | Qt::Key_N),
     u"新規作成", u"新規作成状態にします。", "new", &TKorvaneForm1::ActNewExecute},
    {&TKorvaneForm1::ActOpen, "ActOpen", u"開く(&O)", QKeySequence(Qt::CTRL | Qt::Key_O), u"開く",
     u"ファイルを開きます。", "open", &TKorvaneForm1::ActOpenExecute},
    {&TKorvaneForm1::ActSave, "ActSave", u"上書き保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S),
     u"保存", u"ファイルに保存します。", "save", &TKorvaneForm1::ActSaveExecute},
    {&TKorvaneForm1::ActSaveAs,
     "ActSaveAs",
     u"名前を付けて保存(&A)",
     {},
     u"名前を付けて保存",
     u"名前を付けて保存します。",
     nullptr,
     &TKorvaneForm1::ActSaveAsExecute},
    {&TKorvaneForm1::ActPrint, "ActPrint", u"印刷(&P)", QKeySequence(Qt::CTRL | Qt::Key_P), u"印刷",
     u"印刷します。", "print", &TKorvaneForm1::ActPrintExecute},
    {&TKorvaneForm1::ActExit,
     "ActExit",
     u"終了(&X)",
     {},
     u"終了",
     u"このソフトを終了します。",
     nullptr,
     &TKorvaneForm1::ActExitExecute},
    {&TKorvaneForm1::ActVer,
     "ActVer",
     u"バージョン情報(&V)",
     {},
     u"バージョン情報",
     u"バージョン情報を表示します。",
     nullptr,
     &TKorvaneForm1::ActVerExecute},
    {&TKorvaneForm1::ActReload, "ActReload", u"再読み込み", QKeySequence(Qt::CTRL | Qt::Key_R),
     u"再読込", u"再度画面を取り込みます。", "reload", &TKorvaneForm1::ActReloadExecute},
    {&TKorvaneForm1::ActFont,
     "ActFont",
     u"フォント(&F)",
     {},
     u"文字フォント",
     u"文字フォントを設定します。",
     nullptr,
     &TKorvaneForm1::ActFontExecute},
    {&TKorvaneForm1::ActBKColor,
     "ActBKColor",
     u"文字背景色(&B)",
     {},
     u"背景色",
     u"文字の背景色を選択できます。",
     nullptr,
     &TKorvaneForm1::ActBKColorExecute},
    {&TKorvaneForm1::ActDel,
     "ActDel",
     u"削除(&D)",
     {},
     u"削除",
     u"選択された部分を削除します。",
     "delete",
     &TKorvaneForm1::ActDelExecute},
    {&TKorvaneForm1::ActFontColor,
     "ActFontColor",
     u"文字色(&C)",
     {},
     u"文字色",
     u"文字の色を選択できます。",
     nullptr,
     &TKorvaneForm1::ActFontColorExecute},
    {&TKorvaneForm1::ActColor,
     "ActColor",
     u"線の色(&L)",
     {},
     u"線の色",
     u"線の色を選択できます。",
     nullptr,
     &TKorvaneForm1::ActColorExecute},
    {&TKorvaneForm1::ActPaste, "ActPaste", u"貼り付け", QKeySequence(Qt::CTRL | Qt::Key_V),
     u"貼付け", u"クリップボードのイメージを貼り付けます。", nullptr,
     &TKorvaneForm1::ActPastExecute},
    {&TKorvaneForm1::ActSize,
     "ActSize",
     u"サイズ変更",
     {},
     u"サイズ",
     u"画像を拡大・縮小します",
     "resize",
     &TKorvaneForm1::ActSizeExecute},
    {&TKorvaneForm1::Act90,
     "Act90",
     u"画像の回転90度",
     {},
     u"回転",
     u"画像を右に90度回転します",
     "rotate",
     &TKorvaneForm1::Act90Execute},
    {&TKorvaneForm1::Act180,
     "Act180",
     u"画像の回転180度",
     {},
     u"回転",
     u"画像を右に180度回転します",
     "rotate",
     &TKorvaneForm1::Act180Execute},
    {&TKorvaneForm1::Act270,
     "Act270",
     u"画像の回転270度",
     {},
     u"回転",
     u"画像を右に270度回転します",
     "rotate",
     &TKorvaneForm1::Act270Execute},
    {&TKorvaneForm1::ActHntenLR,
     "ActHntenLR",
     u"画像の左右反転",
     {},
     u"反転",
     u"画像の左右を反転します",
     "flip-horizontal",
     &TKorvaneForm1::ActHntenLRExecute},
    {&TKorvaneForm1::ActHantenTB,
     "ActHantenTB",
     u"画像の上下反転",
     {},
     u"反転",
     u"画像の上下を反転します",
     "flip-vertical",
     &TKorvaneForm1::ActHantenTBExecute},
    {&TKorvaneForm1::ActCopy, "ActCopy", u"コピー", QKeySequence(Qt::CTRL | Qt::Key_C), u"コピー",
     u"線や文字の入った画像をクリップボードにコピーします。", nullptr,
     &TKorvaneForm1::ActCopyExecute},
    {&TKorvaneForm1::ActUndo, "ActUndo", u"元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z),
     u"元に戻す", u"直前の操作を取り消します。", nullptr, &TKorvaneForm1::ActUndoExecute},
    {&TKorvaneForm1::ActRedo, "ActRedo", u"やり直し(&R)", QKeySequence(Qt::CTRL | Qt::Key_Y),
     u"やり直し", u"取り消した操作をやり直します。", nullptr, &TKorvaneForm1::ActRedoExecute,
     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
};

// A disabled button shows its ordinary image: Save greys out only by not
// responding, as it always has.
QIcon resourceIcon(const char *name)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    QIcon icon(path);
    icon.addFile(path, QSize(), QIcon::Disabled);
    return icon;
}

// Adds the entries in order; null entries are separators. A separator at the
// top or bottom, or right after another, is left out, so that places kept
// for commands not present do not show as empty lines.
void addEntries(QWidget *menuOrBar, std::initializer_list<QAction *> entries)
{
    QList<QAction *> reduced;
    bool pendingSeparator = false;
    for (QAction *entry : entries) {
        if (!entry) {
            pendingSeparator = !reduced.isEmpty();
            continue;
        }
        if (pendingSeparator) {
            auto *separator = new QAction(menuOrBar);
            separator->setSeparator(true);
            reduced.append(separator);
            pendingSeparator = false;
        }
        reduced.append(entry);
    }
    menuOrBar->addActions(reduced);
}

} // namespace

void TKorvaneForm1::createActions()
{
    for (const ActionEntry &entry : kActions) {
        auto *action = new QAction(QString::fromUtf16(entry.caption), this);
        action->setObjectName(QLatin1String(entry.name));
        if (entry.alternate.isEmpty())
            action->setShortcut(entry.shortcut);
        else
            action->setShortcuts({entry.shortcut, entry.alternate});
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(QString::fromUtf16(entry.shortHint));
        action->setStatusTip(QString::fromUtf16(entry.longHint));
        if (entry.icon)
            action->setIcon(resourceIcon(entry.icon));
        connect(action, &QAction::triggered, this, entry.handler);
        addAction(action); // its shortcut works wherever the focus is in the window
        this->*entry.member = action;
    }
}

void TKorvaneForm1::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("File1"));
    addEntries(file, {ActNew, nullptr, ActReload, nullptr, ActOpen, nullptr, ActSave, ActSaveAs,
                      nullptr, ActPrint, nullptr, ActExit});
    QMenu *edit = menuBar()->addMenu(QStringLiteral("編集"));
    edit->setObjectName(QStringLiteral("Edit1"));
    addEntries(edit, {ActUndo, ActRedo, nullptr, ActFont, nullptr, ActFontColor, ActBKColor,
                      nullptr, ActColor, nullptr, ActCopy, ActPaste});
    QMenu *toolMenu = menuBar()->addMenu(QStringLiteral("ツール"));
    toolMenu->setObjectName(QStringLiteral("Tool1"));
    // The tools again, with access keys, for those who work from the
    // keyboard: the toolbar's buttons take no focus.
    const struct
    {
        QAction *TKorvaneForm1::*member;
        const char *name;
        const char16_t *caption;
        QToolButton *button;
    } keyboardTools[] = {{&TKorvaneForm1::Spoide3, "Spoide3", u"色抽出(&E)", Spoide1},
                         {&TKorvaneForm1::Select3, "Select3", u"選択(&S)", Select1},
                         {&TKorvaneForm1::Line3, "Line3", u"直線(&L)", Line1},
                         {&TKorvaneForm1::Arrow3, "Arrow3", u"矢印(&A)", Arrow1},
                         {&TKorvaneForm1::Text3, "Text3", u"テキスト(&T)", Text1},
                         {&TKorvaneForm1::Crop3, "Crop3", u"切り抜き(&K)", Crop1},
                         {&TKorvaneForm1::Frame3, "Frame3", u"四角形(&R)", Frame1},
                         {&TKorvaneForm1::Highlight3, "Highlight3", u"強調(&H)", Highlight1},
                         {&TKorvaneForm1::Number3, "Number3", u"番号(&N)", Number1},
                         {&TKorvaneForm1::Redact3, "Redact3", u"ぼかし(&B)", Redact1}};
    for (const auto &tool : keyboardTools) {
        auto *entry = new QAction(QString::fromUtf16(tool.caption), toolMenu);
        entry->setObjectName(QLatin1String(tool.name));
        entry->setCheckable(true);
        entry->setToolTip(tool.button->toolTip());
        entry->setStatusTip(tool.button->statusTip());
        QToolButton *button = tool.button;
        connect(entry, &QAction::triggered, this, [this, button] { pressToolButton(button); });
        // The entry shows which tool is down, whichever way it was chosen.
        connect(button, &QToolButton::toggled, entry, &QAction::setChecked);
        this->*tool.member = entry;
    }
    addEntries(toolMenu, {ActSize, nullptr, Act90, Act180, Act270, nullptr, ActHntenLR, ActHantenTB,
                          nullptr, Spoide3, Select3, Line3, Arrow3, Text3, nullptr, Crop3, nullptr,
                          Frame3, Highlight3, Number3, Redact3});
    QMenu *help = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    help->setObjectName(QStringLiteral("Help1"));
    addEntries(help, {ActVer});

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    const struct
    {
        QAction *TKorvaneForm1::*member;
        const char *name;
        const char16_t *caption;
        QToolButton *button;
    } tools[] = {{&TKorvaneForm1::Spoide2, "Spoide2", u"色の抽出", Spoide1},
                 {&TKorvaneForm1::Select2, "Select2", u"範囲選択", Select1},
                 {&TKorvaneForm1::Line2, "Line2", u"直線描画", Line1},
                 {&TKorvaneForm1::Text2, "Text2", u"文字描画", Text1},
                 {&TKorvaneForm1::Frame2, "Frame2", u"四角形描画", Frame1},
                 {&TKorvaneForm1::Highlight2, "Highlight2", u"強調表示", Highlight1},
                 {&TKorvaneForm1::Number2, "Number2", u"番号付け", Number1},
                 {&TKorvaneForm1::Redact2, "Redact2", u"ぼかし", Redact1}};
    for (const auto &tool : tools) {
        auto *entry = new QAction(QString::fromUtf16(tool.caption), PopupMenu2);
        entry->setObjectName(QLatin1String(tool.name));
        entry->setToolTip(tool.button->toolTip());
        entry->setStatusTip(tool.button->statusTip());
        QToolButton *button = tool.button;
        connect(entry, &QAction::triggered, this, [this, button] { pressToolButton(button); });
        this->*tool.member = entry;
    }
    addEntries(PopupMenu2, {Spoide2, Select2, Line2, Text2, nullptr, ActFont, nullptr, ActFontColor,
                            ActBKColor, nullptr, ActColor, nullptr, Frame2, Highlight2, Number2,
                            Redact2});
}

QToolButton *TKorvaneForm1::addToolButton(const QString &name, const QString &caption,
                                          const QString &shortHint, const QString &longHint,
                                          const QString &icon, bool allowAllUp, QToolBar *bar)
{
    if (!bar)
        bar = ToolBar1;
    auto *button = new QToolButton(bar);
    button->setObjectName(name);
    button->setCheckable(true);
    button->setText(caption);
    button->setIcon(resourceIcon(icon.toLatin1().constData()));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setToolTip(shortHint);
    button->setStatusTip(longHint);
    button->setAccessibleName(caption);
    button->setAccessibleDescription(longHint);
    button->setFixedSize(23, 24);
    button->setProperty("allowAllUp", allowAllUp);
    connect(button, &QToolButton::clicked, this, [this, button] { toolButtonClicked(button); });
    bar->addWidget(button);
    return button;
}

void TKorvaneForm1::createShapeBand()
{
    // The bands across the top are full at the window's start width, and
    // its height is what the picture needs most: the tools that came later
    // stand in a column of their own at the picture's left, inside the
    // window's middle, so that the window keeps its width.
    ToolBar2 = new QToolBar(QStringLiteral("図形"), centralWidget());
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setOrientation(Qt::Vertical);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->setContextMenuPolicy(Qt::PreventContextMenu);
    Crop1 = addToolButton(QStringLiteral("Crop1"), QStringLiteral("切り抜き"),
                          QStringLiteral("切り抜き"),
                          QStringLiteral("ドラッグで囲んだ範囲に画像を切り抜きます。"),
                          QStringLiteral("crop"), true, ToolBar2);
    // The annotations beyond lines and texts, in a band of their own.
    ToolBar2->addSeparator();
    Frame1 = addToolButton(QStringLiteral("Frame1"), QStringLiteral("四角形"),
                           QStringLiteral("四角形"), QStringLiteral("四角形の枠を描きます。"),
                           QStringLiteral("frame"), true, ToolBar2);
    Highlight1 = addToolButton(QStringLiteral("Highlight1"), QStringLiteral("強調"),
                               QStringLiteral("強調"),
                               QStringLiteral("蛍光ペンのように色を重ねて強調します。"),
                               QStringLiteral("highlight"), true, ToolBar2);
    Number1 = addToolButton(QStringLiteral("Number1"), QStringLiteral("番号"),
                            QStringLiteral("番号"),
                            QStringLiteral("クリックした位置に順に番号を付けます。"),
                            QStringLiteral("number"), true, ToolBar2);
    Redact1 = addToolButton(QStringLiteral("Redact1"), QStringLiteral("ぼかし"),
                            QStringLiteral("ぼかし"),
                            QStringLiteral("ドラッグで囲んだ範囲をモザイクで隠します。"),
                            QStringLiteral("redact"), true, ToolBar2);
    static_cast<QHBoxLayout *>(centralWidget()->layout())->insertWidget(0, ToolBar2);
}

void TKorvaneForm1::createToolBar()
{
    ToolBar1 = new QToolBar(QStringLiteral("ツールバー"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(true);
    ToolBar1->setFloatable(false);
    ToolBar1->setAllowedAreas(Qt::TopToolBarArea);
    ToolBar1->setMinimumHeight(26);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addEntries(ToolBar1, {ActNew, ActReload, ActOpen, ActSave, ActPrint, nullptr, ActDel});
    ToolBar1->addSeparator();

    Spoide1 = addToolButton(QStringLiteral("Spoide1"), QStringLiteral("色抽出"),
                            QStringLiteral("色抽出"), QStringLiteral("画像から色を抽出します。"),
                            QStringLiteral("eyedropper"), false);
    Select1 = addToolButton(
        QStringLiteral("Select1"), QStringLiteral("選択"), QStringLiteral("選択"),
        QStringLiteral("クリックされた部分を選択状態にします。"), QStringLiteral("select"), true);
    Line1 = addToolButton(QStringLiteral("Line1"), QStringLiteral("直線"), QStringLiteral("直線"),
                          QStringLiteral("直線を書きます"), QStringLiteral("line"), true);
    Arrow1 = addToolButton(QStringLiteral("Arrow1"), QStringLiteral("矢印"), QStringLiteral("矢印"),
                           QStringLiteral("矢印を描きます。"), QStringLiteral("arrow"), true);
    Text1 =
        addToolButton(QStringLiteral("Text1"), QStringLiteral("テキスト"), QStringLiteral("文字"),
                      QStringLiteral("文字を書きます"), QStringLiteral("text"), true);
    ToolBar1->addSeparator();
    addEntries(ToolBar1, {ActSize, nullptr, Act90, nullptr, ActHntenLR, nullptr, ActHantenTB});
    ToolBar1->addSeparator();
    const std::pair<QAction *, const char *> buttons[] = {
        {ActNew, "ToolButton4"},      {ActReload, "ToolButton2"}, {ActOpen, "ToolButton5"},
        {ActSave, "ToolButton6"},     {ActPrint, "ToolButton7"},  {ActDel, "ToolButton3"},
        {ActSize, "Size1"},           {Act90, "ToolButton13"},    {ActHntenLR, "ToolButton15"},
        {ActHantenTB, "ToolButton17"}};
    for (const auto &[action, name] : buttons) {
        QWidget *button = ToolBar1->widgetForAction(action);
        button->setObjectName(QLatin1String(name));
        button->setFixedSize(23, 24);
        button->setAccessibleName(action->toolTip());
        button->setAccessibleDescription(action->statusTip());
    }

    Panel4 = new QWidget(ToolBar1);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFixedSize(250, 24);
    FColorButton = new QPushButton(QStringLiteral("文字色"), Panel4);
    FColorButton->setObjectName(QStringLiteral("FColorButton"));
    FColorButton->setGeometry(1, 1, 50, 22);
    FColorButton->setFont(layoutFont(QStringLiteral("ＭＳ ゴシック"), 12));
    FColorButton->setToolTip(ActFontColor->toolTip());
    FColorButton->setStatusTip(ActFontColor->statusTip());
    FColorButton->setAccessibleDescription(ActFontColor->statusTip());
    connect(FColorButton, &QPushButton::clicked, ActFontColor, &QAction::trigger);
    CheckBox1 = new QCheckBox(QStringLiteral("文字背景透明"), Panel4);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(60, 1, 97, 21);
    CheckBox1->setToolTip(QStringLiteral("背景透明"));
    CheckBox1->setStatusTip(QStringLiteral("文字の背景色を透明にします。"));
    CheckBox1->setAccessibleDescription(CheckBox1->statusTip());
    CheckBox2 = new QCheckBox(QStringLiteral("横向き印刷"), Panel4);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(160, 1, 97, 21);
    CheckBox2->setChecked(true);
    CheckBox2->setToolTip(QStringLiteral("印刷方向"));
    CheckBox2->setStatusTip(QStringLiteral("印刷方向を設定出来ます。"));
    CheckBox2->setAccessibleDescription(CheckBox2->statusTip());
    ToolBar1->addWidget(Panel4);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
}

} // namespace korvane
