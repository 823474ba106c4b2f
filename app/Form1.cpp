#include "Form1.h"

#include <QAbstractButton>
#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "Clock.h"
#include "DrawingTools.h"
#include "ErrorReporter.h"
#include "FileProcedures.h"
#include "HologramProcedures.h"
#include "InputChooser.h"
#include "Module1.h"
#include "NumberText.h"
#include "PictureArea.h"
#include "Placement.h"
#include "PrintDialogHost.h"
#include "ProgressBar.h"
#include "Screen.h"
#include "VSpinner.h"

namespace marbleck {

namespace {

// The object canvas's user scale: 14.4 twips a unit, so its 1440-twip drawing
// area spans 100 units.
constexpr double CanvasTwipsPerUnit = 14.4;

QPushButton* button(QWidget* parent, const char* caption) {
    return new QPushButton(QString::fromLatin1(caption), parent);
}

QLabel* label(QWidget* parent, const char* caption) {
    return new QLabel(QString::fromLatin1(caption), parent);
}

QRadioButton* option(QWidget* parent, const char* caption) {
    return new QRadioButton(QString::fromLatin1(caption), parent);
}

// Makes `buttons` one exclusive group of their own, which Tab enters at its
// selected button however that was selected.
void OptionGroup(QObject* owner, std::initializer_list<QRadioButton*> buttons) {
    auto* group = new QButtonGroup(owner);
    for (QRadioButton* b : buttons) group->addButton(b);
    const auto tabStopOnSelected = [group] {
        for (QAbstractButton* b : group->buttons()) {
            const int policy = b->isChecked() ? (b->focusPolicy() | Qt::TabFocus)
                                              : (b->focusPolicy() & ~Qt::TabFocus);
            b->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
        }
    };
    tabStopOnSelected();
    QObject::connect(group, &QButtonGroup::buttonToggled, group, tabStopOnSelected);
}

}  // namespace

Form1::Form1(Module1& module, QWidget* parent) : QMainWindow(parent), module_(module) {
    setWindowTitle(QStringLiteral("Marbleck v0.2"));

    PrintDialog = new PrintDialogHost(this);
    client_ = new QWidget(this);
    setCentralWidget(client_);
    client_->setFixedSize(TwipsToPixels(11970, Screen::TwipsPerPixelX()),
                          TwipsToPixels(8115, Screen::TwipsPerPixelY()));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    chooser_ = std::make_unique<InputChooser>(
        this, module_.InputFilePath, [this] { LoadObjectBitmap(*this, module_); },
        [this](const QString& notice) { showChooserNotice(notice); });
    createControls();
    fitCaptions();
    createMenu();
    setTabOrder();
    connectHandlers();
    load();
    Picture1->setFocus();
}

Form1::~Form1() = default;

void Form1::createControls() {
    QWidget* c = client_;
    Picture1 = Placed(new PictureArea(c), 360, 360, 1500, 1500);
    Open = Placed(button(c, "Load"), 480, 3000, 975, 495);
    Open->setToolTip(QStringLiteral("Open an input image"));
    Picture2 = Placed(new PictureArea(c), 4320, 360, 2400, 2520);
    Label1 = Placed(label(c, "# reps"), 480, 3840, 615, 255);
    Print = Placed(button(c, "Print"), 480, 7440, 1215, 495);
    Command1 = Placed(button(c, "Calculate"), 360, 5040, 1215, 375);
    Check1 = Placed(new QCheckBox(QStringLiteral("Check1"), c), 3000, 5160, 255, 255);
    Check1->setChecked(true);
    Label3 = Placed(label(c, "Random Phase"), 1680, 5160, 1215, 255);
    Text3 = Placed(new QLineEdit(QStringLiteral("0.6"), c), 2520, 5640, 615, 375);
    Label4 = Placed(label(c, "threshold"), 1560, 5760, 855, 255);
    ProgressBar1 = Placed(new ProgressBar(c), 240, 4320, 3615, 495);
    VScroll1 = Placed(new VSpinner(c), 1800, 3720, 255, 375);
    Text1 = Placed(new QLineEdit(QStringLiteral("3"), c), 1200, 3720, 615, 375);
    Command2 = Placed(button(c, "Binarize"), 360, 5640, 1095, 375);
    VScroll2 = Placed(new VSpinner(c), 3120, 5640, 255, 375);
    Command3 = Placed(button(c, "Save Holo"), 360, 6240, 1095, 495);
    Command4 = Placed(button(c, "Quit"), 10200, 7440, 1215, 615);
    Label5 = Placed(label(c, ""), 1800, 6240, 2415, 735);
    Label5->setWordWrap(true);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Time = Placed(new QLineEdit(c), 5400, 7440, 1455, 495);
    Option1 = Placed(option(c, "freehand"), 3000, 600, 1215, 375);
    Option2 = Placed(option(c, "line"), 3000, 1080, 1095, 375);
    Option4 = Placed(option(c, "Circle"), 3000, 1560, 1095, 375);
    Option1->setChecked(true);
    Command5 = Placed(button(c, "clear"), 1800, 3000, 855, 495);
    Frame1 = Placed(new QGroupBox(QStringLiteral("Width"), c), 2880, 1920, 1335, 1455);
    W1 = Placed(option(Frame1, "Width 1"), 120, 240, 1095, 375);
    W10 = Placed(option(Frame1, "Width 5"), 120, 840, 975, 375);
    W5 = Placed(option(Frame1, "Width 2"), 120, 600, 975, 255);
    W1->setChecked(true);
    // Two groups: arrow keys move within a group, Tab enters each at its
    // selected button. As siblings and descendants of one window the six
    // would otherwise form a single group for the keyboard.
    OptionGroup(this, {Option1, Option2, Option4});
    OptionGroup(this, {W1, W5, W10});
    Label2 = Placed(label(c, "y"), 1560, 2400, 855, 375);
    Label6 = Placed(label(c, "x"), 480, 2400, 855, 375);

    // The canvas: black (window text) with a 14.4-twip user scale.
    Picture1->setBackColor(Black);
    Picture1->setUserScale(CanvasTwipsPerUnit, CanvasTwipsPerUnit);
    Picture1->setOuterSize(1500, 1500);
    Picture1->setMouseTracking(true);
    Picture1->setFocusPolicy(Qt::StrongFocus);
    // The hologram view: pixels, background colour value 15.
    Picture2->setBackColor(15);
    Picture2->setOuterSize(2400, 2520);
    Picture2->setFocusPolicy(Qt::StrongFocus);

    for (QLabel* l : {Label1, Label3, Label4, Label5, Label2, Label6}) l->setFocusPolicy(Qt::NoFocus);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
}

void Form1::fitCaptions() {
    FitCaptionFont(client_, {Open,    Print,   Command1, Command2, Command3, Command4,
                             Command5, Option1, Option2, Option4,  W1,       W5,
                             W10,     Label1,  Label3,   Label4,   Label2,   Label6});
}

void Form1::createMenu() {
    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    FastCalculation = options->addAction(QStringLiteral("Fast calculation"));
    FastCalculation->setCheckable(true);
    FastCalculation->setChecked(false);
}

void Form1::setTabOrder() {
    SetTabOrder({Picture1, Open,     Picture2, Print,   Command1, Check1, Text3,
                 VScroll1, Text1,    Command2, VScroll2, Command3, Command4, Time,
                 Option1,  Option2,  Option4,  Command5, W1,      W10,    W5});
}

void Form1::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Open, &QPushButton::clicked, this, &Form1::Open_Click);
    connect(Print, &QPushButton::clicked, this, &Form1::Print_Click);
    connect(VScroll1, &VSpinner::valueChanged, this, &Form1::VScroll1_Change);
    connect(VScroll2, &VSpinner::valueChanged, this, &Form1::VScroll2_Change);

    // The drawing tools see the selected tool and show the press position
    // through these two hooks only.
    drawingTools_ = std::make_unique<DrawingTools>(
        *Picture1, module_.Drawing,
        [this] {
            if (Option2->isChecked()) return DrawingTool::Line;
            if (Option4->isChecked()) return DrawingTool::Circle;
            return DrawingTool::Freehand;
        },
        [this](float x, float y) {
            Label6->setText(QString::fromStdString(WriteNumber(x)));
            Label2->setText(QString::fromStdString(WriteNumber(y)));
        });
    connect(Picture1, &PictureArea::mousePressed, this,
            [this](Qt::MouseButton, Qt::MouseButtons, float x, float y) { drawingTools_->press(x, y); });
    connect(Picture1, &PictureArea::mouseMoved, this,
            [this](Qt::MouseButtons buttons, float x, float y) { drawingTools_->move(buttons, x, y); });
    // An option button's click handler runs when it becomes selected.
    const auto onSelect = [this](QRadioButton* option, void (Form1::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) (this->*handler)();
        });
    };
    onSelect(Option2, &Form1::Option2_Click);
    onSelect(W1, &Form1::W1_Click);
    onSelect(W5, &Form1::W5_Click);
    onSelect(W10, &Form1::W10_Click);
}

