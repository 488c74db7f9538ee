#pragma once

#include <QWidget>

class EnergyHistory;

/// The plot of the body's energy over the last 20 simulated seconds, over the lower left of
/// the view: kinetic, spring, height and their sum, each as a line, on one scale from 0 to the
/// largest value shown, with the simulated time along the bottom. It paints the samples of
/// `history` when the viewer asks after a frame, and nothing while it is hidden.
class QtEnergyPlot : public QWidget {
public:
    QtEnergyPlot(QWidget* parent, const EnergyHistory& history);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const EnergyHistory& history_;
};
