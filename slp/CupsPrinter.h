#pragma once

#include "CupsQueue.h"
#include "LabelOutput.h"

#include <QString>

// A CUPS queue: each label is drawn at the queue's own resolution and sent as a one-page PDF of
// exactly the label's size (or the smallest size the driver offers that holds it), placed dot
// for dot, so neither CUPS nor the driver scales it.
class CupsPrinter final : public LabelOutput {
public:
    CupsPrinter(QString printerName, CupsQueue queue);
    bool printLabel(const LabelContent& content, SlpFailure& whyNot) override;
    std::vector<int32_t> findLabels(const std::vector<QByteArray>& names,
                                    const std::vector<int64_t>& notBefore,
                                    std::chrono::steady_clock::time_point deadline, QString& whyNot) override;

private:
    QString mPrinterName;
    CupsQueue mQueue;
};
