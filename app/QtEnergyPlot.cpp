#include "app/QtEnergyPlot.h"

#include "control/EnergyHistory.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

struct Curve {
    const char* name;
    QColor colour;
    double (*value)(const BodyEnergy&);
};

const Curve curves[] = {
    {"kinetic", QColor(255, 170, 60), [](const BodyEnergy& e) { return e.kinetic; }},
    {"spring", QColor(90, 200, 255), [](const BodyEnergy& e) { return e.spring; }},
    {"height", QColor(140, 230, 120), [](const BodyEnergy& e) { return e.height; }},
    {"total", QColor(245, 245, 245), [](const BodyEnergy& e) { return e.total(); }},
};

} // namespace

QtEnergyPlot::QtEnergyPlot(QWidget* parent, const EnergyHistory& history)
    : QWidget(parent), history_(history) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(20, 28, 36));
    setPalette(colours);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setVisible(false);
}

void QtEnergyPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(44, 22, width() - 54, height() - 44);
    painter.setPen(QColor(90, 100, 110));
    painter.drawRect(area);
    const int n = history_.size();
    const double end = n > 0 ? history_.sample(n - 1).time : 0.0;
    const double start = std::max(0.0, end - EnergyHistory::span);
    // A blown-up body's energy leaves every scale: the plot follows it up to the largest
    // finite value.
    double top = 0;
    for (int k = 0; k < n; ++k) {
        for (const Curve& curve : curves) {
            const double v = curve.value(history_.sample(k).energy);
            if (std::isfinite(v)) {
                top = std::max(top, v);
            }
        }
    }
    const double scale = top > 0 ? top : 1.0;
    for (const Curve& curve : curves) {
        QPainterPath path;
        for (int k = 0; k < n; ++k) {
            const EnergyHistory::Sample& s = history_.sample(k);
            const double v = std::clamp(curve.value(s.energy) / scale, 0.0, 1.0);
            const QPointF point(area.left() + (s.time - start) / EnergyHistory::span * area.width(),
                                area.bottom() - (std::isfinite(v) ? v : 1.0) * area.height());
            k == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        painter.setPen(QPen(curve.colour, 1.5));
        painter.drawPath(path);
    }
    painter.setPen(QColor(220, 220, 220));
    painter.drawText(QPointF(4, area.top() + 10), QString::number(top, 'g', 3));
    painter.drawText(QPointF(4, area.bottom()), "0");
    painter.drawText(QPointF(area.left(), height() - 6), QString("t %1 s").arg(start, 0, 'f', 1));
    painter.drawText(QPointF(area.right() - 60, height() - 6),
                     QString("%1 s").arg(start + EnergyHistory::span, 0, 'f', 1));
    // The names share the width above the plot, so that a narrow plot shows them all.
    const double step = std::min(70.0, area.width() / std::size(curves));
    double x = area.left();
    for (const Curve& curve : curves) {
        painter.setPen(curve.colour);
        painter.drawText(QPointF(x, 15), curve.name);
        x += step;
    }
}
