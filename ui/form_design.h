#pragma once

#include <map>

#include "controls.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QWidget;

namespace tavola {

class CaptionLabel;
class PictureButton;
class PictureCache;

// The form as it was designed: each control's place (in twips), colours,
// font, caption, tooltip and pointer, built on the client area `client` in
// its design-time state. Nothing here knows the window that uses them.

// Every label, with the heading beside each value labelling it for a screen
// reader; the labels that the core writes, by their name.
std::map<Label, CaptionLabel*> BuildLabels(QWidget* client, PictureCache& pictures);
// The answer box, four characters at most.
QLineEdit* BuildAnswerBox(QWidget* client);
// The stopwatch picture beside the clock.
QLabel* BuildStopwatch(QWidget* client, PictureCache& pictures);
// The button beneath cmdNext and wholly inside it, so never seen; Tab still reaches it.
QPushButton* BuildHiddenButton(QWidget* client);
// The next-question button, disabled, and the Exit button.
PictureButton* BuildNextButton(QWidget* client, PictureCache& pictures);
PictureButton* BuildExitButton(QWidget* client, PictureCache& pictures);
// The two drop-down menus; gives the item that starts a new game.
QAction* BuildMenus(QMenuBar* bar);

} // namespace tavola
