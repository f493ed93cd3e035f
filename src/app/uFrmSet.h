#pragma once
// The window size settings window "窗体大小设置": four fixed sizes, the
// chosen one applied to the main window at once and remembered.

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace kuvano::app {

class TMainForm;

struct SizeChoice {
    const char16_t* caption;
    int width;
    int height; // the nominal screen height less the taskbar's 30
};
inline constexpr std::array<SizeChoice, 4> kSizeChoices = {{
    {u"1024*768(默认)", 1024, 738},
    {u"1280*800", 1280, 770},
    {u"1366*768", 1366, 738},
    {u"1400*900", 1400, 870},
}};

// The choice ticked for a remembered width: its own, or the default (0).
int SizeChoiceForWidth(int rememberedWidth);

class TFrmSetFrm : public QDialog {
    Q_OBJECT
public:
    // Created once at start-up over the main window; shown without blocking it.
    explicit TFrmSetFrm(TMainForm& mainForm);

    QRadioButton* choice(int index) const { return radios_[size_t(index)]; }
    void btnSaveClick(); // 确  定: the ticked size, applied; the window stays open

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    TMainForm& main_;
    QLabel* imgTitle = nullptr;
    std::array<QRadioButton*, 4> radios_{};
    QPushButton* btnSave = nullptr;
};

} // namespace kuvano::app
