#include "ui/ErrorBox.h"

#include "common/KorvaneError.h"

#include <QApplication>
#include <QMessageBox>

namespace korvane {

void showErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Korvane"), errorBoxText(message),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace korvane
