// The font and colour chooser that a double-click on a widget text opens: a font face
// and size, and one of the 16 palette colours the widget's texts are printed in.
#pragma once

#include <QDialog>
#include <array>

#include "widget/font_choice.h"

class QAbstractButton;
class QButtonGroup;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QPushButton;

namespace nimbulux {

class FontColourDialog : public QDialog {
  Q_OBJECT

 public:
  // Preset with the slot's font and colour (a colour outside 0..15 selects no swatch
  // and is kept unless the user picks one). boldPreview shows the sample in bold, as
  // the temperature is printed.
  FontColourDialog(const WidgetFont& font, int colour, bool boldPreview = false,
                   QWidget* parent = nullptr);

  // The face as typed or picked, and the size in whole points from the size in
  // tenths, halves to the even one.
  WidgetFont SelectedFont() const;
  // The palette number of the checked swatch, else the preset colour.
  int SelectedColour() const;
  FontColourChoice Choice() const { return {SelectedFont(), SelectedColour()}; }

  QFontComboBox* FaceBox() const { return faceBox_; }
  QDoubleSpinBox* SizeBox() const { return sizeBox_; }
  QAbstractButton* Swatch(int colour) const;
  QLabel* Preview() const { return preview_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void UpdatePreview();

  QFontComboBox* faceBox_ = nullptr;
  QDoubleSpinBox* sizeBox_ = nullptr;
  QButtonGroup* swatches_ = nullptr;
  QLabel* preview_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  int presetColour_ = 0;
  bool boldPreview_ = false;
};

// Opens the chooser modally over owner. Returns the chosen font, or a font with an
// empty face name when the dialog was cancelled; colour takes the chosen palette
// number only when the dialog was confirmed.
WidgetFont ChooseTextFont(int& colour, const WidgetFont& font, QWidget* owner = nullptr,
                          bool boldPreview = false);

// The same as a result for ApplyFontChoice: nothing when cancelled.
std::optional<FontColourChoice> RunFontColourDialog(const WidgetFont& font, int colour,
                                                    QWidget* owner = nullptr,
                                                    bool boldPreview = false);

}  // namespace nimbulux
