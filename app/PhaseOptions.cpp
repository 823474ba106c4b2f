#include "app/PhaseOptions.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QKeySequence>
#include <QLocale>
#include <QMenu>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "engine/kinds/HologramKind.h"

namespace marbleck {

namespace {

const QString KindKey = QStringLiteral("options/hologram");
const QString MethodKey = QStringLiteral("options/refinement");
const QString IterationsKey = QStringLiteral("options/refinementIterations");
const QString TimeLimitKey = QStringLiteral("options/refinementTimeLimit");

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QAction* Choice(QActionGroup& group, QMenu& menu, const QString& caption, const QString& data,
                const QString& name) {
    QAction* choice = group.addAction(caption);
    choice->setCheckable(true);
    choice->setData(data);
    choice->setObjectName(name);
    menu.addAction(choice);
    return choice;
}

// A remembered number that is none, or out of the dialog's bounds, reads as
// the start-up value, or as the nearest bound.
double RememberedNumber(const QString& key, double fallback, double low, double high) {
    bool isNumber = false;
    const double value = QSettings().value(key).toDouble(&isNumber);
    if (!isNumber || !std::isfinite(value)) return fallback;
    return std::clamp(value, low, high);
}

}  // namespace

PhaseOptions::PhaseOptions(QWidget& window, QMenu& options) : QObject(&window), window_(window) {
    options.addSeparator();
    QMenu* kind = options.addMenu(QStringLiteral("&Hologram"));
    kind->menuAction()->setObjectName(QStringLiteral("hologramMenu"));
    auto* kinds = new QActionGroup(this);
    // One choice per entry of the kinds table, its label the menu's text.
    for (const HologramKind* entry : HologramKinds()) {
        kinds_.append(Choice(*kinds, *kind, Text(entry->label), Text(entry->name),
                             Text(entry->name) + QStringLiteral("HologramAction")));
    }
    kinds_.front()->setChecked(true);
    for (qsizetype i = 0; i < kinds_.size(); ++i) {
        if (!HologramKinds()[static_cast<std::size_t>(i)]->sceneFiles.empty()) continue;
        QAction* flat = kinds_[i];
        if (flatKind_ == nullptr) flatKind_ = flat;
        if (flat->isChecked()) flatKind_ = flat;
        connect(flat, &QAction::toggled, this, [this, flat](bool on) {
            if (on) flatKind_ = flat;
        });
    }

    QMenu* refinement = options.addMenu(QStringLiteral("R&efinement"));
    refinement->menuAction()->setObjectName(QStringLiteral("refinementMenu"));
    auto* methods = new QActionGroup(this);
    for (const RefinementMethodEntry& method : RefinementMethods())
        methods_.append(Choice(*methods, *refinement, QStringLiteral("&") + Text(method.label),
                               Text(method.name), Text(method.name) + QStringLiteral("RefinementAction")));
    methods_.front()->setChecked(true);
    refinement->addSeparator();
    iterationsAction_ = refinement->addAction(QStringLiteral("&Iterations…"));
    iterationsAction_->setObjectName(QStringLiteral("refinementIterationsAction"));
    connect(iterationsAction_, &QAction::triggered, this, &PhaseOptions::askIterations);
    timeLimitAction_ = refinement->addAction(QStringLiteral("Time &Limit…"));
    timeLimitAction_->setObjectName(QStringLiteral("refinementTimeLimitAction"));
    connect(timeLimitAction_, &QAction::triggered, this, &PhaseOptions::askTimeLimit);

    refine_ = options.addAction(QStringLiteral("&Refine"));
    refine_->setObjectName(QStringLiteral("refineAction"));
    refine_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    refine_->setEnabled(false);
}

void PhaseOptions::restore() {
    const QSettings settings;
    // The setting holds the kind's name.
    const QString kindName = settings.value(KindKey).toString();
    for (QAction* choice : kinds_)
        if (choice->data().toString() == kindName) choice->setChecked(true);
    const QString method = settings.value(MethodKey).toString();
    for (QAction* choice : methods_)
        if (choice->data().toString() == method) choice->setChecked(true);
    iterations_ =
        static_cast<int>(std::lround(RememberedNumber(IterationsKey, DefaultIterations, 1, MostIterations)));
    timeLimitSeconds_ = RememberedNumber(TimeLimitKey, 0, 0, MostTimeLimitSeconds);

    for (QAction* kind : kinds_)
        connect(kind, &QAction::toggled, this, [kind](bool on) {
            if (on) QSettings().setValue(KindKey, kind->data());
        });
    for (QAction* choice : methods_)
        connect(choice, &QAction::toggled, this, [choice](bool on) {
            if (on) QSettings().setValue(MethodKey, choice->data());
        });
}

const HologramKind& PhaseOptions::chosenKind() const {
    for (qsizetype i = 0; i < kinds_.size(); ++i)
        if (kinds_[i]->isChecked()) return *HologramKinds()[static_cast<std::size_t>(i)];
    return *HologramKinds().front();
}

void PhaseOptions::choose(const HologramKind& kind) {
    for (QAction* choice : kinds_)
        if (choice->data().toString() == Text(kind.name)) choice->setChecked(true);
}

const HologramKind& PhaseOptions::flatKind() const {
    const qsizetype index = kinds_.indexOf(flatKind_);
    return *HologramKinds()[static_cast<std::size_t>(std::max<qsizetype>(index, 0))];
}

RefinementRequest PhaseOptions::refinementRequest() const {
    RefinementRequest request;
    for (const QAction* choice : methods_)
        if (choice->isChecked())
            if (const RefinementMethodEntry* entry =
                    FindRefinementMethod(choice->data().toString().toStdString()))
                request.method = entry->method;
    request.iterations = iterations_;
    request.budgetSeconds = timeLimitSeconds_;
    return request;
}

QList<EnabledRule> PhaseOptions::enabledRules() const {
    QList<EnabledRule> rules;
    for (QAction* choice : kinds_ + QList<QAction*>{iterationsAction_, timeLimitAction_} + methods_)
        rules.append({choice, Need::NoJobRunning});
    rules.append({refine_, Need::NoJobRunning | Need::PhaseHologram});
    return rules;
}

void PhaseOptions::askIterations() {
    QInputDialog dialog(&window_);
    dialog.setObjectName(QStringLiteral("refinementIterationsDialog"));
    dialog.setLocale(QLocale::c());
    dialog.setWindowTitle(QStringLiteral("Iterations"));
    dialog.setLabelText(QStringLiteral("Iterations one \"Refine\" runs:"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, MostIterations);
    dialog.setIntValue(iterations_);
    if (dialog.exec() != QDialog::Accepted) return;
    iterations_ = dialog.intValue();
    QSettings().setValue(IterationsKey, iterations_);
}

// The dialog writes its numbers with "." as the window's boxes do.
void PhaseOptions::askTimeLimit() {
    QInputDialog dialog(&window_);
    dialog.setObjectName(QStringLiteral("refinementTimeLimitDialog"));
    dialog.setLocale(QLocale::c());
    dialog.setWindowTitle(QStringLiteral("Time Limit"));
    dialog.setLabelText(QStringLiteral("Seconds one \"Refine\" may run (0: no limit):"));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleRange(0, MostTimeLimitSeconds);
    dialog.setDoubleDecimals(1);
    dialog.setDoubleValue(timeLimitSeconds_);
    if (dialog.exec() != QDialog::Accepted) return;
    timeLimitSeconds_ = dialog.doubleValue();
    QSettings().setValue(TimeLimitKey, timeLimitSeconds_);
}

}  // namespace marbleck
