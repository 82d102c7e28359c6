#pragma once

#include <QString>

// The input box that keeps a button press from making a sound label job.
enum class JobBox { None, Text1, Text2 };

// Text1 on leaving it: three characters that form a number. Empty text is not checked.
bool CustomerBoxAccepted(const QString& text);

// Text2 on leaving it: a number from 1 to 99, fractions allowed. Empty text is not checked.
bool CountBoxAccepted(const QString& text);

// A customer number beginning with "70" takes a non-empty Text2 as the job's number of passes.
bool RepeatRuleApplies(const QString& customerId, const QString& text2);

// A press of Command1 to Command8: a customer beginning with "70" takes a non-empty Text2 as its
// repeat count, which the job converts before it draws anything; below 1 or above 99 it is
// refused.
JobBox CheckFixedPress(const QString& customerId, const QString& text2);

// A press of Command9 or Command10: the customer is Text1 as typed and the label count is Text2,
// so Text1 must be three digits not beginning with 0 and Text2 a count from 1 to 99.
JobBox CheckBoxPress(const QString& text1, const QString& text2);
