#include "app/QtTextPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

const int padding = 5;
const QColor boxColour(8, 15, 20, 180);

int powerOfTwo(int atLeast) {
    int size = 1;
    while (size < atLeast) {
        size *= 2;
    }
    return size;
}

QFont fontFor(TextKind kind) {
    QFont font(kind == TextKind::hint ? "DejaVu Sans" : "DejaVu Sans Mono");
    font.setPixelSize(kind == TextKind::hint ? 20 : kind == TextKind::help ? 12 : 13);
    font.setBold(kind == TextKind::hint);
    return font;
}

// Exact colours, so that pictures of the window can find the texts.
QColor colourFor(TextKind kind) {
    if (kind == TextKind::hint) {
        return QColor(255, 204, 51);
    }
    return kind == TextKind::message ? QColor(153, 221, 255) : QColor(255, 255, 255);
}

} // namespace

TextImage paintText(const std::vector<std::string>& lines, TextKind kind) {
    const QFont font = fontFor(kind);
    const QFontMetrics metrics(font);
    int textWidth = 0;
    for (const std::string& line : lines) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(QString::fromStdString(line)));
    }
    const int boxWidth = textWidth + 2 * padding;
    const int boxHeight = metrics.lineSpacing() * static_cast<int>(lines.size()) + 2 * padding;
    QImage image(powerOfTwo(boxWidth), powerOfTwo(boxHeight), QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(0, 0, boxWidth, boxHeight, boxColour);
    painter.setFont(font);
    painter.setPen(colourFor(kind));
    for (size_t k = 0; k < lines.size(); ++k) {
        const int baseline =
            padding + metrics.lineSpacing() * static_cast<int>(k) + metrics.ascent();
        painter.drawText(padding, baseline, QString::fromStdString(lines[k]));
    }
    painter.end();

    // The scene-graph library takes images from the bottom row up.
    const QImage rows = image.mirrored();
    TextImage result;
    result.size = SbVec2s(static_cast<short>(rows.width()), static_cast<short>(rows.height()));
    result.box = SbVec2s(static_cast<short>(boxWidth), static_cast<short>(boxHeight));
    result.pixels.resize(static_cast<size_t>(rows.width()) * rows.height() * 4);
    for (int row = 0; row < rows.height(); ++row) {
        std::memcpy(result.pixels.data() + static_cast<size_t>(row) * rows.width() * 4,
                    rows.constScanLine(row), static_cast<size_t>(rows.width()) * 4);
    }
    return result;
}
