#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "support/test_application.h"
#include "widget/font_colour_dialog.h"

namespace nimbulux {
namespace {

QApplication& App() { return test::TestApplication(); }

class FontColourDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
};

TEST_F(FontColourDialogTest, PresetFromSlotAndReturnsWhatWasPicked) {
  FontColourDialog dialog({u"Arial", 24}, 14, true);
  // A face this system only maps to another one is kept as written.
  EXPECT_EQ(dialog.FaceBox()->currentText(), QString("Arial"));
  EXPECT_EQ(dialog.SizeBox()->value(), 24);
  EXPECT_TRUE(dialog.Swatch(14)->isChecked());
  EXPECT_EQ(dialog.Choice(), (FontColourChoice{{u"Arial", 24}, 14}));

  dialog.Swatch(12)->click();
  EXPECT_FALSE(dialog.Swatch(14)->isChecked());
  dialog.FaceBox()->setCurrentFont(QFont("DejaVu Serif"));
  dialog.SizeBox()->setValue(24.5);
  EXPECT_EQ(dialog.Choice(), (FontColourChoice{{u"DejaVu Serif", 24}, 12}));
  dialog.SizeBox()->setValue(25.5);
  EXPECT_EQ(dialog.SelectedFont().Size, 26);
  EXPECT_EQ(dialog.Preview()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_TRUE(dialog.Preview()->font().bold());

  dialog.Swatch(4)->click();
  EXPECT_EQ(dialog.SelectedColour(), 4);
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(FontColourDialogTest, ColourOutsidePaletteAndEmptyFace) {
  FontColourDialog dialog({u"DejaVu Sans", 0}, 42);
  for (int i = 0; i < 16; ++i) EXPECT_FALSE(dialog.Swatch(i)->isChecked());
  EXPECT_EQ(dialog.SelectedColour(), 42);    // nothing picked: unchanged
  EXPECT_GE(dialog.SelectedFont().Size, 1);  // a size of 0 is not offered
  dialog.FaceBox()->setEditText("  ");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.FaceBox()->setEditText("DejaVu Sans");
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

// Clicks a button of the modal dialog once it is shown.
void ClickWhenShown(bool ok, int pickColour) {
  QTimer::singleShot(0, [ok, pickColour] {
    auto* dialog = qobject_cast<FontColourDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    if (pickColour >= 0) dialog->Swatch(pickColour)->click();
    (ok ? dialog->OkButton() : dialog->CancelButton())->click();
  });
}

TEST_F(FontColourDialogTest, ChooseTextFontChangesColourOnlyWhenConfirmed) {
  int colour = 11;
  ClickWhenShown(false, 7);
  WidgetFont cancelled = ChooseTextFont(colour, {u"DejaVu Sans", 9});
  EXPECT_TRUE(cancelled.Face.empty());
  EXPECT_EQ(colour, 11);

  ClickWhenShown(true, 8);
  WidgetFont chosen = ChooseTextFont(colour, {u"DejaVu Sans", 9});
  EXPECT_EQ(chosen, (WidgetFont{u"DejaVu Sans", 9}));
  EXPECT_EQ(colour, 8);
}

TEST_F(FontColourDialogTest, Screenshot) {
  FontColourDialog dialog({u"Noto Sans CJK SC", 12}, 14);
  dialog.show();
  const QImage shot = dialog.grab().toImage();
  EXPECT_FALSE(shot.isNull());
  const QString file = QStringLiteral(NIMBULUX_BINARY_DIR "/font_colour_dialog.png");
  EXPECT_TRUE(shot.save(file));
}

}  // namespace
}  // namespace nimbulux
