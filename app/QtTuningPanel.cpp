#include "app/QtTuningPanel.h"

#include "control/TuningPanel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

constexpr int sliderSteps = 1000;
/// The largest number a field takes as typed, far beyond every range.
constexpr double typedLimit = 1e9;

// A slider whose positions beyond a mark are painted red: the time steps past the stable one.
class MarkedSlider : public QSlider {
public:
    MarkedSlider() : QSlider(Qt::Horizontal) {}
    /// The marked stretch starts at `position` (sliderSteps or more: none).
    void setMark(int position) {
        if (position != mark_) {
            mark_ = position;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (mark_ < maximum()) {
            QPainter painter(this);
            const double share = double(mark_ - minimum()) / (maximum() - minimum());
            const int left = static_cast<int>(share * width());
            painter.fillRect(left, height() / 2 - 3, width() - left, 6, QColor(200, 40, 40));
        }
        QSlider::paintEvent(event);
    }

private:
    int mark_ = sliderSteps;
};

int toSlider(const TunableRange& range, double value) {
    double share = 0;
    if (range.logarithmic) {
        share = std::log(value / range.least) / std::log(double(range.most) / range.least);
    } else {
        share = (value - range.least) / (range.most - range.least);
    }
    return static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * sliderSteps));
}

double fromSlider(const TunableRange& range, int position) {
    const double share = double(position) / sliderSteps;
    if (range.logarithmic) {
        return range.least * std::pow(double(range.most) / range.least, share);
    }
    return range.least + share * (range.most - range.least);
}

} // namespace

QtTuningPanel::QtTuningPanel(QWidget* parent, QWidget* view, TuningPanel& model,
                             std::function<void()> changed,
                             std::function<void(const std::string&)> notify)
    : QWidget(parent), view_(view), model_(model), changed_(std::move(changed)),
      notify_(std::move(notify)) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(30, 40, 50));
    colours.setColor(QPalette::WindowText, QColor(230, 230, 230));
    setPalette(colours);
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    addRow(Tunable::stiffness, 1);
    addRow(Tunable::damping, 3);
    addRow(Tunable::timeStep, 4);
    addRow(Tunable::mass, 3);
    addRow(Tunable::pressure, 1);
    stable_ = new QLabel;
    layout->addWidget(stable_, layout->rowCount(), 0, 1, 3);

    materials_ = new QComboBox;
    materials_->setFocusPolicy(Qt::NoFocus);
    materials_->addItem("material...");
    for (const MaterialPreset& preset : materialPresets()) {
        materials_->addItem(preset.name);
    }
    connect(materials_, QOverload<int>::of(&QComboBox::activated), this, [this](int k) {
        if (k > 0) {
            model_.applyPreset(materialPresets()[static_cast<size_t>(k - 1)]);
            changed_();
        }
    });
    auto* reset = new QPushButton("Reset");
    reset->setFocusPolicy(Qt::NoFocus);
    connect(reset, &QPushButton::clicked, this, [this] {
        model_.reset();
        changed_();
    });
    const int row = layout->rowCount();
    layout->addWidget(materials_, row, 0, 1, 2);
    layout->addWidget(reset, row, 2);
    setVisible(false);
}

void QtTuningPanel::addRow(Tunable which, int decimals) {
    const TunableRange& range = tunableRange(which);
    auto* slider = new MarkedSlider;
    slider->setRange(0, sliderSteps);
    slider->setFocusPolicy(Qt::NoFocus);
    slider->setMinimumWidth(100);
    auto* field = new QDoubleSpinBox;
    field->setDecimals(decimals);
    // As wide as the range's numbers need; but any number may be typed, so that one beyond
    // the range is held to it with a word rather than cut off digit by digit as it is typed.
    field->setRange(range.least, range.most);
    field->setFixedWidth(field->sizeHint().width());
    field->setRange(-typedLimit, typedLimit);
    field->setSingleStep(std::pow(10.0, -decimals));
    field->setKeyboardTracking(false);
    field->setFocusPolicy(Qt::ClickFocus);
    auto* layout = static_cast<QGridLayout*>(this->layout());
    const int row = layout->rowCount();
    auto* label = new QLabel(range.label);
    layout->addWidget(label, row, 0);
    layout->addWidget(slider, row, 1);
    layout->addWidget(field, row, 2);
    connect(slider, &QSlider::valueChanged, this,
            [this, which, range](int position) { set(which, fromSlider(range, position)); });
    connect(field, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this, k = rows_.size()](double value) { type(rows_[k], value); });
    // Typing is done: the keys go back to the view.
    connect(field, &QDoubleSpinBox::editingFinished, this, [this] { view_->setFocus(); });
    rows_.push_back(Row{which, slider, field});
}

void QtTuningPanel::set(Tunable which, double value) {
    if (syncing_) {
        return;
    }
    model_.setValue(which, static_cast<float>(value));
    changed_();
}

void QtTuningPanel::type(const Row& row, double value) {
    if (syncing_) {
        return;
    }
    const std::string note = model_.typeValue(row.which, static_cast<float>(value));
    changed_();
    if (!note.empty()) {
        // The field has the focus while it is typed in, so sync() leaves it alone.
        syncing_ = true;
        row.field->setValue(model_.value(row.which));
        syncing_ = false;
        notify_(note);
    }
}

void QtTuningPanel::sync() {
    setVisible(model_.shown);
    if (!model_.shown) {
        return;
    }
    syncing_ = true;
    const float stable = model_.stableTimeStep();
    for (const Row& row : rows_) {
        const TunableRange& range = tunableRange(row.which);
        const float value = model_.value(row.which);
        if (!row.field->hasFocus()) {
            row.field->setValue(value);
        }
        row.slider->setValue(toSlider(range, value));
        if (row.which == Tunable::timeStep) {
            static_cast<MarkedSlider*>(row.slider)
                ->setMark(std::isfinite(stable) ? toSlider(range, stable) : sliderSteps + 1);
        }
    }
    materials_->setCurrentIndex(model_.currentPreset() + 1);
    syncing_ = false;
    const bool beyond = model_.beyondStableTimeStep();
    stable_->setText(std::isfinite(stable) ? QString("stable time step up to %1%2")
                                                 .arg(double(stable), 0, 'g', 3)
                                                 .arg(beyond ? "  (beyond!)" : "")
                                           : QString("stable at any time step"));
    stable_->setStyleSheet(beyond ? "color: #ff7070" : "color: #e0e0e0");
}
