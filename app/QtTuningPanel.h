#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class QDoubleSpinBox;
class QLabel;
class QSlider;
class TuningPanel;
enum class Tunable;

/// The tuning panel's widgets over the right edge of the view: a slider with a number field
/// for stiffness, damping, time step and point mass, the stable time step beside the time step
/// with the slider's stretch beyond it marked, the materials and Reset. It draws and edits
/// `model` (control/TuningPanel.h), which holds every value; sync() brings it up to date after
/// keys have changed the values.
class QtTuningPanel : public QWidget {
public:
    /// `changed` runs after every value the panel sets, for the status to follow; `view` gets
    /// the keyboard back once a number has been typed.
    QtTuningPanel(QWidget* parent, QWidget* view, TuningPanel& model,
                  std::function<void()> changed);

    /// Shows or hides the panel as the model says, and, shown, the model's values.
    void sync();

private:
    struct Row {
        Tunable which;
        QSlider* slider;
        QDoubleSpinBox* field;
    };

    void addRow(Tunable which, int decimals);
    void set(Tunable which, double value);

    QWidget* view_;
    TuningPanel& model_;
    std::function<void()> changed_;
    std::vector<Row> rows_;
    QLabel* stable_;
    /// Set while sync() writes to the widgets, whose signals must not write back.
    bool syncing_ = false;
};
