// The widget window (Form1): the background picture, the printed texts and the picture
// boxes of the weather. Positions are kept in twips as the settings store them, so a
// docked top edge of 1 twip survives although it is no whole pixel.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <optional>

#include "core/setting_defaults.h"
#include "core/text.h"
#include "weather/forecast_row.h"
#include "weather/weather_state.h"
#include "widget/picture_box.h"
#include "widget/widget_layout.h"

namespace nimbulux {

enum class BackgroundKind { Default, Custom, None };

// The state the widget's mouse commands read; the control form sets it.
struct WidgetFlags {
  bool Lock = false;
  bool Top = false;
};

class WidgetWindow : public QWidget {
  Q_OBJECT

 public:
  explicit WidgetWindow(QWidget* parent = nullptr);

  PictureBoxWidget* Image2(int i) const { return image2_[static_cast<std::size_t>(i)]; }
  PictureBoxWidget* Image1(int i) const { return image1_[static_cast<std::size_t>(i)]; }
  PictureBoxWidget* Image3(int i) const { return image3_[static_cast<std::size_t>(i)]; }
  MouseLabel* lbWind() const { return lbWind_; }
  MouseLabel* lbText() const { return lbText_; }

  void SetBackground(const std::optional<QImage>& picture, BackgroundKind kind);
  BackgroundKind Background() const { return backgroundKind_; }

  double LeftTwips() const { return leftTwips_; }
  double TopTwips() const { return topTwips_; }
  void SetLeftTwips(double twips);
  void SetTopTwips(double twips);
  // Both at once: one move, so the window system never reports a half-done place.
  void SetPositionTwips(double left, double top);

  // Fonts and the offsets derived from them; the bottom label takes the normal face.
  void SetFonts(const WidgetFont& normal, const WidgetFont& temperature);
  const WidgetFont& NormalFont() const { return normalFont_; }
  const WidgetFont& TemperatureFont() const { return temperatureFont_; }
  int TextOffset() const { return textOffset_; }
  int TempTextOffset() const { return tempTextOffset_; }
  // Width of a text in the normal font, twips.
  double MeasureNormal(TextView text) const;

  // What the forecast shows; ShowForecast puts it on screen: today's pictures on Image2,
  // the row on Image1 (upper) and Image3 (lower), the tooltips on lbWind and lbText.
  ForecastView Forecast;
  void ShowForecast();

  std::array<int, 5> TextColours = kDefaultTextColours;
  int ViewMode = kDefaultViewMode;
  bool NormalView = true;
  int ShowSeveralCities = 0;
  WidgetFlags Flags;

  // Clears the printed texts and prints every text of the weather again; the plan
  // returned is what was printed.
  RenderPlan RenderWidget(const WeatherState& weather);
  // Columns 3 and 4 shown (five-day view) or given to the weather index.
  void SwitchIndexView(bool showColumns, const WeatherState& weather);

  // The window as drawn, background, texts and pictures.
  QImage Snapshot();

  // The left button is down on the widget or it is being moved (by the window manager or
  // by hand): the pointer is held until the move is over and its stacking decided.
  bool DragUnderWay() const;

 Q_SIGNALS:
  void refreshRequested();
  void indexSwitchRequested();
  void rowSwitchRequested();
  // A right press: the city menu (over the city name) or the whole control menu.
  void menuRequested(QPoint globalPos, bool cityMenu);
  // A double-click on a text: colour slot and font kind; slot -1 where no text of its
  // own lies (nothing to choose, but the memory trim still runs).
  void fontChooserRequested(int slot, FontKind font);
  // The pointer moved over the index lines or left them.
  void viewChanged();
  // The system closes the window (log-off): the program saves and ends.
  void closeRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void PlaceControls();
  void ConnectMouse();
  // The mouse handling of widget_mouse.cpp, in window twips.
  // windowPx: the pointer in the window; screenPx: on the screen, as the event gives it
  // (input held during a fetch arrives late, when the pointer may be elsewhere).
  void WidgetMouseDown(Qt::MouseButton button, QPoint windowPx, QPoint screenPx);
  void WidgetMouseMove(QPoint windowPx, QPoint screenPx);
  void WidgetDoubleClick();
  // A left press moves the window with the pointer (the system's move, else by hand);
  // when it ends, the topmost decision.
  void BeginDrag(QPoint screenPx);
  void FinishDrag();
  // A pointer move anywhere on the widget while a left press waits to become a drag;
  // true when it started the drag.
  bool ContinuePendingDrag(QPoint screenPx);
  void ApplyPosition();
  void DrawShadowText(QPainter& painter, const PrintedText& text);
  QFont QtFont(FontKind kind) const;

  std::array<PictureBoxWidget*, 2> image2_{};
  std::array<PictureBoxWidget*, 5> image1_{};
  std::array<PictureBoxWidget*, 5> image3_{};
  MouseLabel* lbWind_ = nullptr;
  MouseLabel* lbText_ = nullptr;

  std::optional<QImage> background_;
  BackgroundKind backgroundKind_ = BackgroundKind::Default;
  // Drawn at every paint: a picture of its own would hold a second copy of the window.
  std::vector<PrintedText> texts_;

  double leftTwips_ = 0;
  double topTwips_ = 0;
  bool applyingPosition_ = false;
  bool hasTemperature_ = false;  // the index hover needs a current temperature
  int lastMouseX_ = 0;           // twips
  int lastMouseY_ = 0;
  bool dragPending_ = false;  // left press not yet moved far enough to be a drag
  QPoint dragPressGlobal_;    // where that press was, screen pixels
  bool manualDrag_ = false;   // dragging by hand: the window follows the pointer
  bool moving_ = false;       // a move begun and not yet finished (system or by hand)
  QPoint dragOffset_;         // pointer minus window position, pixels

  WidgetFont normalFont_{Text(kDesignFontName), kDesignFontSize};
  WidgetFont temperatureFont_{Text(kDefaultTemperatureFontName), kDefaultTemperatureFontSize};
  int textOffset_ = 0;
  int tempTextOffset_ = 0;
};

}  // namespace nimbulux
