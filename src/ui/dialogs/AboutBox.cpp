#include "ui/dialogs/AboutBox.h"

#include "common/Fonts.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace korvane {

namespace {

QLabel *label(QWidget *parent, const QString &name, const QRect &geometry, const QString &text)
{
    auto *item = new QLabel(text, parent);
    item->setObjectName(name);
    item->setGeometry(geometry);
    return item;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(273, 195);
    setModal(false);
    setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(7, 7, 258, 148);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);

    ProgramIcon = label(panel, QStringLiteral("ProgramIcon"), QRect(7, 7, 60, 53), QString());
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(QSize(64, 64)));
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setAccessibleName(QStringLiteral("Korvane のアイコン"));

    ProductName = label(panel, QStringLiteral("ProductName"), QRect(100, 15, 63, 21),
                        QStringLiteral("Korvane"));
    ProductName->setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 21));
    QPalette maroon = ProductName->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    ProductName->setPalette(maroon);
    // The layout's width was measured in another font: the name shows whole.
    ProductName->resize(qMax(ProductName->width(), ProductName->sizeHint().width()),
                        ProductName->height());

    Version = label(panel, QStringLiteral("Version"), QRect(100, 45, 97, 15),
                    QStringLiteral("バージョン 2.0"));
    Version->setFont(layoutFont(QStringLiteral("ＭＳ Ｐゴシック"), 15, true));

    Notice = label(panel, QStringLiteral("Copyright"), QRect(40, 73, 179, 12),
                   QStringLiteral("© 2026 Korvane の開発者"));
    Notice->resize(Notice->width(), qMax(Notice->height(), Notice->sizeHint().height()));
    Comments = label(panel, QStringLiteral("Comments"), QRect(40, 100, 162, 34),
                     QStringLiteral("画面をキャプチャしてパソコンの操作説明書等を作成できます"));
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(102, 165, 69, 23);
    OKButton->setDefault(true); // Enter presses it
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
}

void TAboutBox::OKButtonClick()
{
    hide();
}

} // namespace korvane
