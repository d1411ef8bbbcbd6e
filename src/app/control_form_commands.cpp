// The commands of the control menu and of the widget's mouse: background, window
// styles, watched cities, fonts and colours, the README view and the About box, and
// what closing the control form does.
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>

#include "app/control_form.h"
#include "core/clock.h"
#include "core/gbk.h"
#include "core/twips.h"
#include "net/picture_decoding.h"
#include "weather/icon_cache.h"
#include "widget/background_choice.h"
#include "widget/docking.h"
#include "widget/font_choice.h"
#include "widget/font_colour_dialog.h"
#include "widget/window_styles.h"

namespace nimbulux {

namespace {

// The built-in picture with its own colour table: the blue day picture.
std::optional<QImage> BuiltInDayPicture() {
  QFile f(":/background.gif");
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray b = f.readAll();
  return PictureFromBytes(std::string_view(b.constData(), static_cast<std::size_t>(b.size())));
}

QRect ScreenGeometry() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) return screen->geometry();
  return QRect(0, 0, 1024, 768);
}

}  // namespace

// ---- background ------------------------------------------------------------------

void ControlForm::ChooseBackground(int mode) {
  const WeatherState& w = Weather().State;
  const auto decision = nimbulux::ChooseBackground(mode, TimeOfDay5(CurrentClock().Now()),
                                                   w.ExtraLines[4], w.ExtraLines[5]);
  if (!decision) return;
  cycle_.AutoBackground = decision->AutoBackground;
  for (int i = 0; i < 3; ++i) menu_.backgrounds[i]->setChecked(decision->CheckMarks[i]);
  BackgroundPictures pictures{defaultBackground_, customBackground_};
  const BackgroundSources sources{[] { return IconCache(u"bg", true); }, BuiltInDayPicture};
  const std::optional<QImage> shown = ShowChosenBackground(*decision, pictures, sources);
  customBackground_ = pictures.Custom;
  widget_->SetBackground(shown, decision->Shown == ShownBackground::Custom
                                    ? BackgroundKind::Custom
                                    : BackgroundKind::Default);
  RenderWidget();
}

// ---- window styles -----------------------------------------------------------------

WindowStyleMarks ControlForm::StyleMarks() const {
  WindowStyleMarks m;
  m.Lock = menu_.lock->isChecked();
  m.Top = menu_.onTop->isChecked();
  m.Trans = menu_.clickThrough->isChecked();
  m.Desk = menu_.desktop->isChecked();
  return m;
}

void ControlForm::ToggleStyle(QAction* entry) {
  // The menu has already turned the entry's own check mark over; before the click it
  // was the opposite.
  WindowStyleMarks before = StyleMarks();
  StyleEntry clicked = StyleEntry::Lock;
  if (entry == menu_.lock) {
    before.Lock = !before.Lock;
  } else if (entry == menu_.onTop) {
    clicked = StyleEntry::Top;
    before.Top = !before.Top;
  } else if (entry == menu_.clickThrough) {
    clicked = StyleEntry::Trans;
    before.Trans = !before.Trans;
  } else if (entry == menu_.desktop) {
    clicked = StyleEntry::Desk;
    before.Desk = !before.Desk;
  } else {
    return;
  }
  ApplyStyleEffects(StyleEntryClicked(clicked, before, StyleContextNow()));
}

void ControlForm::DefaultStyle() {
  ApplyStyleEffects(StyleEntryClicked(StyleEntry::Default, StyleMarks(), StyleContextNow()));
}

StyleContext ControlForm::StyleContextNow() const {
  StyleContext c;
  c.Opacity = opacity_;
  c.Position = TwipsPoint{widget_->LeftTwips(), widget_->TopTwips()};
  const QRect screen = ScreenGeometry();
  c.ScreenWidthTwips = screen.width() * kTwipsPerPixel;
  c.ScreenHeightTwips = screen.height() * kTwipsPerPixel;
  return c;
}