// The start-up state, set before the window is first shown. Setting the
// spinners runs their change rules, which overwrite the boxes' design texts.
void Form1::load() {
    module_.Drawing.LineActive = false;
    module_.Drawing.CircleActive = false;
    Time->setText(QStringLiteral("0"));
    ProgressBar1->setVisible(false);
    ProgressBar1->setMin(0);
    ProgressBar1->setMax(100);
    ProgressBar1->setValue(ProgressBar1->min());
    VScroll1->setMin(10);
    VScroll1->setMax(1);
    VScroll1->setLargeChange(1);
    VScroll1->setSmallChange(1);
    VScroll1->setValue(1);
    VScroll2->setMin(12);
    VScroll2->setMax(1);
    VScroll2->setLargeChange(1);
    VScroll2->setSmallChange(1);
    VScroll2->setValue(6);
}

void Form1::Command1_Click() {
    ErrorReporter::RunCommand(this, [&] {
        const float start = SecondsSinceMidnight();
        ComputeHologram(*this, module_);
        const float end = SecondsSinceMidnight();
        Time->setText(QString::fromStdString(WriteNumber(ElapsedSeconds(start, end))));
    });
}

void Form1::Command2_Click() {
    ErrorReporter::RunCommand(this, [&] { BinarizeHologram(*this, module_); });
}

