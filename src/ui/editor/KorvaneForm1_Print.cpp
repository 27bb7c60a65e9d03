// The editor's printing: the composed picture on one page, at the top left
// of the printable area, as large as the page allows without distortion.
#include "ui/editor/KorvaneForm1.h"

#include "common/KorvaneError.h"
#include "document/PrintGeometry.h"

#include <QCheckBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace korvane {

void TKorvaneForm1::ActPrintExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("印刷"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The check box decides, whatever the dialog's own settings said.
    printer.setPageOrientation(CheckBox2->isChecked() ? QPageLayout::Landscape
                                                      : QPageLayout::Portrait);
    const int dpi = printer.resolution();
    const QRect page = printer.pageLayout().paintRectPixels(dpi);
    // Worked out before the job starts, so an empty picture prints nothing
    // and says why instead of leaving an empty page.
    const QSize target = printTargetSize(m_doc.DrawBmp.size(), page.size());
    QPainter painter;
    if (!painter.begin(&printer))
        throw KorvaneError(QStringLiteral("印刷を始められません: %1").arg(printer.printerName()));
    // The painter's origin is the top left of the printable area, in device
    // pixels. The picture is stretched without smoothing, as a printer's
    // raster copy does.
    painter.drawImage(QRect(QPoint(0, 0), target), m_doc.DrawBmp);
    painter.end();
}

} // namespace korvane
