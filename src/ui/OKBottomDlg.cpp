#include "ui/OKBottomDlg.h"

namespace korvane {

TOKBottomDlg::TOKBottomDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OKBottomDlg"));
    setWindowTitle(QStringLiteral("　Korvane　　Ostrelle　　　拡大・縮小"));
    setFixedSize(532, 232);
    setModal(false);
}

} // namespace korvane
