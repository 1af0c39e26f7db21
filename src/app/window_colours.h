#pragma once

#include <QColor>

// The colours the window paints itself with.
namespace vantrel::colours {

inline const QColor kRegressionBand(255, 255, 240);
inline const QColor kAveragingBand(240, 240, 255);
inline const QColor kCaption(224, 224, 224);
inline const QColor kFormula(255, 255, 255);
inline const QColor kBoxBackground(255, 255, 255);
// Text on the band's fixed backgrounds, whatever the desktop's theme.
inline const QColor kBandText(0, 0, 0);
inline const QColor kDisabledBoxText(120, 120, 120);
inline const QColor kAmplitudeSearch(255, 223, 223);
inline const QColor kWavelengthSearch(223, 255, 223);
inline const QColor kProgress(0, 192, 255);

} // namespace vantrel::colours
