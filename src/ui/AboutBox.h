#pragma once

#include <QDialog>

namespace korvane {

// The version dialog. Shown without blocking the editor; closing hides it.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
};

} // namespace korvane
