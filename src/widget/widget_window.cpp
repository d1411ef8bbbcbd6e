#include "widget/widget_window.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QPainter>

#include "core/twips.h"
#include "widget/window_styles.h"

namespace nimbulux {

namespace {

QRect PixelRect(const TwipsRect& r) {
  return QRect(TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
               TwipsToPixels(r.height));
}

// A tool window stays out of the task bar. Qt raises a tool window whenever it is shown,
// which a run without a screen cannot do and has no task bar for.
Qt::WindowFlags WindowFlags() {
  return Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint |
         (Headless() ? Qt::Window : Qt::Tool);
}

QColor Rgb(std::uint32_t rgb) { return QColor((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255); }

// Shown where no background picture covers the window: a dark blue that is not the
// see-through colour key (exact black).
constexpr QRgb kWindowFill = qRgb(16, 40, 96);

}  // namespace

WidgetWindow::WidgetWindow(QWidget* parent) : QWidget(parent, WindowFlags()) {
  setObjectName("Form1");
  setWindowTitle("Nimbulux");
  setFixedSize(kWidgetWidthPx, kWidgetHeightPx);
  setMouseTracking(true);
  for (int i = 0; i < 2; ++i) image2_[i] = new PictureBoxWidget(this);
  for (int i = 0; i < 5; ++i) {
    image1_[i] = new PictureBoxWidget(this);
    image3_[i] = new PictureBoxWidget(this);
  }
  lbWind_ = new MouseLabel(this);
  lbText_ = new MouseLabel(this);
  Forecast.TodayPictures[1].Tooltip = kIndexSwitchTooltip;
  PlaceControls();
  ConnectMouse();
  ShowForecast();
  SetFonts(normalFont_, temperatureFont_);
  // The design position: the top-left area of the primary screen.
  leftTwips_ = 600;
  topTwips_ = 600;
  ApplyPosition();
}

void WidgetWindow::PlaceControls() {
  for (int i = 0; i < 2; ++i) image2_[i]->setGeometry(PixelRect(Image2Rect(i)));
  for (int i = 0; i < 5; ++i) {
    image1_[i]->setGeometry(PixelRect(Image1Rect(i)));
    image3_[i]->setGeometry(PixelRect(Image3Rect(i)));
  }
  lbWind_->setGeometry(PixelRect(kWindLabelRect));
  lbText_->setGeometry(PixelRect(kBottomLabelRect));
}

void WidgetWindow::SetBackground(const std::optional<QImage>& picture, BackgroundKind kind) {
  background_ = picture;
  if (background_ && background_->isNull()) background_.reset();
  backgroundKind_ = background_ ? kind : BackgroundKind::None;
  update();
}

void WidgetWindow::SetLeftTwips(double twips) {
  leftTwips_ = twips;
  ApplyPosition();
}

void WidgetWindow::SetTopTwips(double twips) {
  topTwips_ = twips;
  ApplyPosition();
}

void WidgetWindow::ApplyPosition() {
  applyingPosition_ = true;
  move(static_cast<int>(RoundHalfEven(leftTwips_ / kTwipsPerPixel)),
       static_cast<int>(RoundHalfEven(topTwips_ / kTwipsPerPixel)));
  applyingPosition_ = false;
}

void WidgetWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (applyingPosition_) return;
  // Moved by the window system (a drag): take the new place unless it is the one the
  // twips already name.
  const QPoint p = pos();
  if (p.x() != static_cast<int>(RoundHalfEven(leftTwips_ / kTwipsPerPixel))) {
    leftTwips_ = p.x() * kTwipsPerPixel;
  }
  if (p.y() != static_cast<int>(RoundHalfEven(topTwips_ / kTwipsPerPixel))) {
    topTwips_ = p.y() * kTwipsPerPixel;
  }
}

QFont WidgetWindow::QtFont(FontKind kind) const {
  const WidgetFont& chosen = kind == FontKind::Temperature ? temperatureFont_ : normalFont_;
  QFont font(QString::fromStdU16String(chosen.Face));
  font.setPointSize(chosen.Size > 0 ? chosen.Size : 9);
  font.setBold(kind == FontKind::Temperature);
  return font;
}

void WidgetWindow::SetFonts(const WidgetFont& normal, const WidgetFont& temperature) {
  normalFont_ = normal;
  temperatureFont_ = temperature;
  const double degreeBold = QFontMetricsF(QtFont(FontKind::Temperature)).height() * kTwipsPerPixel;
  tempTextOffset_ = TempTextOffsetFor(degreeBold);
  const double degree = QFontMetricsF(QtFont(FontKind::Normal)).height() * kTwipsPerPixel;
  textOffset_ = TextOffsetFor(degree);
  // The label over the bottom line takes the face of the normal font, not its size.
  QFont label = lbText_->font();
  label.setFamily(QString::fromStdU16String(normal.Face));
  lbText_->setFont(label);
}

double WidgetWindow::MeasureNormal(TextView text) const {
  return QFontMetricsF(QtFont(FontKind::Normal))
             .horizontalAdvance(QString::fromStdU16String(Text(text))) *
         kTwipsPerPixel;
}

void WidgetWindow::DrawShadowText(QPainter& painter, const PrintedText& text) {
  if (text.text.empty()) return;
  painter.setFont(QtFont(text.font));
  const double ascent = QFontMetricsF(painter.font()).ascent();
  const QString s = QString::fromStdU16String(text.text);
  for (const ShadowPrint& print : ShadowTextPrints(text, TextColours)) {
    painter.setPen(Rgb(print.rgb));
    painter.drawText(QPointF(print.x / kTwipsPerPixel, print.y / kTwipsPerPixel + ascent), s);
  }
}

RenderPlan WidgetWindow::RenderWidget(const WeatherState& weather) {
  RenderInput in;
  in.Weather = &weather;
  in.TextColours = TextColours;
  in.TextOffset = textOffset_;
  in.TempTextOffset = tempTextOffset_;
  in.ViewMode = ViewMode;
  in.NormalView = NormalView;
  for (int j = 0; j < 5; ++j) {
    in.Image1Tags[j] = Forecast.RowUpper[j].Tag;
    in.Image3Tags[j] = Forecast.RowLower[j].Tag;
  }
  hasTemperature_ = !weather.NowTemperature.empty();
  RenderPlan plan = PlanRender(in, [this](TextView t) { return MeasureNormal(t); });

  texts_ = plan.Texts;
  if (plan.ShowColumns0To2) {
    for (int i = 0; i < 3; ++i) {
      Forecast.RowUpper[i].Visible = *plan.ShowColumns0To2;
      Forecast.RowLower[i].Visible = *plan.ShowColumns0To2;
    }
  }
  ShowForecast();
  update();
  return plan;
}

void WidgetWindow::ShowForecast() {
  auto apply = [](const ForecastPicture& box, PictureBoxWidget* widget) {
    widget->SetPicture(box.Kind == PictureKind::None ? std::nullopt : box.Image);
    widget->setToolTip(QString::fromStdU16String(box.Tooltip));
    widget->setVisible(box.Visible);
  };
  for (int i = 0; i < 2; ++i) apply(Forecast.TodayPictures[i], image2_[i]);
  for (int i = 0; i < 5; ++i) {
    apply(Forecast.RowUpper[i], image1_[i]);
    apply(Forecast.RowLower[i], image3_[i]);
  }
  lbWind_->setToolTip(QString::fromStdU16String(Forecast.WindTooltip));
  lbText_->setToolTip(QString::fromStdU16String(Forecast.NotesTooltip));
}

void WidgetWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(kWindowFill));
  if (background_) p.drawImage(QPoint(0, 0), *background_);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (const PrintedText& t : texts_) DrawShadowText(p, t);
}

QImage WidgetWindow::Snapshot() {
  ensurePolished();
  return grab().toImage();
}

void WidgetWindow::closeEvent(QCloseEvent* event) {
  // The window lives for the whole run; the program ends only through its exit
  // routine, which saves first.
  event->ignore();
  Q_EMIT closeRequested();
}

}  // namespace nimbulux
