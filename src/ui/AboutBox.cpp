#include "ui/AboutBox.h"

namespace korvane {

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(273, 195);
    setModal(false);
}

} // namespace korvane