void Form1::Command3_Click() {
    ErrorReporter::RunCommand(this, [&] { SaveHologram(*this, module_); });
}

void Form1::Command4_Click() { close(); }

// Closing the main window, by "Quit" or through its frame, ends the program
// with all its windows.
void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
    QCoreApplication::quit();
}

void Form1::Command5_Click() { Picture1->cls(); }

// Selecting a tool or a width leaves the drawing state alone.
void Form1::Option2_Click() {
    Option1->setChecked(false);
    Option4->setChecked(false);
}

void Form1::W1_Click() {
    W10->setChecked(false);
    W5->setChecked(false);
    drawingTools_->setPenWidth(1);
}

void Form1::W5_Click() {
    W10->setChecked(false);
    W1->setChecked(false);
    drawingTools_->setPenWidth(2);
}

void Form1::W10_Click() {
    W1->setChecked(false);
    W5->setChecked(false);
    drawingTools_->setPenWidth(5);
}

// The chooser's notices go to the status line; an empty one takes back the
// last, unless something else has been written there since.
void Form1::showChooserNotice(const QString& notice) {
    if (!notice.isEmpty()) Label5->setText(notice);
    else if (!chooserNotice_.isEmpty() && Label5->text() == chooserNotice_) Label5->clear();
    chooserNotice_ = notice;
}

void Form1::Open_Click() {
    ErrorReporter::RunCommand(this, [&] { chooser_->show(); });
}

void Form1::Print_Click() {
    ErrorReporter::RunCommand(this, [&] { PrintDialog->open(*Picture2); });
}

void Form1::VScroll1_Change() { Text1->setText(QString::number(VScroll1->value())); }

void Form1::VScroll2_Change() {
    Text3->setText(QString::fromStdString(WriteNumber(static_cast<double>(VScroll2->value()) / 10.0)));
}

}  // namespace marbleck
