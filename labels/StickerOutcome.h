#pragma once

#include <QString>

// What became of one sticker.
struct StickerOutcome {
    enum class State {
        NoPrinter, // no printer of that name: nothing printed, and the job says nothing of it
        Printed,
        Lost, // a printer was found but the sticker did not reach it
    };
    State state = State::NoPrinter;
    QString printer; // the printer's name
    QString reason;  // why not: the library's words, or ours where it has none

    bool lost() const { return state == State::Lost; }
};
