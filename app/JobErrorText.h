#pragma once

#include <QString>

// What an error means to the operator, in German: what happened and what to do ("Datenbank
// antwortet nicht. Bitte den Administrator rufen."). The error's own English text, the driver's
// or the loader's, is for the administrator and is not repeated here.
QString GermanErrorText(const QString& description);

// The German sentence of a job that ended on an error: what happened, which samples it concerns
// (the one in hand, the last one recorded) and what to do, each said once.
QString JobErrorText(const QString& description, const QString& inHand, const QString& lastRecorded);
