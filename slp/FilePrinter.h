#pragma once

#include "LabelOutput.h"

#include <QString>

// A folder standing in for a printer: each label becomes the next numbered PNG, 000001.png on,
// at the library's own resolution. Desks sharing the folder never replace each other's files.
class FilePrinter final : public LabelOutput {
public:
    explicit FilePrinter(QString folder);
    bool printLabel(const LabelContent& content, SlpFailure& whyNot) override;
    std::vector<int32_t> findLabels(const std::vector<QByteArray>& names,
                                    const std::vector<int64_t>& notBefore,
                                    std::chrono::steady_clock::time_point deadline, QString& whyNot) override;

    // The number the next label tries first, continuing from the highest already in the folder.
    qint64 nextNumber() const;

private:
    QString mFolder;
};
