#pragma once

#include "LabelContent.h"
#include "SlpFailure.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <vector>

// Where finished labels go: a folder of PNG files or a CUPS queue.
class LabelOutput {
public:
    virtual ~LabelOutput() = default;
    // true once the label reached the printer; otherwise false and why, in a few plain words.
    virtual bool printLabel(const LabelContent& content, SlpFailure& whyNot) = 0;
    // Looks for the newest label of each name: one SLP_JOB_ code per name, as SlpFindLabels
    // answers; whyNot says why a name was not settled.
    virtual std::vector<int32_t> findLabels(const std::vector<QByteArray>& names,
                                            const std::vector<int64_t>& notBefore,
                                            std::chrono::steady_clock::time_point deadline,
                                            QString& whyNot) = 0;
};