void ControlForm::ApplyStyleEffects(const StyleEffects& e) {
  menu_.lock->setChecked(e.Marks.Lock);
  menu_.onTop->setChecked(e.Marks.Top);
  menu_.clickThrough->setChecked(e.Marks.Trans);
  menu_.desktop->setChecked(e.Marks.Desk);
  widget_->Flags.Lock = e.Marks.Lock;
  widget_->Flags.Top = e.Marks.Top;
  if (e.ProcessPendingEvents) QCoreApplication::processEvents();
  if (e.Embedded) SetDesktopEmbedded(widget_, *e.Embedded);
  if (e.Style) ApplyWindowStyle(widget_, e.Style->ClickThrough, e.Style->Opacity);
  if (e.Topmost) {
    SetTopmost(widget_, *e.Topmost);
  } else if (e.Embedded && !*e.Embedded) {
    // Out of the desktop the widget stacks as its marks and its dock place say.
    SetTopmost(widget_, e.Marks.Top || widget_->TopTwips() <= 1);
  }
  if (e.MoveTo) {
    widget_->SetPositionTwips(e.MoveTo->Left, e.MoveTo->Top);
  }
  if (e.ShowAndFocus) {
    widget_->show();
    widget_->activateWindow();
  }
}

// ---- cities ----------------------------------------------------------------------

void ControlForm::ChooseWatchedCity(int element) {
  if (element < 1 || static_cast<std::size_t>(element) >= menu_.cities.size()) return;
  // The check mark shows whether the city is in the row; choosing it changes nothing
  // there.
  QAction* a = menu_.cities[static_cast<std::size_t>(element)];
  if (static_cast<std::size_t>(element) > watched_.size()) return;
  const WatchedCity& city = watched_[static_cast<std::size_t>(element) - 1];
  a->setChecked(city.Shown);
  // Stored as the home city by the exit routine, not now.
  Weather().CurrentCityId = city.Id;
  RefreshWeather();
}

// ---- fonts and colours -----------------------------------------------------------------

void ControlForm::ChooseFontAndColour(int slot, FontKind kind) {
  if (slot >= 0 && slot < static_cast<int>(widget_->TextColours.size())) {
    TextFonts fonts;
    fonts.Normal = widget_->NormalFont();
    fonts.Temperature = widget_->TemperatureFont();
    fonts.TextColours = widget_->TextColours;
    const bool temperature = kind == FontKind::Temperature;
    const auto choice = RunFontColourDialog(temperature ? fonts.Temperature : fonts.Normal,
                                            fonts.TextColours[static_cast<std::size_t>(slot)],
                                            widget_, temperature);
    // The window measures "℃" in the new fonts and derives both offsets from them.
    if (ApplyFontChoice(fonts, FontSlotChoice{slot, kind}, choice, nullptr)) {
      widget_->TextColours = fonts.TextColours;
      widget_->SetFonts(fonts.Normal, fonts.Temperature);
    }
    // Redrawn also after a cancel: the dialog covered the widget.
    RenderWidget();
  }
  TrimMemory();
}

// ---- README view, About, closing ---------------------------------------------------

void ControlForm::ShowReadme() {
  readmeView_->setVisible(true);
  if (readmeView_->toPlainText().isEmpty()) {
    QFile f(":/README.txt");
    if (f.open(QIODevice::ReadOnly)) {
      const QByteArray b = f.readAll();
      readmeView_->setPlainText(QString::fromStdU16String(
          TextFromGbk(std::string_view(b.constData(), static_cast<std::size_t>(b.size())))));
    }
  }
  // The landscape form becomes a portrait page for reading, centred on the screen.
  const int w = width(), h = height();
  const QRect screen = ScreenGeometry();
  setGeometry((screen.width() - h) / 2, (screen.height() - w) / 2, h, w);
  readmeView_->setGeometry(rect());
  readmeView_->setFocus();
  exec();
  setGeometry((screen.width() - width()) / 2, (screen.height() - height()) / 2, w, h);
}

void ControlForm::ShowAbout() {
  QMessageBox::information(nullptr, QStringLiteral("Nimbulux"), windowTitle());
}

void ControlForm::closeEvent(QCloseEvent* event) {
  // The control form lives for the whole run: closing only hides it.
  event->ignore();
  readmeView_->setVisible(false);
  hide();
  if (isModal()) done(0);
}

void ControlForm::reject() {
  // Escape in the README view closes it like the close box.
  readmeView_->setVisible(false);
  QDialog::reject();
}

bool ControlForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && readmeView_->isVisible()) readmeView_->setFocus();
  return QDialog::event(event);
}

}  // namespace nimbulux
