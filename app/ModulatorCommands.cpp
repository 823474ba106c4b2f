#include "app/ModulatorCommands.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

#include "app/Document.h"
#include "app/PanelSettingsDialog.h"
#include "app/PanelSettingsStore.h"
#include "app/ScreenChooser.h"
#include "app/ScreenWindow.h"

namespace marbleck {

ModulatorCommands::ModulatorCommands(QWidget& window, Document& document, OpenFileQuestion askOpenFile)
    : window_(window), document_(document), askOpenFile_(std::move(askOpenFile)) {}

ModulatorCommands::~ModulatorCommands() = default;

void ModulatorCommands::addPanelItem(QMenu& options) {
    panel_ = options.addAction(QStringLiteral("&SLM Panel…"));
    panel_->setObjectName(QStringLiteral("panelAction"));
    connect(panel_, &QAction::triggered, this, &ModulatorCommands::editPanel);
}

void ModulatorCommands::addShowOnScreenItem(QMenu& view) {
    showOnScreen_ = view.addAction(QStringLiteral("&Show on Screen…"));
    showOnScreen_->setObjectName(QStringLiteral("showOnScreenAction"));
    showOnScreen_->setCheckable(true);
    showOnScreen_->setEnabled(false);
    connect(showOnScreen_, &QAction::triggered, this, &ModulatorCommands::showOnScreen);
}

void ModulatorCommands::restorePanel() {
    const PanelSettingsStore::Restored restored = PanelSettingsStore::read();
    document_.panel = restored.choice;
    if (!restored.notice.isEmpty()) emit statusBarMessage(restored.notice);
}

void ModulatorCommands::hologramChanged() {
    if (screenWindow_) screenWindow_->refresh();
}

void ModulatorCommands::editPanel() {
    PanelSettingsDialog dialog(document_.panel, askOpenFile_, &window_);
    if (dialog.exec() != QDialog::Accepted) return;
    document_.panel = dialog.choice();
    PanelSettingsStore::write(document_.panel);
    if (screenWindow_) screenWindow_->refresh();
    emit panelChanged();
}

void ModulatorCommands::showOnScreen(bool on) {
    if (!on) {
        if (screenWindow_) screenWindow_->close();
        return;
    }
    QScreen* screen = document_.modulatorPhase() ? askScreen() : nullptr;
    if (screen == nullptr) {
        showOnScreen_->setChecked(false);
        return;
    }
    if (!screenWindow_) {
        screenWindow_ = std::make_unique<ScreenWindow>(document_, window_);
        connect(screenWindow_.get(), &ScreenWindow::closed, this,
                [this] { showOnScreen_->setChecked(false); });
        connect(screenWindow_.get(), &ScreenWindow::statusBarMessage, this,
                &ModulatorCommands::statusBarMessage);
    }
    showOnScreen_->setChecked(screenWindow_->showOn(screen));
}

QScreen* ModulatorCommands::askScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() > 1) {
        ScreenChooser chooser(&window_);
        return chooser.exec() == QDialog::Accepted ? chooser.chosenScreen() : nullptr;
    }
    QScreen* only = QGuiApplication::primaryScreen();
    if (only == nullptr) return nullptr;
    QMessageBox question(QMessageBox::Question, QStringLiteral("Show on Screen"),
                         QStringLiteral("There is only one screen (%1). Show the phase "
                                        "map full screen on it for checking? Esc there closes it again.")
                             .arg(ScreenChooser::label(*only)),
                         QMessageBox::Yes | QMessageBox::No, &window_);
    question.setObjectName(QStringLiteral("oneScreenQuestion"));
    question.setDefaultButton(QMessageBox::No);
    question.setEscapeButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes ? only : nullptr;
}

}  // namespace marbleck
