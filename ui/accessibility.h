#pragma once

#include "ui/layout.h"

#include <QString>

class QWidget;

// What a screen reader says of each control: a name and a description, in Chinese. Captioned controls are
// named by their caption, badges by their badge's name, the arrows by the way they move; what a push button
// does comes from its handler, so a new button of a known family needs no new text.
namespace ui {

struct AccessibleText {
    QString name;
    QString description;
};

AccessibleText accessibleText(const Row& row);

class MainWindow;

// Gives the control its row's accessible name and description.
void describeForAccessibility(const Row& row, QWidget& widget);

// Ties each edit box and combo box to the label that names it. On Linux a screen reader names such a box by
// that "labelled by" relation, and reads the box's own name as its text.
void linkLabels(const MainWindow& window);

} // namespace ui
