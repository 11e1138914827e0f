#include "design_font.h"

#include <cmath>

namespace tavola {

QFont DesignFont(const QString& family, double points, bool bold, bool italic) {
    // "Arial" and "Times New Roman" reach their metric twins through
    // fontconfig; the two bitmap-era faces have no alias, so name the nearest.
    QString face = family;
    QFont::Weight weight = bold ? QFont::Bold : QFont::Normal;
    if (family == "MS Sans Serif") {
        face = "Liberation Sans";
    } else if (family == "Arial Black") {
        face = "Liberation Sans";
        weight = QFont::Black;
    }
    QFont font(face);
    // Sized in pixels, so that text keeps its place among controls laid out
    // in 96-dpi pixels whatever the screen reports.
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setWeight(weight);
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace tavola
