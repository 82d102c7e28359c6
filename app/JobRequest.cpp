#include "JobRequest.h"

#include "AppError.h"
#include "NumberText.h"

#include <algorithm>

namespace {

constexpr int MaxRepeatCount = 99; // the count box's own upper limit

// The customer number becomes the first three characters of every sample number; a leading
// zero would be lost as soon as the numbers are counted on.
bool isThreeDigitsWithoutLeadingZero(const QString& text) {
    return text.size() == 3 && text.front() != u'0' &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The same conversion as the job's repeat rule, so a refusal here means a failure there; zero and
// below would run no pass at all and empty the box, so they are refused like the box refuses them.
bool repeatCountSound(const QString& text2) {
    try {
        const qint16 count = ToInteger16(text2.trimmed());
        return count >= 1 && count <= MaxRepeatCount;
    } catch (const AppError&) {
        return false;
    }
}

} // namespace

bool CustomerBoxAccepted(const QString& text) {
    return text.size() == 3 && IsNumeric(text);
}

bool CountBoxAccepted(const QString& text) {
    if (!IsNumeric(text))
        return false;
    const double count = ToDouble(text);
    return count >= 1 && count <= 99;
}

bool RepeatRuleApplies(const QString& customerId, const QString& text2) {
    return customerId.startsWith(QLatin1String("70")) && !text2.isEmpty();
}

JobBox CheckFixedPress(const QString& customerId, const QString& text2) {
    if (RepeatRuleApplies(customerId, text2) && !repeatCountSound(text2))
        return JobBox::Text2;
    return JobBox::None;
}

JobBox CheckBoxPress(const QString& text1, const QString& text2) {
    if (!isThreeDigitsWithoutLeadingZero(text1))
        return JobBox::Text1;
    if (!CountBoxAccepted(text2))
        return JobBox::Text2;
    // A count from 1 to 99 always converts, so the repeat rule of a "70" customer holds as well.
    return CheckFixedPress(text1, text2);
}
