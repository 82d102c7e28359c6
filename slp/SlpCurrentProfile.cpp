#include "SlpProfile.h"

// Compiled once per library; SLP_PROFILE_7X32 or SLP_PROFILE_62 picks the generation.
//
// The sizes hold every sticker the tool prints, measured in Arial (Liberation Sans) at the
// generation's resolution, with a margin of roughly 20 dots. Width runs across the label as it
// leaves the printer, height along it; a sticker printed at rotation 1 is read turned, so its
// texts run along the height and down the width.
#if defined(SLP_PROFILE_7X32)
// 300 dpi. Type 2 (1560 x 600, about 5.2 x 2.0 in): the large label's 55-underscore line at x 0 in
// 12 pt ends at x 1530; the result sticker's code at y 520 in 13 pt ends its line near y 582; the
// QR code spans x 650..950. Type 4 (230 x 270): the small barcode in 50,40,210,250 at rotation 1,
// its bars ending 218 across and its text 202 down.
const SlpProfile& currentProfile() {
    static const SlpProfile profile{300, QSize(1560, 600), QSize(230, 270)};
    return profile;
}
#elif defined(SLP_PROFILE_62)
// 203 dpi. Type 2 (1070 x 600, about 5.3 x 3.0 in): the large label's 55-underscore line at x 0 in
// 12 pt ends at x 1040; the batch result sticker at rotation 1 runs down to x 900 plus a 13 pt line
// (about 942) and across to its logo's edge at y 560, its home-page line from y 0 in 11 pt ending
// near 540 for "https://www.example-lab.de/ergebnis/". Type 4 (160 x 220): the small barcode in
// 34,1,142,203 at rotation 1, its bars ending 178 across and its text 136 down.
const SlpProfile& currentProfile() {
    static const SlpProfile profile{203, QSize(1070, 600), QSize(160, 220)};
    return profile;
}
#else
#error "Build with SLP_PROFILE_7X32 or SLP_PROFILE_62"
#endif
