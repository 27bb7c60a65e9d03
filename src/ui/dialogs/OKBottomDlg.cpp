#include "ui/dialogs/OKBottomDlg.h"

#include "common/Fonts.h"
#include "ui/editor/KorvaneForm1.h"
#include "ui/widgets/UpDown.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

namespace korvane {

namespace {

QFrame *bevel(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setGeometry(geometry);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return frame;
}

QLabel *label(QWidget *parent, const QString &name, const QRect &geometry, const QString &text,
              const QFont &font)
{
    auto *item = new QLabel(text, parent);
    item->setObjectName(name);
    item->setFont(font);
    item->setGeometry(geometry);
    // Measured in another font: the text shows whole.
    item->resize(qMax(item->width(), item->sizeHint().width()),
                 qMax(item->height(), item->sizeHint().height()));
    return item;
}

} // namespace

TOKBottomDlg::TOKBottomDlg(QWidget *parent)
    : QDialog(parent),
      m_model([this] { return m_editor ? m_editor->document().BaseBmp.size() : QSize(); })
{
    setObjectName(QStringLiteral("OKBottomDlg"));
    setWindowTitle(QStringLiteral("　Korvane　　Ostrelle　　　拡大・縮小"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(532, 232);
    setModal(false);
    createControls();
    m_model.setChangedHandler([this] { refresh(); });
    refresh();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
}

TOKBottomDlg::~TOKBottomDlg() = default;

void TOKBottomDlg::createControls()
{
    const QFont label15 = layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 15);
    const QFont bold12 = layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 12, true);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(230, 192, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TOKBottomDlg::OKBtnClick);
    CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(350, 192, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &TOKBottomDlg::CancelBtnClick);

    Bevel1 = bevel(this, QStringLiteral("Bevel1"), QRect(10, 8, 200, 60));
    Label1 = label(this, QStringLiteral("Label1"), QRect(25, 27, 104, 15),
                   QStringLiteral("拡大・縮小 （％）"), label15);
    createField(1, QPoint(135, 24));

    RadioGroup1 = new QGroupBox(QStringLiteral("　モードの選択　"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(10, 80, 200, 100);
    m_modes = new QButtonGroup(this);
    const char16_t *modes[] = {u"縦横比を崩さず設定する", u"縦と横を個別に設定する",
                               u"【はがき】サイズにする", u"【アイコン】サイズにする"};
    for (int i = 0; i < 4; ++i) {
        auto *item = new QRadioButton(QString::fromUtf16(modes[i]), RadioGroup1);
        item->setGeometry(10, 18 + 20 * i, 185, 20);
        m_modes->addButton(item, i);
    }
    // Toggled, not clicked: a screen reader's Toggle action, the arrow keys
    // and a click all choose alike.
    connect(m_modes, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        if (checked)
            m_model.RadioGroup1Click(index);
    });

    Bevel2 = bevel(this, QStringLiteral("Bevel2"), QRect(224, 8, 290, 170));
    RadioGroup2 = new QGroupBox(QStringLiteral(" 単位の選択 "), this);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setGeometry(240, 24, 90, 140);
    m_units = new QButtonGroup(this);
    const char16_t *units[] = {u"パーセント", u"ピクセル", u"ミリメートル"};
    for (int i = 0; i < 3; ++i) {
        // Level with the row of fields the unit edits.
        auto *item = new QRadioButton(QString::fromUtf16(units[i]), RadioGroup2);
        item->setGeometry(6, 26 + 40 * i, 82, 20);
        m_units->addButton(item, i);
    }
    connect(m_units, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        if (checked)
            m_model.RadioGroup2Click(index);
    });

    Label2 = label(this, QStringLiteral("Label2"), QRect(352, 28, 31, 12), QStringLiteral("よ　こ"),
                   bold12);
    Label3 = label(this, QStringLiteral("Label3"), QRect(442, 28, 33, 12), QStringLiteral("た　て"),
                   bold12);
    const QPoint fields[] = {{342, 48}, {432, 48}, {342, 88}, {432, 88}, {342, 128}, {432, 128}};
    for (int field = 2; field <= ResizeModel::kFieldCount; ++field)
        createField(field, fields[field - 2]);

    QWidget *order[] = {OKBtn,    CancelBtn, Edits[0], RadioGroup1, Edits[1],   Edits[2],
                        Edits[3], Edits[4],  Edits[5], Edits[6],    RadioGroup2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

namespace {

// What a field holds, as a screen reader says it: its row's unit and its
// column's side.
QString fieldName(int field)
{
    if (field == 1)
        return QStringLiteral("拡大・縮小 （％）");
    const char16_t *units[] = {u"パーセント", u"ピクセル", u"ミリメートル"};
    return QString::fromUtf16(units[(field - 2) / 2]) +
           (field % 2 == 0 ? QStringLiteral("　よこ") : QStringLiteral("　たて"));
}

} // namespace

void TOKBottomDlg::createField(int field, QPoint editAt)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("Edit%1").arg(field));
    edit->setAccessibleName(fieldName(field));
    edit->setGeometry(QRect(editAt, QSize(50, 24)));
    edit->setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 16, true));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    edit->setPalette(palette);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString &text) { m_model.EditChange(field, text); });

    auto *spin = new UpDown(this);
    spin->setObjectName(QStringLiteral("UpDown%1").arg(field));
    spin->setGeometry(editAt.x() + 50, editAt.y(), field == 2 ? 17 : 16, 24);
    spin->setAccessibleName(fieldName(field) + QStringLiteral("の増減"));
    spin->upButton()->setAccessibleName(fieldName(field) + QStringLiteral("を増やす"));
    spin->downButton()->setAccessibleName(fieldName(field) + QStringLiteral("を減らす"));
    connect(spin, &UpDown::stepped, this, [this, field](bool up) {
        m_model.UpDownClick(field, up ? ResizeModel::Step::Up : ResizeModel::Step::Down);
    });
    Edits[size_t(field - 1)] = edit;
    UpDowns[size_t(field - 1)] = spin;
}

