#include "CupsPrinter.h"

#include "LabelRenderer.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

CupsPrinter::CupsPrinter(QString queueName) : mQueueName(std::move(queueName)) {}

QString CupsPrinter::findQueue(const QString& printerName) {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    for (const QPrinterInfo& info : printers) {
        if (info.printerName() == printerName || info.description() == printerName) {
            return info.printerName();
        }
    }
    return {};
}

bool CupsPrinter::printLabel(const LabelContent& content) {
    // QPrinter quietly falls back to the default queue for a name it does not know, so the queue
    // must still be there now.
    const QPrinterInfo info = QPrinterInfo::printerInfo(mQueueName);
    if (info.isNull()) {
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setResolution(content.dpi);
    printer.setFullPage(true);
    printer.setColorMode(QPrinter::GrayScale);
    const QSizeF inches(content.labelSize.width() / double(content.dpi),
                        content.labelSize.height() / double(content.dpi));
    const QPageSize pageSize(inches, QPageSize::Inch, QStringLiteral("Label"), QPageSize::ExactMatch);
    // A sticker read turned lies across the label as it is fed.
    const auto orientation = content.rotation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (!printer.setPageLayout(QPageLayout(pageSize, orientation, QMarginsF()))) {
        return false;
    }

    // Rendered at the printer's own dots and laid onto the page whole, so bars keep whole dots.
    const QImage sticker = renderLabel(content);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    painter.drawImage(printer.pageLayout().fullRectPixels(printer.resolution()), sticker);
    return painter.end();
}
