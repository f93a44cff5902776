#include "ChartPalette.h"

namespace {
// Three hues in each of three steps: dark, middle, light.
const QColor kSteps[3][3] = {
    {QColor(62, 95, 138), QColor(47, 110, 104), QColor(116, 80, 110)},
    {QColor(201, 161, 90), QColor(201, 138, 138), QColor(166, 166, 94)},
    {QColor(184, 212, 176), QColor(188, 211, 230), QColor(230, 213, 176)},
};
const QColor kGreySteps[3] = {QColor(100, 100, 100), QColor(160, 160, 160), QColor(212, 212, 212)};
} // namespace

QList<QColor> SliceColours(int count, int foldedIndex)
{
    QList<QColor> colours;
    for (int i = 0; i < count; ++i) {
        int step = i % 3;
        // Going round, the last slice touches the first: with one slice over
        // a multiple of three both would be dark, so the last takes the middle
        // step, which differs from both its neighbours.
        if (count > 1 && i == count - 1 && step == 0)
            step = 1;
        const int hue = (i / 3) % 3;
        colours.append(i == foldedIndex ? kGreySteps[step] : kSteps[step][hue]);
    }
    return colours;
}
