#pragma once

#include <QMainWindow>
#include <map>

#include "controls.h"
#include "quiz.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace tavola {

class Background;
class CaptionLabel;
class PictureButton;
class PictureCache;

// The game's one window. It lays out the controls, turns Qt's events into the
// game's handlers, and shows what the quiz decides.
class Tavola : public QMainWindow, public Controls {
    Q_OBJECT

  public:
    Tavola(Platform& platform, RecordKeeper& records, PictureCache& pictures,
           QWidget* parent = nullptr);
    ~Tavola() override;

    // Builds the controls in their design-time state (their fonts, pictures
    // and menus), once, before the quiz first shows anything on them.
    void Build();

    // The game's event handlers, one per event, each calling the quiz.
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void Next_Click();
    void cmdNext_Click();
    void txtAnswer_KeyPress(int& keyAscii);
    void Timer1_Timer();
    void cmdExit_Click();
    // The verdict's font loaded and its letters drawn once, off screen, while
    // the player reads the first question: the verdict's first paint then
    // costs what any label's does.
    void PrepareVerdict();

    void SetCaption(Label label, const std::string& caption) override;
    std::string AnswerText() const override;
    void SetAnswerText(const std::string& text) override;
    void SetQuestionSpoken(const std::string& question) override;
    void FocusAnswer() override;
    void SetNextEnabled(bool enabled) override;
    void FocusNext(const std::string& verdict) override;
    void SetTimerEnabled(bool enabled) override;
    void PaintBlack() override;
    void PaintGradient(Short colourSeed) override;

  signals:
    // The player chose a new game: this window is to be dropped and a fresh one loaded.
    void newGameRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    template <typename Handler> void Guarded(Handler handler);

    Platform& platform_;
    PictureCache& pictures_;
    Quiz quiz_;
    Background* background_;
    std::map<Label, CaptionLabel*> labels_;
    QLineEdit* txtAnswer_ = nullptr;
    PictureButton* cmdNext_ = nullptr;
    PictureButton* cmdExit_ = nullptr;
    QTimer* Timer1_ = nullptr;
    bool activated_ = false;
};

} // namespace tavola
