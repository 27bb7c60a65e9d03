#pragma once

#include <QDialog>

namespace korvane {

// The resize dialog. Shown without blocking the editor; closing hides it.
class TOKBottomDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TOKBottomDlg(QWidget *parent = nullptr);
};

} // namespace korvane
