#include "widget/font_colour_dialog.h"

#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace nimbulux {

namespace {

// The colour names users know from the classic colour list, by palette number.
constexpr const char* kColourNames[16] = {"黑色",   "深蓝色", "绿色", "水鸭色", "褐红色", "紫色",
                                          "橄榄色", "银色",   "灰色", "蓝色",   "酸橙色", "浅绿色",
                                          "红色",   "紫红色", "黄色", "白色"};

// The widget's own window fill, so the sample looks as it will on the widget.
constexpr QRgb kSampleBackground = qRgb(16, 40, 96);

constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 200;

QColor PaletteColour(int colour) {
  const std::uint32_t rgb = TextPaletteRgb(colour);
  return QColor((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
}

QIcon SwatchIcon(int colour) {
  QPixmap pixmap(20, 20);
  pixmap.fill(PaletteColour(colour));
  QPainter painter(&pixmap);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(0, 0, 19, 19);
  return QIcon(pixmap);
}

}  // namespace

FontColourDialog::FontColourDialog(const WidgetFont& font, int colour, bool boldPreview,
                                   QWidget* parent)
    : QDialog(parent), presetColour_(colour), boldPreview_(boldPreview) {
  setObjectName("FontColourDialog");
  setWindowTitle(QStringLiteral("字体和颜色"));

  faceBox_ = new QFontComboBox(this);
  faceBox_->setObjectName("FaceBox");
  faceBox_->setEditable(true);
  // The face is kept as written, also one this system lacks and maps to another
  // (Arial here): confirming only a new colour must not rename the font.
  faceBox_->setEditText(QString::fromStdU16String(font.Face));

  sizeBox_ = new QDoubleSpinBox(this);
  sizeBox_->setObjectName("SizeBox");
  sizeBox_->setDecimals(1);
  sizeBox_->setRange(kMinPoints, kMaxPoints);
  sizeBox_->setSingleStep(1);
  sizeBox_->setValue(font.Size);

  swatches_ = new QButtonGroup(this);
  swatches_->setExclusive(true);
  auto* grid = new QGridLayout;
  grid->setSpacing(2);
  for (int i = 0; i < 16; ++i) {
    auto* swatch = new QToolButton(this);
    swatch->setObjectName(QStringLiteral("Swatch%1").arg(i));
    swatch->setCheckable(true);
    swatch->setIcon(SwatchIcon(i));
    swatch->setIconSize(QSize(20, 20));
    swatch->setFixedSize(28, 28);
    swatch->setToolTip(QString::fromUtf8(kColourNames[i]));
    swatch->setStyleSheet(
        "QToolButton { border: 2px solid transparent; border-radius: 3px; }"
        "QToolButton:checked { border: 2px solid palette(highlight);"
        " background: palette(highlight); }");
    swatches_->addButton(swatch, i);
    grid->addWidget(swatch, i / 8, i % 8);
  }
  if (colour >= 0 && colour <= 15) swatches_->button(colour)->setChecked(true);

  preview_ = new QLabel(QStringLiteral("天气晴 Sunny 25℃"), this);
  preview_->setObjectName("Preview");
  preview_->setAlignment(Qt::AlignCenter);
  preview_->setMinimumSize(300, 80);
  preview_->setAutoFillBackground(true);

  ok_ = new QPushButton(QStringLiteral("确定"), this);
  ok_->setObjectName("OkButton");
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  cancel_->setObjectName("CancelButton");
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("字体:"), faceBox_);
  form->addRow(QStringLiteral("大小:"), sizeBox_);
  form->addRow(QStringLiteral("颜色:"), grid);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(preview_);
  layout->addLayout(buttons);

  connect(faceBox_, &QComboBox::editTextChanged, this, [this] { UpdatePreview(); });
  connect(sizeBox_, &QDoubleSpinBox::valueChanged, this, [this] { UpdatePreview(); });
  connect(swatches_, &QButtonGroup::idToggled, this, [this] { UpdatePreview(); });
  UpdatePreview();
}

QAbstractButton* FontColourDialog::Swatch(int colour) const { return swatches_->button(colour); }

WidgetFont FontColourDialog::SelectedFont() const {
  WidgetFont font;
  font.Face = TrimBlanks(faceBox_->currentText().toStdU16String());
  const double tenths = RoundHalfEven(sizeBox_->value() * 10);
  font.Size = PointsFromTenths(static_cast<std::int32_t>(tenths));
  return font;
}

int FontColourDialog::SelectedColour() const {
  const int checked = swatches_->checkedId();
  return checked >= 0 ? checked : presetColour_;
}

void FontColourDialog::UpdatePreview() {
  const WidgetFont font = SelectedFont();
  // An empty face would give back "cancelled"; only a named font can be confirmed.
  ok_->setEnabled(!font.Face.empty());
  QFont qfont(QString::fromStdU16String(font.Face));
  qfont.setPointSizeF(sizeBox_->value());
  qfont.setBold(boldPreview_);
  preview_->setFont(qfont);
  QPalette palette = preview_->palette();
  palette.setColor(QPalette::Window, QColor(kSampleBackground));
  const int colour = SelectedColour();
  palette.setColor(QPalette::WindowText, colour >= 0 && colour <= 15
                                             ? PaletteColour(colour)
                                             : palette.color(QPalette::WindowText));
  preview_->setPalette(palette);
}

std::optional<FontColourChoice> RunFontColourDialog(const WidgetFont& font, int colour,
                                                    QWidget* owner, bool boldPreview) {
  FontColourDialog dialog(font, colour, boldPreview, owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const FontColourChoice choice = dialog.Choice();
  if (choice.Font.Face.empty()) return std::nullopt;
  return choice;
}

WidgetFont ChooseTextFont(int& colour, const WidgetFont& font, QWidget* owner, bool boldPreview) {
  const std::optional<FontColourChoice> choice =
      RunFontColourDialog(font, colour, owner, boldPreview);
  if (!choice) return WidgetFont{Text(), font.Size};
  colour = choice->Colour;
  return choice->Font;
}

}  // namespace nimbulux
