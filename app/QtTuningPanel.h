#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class TuningPanel;
enum class Tunable;

/// The tuning panel's widgets beside the view: a slider with a number field for stiffness,
/// damping, time step, point mass and pressure, the stable time step beside the time step with
/// the slider's stretch beyond it marked, the materials (the box shows the one whose values the
/// body has) and Reset. It draws and edits `model` (control/TuningPanel.h), which holds every
/// value; sync() brings it up to date after keys have changed the values.
class QtTuningPanel : public QWidget {
public:
    /// `changed` runs after every value the panel sets, for the status to follow; `notify`
    /// says a line to the user (a typed number held to its range); `view` gets the keyboard
    /// back once a number has been typed.
    QtTuningPanel(QWidget* parent, QWidget* view, TuningPanel& model, std::function<void()> changed,
                  std::function<void(const std::string&)> notify);

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
    void type(const Row& row, double value);

    QWidget* view_;
    TuningPanel& model_;
    std::function<void()> changed_;
    std::function<void(const std::string&)> notify_;
    std::vector<Row> rows_;
    QLabel* stable_;
    QComboBox* materials_;
    /// Set while sync() writes to the widgets, whose signals must not write back.
    bool syncing_ = false;
};
