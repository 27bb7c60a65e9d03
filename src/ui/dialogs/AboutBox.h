#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvane {

// The version dialog: the program's picture, name, version, a notice of its
// makers and what it is for. Shown beside the editor without blocking it;
// OK, Enter and the close button only hide it.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    void OKButtonClick();

    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QLabel *Notice = nullptr;
    QLabel *Comments = nullptr;
    QPushButton *OKButton = nullptr;
};

} // namespace korvane
