#include "SlpProfile.h"

// Compiled once per library; SLP_PROFILE_7X32 or SLP_PROFILE_62 picks the generation.
//
// The sizes hold every sticker the tool prints, measured in Arial (Liberation Sans) at the
// generation's resolution, with a margin of roughly 20 dots. Width runs across the label as it
// leaves the printer, height along it; a sticker printed at rotation 1 is read turned, so its
// texts run along the height and down the width.
#if defined(SLP_PROFILE_7X32)
// 300 dpi. Type 2: the large label's 55-underscore line at x 0 in 12 pt ends near x 1490 and its
// last line at y 500 ends near y 560; the result sticker's QR code spans x 650..950.
// Type 4: the small barcode in 50,40,210,250 at rotation 1.
const SlpProfile& currentProfile() {
    static const SlpProfile profile{300, QSize(1520, 580), QSize(230, 270)};
    return profile;
}
#elif defined(SLP_PROFILE_62)
// 203 dpi. Type 2: the large label's 55-underscore line at x 0 in 12 pt ends near x 1020; the batch
// result sticker at rotation 1 runs to x 900 plus a 13 pt line (about 945) and across to y 560,
// with its home-page line from y 0 in 11 pt. Type 4: the small barcode in 34,1,142,203 at rotation 1.
const SlpProfile& currentProfile() {
    static const SlpProfile profile{203, QSize(1050, 600), QSize(160, 220)};
    return profile;
}
#else
#error "Build with SLP_PROFILE_7X32 or SLP_PROFILE_62"
#endif