void TOKBottomDlg::refresh()
{
    for (int field = 1; field <= ResizeModel::kFieldCount; ++field) {
        QLineEdit *edit = Edits[size_t(field - 1)];
        if (edit->text() != m_model.text(field))
            edit->setText(m_model.text(field));
        edit->setEnabled(m_model.isEnabled(ResizeModel::edit(field)));
        UpDowns[size_t(field - 1)]->setEnabled(m_model.isEnabled(ResizeModel::upDown(field)));
    }
    using C = ResizeModel::Control;
    Label1->setEnabled(m_model.isEnabled(C::Label1));
    Label2->setEnabled(m_model.isEnabled(C::Label2));
    Label3->setEnabled(m_model.isEnabled(C::Label3));
    Bevel2->setEnabled(m_model.isEnabled(C::Bevel2));
    RadioGroup1->setEnabled(m_model.isEnabled(C::RadioGroup1));
    RadioGroup2->setEnabled(m_model.isEnabled(C::RadioGroup2));
    m_modes->button(m_model.mode())->setChecked(true);
    m_units->button(m_model.unit())->setChecked(true);
}

bool TOKBottomDlg::eventFilter(QObject *watched, QEvent *event)
{
    // The Up and Down keys step the field's spin, while that spin is enabled.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        for (int field = 1; field <= ResizeModel::kFieldCount; ++field) {
            if (watched == Edits[size_t(field - 1)] && (key == Qt::Key_Up || key == Qt::Key_Down)) {
                m_model.UpDownClick(field, key == Qt::Key_Up ? ResizeModel::Step::Up
                                                             : ResizeModel::Step::Down);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TOKBottomDlg::showEvent(QShowEvent *event)
{
    m_model.FormShow();
    QDialog::showEvent(event);
}

void TOKBottomDlg::OKBtnClick()
{
    if (m_editor)
        m_editor->ResizePicture(m_model.targetSize());
    hide();
}

void TOKBottomDlg::CancelBtnClick()
{
    hide();
}

} // namespace korvane
